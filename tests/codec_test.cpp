// The binary, string and CSV forms: one typed suite for what the three must do alike
// (give back what they were given, bit for bit, also from a decoded message's views, and
// refuse a cut message), then what each form alone writes, reads leniently and refuses.
// The committed samples under examples/messages/ pin the bytes of rich containers. Last,
// the value texts beneath the forms: strict parses (StringUtils) and the bit-exact value
// codec of the string form (Converter).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/StringUtils.h"
#include "data/serialization/BinaryDataSerializer.h"
#include "data/serialization/Converter.h"
#include "data/serialization/TokensReader.h"
#include "support/RandomData.h"
#include "support/SerializerSamples.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using namespace yox::testing;
using yox::data::impl::Converter;
using yox::util::StringUtils;
using yox::util::UtilException;
using Texts = std::vector<std::pair<std::string, std::string>>;

std::string toText(const Data& data) { return theSerializer().serializeToString(data, ','); }
yox::auto_ptr<Data> fromText(const std::string& text) {
  return theSerializer().deserializeFromString(text, ',');
}
std::string toCsv(const Data& data) { return theSerializer().serializeToCsv(data); }
yox::auto_ptr<Data> fromCsv(const std::string& text) {
  return theSerializer().deserializeFromCsv(text.c_str());
}

// kNested: carries nested containers and NaN payloads; kCutsFail: every proper prefix of
// the message of sample() is refused (a CSV prefix is often a valid shorter message).
struct BinaryCodec {
  static constexpr bool kNested = true, kCutsFail = true;
  static yox::auto_ptr<Data> sample() { return RandomDataGenerator(1).makeData(); }  // every type
  static std::string write(const Data& d) {
    const Bytes b = encode(d);
    return std::string(b.begin(), b.end());
  }
  static yox::auto_ptr<Data> read(const std::string& s) { return decode(Bytes(s.begin(), s.end())); }
};
struct StringCodec {
  static constexpr bool kNested = true, kCutsFail = true;
  static yox::auto_ptr<Data> sample() { return makeNestedProperty(); }
  static std::string write(const Data& d) { return toText(d); }
  static yox::auto_ptr<Data> read(const std::string& s) { return fromText(s); }
};
struct CsvCodec {
  static constexpr bool kNested = false, kCutsFail = false;
  static yox::auto_ptr<Data> sample() { return makeTypicalProperty(); }
  static std::string write(const Data& d) { return toCsv(d); }
  static yox::auto_ptr<Data> read(const std::string& s) { return fromCsv(s); }
};

template <class C>
class Codec : public ::testing::Test {};
using Codecs = ::testing::Types<BinaryCodec, StringCodec, CsvCodec>;
TYPED_TEST_SUITE(Codec, Codecs);

TYPED_TEST(Codec, RoundTripsRandomContainersBitForBit) {
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    RandomDataOptions options;
    options.csvSafe = !TypeParam::kNested;
    options.specialFloats = seed % 2 == 0;  // NaNs compare unequal: then only the bytes can tell
    yox::auto_ptr<Data> data = RandomDataGenerator(seed, options).makeData();
    const std::string text = TypeParam::write(*data);
    yox::auto_ptr<Data> decoded = TypeParam::read(text);
    ASSERT_EQ(encode(*decoded), encode(*data)) << "seed " << seed;
    EXPECT_TRUE(options.specialFloats || *decoded == *data) << "seed " << seed;
    EXPECT_EQ(TypeParam::write(*decoded), text) << "seed " << seed;
    // A decoded binary message holds unaligned views; every writer reads them alike.
    EXPECT_EQ(TypeParam::write(*decode(encode(*data))), text) << "seed " << seed;
  }
}

// Refused with the decoders' exceptions only, e.g. a cut x array no longer matching its y array.
TYPED_TEST(Codec, EveryCutOfAMessageFailsCleanly) {
  const std::string text = TypeParam::write(*TypeParam::sample());
  for (size_t length = 0; length < text.size(); ++length) {
    const std::string error = refusal([&] { TypeParam::read(text.substr(0, length)); });
    EXPECT_TRUE(!error.empty() || !TypeParam::kCutsFail) << "a message cut to " << length << " decoded";
  }
}

