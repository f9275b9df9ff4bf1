// One entry and its storage: the dimension check, sizes, release of owned storage,
// equality, hashing (hand-computed values), holders that adopt only a pointer array,
// the byte buffer and the value texts; the checks applied to strings and arrays before
// the container stores them, and the two name schemes of the types.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/impl/ArrayImpl.h"
#include "data/impl/BufferHandlerImpl.h"
#include "data/impl/DataImpl.h"
#include "data/impl/EntryImpl.h"
#include "data/serialization/Converter.h"
#include "support/DataTestHelpers.h"
#include "support/RandomData.h"

using namespace yox::data;
using namespace yox::data::impl;
using yox::testing::failure;

namespace {

template <class T>
std::unique_ptr<EntryImpl> scalar(const char* name, DataType type, T v) {
  return std::make_unique<EntryImpl>(name, type, ScalarPrimitiveValue::of(v));
}

// An entry holding a copy of values with the given extents.
template <class T>
std::unique_ptr<EntryImpl> array(const char* name, DataType type, std::initializer_list<T> values,
                                 std::vector<size_t> dims) {
  return std::make_unique<EntryImpl>(
      name, type,
      new ArrayImpl<T, CopyPolicy>(std::move(dims), values.size(), const_cast<T*>(values.begin())));
}

std::unique_ptr<EntryImpl> string(const char* name, const char* text) {
  const size_t n = std::strlen(text);
  return std::make_unique<EntryImpl>(name, DT_STRING,
                                     new ArrayImpl<char, ShallowCopyPolicy>({n}, n, const_cast<char*>(text)));
}

// A container of n bytes whose shared buffer is the only owner of the bytes.
struct Decoded {
  explicit Decoded(size_t n) : bytes(new signed char[n]()) {
    data = DataImpl::forMessage(DataFactory::createBufferHandler(bytes, n).release(), 0);
  }
  signed char* bytes;
  std::unique_ptr<DataImpl> data;
};

TEST(EntryChecks, DimensionCheckNamesTheActualAndExpectedCounts) {
  auto flat = array<int>("e", DT_INT_ARRAY, {1, 2, 3, 4, 5, 6}, {2, 3});
  size_t n, m;
  EXPECT_EQ("Incorrect array dimensions 2 for entry 'e' of type int32_array. Should be 1",
            failure([&] { flat->getArrayInt(n); }));
  auto square = array<int>("e", DT_INT_ARRAY_2D, {1, 2}, {2});
  EXPECT_EQ("Incorrect array dimensions 1 for entry 'e' of type int32_array_2d. Should be 2",
            failure([&] { square->getArrayCopyInt2D(n, m); }));
  std::vector<size_t> dims;
  EXPECT_EQ("Type mismatch int32_array_nd. Entry 'e' has type int32_array_2d.",
            failure([&] { square->getMultiArrayInt(dims); }));
}

TEST(EntryChecks, UnknownTypesAreReportedByEveryGenericOperation) {
  auto odd = scalar("x", static_cast<DataType>(33), 1);
  auto twin = scalar("x", static_cast<DataType>(33), 1);
  const std::vector<std::function<void()>> operations = {
      [&] { odd->getSize(); }, [&] { odd->hasOwnership(); },   [&] { odd->getValueAsString(); },
      [&] { odd->clone(); },   [&] { (void)(*odd == *twin); }, [&] { odd->primitiveHashCode(); }};
  for (const auto& operation : operations) EXPECT_EQ("Unexpected DataType 33.", failure(operation));
}

TEST(EntryRelease, ReleasedStorageIsTheCallersAndTheEntryFreesNothing) {
  auto owner = std::make_unique<EntryImpl>("d", yox::auto_ptr<Data>(DataFactory::createData()));
  const Data* inside = &owner->getData();
  yox::auto_ptr<Data> taken = owner->releaseData();
  EXPECT_EQ(inside, taken.get());
  EXPECT_EQ("Entry 'd' holds no value: it has been released.", failure([&] { owner->getData(); }));
  owner.reset();  // must not free the released container (ASan: double free)

  auto ints = array<int>("v", DT_INT_ARRAY, {4, 5}, {2});
  size_t n = 0;
  std::unique_ptr<int[]> released(ints->releaseArrayInt(n));
  EXPECT_EQ(2u, n);
  EXPECT_EQ(5, released[1]);
  // The emptied entry stays safe to print, hash, compare and clone.
  EXPECT_EQ("", ints->getValueAsString());
  EXPECT_TRUE(*ints == *ints->clone());
  EXPECT_EQ(0u, ints->primitiveHashCode());
}

TEST(EntryEquality, ComparesNameTypeExtentsAndValues) {
  const float fnan = std::nanf("");
  const auto ints = [](std::vector<size_t> dims) {
    return array<int>("n", DT_INT_MULTI_ARRAY, {1, 2, 3, 4, 5, 6}, std::move(dims));
  };
  char text[] = "same";
  const char* t1[] = {"x", "y"};
  const char* t2[] = {"x", "y"};
  struct Case {
    std::unique_ptr<EntryImpl> a, b;
    bool equal;
  };
  std::vector<Case> cases;
  cases.push_back({scalar("f", DT_FLOAT, fnan), scalar("f", DT_FLOAT, fnan), false});
  cases.push_back({scalar("d", DT_DOUBLE, std::nan("")), scalar("d", DT_DOUBLE, std::nan("")), false});
  cases.push_back({scalar("d", DT_DOUBLE, 0.0), scalar("d", DT_DOUBLE, -0.0), true});
  cases.push_back({scalar("a", DT_INT, 1), scalar("b", DT_INT, 1), false});
  cases.push_back({scalar("a", DT_INT, 1), scalar("a", DT_LONG, 1L), false});
  cases.push_back({ints({6}), ints({2, 3}), false});
  cases.push_back({ints({3, 2}), ints({2, 3}), false});
  cases.push_back({array<float>("v", DT_FLOAT_ARRAY, {1, fnan}, {2}),
                   array<float>("v", DT_FLOAT_ARRAY, {1, fnan}, {2}), false});
  cases.push_back({string("s", "same"), string("s", text), true});
  cases.push_back({string("s", "same"), string("s", "sane"), false});
  cases.push_back(
      {std::make_unique<EntryImpl>("t", DT_STRING_ARRAY,
                                   new ArrayImpl<char*, ShallowCopyPolicy>({2}, 2, const_cast<char**>(t1))),
       std::make_unique<EntryImpl>("t", DT_STRING_ARRAY,
                                   new ArrayImpl<char*, CopyPolicy>({2}, 2, const_cast<char**>(t2))),
       true});
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(cases[i].equal, *cases[i].a == *cases[i].b) << "case " << i;
    EXPECT_EQ(!cases[i].equal, *cases[i].a != *cases[i].b) << "case " << i;
  }
}

