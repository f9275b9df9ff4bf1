// The binary form: bytes the samples under examples/messages/ do not pin, zero-copy views
// into the message, hostile messages and the nesting limit.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/serialization/BinaryDataSerializer.h"
#include "support/RandomData.h"
#include "support/SerializerSamples.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using namespace yox::testing;

yox::auto_ptr<Data> newData() { return DataFactory::createData(); }

// The block of a function of the points (0, 1).
MessageBuilder& functionBlock(MessageBuilder& m) {
  m.i32(2).entry("xArray", DT_DOUBLE_ARRAY).i32(1).i32(1).i32(1).raw({0, 0, 0, 0, 0, 0, 0, 0});
  return m.entry("yArray", DT_DOUBLE_ARRAY).i32(1).i32(1).i32(1).raw({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
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
  };
  for (const auto& [fill, expected] : cases) {
    yox::auto_ptr<Data> data = newData();
    fill(*data);
    EXPECT_EQ(encode(*data), expected.bytes) << data->toString();
    EXPECT_TRUE(*decode(expected.bytes) == *data) << data->toString();
  }
}

TEST(BinarySerializer, ComputedSizeIsWhatEveryTypeWritesAndEveryByteIsNeeded) {
  for (DataType type : allDataTypes()) {
    for (uint32_t seed = 0; seed < 8; ++seed) {
      RandomDataGenerator generator(seed * 100 + type);
      yox::auto_ptr<Data> data = newData();
      generator.appendEntry(*data, "e", type);
      // serialize refuses any difference between the computed size and the bytes written.
      Bytes bytes;
      ASSERT_NO_THROW(bytes = encode(*data)) << DataTypeUtils::toString(type);
      EXPECT_EQ(bytes.size(), impl::BinaryDataSerializer::getBlockSize(*data));
      EXPECT_ANY_THROW(theSerializer().deserializeFromBinary(handlerOf(bytes, bytes.size() - 1)))
          << DataTypeUtils::toString(type);
    }
  }
}

TEST(BinarySerializer, DecodingIsZeroCopyIntoTheMessage) {
  yox::auto_ptr<Data> data = newData();
  data->append("s", "text");
  const int ints[] = {1, 2, 3};
  data->appendArray2D("i", ints, 1, 3);
  const char* texts[] = {"a", "bc"};
  data->appendArray("t", texts, 2);
  const bool flags[] = {true, false, true};
  data->appendArray("b", flags, 3);
  yox::auto_ptr<Data> inner = newData();
  inner->append("n", "nested");
  data->append("z", *inner);
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
  yox::auto_ptr<Data> built = newData();
  built->append("b", 1);
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

MessageBuilder nestedBlocks(int levels) {
  MessageBuilder m;
  for (int i = 0; i < levels; ++i) m.i32(1).entry("d", DT_DATA);
  return m.i32(0);
}

TEST(BinarySerializer, RefusesHostileMessages) {
  using M = MessageBuilder;
  const auto array = [](DataType type, int dims) { return M().i32(1).entry("v", type).i32(dims); };
  // null: any SerializerException or DataException (the template is asserted elsewhere).
  const std::vector<std::pair<M, const char*>> cases = {
      {M().raw({1, 0}), "UnsafeBuffer overflow."},
      {M().i32(-1), "Negative entry count [-1] at offset [0]."},
      {M().i32(3).entry("a", DT_BOOL).i8(1), nullptr},
      {M().i32(1).i32(0).i8(3).i32(1), "Invalid string length [0] at offset [4]."},
      {M().i32(1).i32(-5), nullptr},
      {M().i32(1).i32(2).raw({'a', 'b'}).i8(3).i32(1), "String at offset [4] is not NUL-terminated."},
      {M().i32(1).i32(0x7fffffff).raw({'a', 0}), nullptr},
      {M().i32(1).entry("a", 33).i32(1), "Unexpected DataType 33."},
      {M().i32(1).entry("a", -1).i32(1), nullptr},
      // Counts of 2^31-1 in a short message: refused before anything is allocated.
      {array(DT_DOUBLE_ARRAY, 1).i32(0x7fffffff).i32(0x7fffffff), nullptr},
      {array(DT_STRING_ARRAY, 1).i32(0x7fffffff).i32(0x7fffffff), nullptr},
      {array(DT_DATA_ARRAY, 1).i32(0x7fffffff).i32(0x7fffffff), nullptr},
      {M().i32(1).entry("l", DT_DISCRETE_FUNCTION_LIST).i32(0x7fffffff), nullptr},
      {array(DT_INT_MULTI_ARRAY, 0x7fffffff), nullptr},
      {array(DT_INT_ARRAY, 1).i32(-2).i32(0), "Negative extent [-2] at offset [15]."},
      {array(DT_INT_ARRAY, 1).i32(0).i32(-1), "Negative element count [-1] at offset [19]."},
      {array(DT_INT_ARRAY, -1), "Negative dimension count [-1] at offset [11]."},
      {array(DT_INT_ARRAY, 1).i32(2).i32(1).i32(5),
       "Element count [1] of entry 'v' does not match the product of its extents [2]."},
      {array(DT_DATA_ARRAY_2D, 2).i32(1).i32(2).i32(1).i32(0), nullptr},
      {M().i32(1).entry("v", DT_DISCRETE_FUNCTION_ARRAY).i32(1).i32(2).i32(0), nullptr},
      {array(DT_INT_ARRAY, 2).i32(1).i32(1).i32(1).i32(5),
       "Entry 'v' of type int32_array has [2] extents instead of [1]."},
      {array(DT_INT_ARRAY_2D, 1).i32(1).i32(1).i32(5), nullptr},
      {array(DT_BYTE_MULTI_ARRAY, 3).i32(0x40000000).i32(0x40000000).i32(16).i32(0),
       "The extents of entry 'v' overflow."},
      {M().i32(1).entry("s", DT_STRING).i32(3).raw({0xC3, 0xA9, 0}), nullptr},
      // A bad byte in the last word of a string element.
      {array(DT_STRING_ARRAY, 1)
           .i32(1)
           .i32(1)
           .i32(11)
           .raw({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0x80, 0}),
       "Invalid String (contains forbidden symbols): \"abcdefghi\x80\" for the field 'v'."},
      {array(DT_STRING_ARRAY, 1).i32(1).i32(1).i32(1).raw({'x'}), nullptr},
      {M().i32(1).entry("f", DT_DISCRETE_FUNCTION).i32(0), nullptr},
      {nestedBlocks(65), "Data nested deeper than the limit [64]."},
      {[] {  // a function one level too deep
         M m;
         for (int i = 0; i < 64; ++i) m.i32(1).entry("d", DT_DATA);
         return functionBlock(m.i32(1).entry("f", DT_DISCRETE_FUNCTION));
       }(),
       nullptr},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    try {
      decode(cases[i].first.bytes);
      ADD_FAILURE() << "case " << i << " decoded";
    } catch (const std::runtime_error& error) {
      EXPECT_TRUE(dynamic_cast<const SerializerException*>(&error) ||
                  dynamic_cast<const DataException*>(&error));
      EXPECT_TRUE(cases[i].second == nullptr || std::string(error.what()) == cases[i].second)
          << "case " << i << ": " << error.what();
    }
  }
}

TEST(BinarySerializer, AcceptsTheDeepestAllowedNestingAndWritesNoDeeper) {
  yox::auto_ptr<Data> decoded = decode(nestedBlocks(64).bytes);
  const Data* level = decoded.get();
  for (int i = 0; i < 64; ++i) level = &level->getData("d");
  EXPECT_TRUE(level->isEmpty());
  yox::auto_ptr<Data> deeper = newData();
  deeper->append("d", *decoded);
  EXPECT_THROW(theSerializer().serializeToBinary(*deeper), SerializerException);
  EXPECT_THROW(theSerializer().deserializeFromBinary(yox::auto_ptr<BufferHandler>()), SerializerException);
}

TEST(BinarySerializer, ReadsLenientlyWhereTheFormatAllows) {
  // Any non-zero byte is true, in scalars and (normalised) arrays; trailing bytes are
  // ignored; a repeated name replaces the earlier entry; a text ends at its first NUL.
  MessageBuilder m;
  m.i32(5).entry("z", DT_BOOL).i8(7).entry("a", DT_INT).i32(1).entry("a", DT_INT).i32(2);
  m.entry("b", DT_BOOL_ARRAY).i32(1).i32(3).i32(3).raw({0, 2, 1});
  m.entry("s", DT_STRING).i32(5).raw({'a', 'b', 0, 0xC3, 0}).raw({0xde, 0xad});
  yox::auto_ptr<Data> decoded = decode(m.bytes);
  EXPECT_EQ(decoded->getSize(), 4u);
  EXPECT_STREQ(decoded->getString("s"), "ab");
  EXPECT_TRUE(decoded->getBool("z"));
  EXPECT_EQ(decoded->getInt("a"), 2);
  size_t size;
  const bool* flags = decoded->getArrayBool("b", size);
  ASSERT_EQ(size, 3u);
  EXPECT_TRUE(!load(flags, 0) && load(flags, 1) && load(flags, 2));
}

}  // namespace