// The block of a function of the points (0, 1).
MessageBuilder& functionBlock(MessageBuilder& m) {
  m.i32(2).entry("xArray", DT_DOUBLE_ARRAY).i32(1).i32(1).i32(1).raw({0, 0, 0, 0, 0, 0, 0, 0});
  return m.entry("yArray", DT_DOUBLE_ARRAY).i32(1).i32(1).i32(1).raw({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
}

MessageBuilder nestedBlocks(int levels) {
  MessageBuilder m;
  for (int i = 0; i < levels; ++i) m.i32(1).entry("d", DT_DATA);
  return m.i32(0);
}

TEST(BinarySerializer, WritesTheDocumentedBytes) {
  const std::vector<std::pair<std::function<void(Data&)>, MessageBuilder>> cases = {
      {[](Data&) {}, MessageBuilder().i32(0)},
      {[](Data& d) { d.append("a", 1); },
       MessageBuilder().raw({1, 0, 0, 0, 2, 0, 0, 0, 0x61, 0, 3, 1, 0, 0, 0})},
      {[](Data& d) {  // names in byte order
         d.append("a", true);
         d.append("B", false);
       },
       MessageBuilder().i32(2).entry("B", DT_BOOL).i8(0).entry("a", DT_BOOL).i8(1)},
      {[](Data& d) { d.appendArray("z", static_cast<const long*>(nullptr), 0); },
       MessageBuilder().i32(1).entry("z", DT_LONG_ARRAY).i32(1).i32(0).i32(0)},
      {[](Data& d) { d.append("s", ""); }, MessageBuilder().i32(1).entry("s", DT_STRING).i32(1).i8(0)},
      {[](Data& d) { d.append("x", 1.0); },
       MessageBuilder().i32(1).entry("x", DT_DOUBLE).raw({0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
  };
  for (const auto& [fill, expected] : cases) {
    yox::auto_ptr<Data> data = filled(fill);
    EXPECT_EQ(encode(*data), expected.bytes) << data->toString();
    EXPECT_TRUE(*decode(expected.bytes) == *data) << data->toString();
  }
  const yox::auto_ptr<Data> every = BinaryCodec::sample();
  EXPECT_EQ(encode(*every).size(), impl::BinaryDataSerializer::getBlockSize(*every));
  // Whatever holds the encoded bytes, a released message is the caller's new[] array.
  yox::auto_ptr<BufferHandler> handler = theSerializer().serializeToBinary(*every);
  std::unique_ptr<signed char[]> released(handler->releaseBufferPointer());
  const Bytes bytes = encode(*every);
  EXPECT_EQ(std::memcmp(released.get(), bytes.data(), bytes.size()), 0);
  *handler = *theSerializer().serializeToBinary(*every);  // handlers are never copied
  EXPECT_EQ(handler->getBufferPointer(), nullptr);
}

TEST(BinarySerializer, DecodingIsZeroCopyIntoTheMessage) {
  yox::auto_ptr<Data> data = DataFactory::createData();
  data->append("s", "text");
  data->appendArray2D("i", std::vector<int>{1, 2, 3}.data(), 1, 3);
  const char* texts[] = {"a", "bc"};
  data->appendArray("t", texts, 2);
  const bool flags[] = {true, false, true};
  data->appendArray("b", flags, 3);
  data->append("z", *filled([](Data& d) { d.append("n", "nested"); }));
  const Bytes bytes = encode(*data);
  yox::auto_ptr<BufferHandler> handler = handlerOf(bytes, bytes.size());
  const signed char* begin = handler->getBufferPointer();
  const signed char* end = begin + handler->getBufferSize();
  yox::auto_ptr<Data> decoded = theSerializer().deserializeFromBinary(handler);
  auto inside = [&](const void* p) { return p >= begin && p < end; };
  size_t rows, cols, size;
  EXPECT_TRUE(inside(decoded->getString("s")));
  EXPECT_TRUE(inside(decoded->getArrayInt2D("i", rows, cols)));
  EXPECT_TRUE(inside(decoded->getArrayBool("b", size))) << "bytes of 0 and 1 are bools as they are";
  const char* const* decodedTexts = decoded->getArrayString("t", size);
  EXPECT_TRUE(inside(load(decodedTexts, 0)) && inside(load(decodedTexts, 1)));
  EXPECT_TRUE(inside(decoded->getData("z").getString("n")));
  EXPECT_FALSE(decoded->hasOwnership("s"));
  EXPECT_EQ(load(decoded->getArrayInt2D("i", rows, cols), 2), 3);  // at an odd offset
  // A released string array is the caller's new[] pointer array; the texts stay in the
  // message, which the swapped container now keeps.
  const char* first = load(decodedTexts, 0);
  char** released = decoded->releaseArrayString("t", size);
  ASSERT_EQ(size, 2u);
  EXPECT_EQ(load(released, 0), first);
  delete[] released;
  EXPECT_FALSE(decoded->exists("t"));
  yox::auto_ptr<Data> built = filled([](Data& d) { d.append("b", 1); });
  built->swap(*decoded);
  decoded.reset();
  EXPECT_TRUE(inside(built->getString("s")));
  EXPECT_STREQ(built->getString("s"), "text");
}

TEST(BinarySerializer, DecodedContainerOutlivesSerializerHandlerAndSiblings) {
  yox::auto_ptr<Data> nested;
  yox::auto_ptr<Entry> removed;
  {
    yox::auto_ptr<DataSerializer> serializer = DataFactory::createDataSerializer();
    yox::auto_ptr<Data> decoded =
        serializer->deserializeFromBinary(serializer->serializeToBinary(*makeNestedProperty()));
    nested = decoded->releaseData("settings");
    removed = decoded->remove("name");
    yox::auto_ptr<Data> sibling = decoded->clone();
  }
  // The released container still shares the message; the removed entry is a copy (ASan
  // reports any read of freed bytes).
  size_t size;
  EXPECT_EQ(load(nested->getArrayLong("ids", size), 1), 8);
  EXPECT_TRUE(nested->getData("inner").getBool("deep"));
  EXPECT_STREQ(removed->getString(), "a,b;c");
  EXPECT_TRUE(removed->hasOwnership());
}

// Decoded containers of every size, made on one thread and read, cut up and freed on
// another while the first decodes on; each thread's memory kept for reuse is freed with
// the thread (LeakSanitizer reports it otherwise).
TEST(BinarySerializer, DecodedContainersPassBetweenThreads) {
  std::vector<Bytes> messages;
  for (uint32_t seed = 1; seed <= 24; ++seed)
    messages.push_back(encode(*RandomDataGenerator(seed).makeData()));
  std::vector<yox::auto_ptr<Data>> decoded(messages.size());
  std::vector<Bytes> readBack(messages.size());
  std::thread maker([&] {
    for (size_t i = 0; i < messages.size(); ++i) decoded[i] = decode(messages[i]);
  });
  maker.join();
  std::thread reader([&] {
    for (size_t i = 0; i < messages.size(); ++i) {
      yox::auto_ptr<Data> copy = decoded[i]->clone();
      decoded[i].reset();
      readBack[i] = encode(*copy);
      decoded[i] = decode(readBack[i]);  // reuses what the thread freed
    }
  });
  reader.join();
  for (size_t i = 0; i < messages.size(); ++i) {
    EXPECT_EQ(readBack[i], messages[i]) << "message " << i;
    EXPECT_EQ(encode(*decoded[i]), messages[i]) << "message " << i;
  }
}

TEST(BinarySerializer, RefusesHostileMessages) {
  using M = MessageBuilder;
  const auto array = [](DataType type, int dims) { return M().i32(1).entry("v", type).i32(dims); };
  const auto deepFunction = [] {  // a function one level too deep
    M m;
    for (int i = 0; i < 64; ++i) m.i32(1).entry("d", DT_DATA);
    return functionBlock(m.i32(1).entry("f", DT_DISCRETE_FUNCTION));
  };
  // "": refused, its template asserted by another row.
  const std::vector<std::pair<M, std::string>> cases = {
      {M().raw({1, 0}), "UnsafeBuffer overflow."},
      {M().i32(-1), "Negative entry count [-1] at offset [0]."},
      {M().i32(3).entry("a", DT_BOOL).i8(1), ""},
      {M().i32(1).i32(0).i8(3).i32(1), "Invalid string length [0] at offset [4]."},
      {M().i32(1).i32(-5), ""},
      {M().i32(1).i32(2).raw({'a', 'b'}).i8(3).i32(1), "String at offset [4] is not NUL-terminated."},
      {M().i32(1).i32(0x7fffffff).raw({'a', 0}), ""},
      {M().i32(1).entry("a", 33).i32(1), "Unexpected DataType 33."},
      {M().i32(1).entry("a", -1).i32(1), ""},
      // Counts of 2^31-1 in a short message: refused before anything is allocated.
      {array(DT_DOUBLE_ARRAY, 1).i32(0x7fffffff).i32(0x7fffffff), ""},
      {array(DT_STRING_ARRAY, 1).i32(0x7fffffff).i32(0x7fffffff), ""},
      {array(DT_DATA_ARRAY, 1).i32(0x7fffffff).i32(0x7fffffff), ""},
      {M().i32(1).entry("l", DT_DISCRETE_FUNCTION_LIST).i32(0x7fffffff), ""},
      {array(DT_INT_MULTI_ARRAY, 0x7fffffff), ""},
      {array(DT_INT_ARRAY, 1).i32(-2).i32(0), "Negative extent [-2] at offset [15]."},
      {array(DT_INT_ARRAY, 1).i32(0).i32(-1), "Negative element count [-1] at offset [19]."},
      {array(DT_INT_ARRAY, -1), "Negative dimension count [-1] at offset [11]."},
      {array(DT_INT_ARRAY, 1).i32(2).i32(1).i32(5),
       "Element count [1] of entry 'v' does not match the product of its extents [2]."},
      {array(DT_DATA_ARRAY_2D, 2).i32(1).i32(2).i32(1).i32(0), ""},
      {M().i32(1).entry("v", DT_DISCRETE_FUNCTION_ARRAY).i32(1).i32(2).i32(0), ""},
      {array(DT_INT_ARRAY, 2).i32(1).i32(1).i32(1).i32(5),
       "Entry 'v' of type int32_array has [2] extents instead of [1]."},
      {array(DT_INT_ARRAY_2D, 1).i32(1).i32(1).i32(5), ""},
      {array(DT_BYTE_MULTI_ARRAY, 3).i32(0x40000000).i32(0x40000000).i32(16).i32(0),
       "The extents of entry 'v' overflow."},
      {M().i32(1).entry("s", DT_STRING).i32(3).raw({0xC3, 0xA9, 0}), ""},
      // A bad byte in the last word of a string element.
      {array(DT_STRING_ARRAY, 1)
           .i32(1)
           .i32(1)
           .i32(11)
           .raw({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0x80, 0}),
       "Invalid String (contains forbidden symbols): \"abcdefghi\x80\" for the field 'v'."},
      {array(DT_STRING_ARRAY, 1).i32(1).i32(1).i32(1).raw({'x'}), ""},
      // A bad byte in the first of two texts, which together span more than one 32-byte check.
      {array(DT_STRING_ARRAY, 1).i32(2).i32(2).i32(2).raw({0x80, 0}).str(std::string(40, 'a')), ""},
      {array(DT_STRING_ARRAY_2D, 2).i32(1).i32(2).i32(2).str("a").i32(3).raw({'b', 0x80, 0}), ""},
      {M().i32(1).entry("f", DT_DISCRETE_FUNCTION).i32(0), ""},
      {nestedBlocks(65), "Data nested deeper than the limit [64]."},
      {deepFunction(), ""},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    const std::string error = refusal([&] { decode(cases[i].first.bytes); });
    EXPECT_TRUE(cases[i].second.empty() ? !error.empty() : error == cases[i].second) << i << ": " << error;
  }
  EXPECT_THROW(theSerializer().deserializeFromBinary(yox::auto_ptr<BufferHandler>()), SerializerException);
}

TEST(BinarySerializer, AcceptsTheDeepestAllowedNestingAndWritesNoDeeper) {
  yox::auto_ptr<Data> decoded = decode(nestedBlocks(64).bytes);
  const Data* level = decoded.get();
  for (int i = 0; i < 64; ++i) level = &level->getData("d");
  EXPECT_TRUE(level->isEmpty());
  EXPECT_EQ(encode(*decoded), nestedBlocks(64).bytes);
  yox::auto_ptr<Data> deeper = DataFactory::createData();
  deeper->append("d", *decoded);
  EXPECT_THROW(theSerializer().serializeToBinary(*deeper), SerializerException);
}

TEST(BinarySerializer, ReadsLenientlyWhereTheFormatAllows) {
  // Any non-zero byte is true, in scalars and arrays; trailing bytes are ignored; a
  // repeated name replaces the earlier entry; a name or a text ends at its first NUL.
  MessageBuilder m;
  m.i32(8).entry("z", DT_BOOL).i8(7).entry("a", DT_INT).i32(1).entry("a", DT_INT).i32(2);
  m.i32(4).raw({'c', 0, 'q', 0}).i8(DT_STRING).str("w").entry("longer than sixteen", DT_BYTE).i8(4);
  m.entry("b", DT_BOOL_ARRAY).i32(1).i32(3).i32(3).raw({0, 2, 1});
  m.entry("s", DT_STRING).i32(5).raw({'a', 'b', 0, 0xC3, 0});
  const std::string longText(200, 'x');
  m.entry("t", DT_STRING_ARRAY).i32(1).i32(3).i32(3).str("abc");
  m.i32(5).raw({'a', 'b', 0, 0xff, 0}).str(longText).raw({0xde, 0xad});
  // A function's block keeps entries besides its points.
  MessageBuilder f;
  f.i32(1).entry("f", DT_DISCRETE_FUNCTION).i32(4).entry("b", DT_BOOL_ARRAY).i32(1).i32(2).i32(2).raw({0, 1});
  f.entry("t", DT_STRING_ARRAY).i32(1).i32(1).i32(1).str("x");
  f.entry("xArray", DT_DOUBLE_ARRAY).i32(1).i32(1).i32(1).raw({0, 0, 0, 0, 0, 0, 0, 0});
  f.entry("yArray", DT_DOUBLE_ARRAY).i32(1).i32(1).i32(1).raw({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
  EXPECT_EQ(toText(*decode(f.bytes)),
            "1,f,discreteFunction,4,b,bool_array,2,false,true,t,string_array,1,x,xArray,double_array,1,0,"
            "yArray,double_array,1,4607182418800017408");
  EXPECT_EQ(toText(*decode(m.bytes)),
            "7,a,int,2,b,bool_array,3,false,true,true,c,string,1,w,longer than sixteen,byte,04,s,string,2,ab,"
            "t,string_array,3,abc,ab," +
                longText + ",z,bool,true");
}

// Each text reads back to a container that writes the canonical text (the same when none
// is given): edge forms, escapes, older writers' empty tokens, tokens after the last entry.
TEST(StringSerializer, ReadsAndWritesTheDocumentedText) {
  const Texts cases = {
      {"0", ""},
      {"1,e,string,0", ""},
      {"1,s,string,13,a%20b%2Cc%20100%25%2F:~", ""},
      {"1,b,byte_array_2d,0,4", ""},
      {"1,n,byte_multi_array,0,0A", ""},
      {"1,n,double,-4503599627370205", ""},  // a NaN with a payload
      {"1,l,discreteFunction_list,1,2,xArray,double_array,0,yArray,double_array,0", ""},
      {"2,f,int,5,t,string_array,3,x,,", ""},
      {"1,a,long_array,2,0000000000000000000000001,-0009223372036854775808",
       "1,a,long_array,2,1,-9223372036854775808"},
      {"3,e,string,0,,n,string_array,0,,z,int,1,junk", "3,e,string,0,n,string_array,0,z,int,1"},
  };
  for (const auto& [text, canonical] : cases)
    EXPECT_EQ(toText(*fromText(text)), canonical.empty() ? text : canonical);
}

// Unlike the binary form, a text leaves nothing to point into: every decoded entry owns
// its storage and hands it out for the caller to free, and a nested container outlives
// its parent.
TEST(StringSerializer, DecodedEntriesOwnWhatTheyReleaseAndOutliveTheirParent) {
  yox::auto_ptr<Data> decoded =
      fromText("4,a,int_array,2,1,2,d,data,1,n,string,2,in,s,string,2,hi,t,string_array,2,x,y");
  for (const char* name : {"a", "d", "s", "t"}) EXPECT_TRUE(decoded->hasOwnership(name)) << name;
  size_t size;
  std::unique_ptr<int[]> ints(decoded->releaseArrayInt("a", size));
  EXPECT_EQ(ints[1], 2);
  std::unique_ptr<char[]> text(decoded->releaseString("s"));
  EXPECT_STREQ(text.get(), "hi");
  char** texts = decoded->releaseArrayString("t", size);
  ASSERT_EQ(size, 2u);
  EXPECT_STREQ(texts[1], "y");
  for (size_t i = 0; i < size; ++i) delete[] texts[i];
  delete[] texts;
  yox::auto_ptr<Data> nested = decoded->releaseData("d");
  EXPECT_EQ(decoded->getSize(), 0u);
  decoded.reset();
  EXPECT_STREQ(nested->getString("n"), "in");
  // Texts and arrays too large to share the container's first block have their own.
  const std::vector<int> values(6000, 7);
  yox::auto_ptr<Data> big = filled([&](Data& d) {
    d.append("s", std::string(20000, 'x').c_str());
    d.appendArray2D("m", values.data(), 2, 3000);
    d.appendMultiArray("n", values.data(), std::vector<size_t>{2, 3, 1000});
  });
  yox::auto_ptr<Data> read = fromText(toText(*big));
  EXPECT_TRUE(*read == *big);
  std::unique_ptr<char[]> bigText(read->releaseString("s"));
  EXPECT_EQ(std::strlen(bigText.get()), 20000u);
}

TEST(StringSerializer, RefusesMalformedText) {
  std::string nested;
  for (int i = 0; i < 65; ++i) nested += "1,d,data,";
  // "": refused, its template asserted by another row.
  const Texts cases = {
      {"", "Data is empty."},
      {"2,a,int,5", "TokensReader::next(): Out of range"},
      {"1,b,byte_array,3,01020", "DefaultLoadPolicy<signed char>::load(): Byte array is too short"},
      {"1,b,byte_array,1,0102", ""},
      {"1,a,int32,5", "DataType name 'int32' doesn't exist."},
      {"1,a,int,5x", "boost::lexical_cast() : Can't convert string '5x' to number."},
      {"1,a,long,9223372036854775808", ""},
      {"1,a,long_array,1,-9223372036854775809", ""},
      {"1,a,bool,TRUE", "Incorrect value 'TRUE' for boolean data type (true or false)"},
      {"1,a,byte,G0", "Incorrect hex char: 'G'"},
      {"-1", "Negative entry count [-1]."},
      {"1,v,int_array,-1", "Negative extent [-1]."},
      {"1,v,int_multi_array,-2", "Negative dimension count [-2]."},
      {"1,v,int_array,2000000000,1,2", ""},  // counts are not trusted
      {"1,v,string_array,2000000000", ""},
      {"1,v,data_array,3,0,0", ""},
      {"1,v,bool_array,2,true", ""},
      {"1,v,int_multi_array,3,1073741824,1073741824,16", "The extents of entry 'v' overflow."},
      {"1,s,string,2,%C3%A9", "Invalid String (contains forbidden symbols): \"\xC3\xA9\" for the field 's'."},
      {"1,f,discreteFunction,2,xArray,double_array,2,4607182418800017408,0,yArray,double_array,2,0,0",
       "Input array has descending X-coordinate: xArray[1] --> 0.000000 ."},
      {nested + "0", "Data nested deeper than the limit [64]."},
      {"1,a,int," + std::string(2000, '9'),
       "boost::lexical_cast() : Can't convert string '" + std::string(1023, '9') + "...' to number."},
  };
  for (const auto& [text, error] : cases) {
    const std::string what = messageOf<std::runtime_error>([&] { fromText(text); });
    EXPECT_TRUE(error.empty() ? !what.empty() : what == error) << text.substr(0, 40) << ": " << what;
  }
  EXPECT_NO_THROW(fromText(nested.substr(9) + "0"));
}

TEST(TokensReader, SplitsAtTheSeparatorInPlaceOrInACopy) {
  char text[] = "a,,b,";
  impl::TokensReader reader(text, ',', false);
  EXPECT_STREQ(reader.next(), "a");
  EXPECT_EQ(reader.peek(), ',');
  EXPECT_STREQ(reader.next(), "");
  EXPECT_EQ(reader.next(), text + 3);  // in place: the token is the caller's text
  EXPECT_TRUE(reader.atEnd());         // a separator that ends the text yields no empty token
  EXPECT_EQ(std::memcmp(text, "a\0\0b\0", 6), 0);
  const std::string original = "x;y";
  impl::TokensReader copy(original.c_str(), ';', true);
  EXPECT_STREQ(copy.next(), "x");
  EXPECT_STREQ(copy.next(), "y");
  EXPECT_EQ(original, "x;y");
}

// As for the string form; runs of commas count as one, a repeated name replaces the
// earlier entry, bools accept the StringUtils spellings, backslashes before other letters
// are literal, a quote or a colon alone may end an array text.
TEST(CsvSerializer, ReadsAndWritesTheDocumentedLines) {
  const Texts cases = {
      {"v,int32_array[0],", ""},
      {"v,int32_array_2d[2:0],,", ""},  // one group per row
      {"v,int32_array_2d[0:2],", ""},
      {"v,int32_array_nd[2:3:0],,,,,,\nw,int32_array_nd[2:0:3],,", ""},  // rows stop at the first extent of 0
      {"n,int32_array_nd[],7", ""},
      {"v,double_array[2],-1.5e+20:9.9999999999999995e-08", ""},
      {"s,string,\"\"", ""},
      {"f,discreteFunction,", ""},
      {"a,discreteFunction_array[2],0;1:1;2,2;3\nl,discreteFunction_list,0;1:1;2,5;-0.5", ""},
      {"t,string_array[3],\"a\\\"\":\":\":\"b\"", ""},
      {"a,,int32,,5\na,int64,6\nb,bool_array[3],1:0:False\np,string,\"C:\\temp\\\"",
       "a,int64,6\nb,bool_array[3],true:false:false\np,string,\"C:\\temp\\\""},
      {"q,int16,+32767\nr,int16,-32768", "q,int16,32767\nr,int16,-32768"},
  };
  for (const auto& [csv, canonical] : cases)
    EXPECT_EQ(toCsv(*fromCsv(csv)), canonical.empty() ? csv : canonical);
  EXPECT_EQ(toCsv(*DataFactory::createData()), "");
  // Commas cannot stand in a CSV text: they are dropped.
  EXPECT_EQ(toCsv(*filled([](Data& d) { d.append("s", "a,b"); })), "s,string,\"ab\"");
}

TEST(CsvSerializer, RefusesMalformedText) {
  const std::string badNumber = "Serialized value has inappropriate number format: ";
  const std::string line = "Malformed CSV line [1] of entry ";
  // "": refused with a DataException, its template asserted by another row.
  const Texts cases = {
      {"x,int32,12a", badNumber + "12a\n"},
      {"v,int32_array[2],1:x", ""},
      {"f,discreteFunction,1;2:3", ""},
      {"x,int8,128", ""},
      {"x,int32," + std::string(2000, '9'), badNumber + std::string(1023, '9') + "..."},
      {"d,data_array[1],x", "Data type 'data_array[1]' is not supported."},
      {"d,data,x", ""},
      {"x,int,5", "'int' does not have an equivalent in DataType."},
      {"a,int32,5\n", "Malformed CSV line [2] of entry '': it has fewer than two columns."},
      {"a,int32", line + "'a': it has no value."},
      {"v,int32_array,1:2", line + "'v': its type column lacks the extents."},
      {"m,int32_array_2d[2],1:2", line + "'m': its type takes [2] extents, not [1]."},
      {"v,int32_array[2],1:2:3", line + "'v': it holds [3] values where its extents call for [2]."},
      {"t,string_array[3],\"a\":\"b\"", ""},
      {"a,int32_array[1],1:::", ""},
      {"a,discreteFunction_array[3],0;1",
       line + "'a': it holds [1] functions where its extent calls for [3]."},
      {"a,int32[1],5", line + "'a': its type takes no extents."},
      {"v,int32_array[2", "The type column 'int32_array[2' does not end with ']'."},
      {"v,int32_array[-1],", "Negative extent [-1] in 'int32_array[-1]'."},
      {"v,int8_array_nd[1073741824:1073741824:16],", "The extents of entry 'v' overflow."},
      {"s,string,x", "The text value 'x' is not enclosed in double quotes."},
      {"a,string,\"ab", ""},
      {"a,string_array[1],ab", ""},
      {"s,string,\"hello, world\"", line + "'s': its type takes one value column."},
      {"\x1B[31m,int32", line + "'\\x1B[31m': it has no value."},
      {std::string(100, 'n') + ",int32", line + "'" + std::string(80, 'n') + "...': it has no value."},
      {"e,int16_array_nd[2:1],(-22004,-b7yl6oo12", ""},  // Boost once overflowed on these
      {"e,int16,x-22004", ""},
      {"e,int16,32768", ""},
      // An array text ending with a quote and a colon read back merged with its successor.
      {"t,string_array[4],\"x\":\"\":\"y z\":],0:1:-1:127:-128", ""},
      {"t,string_array[1],\"y z\\\":\"", ""},
  };
  for (const auto& [csv, error] : cases) {
    const std::string what = refusal([&] { fromCsv(csv); });
    EXPECT_TRUE(error.empty() ? !what.empty() : what == error) << csv << ": " << what;
  }
  EXPECT_EQ(messageOf<DataException>([] { theSerializer().deserializeFromCsv(nullptr); }),
            "Input string for deserialization is null.");
  EXPECT_EQ(messageOf<yox::util::UtilException>([] { fromCsv("v,int32_array[x],1"); }),
            "The value 'x' is not a valid int32_t value.");
  yox::auto_ptr<Data> data = filled([](Data& d) { d.append("d", *DataFactory::createData()); });
  EXPECT_EQ(refusal([&] { toCsv(*data); }), "Nested data is not supported by CSV serialization.");
  const Data* elements[] = {data.get()};
  data->appendArray("d", elements, 1);
  EXPECT_THROW(toCsv(*data), DataException);
}

std::string unescape(const char* text) { return std::unique_ptr<char[]>(Converter::strToString(text)).get(); }

TEST(StringUtilsTest, ValuesPrintInFull) {
  const Texts cases = {
      {StringUtils::toString(static_cast<signed char>(-128)), "-128"},
      {StringUtils::toString(static_cast<unsigned char>(255)), "255"},
      {StringUtils::toString(static_cast<short>(-32768)), "-32768"},
      {StringUtils::toString(static_cast<unsigned short>(65535)), "65535"},
      {StringUtils::toString(4294967295u), "4294967295"},
      {StringUtils::toString(std::numeric_limits<long>::min()), "-9223372036854775808"},
      {StringUtils::toString(std::numeric_limits<unsigned long>::max()), "18446744073709551615"},
      {StringUtils::toString(-5LL), "-5"},
      {StringUtils::toString(18446744073709551615ULL), "18446744073709551615"},
      {StringUtils::toString('A'), "A"},
      {StringUtils::toString(static_cast<const char*>(nullptr)), ""},
      {StringUtils::toString(false), "false"},
      {StringUtils::toString(0.1f), "0.100000001"},
      {StringUtils::toString(std::numeric_limits<float>::denorm_min()), "1.40129846e-45"},
      {StringUtils::toString(-std::numeric_limits<float>::infinity()), "-inf"},
      {StringUtils::toString(std::numeric_limits<double>::infinity()), "inf"},
      {StringUtils::toString(fromBits<float>(0xffc00123u)), "-nan"},
      {StringUtils::toString(1e300), "1.0000000000000001e+300"},
      {StringUtils::toString(-0.0), "-0"},
      {StringUtils::toString(std::numeric_limits<double>::quiet_NaN()), "nan"},
      {StringUtils::toString(-0.125f, 2ul), "-0.12"},
      {StringUtils::toString(1.0, 3ul), "1.000"},
      {StringUtils::toUpper("abc-XyZ 09\xc3\xa9"), "ABC-XYZ 09\xc3\xa9"},
      {StringUtils::toLower("ABC-xYz 09\xc3\x89"), "abc-xyz 09\xc3\x89"},
      {StringUtils::format("%s=%d %lld %.2f", "x", -3, 1LL << 40, 0.5), "x=-3 1099511627776 0.50"},
      {StringUtils::format("%s!", std::string(5000, 'b').c_str()), std::string(1023, 'b')},
      {StringUtils::ipToString({static_cast<signed char>(192), static_cast<signed char>(168), 0, 1}),
       "192.168.0.1"},
      {StringUtils::ipToString({10, 0, 0}), "<invalid IP>"},
      {StringUtils::ipToString({1, 2, 3, 4, 5}), "<invalid IP>"},
      {StringUtils::replaceAll("aaa", "aa", "b"), "ba"},
      {StringUtils::replaceAll("abc", "b", "bb"), "abbc"},
      {StringUtils::replaceAll("abc", "", "z"), "abc"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  EXPECT_EQ(StringUtils::toString(0.5, 2000ul).size(), 2002u);            // longer than format()'s limit
  EXPECT_EQ(&StringUtils::toString(true), &StringUtils::toString(true));  // a shared static
  int object = 0;
  EXPECT_EQ(std::strtoull(StringUtils::toString(static_cast<void*>(&object)).c_str(), nullptr, 16),
            reinterpret_cast<std::uintptr_t>(&object));
}

TEST(StringUtilsTest, ParsesAreStrictAndNameTheType) {
  EXPECT_EQ(StringUtils::toByte("+5") + StringUtils::toShort("-32768") + StringUtils::toInt("007"), -32756);
  EXPECT_EQ(StringUtils::toLong("-9223372036854775808"), std::numeric_limits<long>::min());
  EXPECT_TRUE(!StringUtils::toBool("fAlSe") && !StringUtils::toBool("0") && StringUtils::toBool("1") &&
              StringUtils::toBool("True"));
  EXPECT_EQ(StringUtils::toFloat("-2e3"), -2000.0f);
  EXPECT_EQ(StringUtils::toDouble("1e40"), 1e40);
  EXPECT_TRUE(std::isinf(StringUtils::toFloat("INF")) && StringUtils::toDouble("-Infinity") < 0);
  EXPECT_TRUE(std::isnan(StringUtils::toFloat("nan")) && std::isnan(StringUtils::toDouble("NaN")));
  EXPECT_EQ(StringUtils::stringToInt("  13") + StringUtils::stringToInt(""), 13);
  EXPECT_EQ(StringUtils::hexStringToByteArray("0aFf7f80abc"),
            (std::vector<signed char>{10, -1, 127, -128, -85}));
  const std::vector<
      std::tuple<std::function<void(const std::string&)>, std::string, std::vector<std::string>>>
      strict = {
          {StringUtils::toByte, "int8_t", {"128", "-129", " 5"}},
          {StringUtils::toShort, "int16_t", {"(22004", "x-22004", "32768"}},
          {StringUtils::toInt, "int32_t", {"0x10", "5 "}},
          {StringUtils::toLong, "int64_t", {"9223372036854775808"}},
          {StringUtils::toBool, "boolean", {"01"}},
          {StringUtils::toFloat, "float", {"1e40"}},
          {StringUtils::toDouble, "double", {"1,5"}},
      };
  for (const auto& [parse, type, texts] : strict) {
    for (const std::string& text : texts) {
      EXPECT_EQ(messageOf<UtilException>([&, &parse = parse] { parse(text); }),
                "The value '" + text + "' is not a valid " + type + " value.");
    }
  }
  for (const char* text : {"2147483648", "99999999999999999999", "12 "}) {
    EXPECT_EQ(messageOf<UtilException>([&] { StringUtils::stringToInt(text); }),
              "Can't convert " + std::string(text) + " to integer");
  }
  for (const auto& [text, bad] :
       std::vector<std::pair<std::string, char>>{{"00 1", ' '}, {"g0", 'g'}, {"G0", 'G'}}) {
    EXPECT_EQ(messageOf<UtilException>([&, &text = text] { StringUtils::hexStringToByteArray(text); }),
              "Cannot convert character '" + std::string(1, bad) + "' to uint8_t");
  }
}

TEST(StringUtilsTest, TextHelpersCutAndTokenize) {
  for (const auto& [text, expected] : Texts{{"  a b \t\n", "a b"}, {" \t\n ", ""}, {"\rx\r", "\rx\r"}}) {
    std::string trimmed = text;
    StringUtils::trim(trimmed);
    EXPECT_EQ(trimmed, expected);
  }
  std::vector<std::string> tokens = {"x"};
  StringUtils::tokenize("a,b;;c", tokens, ",;");
  EXPECT_EQ(tokens, (std::vector<std::string>{"x", "a", "b", "c"}));
  // With a limit the rest is the last token; tokens already held count towards it.
  using Tokens = std::vector<std::string>;
  const std::vector<std::tuple<Tokens, std::string, unsigned long, Tokens>> limited = {
      {{}, "a  b   c  d ", 3, {"a", "b", "c  d "}},
      {{}, "  abc", 3, {"  abc"}},
      {{}, "a b c", 0, {"a b c"}},
      {{}, "a   ", 2, {"a"}},
      {{}, "a b c", 10, {"a", "b", "c"}},
      {{"x"}, "a b c", 3, {"x", "a", "b c"}},
      {{"x", "y"}, "a b c", 3, {"x", "y", "a b c"}},
  };
  for (const auto& [before, text, max, after] : limited) {
    Tokens result = before;
    StringUtils::tokenize(text, result, max, " ");
    EXPECT_EQ(result, after) << text << " " << max;
  }
}

TEST(ConverterTest, WritesBitPatternsHexAndEscapes) {
  const Texts cases = {
      {Converter::toString(static_cast<signed char>(-85)), "AB"},
      {Converter::toString(static_cast<signed char>(10)), "0A"},
      {Converter::toString(false), "false"},
      {Converter::toString(static_cast<short>(-32768)), "-32768"},
      {Converter::toString(-7), "-7"},
      {Converter::toString(std::numeric_limits<long>::min()), "-9223372036854775808"},
      {Converter::toString(18446744073709551615ul), "18446744073709551615"},
      {Converter::toString(0.1f), "1036831949"},
      {Converter::toString(-0.0), "-9223372036854775808"},
      {Converter::toString(' '), "%20"},
      {Converter::toString('0'), "0"},
      {Converter::toString(static_cast<const char*>(nullptr)), ""},
      {Converter::toString("a b,c 100%/:~0Az_\n\t\x01\xc3\xa9\x7f\x80\xff"),
       "a%20b%2Cc%20100%25%2F:~0Az_%0A%09%01%C3%A9\x7f%80%FF"},
      {unescape("%%41"), "A"},
      {unescape("a%"), "a"},
      {unescape("x%4a%4Ay"), "xJJy"},
      {unescape(nullptr), ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  std::string all;  // every byte survives escape and unescape
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(unescape(Converter::toString(all.c_str()).c_str()), all);
}

TEST(ConverterTest, ReadsStrictlyAndNamesWhatItCannotRead) {
  EXPECT_EQ(Converter::strToByte("7fzz") + Converter::strToShort("70000") + Converter::strToInt("+5"),
            127 + 4464 + 5);
  EXPECT_EQ(Converter::strToLong("9223372036854775807"), std::numeric_limits<long>::max());
  EXPECT_TRUE(Converter::strToBool("true") && !Converter::strToBool("false"));
  EXPECT_EQ(Converter::strToFloat("1036831949"), 0.1f);
  EXPECT_TRUE(std::signbit(Converter::strToDouble("-9223372036854775808")));
  const Texts escapes = {{"ab%4%41", "Incorrect hex string: '4'"},
                         {"%1Gx", "Incorrect hex char: 'G'"},
                         {"%G1x", "Incorrect hex char: 'G'"},
                         {"%2 ", "Incorrect hex char: ' '"}};
  for (const auto& [text, error] : escapes)
    EXPECT_EQ(messageOf<DataException>([&] { unescape(text.c_str()); }), error);
  const auto error = [](auto read) { return messageOf<DataException>(read); };
  const Texts cases = {
      {error([] { Converter::strToByte(""); }), "Incorrect hex string: ''"},
      {error([] { Converter::strToByte("0g"); }), "Incorrect hex char: 'g'"},
      {error([] { Converter::strToInt(" 5"); }),
       "boost::lexical_cast() : Can't convert string ' 5' to number."},
      {error([] { Converter::strToFloat("0x1"); }),
       "boost::lexical_cast() : Can't convert string '0x1' to number."},
      {error([] { Converter::strToDouble("1.0"); }),
       "boost::lexical_cast() : Can't convert string '1.0' to number."},
      {error([] { Converter::strToBool("TRUE"); }),
       "Incorrect value 'TRUE' for boolean data type (true or false)"},
  };
  for (const auto& [message, expected] : cases) EXPECT_EQ(message, expected);
}

}  // namespace