TEST(EntryHash, FollowsTheCombineRuleBitForBit) {
  // Expected values worked out by hand from combine(seed, v) = seed ^ (v + 0x9e3779b9 +
  // (seed << 6) + (seed >> 2)), the name hashed as signed chars from seed 0.
  struct Case {
    std::unique_ptr<EntryImpl> entry;
    size_t hash;
  };
  std::vector<Case> cases;
  cases.push_back({scalar("a", DT_INT, 1), 0x14337ef879f3u});
  cases.push_back({scalar("x", DT_DOUBLE, 1.5), 0x3ff814337ef8ea54u});
  cases.push_back({scalar("f", DT_FLOAT, -2.5f), 0x14323ed7ee70u});
  cases.push_back({array<int>("v", DT_INT_ARRAY, {1, -2, 3}, {3}), 0x1e28739fbd36u});
  cases.push_back({string("s", "hi"), 0x14da2c643c77u});
  cases.push_back({array<bool>("b", DT_BOOL_ARRAY, {true, false}, {2}), 0x14da2c636e94u});
  for (const Case& c : cases) EXPECT_EQ(c.hash, c.entry->hashCode()) << c.entry->getName();

  // Values alone are hashed without their extents.
  EXPECT_EQ(array<int>("n", DT_INT_MULTI_ARRAY, {1, 2, 3, 4}, {4})->primitiveHashCode(),
            array<int>("n", DT_INT_MULTI_ARRAY, {1, 2, 3, 4}, {2, 2})->primitiveHashCode());
}

