#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
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

yox::auto_ptr<DiscreteFunction> function(std::vector<double> x, std::vector<double> y) {
  return DataFactory::createDiscreteFunction(x.data(), y.data(), x.size(), DFSP_COPY);
}

// The message of a function of the points (0, 1): its container's block.
MessageBuilder& functionBlock(MessageBuilder& m) {
  return m.i32(2)
      .entry("xArray", DT_DOUBLE_ARRAY)
      .i32(1)
      .i32(1)
      .i32(1)
      .raw({0, 0, 0, 0, 0, 0, 0, 0})
      .entry("yArray", DT_DOUBLE_ARRAY)
      .i32(1)
      .i32(1)
      .i32(1)
      .raw({0, 0, 0, 0, 0, 0, 0xF0, 0x3F});
}

struct ExactCase {
  const char* what;
  std::function<void(Data&)> fill;
  std::function<void(MessageBuilder&)> expected;
};

TEST(BinarySerializer, WritesTheDocumentedBytes) {
  const std::vector<ExactCase> cases = {
      {"empty container", [](Data&) {}, [](MessageBuilder& m) { m.i32(0); }},
      {"int 1 under a", [](Data& d) { d.append("a", 1); },
       [](MessageBuilder& m) {
         m.raw({1, 0, 0, 0, 2, 0, 0, 0, 0x61, 0, 3, 1, 0, 0, 0});
       }},
      {"int array 1 2",
       [](Data& d) {
         const int v[] = {1, 2};
         d.appendArray("v", v, 2);
       },
       [](MessageBuilder& m) {
         m.raw({1, 0, 0, 0}).raw({2, 0, 0, 0, 0x76, 0, 0x0C}).raw({1, 0, 0, 0, 2, 0, 0, 0}).raw({2, 0, 0, 0});
         m.raw({1, 0, 0, 0, 2, 0, 0, 0});
       }},
      {"names in byte order, B before a",
       [](Data& d) {
         d.append("a", true);
         d.append("B", false);
       },
       [](MessageBuilder& m) { m.i32(2).entry("B", DT_BOOL).i8(0).entry("a", DT_BOOL).i8(1); }},
      {"2 x 3 int array",
       [](Data& d) {
         const int v[] = {1, 2, 3, 4, 5, 6};
         d.appendArray2D("m", v, 2, 3);
       },
       [](MessageBuilder& m) {
         m.i32(1).entry("m", DT_INT_ARRAY_2D).i32(2).i32(2).i32(3).i32(6);
         for (int i = 1; i <= 6; ++i) m.i32(i);
       }},
      {"zero-length array", [](Data& d) { d.appendArray("z", static_cast<const long*>(nullptr), 0); },
       [](MessageBuilder& m) { m.i32(1).entry("z", DT_LONG_ARRAY).i32(1).i32(0).i32(0); }},
      {"N-D array without extents holds one element",
       [](Data& d) {
         const short v[] = {7};
         d.appendMultiArray("n", v, std::vector<size_t>());
       },
       [](MessageBuilder& m) {
         m.i32(1).entry("n", DT_SHORT_MULTI_ARRAY).i32(0).i32(1).raw({7, 0});
       }},
      {"empty string", [](Data& d) { d.append("s", ""); },
       [](MessageBuilder& m) { m.i32(1).entry("s", DT_STRING).i32(1).i8(0); }},
      {"string array",
       [](Data& d) {
         const char* v[] = {"x", ""};
         d.appendArray("t", v, 2);
       },
       [](MessageBuilder& m) { m.i32(1).entry("t", DT_STRING_ARRAY).i32(1).i32(2).i32(2).str("x").str(""); }},
      {"discrete function array carries 1, n, n",
       [](Data& d) {
         yox::auto_ptr<DiscreteFunction> f = function({0}, {1});
         const DiscreteFunction* v[] = {f.get(), f.get()};
         d.appendArray("f", v, 2);
       },
       [](MessageBuilder& m) {
         m.i32(1).entry("f", DT_DISCRETE_FUNCTION_ARRAY).i32(1).i32(2).i32(2);
         functionBlock(functionBlock(m));
       }},
      {"discrete function list carries only n",
       [](Data& d) {
         yox::auto_ptr<DiscreteFunctionListBuilder> builder =
             DataFactory::createDiscreteFunctionListBuilder();
         builder->append(yox::auto_ptr<const DiscreteFunction>(function({0}, {1}).release()));
         d.append("l", *builder->build());
       },
       [](MessageBuilder& m) { functionBlock(m.i32(1).entry("l", DT_DISCRETE_FUNCTION_LIST).i32(1)); }},
      {"nested container",
       [](Data& d) {
         yox::auto_ptr<Data> inner = newData();
         inner->append("b", static_cast<signed char>(-1));
         d.append("d", *inner);
       },
       [](MessageBuilder& m) { m.i32(1).entry("d", DT_DATA).i32(1).entry("b", DT_BYTE).i8(-1); }},
  };
  for (const ExactCase& c : cases) {
    yox::auto_ptr<Data> data = newData();
    c.fill(*data);
    MessageBuilder expected;
    c.expected(expected);
    EXPECT_EQ(encode(*data), expected.bytes) << c.what;
    EXPECT_EQ(impl::BinaryDataSerializer::getBlockSize(*data), expected.bytes.size()) << c.what;
    yox::auto_ptr<Data> decoded = decode(expected.bytes);
    EXPECT_TRUE(*decoded == *data) << c.what;
  }
}