TEST(EntryStorage, ADecodedStringArrayHandsOverOnlyItsPointerArray) {
  Decoded decoded(8);
  std::memcpy(decoded.bytes, "ab\0cd\0e", 8);
  const char* texts = reinterpret_cast<const char*>(decoded.bytes);
  decoded.data->appendArrayMoveStringArray(
      "t", new const char* [3] { texts, texts + 3, texts + 6 }, 3);
  decoded.data->appendArray2DMoveStringArray(
      "m", new const char* [2] { texts, texts + 3 }, 1, 2);
  decoded.data->appendMultiArrayMoveStringArray("n", new const char* [1] { texts + 6 }, {});
  EXPECT_TRUE(decoded.data->hasOwnership("t"));
  EXPECT_EQ("ab cd e ", decoded.data->getEntry("t")->getValueAsString());
  EXPECT_EQ(DT_STRING_MULTI_ARRAY, decoded.data->getEntry("n")->getType());

  size_t n = 0;
  char** released = decoded.data->releaseArrayString("t", n);
  EXPECT_EQ(3u, n);
  EXPECT_EQ(texts + 3, released[1]) << "the strings stay inside the buffer";
  delete[] released;  // only the pointer array is the caller's
  // The 2-D and N-D entries free only their pointer arrays with the container (ASan
  // reports an invalid free if they touched the strings).
  decoded.data.reset();
}

TEST(EntryStorage, UnalignedBoolViewsReadAnyNonZeroByteAsTrue) {
  Decoded decoded(5);
  const signed char raw[] = {2, 0, 1};
  std::memcpy(decoded.bytes + 1, raw, 3);
  decoded.data->appendArrayPtr("b", reinterpret_cast<const bool*>(decoded.bytes + 1), 3);
  EXPECT_EQ("true false true ", decoded.data->getEntry("b")->getValueAsString());
  size_t n;
  EXPECT_EQ(reinterpret_cast<const bool*>(decoded.bytes + 1), decoded.data->getArrayBool("b", n))
      << "a view into the bytes";
  DataImpl expected;
  const bool values[] = {true, false, true};
  expected.appendArray("b", values, 3);
  EXPECT_TRUE(expected == *decoded.data);
  EXPECT_EQ(expected.hashCode(), decoded.data->hashCode());
  std::unique_ptr<bool[]> copy(decoded.data->getArrayCopyBool("b", n));
  EXPECT_TRUE(copy[0] && !copy[1] && copy[2]);
}

TEST(BufferHandler, ReleaseHandsTheBytesOverAndLeavesTheHandlerEmpty) {
  signed char* bytes = new signed char[4]{1, 2, 3, 4};
  yox::auto_ptr<BufferHandler> handler = DataFactory::createBufferHandler(bytes, 4);
  EXPECT_EQ(4u, handler->getBufferSize());
  EXPECT_EQ(bytes, handler->getBufferPointer());
  yox::auto_ptr<BufferHandler> other = DataFactory::createBufferHandler(new signed char[2], 2);
  *other = *handler;  // assignment copies nothing
  EXPECT_EQ(2u, other->getBufferSize());
  EXPECT_NE(bytes, other->getBufferPointer());

  signed char* taken = handler->releaseBufferPointer();
  EXPECT_EQ(bytes, taken);
  EXPECT_EQ(nullptr, handler->getBufferPointer());
  EXPECT_EQ(0u, handler->getBufferSize());
  handler.reset();  // frees nothing
  EXPECT_EQ(3, taken[2]);
  delete[] taken;
}