TEST(BinarySerializer, RoundTripsRandomContainersOfEveryType) {
  for (uint32_t seed = 1; seed <= 40; ++seed) {
    RandomDataGenerator generator(seed);
    yox::auto_ptr<Data> data = generator.makeData();
    const Bytes bytes = encode(*data);
    ASSERT_EQ(bytes.size(), impl::BinaryDataSerializer::getBlockSize(*data)) << "seed " << seed;
    yox::auto_ptr<Data> decoded = decode(bytes);
    ASSERT_TRUE(*decoded == *data) << "seed " << seed << decoded->toString();
    EXPECT_EQ(encode(*decoded), bytes) << "seed " << seed;
  }
}

TEST(BinarySerializer, ComputedSizeIsWhatEveryTypeWrites) {
  for (DataType type : allDataTypes()) {
    for (uint32_t seed = 0; seed < 8; ++seed) {
      RandomDataGenerator generator(seed * 100 + type);
      yox::auto_ptr<Data> data = newData();
      generator.appendEntry(*data, "e", type);
      // serialize refuses any difference between the computed size and the bytes written.
      yox::auto_ptr<yox::data::BufferHandler> buffer;
      ASSERT_NO_THROW(buffer = theSerializer().serializeToBinary(*data)) << DataTypeUtils::toString(type);
      EXPECT_EQ(buffer->getBufferSize(), impl::BinaryDataSerializer::getBlockSize(*data));
      // Every byte is needed: the message without its last byte does not decode.
      const Bytes bytes = encode(*data);
      EXPECT_ANY_THROW(theSerializer().deserializeFromBinary(handlerOf(bytes, bytes.size() - 1)))
          << DataTypeUtils::toString(type);
    }
  }
}

TEST(BinarySerializer, KeepsFloatingPointBitsIncludingNanPayloads) {
  const uint32_t floatBits[] = {0x7fc00001u, 0xffa5a5a5u, 0x7f800001u, 0x80000000u, 0x7f800000u};
  const uint64_t doubleBits[] = {0x7ff8000000000001ull, 0xfff0123456789abcull, 0x8000000000000000ull};
  yox::auto_ptr<Data> data = newData();
  std::vector<float> floats;
  for (uint32_t bits : floatBits) floats.push_back(fromBits<float>(bits));
  std::vector<double> doubles;
  for (uint64_t bits : doubleBits) doubles.push_back(fromBits<double>(bits));
  data->append("f", floats[1]);
  data->append("d", doubles[1]);
  data->appendArray("fa", floats.data(), floats.size());
  data->appendMultiArray("da", doubles.data(), std::vector<size_t>{3});

  yox::auto_ptr<Data> decoded = decode(encode(*data));
  EXPECT_EQ(bitsOf(decoded->getFloat("f")), floatBits[1]);
  EXPECT_EQ(bitsOf(decoded->getDouble("d")), doubleBits[1]);
  size_t size;
  const float* fa = decoded->getArrayFloat("fa", size);
  ASSERT_EQ(size, floats.size());
  for (size_t i = 0; i < size; ++i) EXPECT_EQ(bitsOf(load(fa, i)), floatBits[i]);
  std::vector<size_t> dims;
  const double* da = decoded->getMultiArrayDouble("da", dims);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(bitsOf(load(da, i)), doubleBits[i]);
}

TEST(BinarySerializer, DecodingIsZeroCopyIntoTheMessage) {
  yox::auto_ptr<Data> data = newData();
  data->append("s", "text");
  const int ints[] = {1, 2, 3};
  data->appendArray2D("i", ints, 1, 3);
  const char* texts[] = {"a", "bc"};
  data->appendArray("t", texts, 2);
  yox::auto_ptr<Data> inner = newData();
  inner->append("n", "nested");
  data->append("z", *inner);
  const Bytes bytes = encode(*data);

  yox::auto_ptr<BufferHandler> handler = handlerOf(bytes, bytes.size());
  const signed char* begin = handler->getBufferPointer();
  const signed char* end = begin + handler->getBufferSize();
  yox::auto_ptr<Data> decoded = theSerializer().deserializeFromBinary(handler);
  auto inside = [&](const void* p) {
    const signed char* at = static_cast<const signed char*>(p);
    return at >= begin && at < end;
  };
  size_t rows, cols, size;
  EXPECT_TRUE(inside(decoded->getString("s")));
  EXPECT_TRUE(inside(decoded->getArrayInt2D("i", rows, cols)));
  const char* const* decodedTexts = decoded->getArrayString("t", size);
  EXPECT_TRUE(inside(load(decodedTexts, 0)));
  EXPECT_TRUE(inside(load(decodedTexts, 1)));
  EXPECT_TRUE(inside(decoded->getData("z").getString("n")));
  EXPECT_FALSE(decoded->hasOwnership("s"));
  // Scalars and views read right although the int array starts at an odd offset.
  EXPECT_EQ(load(decoded->getArrayInt2D("i", rows, cols), 2), 3);

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
    yox::auto_ptr<Data> source = makeNestedProperty();
    yox::auto_ptr<BufferHandler> handler = serializer->serializeToBinary(*source);
    yox::auto_ptr<Data> decoded = serializer->deserializeFromBinary(handler);
    nested = decoded->releaseData("settings");
    removed = decoded->remove("name");
    yox::auto_ptr<Data> sibling = decoded->clone();
  }
  // Everything above is gone; the released container still shares the message and the
  // removed entry is an independent copy (ASan reports any read of freed bytes).
  size_t size;
  const long* ids = nested->getArrayLong("ids", size);
  ASSERT_EQ(size, 2u);
  EXPECT_EQ(load(ids, 1), 8);
  EXPECT_TRUE(nested->getData("inner").getBool("deep"));
  EXPECT_STREQ(removed->getString(), "a,b;c");
  EXPECT_TRUE(removed->hasOwnership());
}

TEST(BinarySerializer, EveryTruncationFailsCleanly) {
  std::vector<Bytes> messages = {encode(*makeNestedProperty()), encode(*makeTypicalProperty())};
  for (const Bytes& message : messages) {
    for (size_t length = 0; length < message.size(); ++length) {
      try {
        theSerializer().deserializeFromBinary(handlerOf(message, length));
        ADD_FAILURE() << "a message cut to " << length << " of " << message.size() << " bytes decoded";
      } catch (const SerializerException&) {
      } catch (const DataException&) {  // e.g. a cut x array no longer matches its y array
      }
    }
  }
}

struct HostileCase {
  const char* what;
  MessageBuilder message;
  const char* error;  // exact message; null for "any SerializerException or DataException"
};

MessageBuilder nestedBlocks(int levels) {
  MessageBuilder m;
  for (int i = 0; i < levels; ++i) m.i32(1).entry("d", DT_DATA);
  return m.i32(0);
}