TEST(EntryText, ValuesPrintInTheirOwnFormsUpToTheLimit) {
  auto nested = std::make_unique<DataImpl>();
  nested->appendArray("v", std::vector<int>{1, 2, 3}.data(), 3);
  const size_t all = EntryImpl::SIZE_T_MAX;
  struct Case {
    std::unique_ptr<EntryImpl> entry;
    size_t limit;
    std::string text;
  };
  std::vector<Case> cases;
  cases.push_back({array<int>("v", DT_INT_ARRAY, {1, 2, 3}, {3}), 2, "1 2 "});
  cases.push_back({array<int>("v", DT_INT_ARRAY, {1, 2, 3}, {3}), 0, ""});
  cases.push_back({array<int>("m", DT_INT_ARRAY_2D, {1, 2, 3, 4, 5, 6}, {2, 3}), 6, "1 2 3 \n4 5 6 "});
  cases.push_back(
      {array<int>("m", DT_INT_MULTI_ARRAY, {1, 2, 3, 4, 5, 6, 7, 8}, {2, 2, 2}), 5, "1 2 \n3 4 \n5 "});
  cases.push_back({string("s", "whole text"), 1, "whole text"});
  cases.push_back({array<bool>("b", DT_BOOL_ARRAY, {true, false}, {2}), all, "true false "});
  cases.push_back({array<signed char>("c", DT_BYTE_ARRAY, {-1, 65}, {2}), all, "-1 65 "});
  cases.push_back({array<float>("f", DT_FLOAT_ARRAY, {0.1f}, {1}), all, "0.100000001 "});
  cases.push_back({array<double>("d", DT_DOUBLE_ARRAY, {0.1}, {1}), all, "0.10000000000000001 "});
  cases.push_back({scalar("l", DT_LONG, -7L), 0, "-7"});
  cases.push_back({std::make_unique<EntryImpl>("n", nested.get()), 2,
                   "\nName : v\nType : int32_array[3]\nValue: 1 2 \n"});
  for (const Case& c : cases) EXPECT_EQ(c.text, c.entry->getValueAsString(c.limit)) << c.entry->getName();

  EXPECT_EQ("\nName : m\nType : int32_array_2d[2 3]\nValue: \n1 2 \n",
            array<int>("m", DT_INT_ARRAY_2D, {1, 2, 3, 4, 5, 6}, {2, 3})->toString(2));
  EXPECT_EQ("\nName : s\nType : string\nValue: hi\n", string("s", "hi")->toString());
  EXPECT_EQ("\nName : e\nType : int32_array_nd\nValue: 7 \n",
            array<int>("e", DT_INT_MULTI_ARRAY, {7}, {})->toString());
}

// ---- checks before storing, and the type names ----

TEST(DataTypesTest, EveryTypeRoundTripsThroughBothNameSchemes) {
  for (DataType type : yox::testing::allDataTypes()) {
    const std::string canonical = DataTypeUtils::toString(type), serializer = Converter::toString(type);
    EXPECT_EQ(DataTypeUtils::toDataType(canonical), type) << canonical;
    EXPECT_EQ(EntryTypeUtil::stringToDataType(EntryTypeUtil::toString(type)), type) << canonical;
    EXPECT_EQ(Converter::strToType(serializer.c_str()), type) << serializer;
    // Only one-dimensional arrays count as arrays.
    EXPECT_EQ(EntryTypeUtil::isArray(type), DataTypeUtils::getStorageType(type) == ST_ARRAY) << canonical;
  }
  EXPECT_EQ(Converter::strToType("bool_multi_array"), DataTypeUtils::toDataType("bool_array_nd"));
}

TEST(DataTypesTest, WhatIsNotATypeIsRefused) {
  const DataType unassigned = static_cast<DataType>(33);
  EXPECT_EQ(failure([&] { DataTypeUtils::getStorageType(unassigned); }), "Unexpected DataType 33.");
  for (int code : {-1, 33, 39, 43, 59, 61, 2147483647}) {
    const DataType type = static_cast<DataType>(code);
    EXPECT_THROW(DataTypeUtils::toString(type), DataException) << code;
    EXPECT_THROW(EntryTypeUtil::isArray(type), DataException) << code;
    EXPECT_THROW(EntryTypeUtil::toString(type), DataException) << code;
    EXPECT_EQ(failure([&] { Converter::toString(type); }),
              "Unexpected data type " + std::to_string(code) + ".");
  }
  // Names are exact: case, blanks and the other scheme's spelling do not match.
  for (const char* name : {"byte", "Int32", "int32 ", "int32_array[3]", ""}) {
    EXPECT_EQ(failure([&] { DataTypeUtils::toDataType(name); }),
              "'" + std::string(name) + "' does not have an equivalent in DataType.");
    EXPECT_THROW(EntryTypeUtil::stringToDataType(name), DataException) << name;
  }
  for (const char* name : {"int8", "Bool", "bool ", "b"}) {
    EXPECT_EQ(failure([&] { Converter::strToType(name); }),
              "DataType name '" + std::string(name) + "' doesn't exist.");
  }
  EXPECT_EQ(failure([] { Converter::strToType(nullptr); }), "DataType name '' is too short.");
}

}  // namespace