TEST(BinarySerializer, RefusesHostileMessages) {
  const std::vector<HostileCase> cases = {
      {"four bytes missing", MessageBuilder().raw({1, 0}), "UnsafeBuffer overflow."},
      {"negative entry count", MessageBuilder().i32(-1), "Negative entry count [-1] at offset [0]."},
      {"entry count beyond the message", MessageBuilder().i32(3).entry("a", DT_BOOL).i8(1),
       "UnsafeBuffer overflow."},
      {"name length zero", MessageBuilder().i32(1).i32(0).i8(3).i32(1),
       "Invalid string length [0] at offset [4]."},
      {"negative name length", MessageBuilder().i32(1).i32(-5), "Invalid string length [-5] at offset [4]."},
      {"name without NUL", MessageBuilder().i32(1).i32(2).raw({'a', 'b'}).i8(3).i32(1),
       "String at offset [4] is not NUL-terminated."},
      {"name longer than the message", MessageBuilder().i32(1).i32(0x7fffffff).raw({'a', 0}),
       "UnsafeBuffer overflow."},
      {"unknown type code", MessageBuilder().i32(1).entry("a", 33).i32(1), "Unexpected DataType 33."},
      {"negative type code", MessageBuilder().i32(1).entry("a", -1).i32(1), "Unexpected DataType -1."},
      {"2^31-1 doubles in a 20-byte message",
       MessageBuilder().i32(1).entry("v", DT_DOUBLE_ARRAY).i32(1).i32(0x7fffffff).i32(0x7fffffff),
       "UnsafeBuffer overflow."},
      {"2^31-1 strings",
       MessageBuilder().i32(1).entry("v", DT_STRING_ARRAY).i32(1).i32(0x7fffffff).i32(0x7fffffff),
       "UnsafeBuffer overflow."},
      {"2^31-1 nested containers",
       MessageBuilder().i32(1).entry("v", DT_DATA_ARRAY).i32(1).i32(0x7fffffff).i32(0x7fffffff),
       "UnsafeBuffer overflow."},
      {"2^31-1 functions in a list",
       MessageBuilder().i32(1).entry("l", DT_DISCRETE_FUNCTION_LIST).i32(0x7fffffff),
       "UnsafeBuffer overflow."},
      {"2^31-1 extents", MessageBuilder().i32(1).entry("v", DT_INT_MULTI_ARRAY).i32(0x7fffffff),
       "UnsafeBuffer overflow."},
      {"negative extent", MessageBuilder().i32(1).entry("v", DT_INT_ARRAY).i32(1).i32(-2).i32(0),
       "Negative extent [-2] at offset [15]."},
      {"negative element count", MessageBuilder().i32(1).entry("v", DT_INT_ARRAY).i32(1).i32(0).i32(-1),
       "Negative element count [-1] at offset [19]."},
      {"negative dimension count", MessageBuilder().i32(1).entry("v", DT_INT_ARRAY).i32(-1),
       "Negative dimension count [-1] at offset [11]."},
      {"count disagrees with the extent",
       MessageBuilder().i32(1).entry("v", DT_INT_ARRAY).i32(1).i32(2).i32(1).i32(5),
       "Element count [1] of entry 'v' does not match the product of its extents [2]."},
      {"Data array count disagrees with its extents",
       MessageBuilder().i32(1).entry("v", DT_DATA_ARRAY_2D).i32(2).i32(1).i32(2).i32(1).i32(0),
       "Element count [1] of entry 'v' does not match the product of its extents [2]."},
      {"function array count disagrees with its extent",
       MessageBuilder().i32(1).entry("f", DT_DISCRETE_FUNCTION_ARRAY).i32(1).i32(2).i32(0),
       "Element count [0] of entry 'f' does not match the product of its extents [2]."},
      {"1-D array with two extents",
       MessageBuilder().i32(1).entry("v", DT_INT_ARRAY).i32(2).i32(1).i32(1).i32(1).i32(5),
       "Entry 'v' of type int32_array has [2] extents instead of [1]."},
      {"2-D array with one extent",
       MessageBuilder().i32(1).entry("v", DT_INT_ARRAY_2D).i32(1).i32(1).i32(1).i32(5),
       "Entry 'v' of type int32_array_2d has [1] extents instead of [2]."},
      {"extents whose product overflows",
       MessageBuilder()
           .i32(1)
           .entry("v", DT_BYTE_MULTI_ARRAY)
           .i32(3)
           .i32(0x40000000)
           .i32(0x40000000)
           .i32(16)
           .i32(0),
       "The extents of entry 'v' overflow."},
      {"non-ASCII text", MessageBuilder().i32(1).entry("s", DT_STRING).i32(3).raw({0xC3, 0xA9, 0}),
       "Invalid String (contains forbidden symbols): \"\xC3\xA9\" for the field 's'."},
      {"non-ASCII byte in the last word of a string element",
       MessageBuilder()
           .i32(1)
           .entry("t", DT_STRING_ARRAY)
           .i32(1)
           .i32(1)
           .i32(1)
           .i32(11)
           .raw({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 0x80, 0}),
       "Invalid String (contains forbidden symbols): \"abcdefghi\x80\" for the field 't'."},
      {"string element without NUL",
       MessageBuilder().i32(1).entry("t", DT_STRING_ARRAY).i32(1).i32(1).i32(1).i32(1).raw({'x'}),
       "String at offset [23] is not NUL-terminated."},
      {"function without its arrays", MessageBuilder().i32(1).entry("f", DT_DISCRETE_FUNCTION).i32(0),
       nullptr},
      {"nesting one level too deep", nestedBlocks(65), "Data nested deeper than the limit [64]."},
      {"functions nested one level too deep",
       [] {
         MessageBuilder m;
         for (int i = 0; i < 64; ++i) m.i32(1).entry("d", DT_DATA);
         m.i32(1).entry("f", DT_DISCRETE_FUNCTION);
         return functionBlock(m);
       }(),
       "Data nested deeper than the limit [64]."},
  };
  for (const HostileCase& c : cases) {
    try {
      decode(c.message.bytes);
      ADD_FAILURE() << c.what << ": decoded";
    } catch (const std::runtime_error& error) {
      if (c.error != nullptr) {
        EXPECT_STREQ(error.what(), c.error) << c.what;
      } else {
        EXPECT_TRUE(dynamic_cast<const SerializerException*>(&error) ||
                    dynamic_cast<const DataException*>(&error))
            << c.what << ": " << error.what();
      }
    }
  }
}

TEST(BinarySerializer, AcceptsTheDeepestAllowedNesting) {
  yox::auto_ptr<Data> decoded = decode(nestedBlocks(64).bytes);
  const Data* level = decoded.get();
  for (int i = 0; i < 64; ++i) level = &level->getData("d");
  EXPECT_TRUE(level->isEmpty());
  // The writer refuses what the reader would: one more level does not encode.
  yox::auto_ptr<Data> deeper = newData();
  deeper->append("d", *decoded);
  EXPECT_THROW(theSerializer().serializeToBinary(*deeper), SerializerException);
}

TEST(BinarySerializer, ReadsLenientlyWhereTheFormatAllows) {
  // Any non-zero byte is true, in scalars and (normalised) arrays; trailing bytes are
  // ignored; a repeated name replaces the earlier entry; names may come in any order.
  MessageBuilder m;
  m.i32(5).entry("z", DT_BOOL).i8(7).entry("a", DT_INT).i32(1).entry("a", DT_INT).i32(2);
  m.entry("b", DT_BOOL_ARRAY).i32(1).i32(3).i32(3).raw({0, 2, 1});
  // A text ends at its first NUL; what follows is not looked at.
  m.entry("s", DT_STRING).i32(5).raw({'a', 'b', 0, 0xC3, 0}).raw({0xde, 0xad});
  yox::auto_ptr<Data> decoded = decode(m.bytes);
  EXPECT_EQ(decoded->getSize(), 4u);
  EXPECT_STREQ(decoded->getString("s"), "ab");
  EXPECT_TRUE(decoded->getBool("z"));
  EXPECT_EQ(decoded->getInt("a"), 2);
  size_t size;
  const bool* flags = decoded->getArrayBool("b", size);
  ASSERT_EQ(size, 3u);
  EXPECT_EQ(load(flags, 0), false);
  EXPECT_EQ(load(flags, 1), true);
  EXPECT_EQ(load(flags, 2), true);
}

TEST(BinarySerializer, RefusesAMissingHandler) {
  EXPECT_THROW(theSerializer().deserializeFromBinary(yox::auto_ptr<BufferHandler>()), SerializerException);
}

}  // namespace
