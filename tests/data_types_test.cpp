// Type enumeration, storage kinds and both name schemes of the container's types.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/DataException.h"
#include "data/DataType.h"
#include "data/serialization/Converter.h"

namespace yox {
namespace data {
namespace {

using impl::Converter;

struct TypeCase {
  DataType type;
  int code;
  const char* canonical;
  const char* serializer;
  StorageType storage;
};

const std::vector<TypeCase> kTypes = {
    {DT_BOOL, 0, "bool", "bool", ST_SCALAR},
    {DT_BYTE, 1, "int8", "byte", ST_SCALAR},
    {DT_SHORT, 2, "int16", "short", ST_SCALAR},
    {DT_INT, 3, "int32", "int", ST_SCALAR},
    {DT_LONG, 4, "int64", "long", ST_SCALAR},
    {DT_FLOAT, 5, "float", "float", ST_SCALAR},
    {DT_DOUBLE, 6, "double", "double", ST_SCALAR},
    {DT_STRING, 7, "string", "string", ST_SCALAR},
    {DT_DATA, 8, "data", "data", ST_SCALAR},
    {DT_BOOL_ARRAY, 9, "bool_array", "bool_array", ST_ARRAY},
    {DT_BYTE_ARRAY, 10, "int8_array", "byte_array", ST_ARRAY},
    {DT_SHORT_ARRAY, 11, "int16_array", "short_array", ST_ARRAY},
    {DT_INT_ARRAY, 12, "int32_array", "int_array", ST_ARRAY},
    {DT_LONG_ARRAY, 13, "int64_array", "long_array", ST_ARRAY},
    {DT_FLOAT_ARRAY, 14, "float_array", "float_array", ST_ARRAY},
    {DT_DOUBLE_ARRAY, 15, "double_array", "double_array", ST_ARRAY},
    {DT_STRING_ARRAY, 16, "string_array", "string_array", ST_ARRAY},
    {DT_BOOL_ARRAY_2D, 17, "bool_array_2d", "bool_array_2d", ST_ARRAY_2D},
    {DT_BYTE_ARRAY_2D, 18, "int8_array_2d", "byte_array_2d", ST_ARRAY_2D},
    {DT_SHORT_ARRAY_2D, 19, "int16_array_2d", "short_array_2d", ST_ARRAY_2D},
    {DT_INT_ARRAY_2D, 20, "int32_array_2d", "int_array_2d", ST_ARRAY_2D},
    {DT_LONG_ARRAY_2D, 21, "int64_array_2d", "long_array_2d", ST_ARRAY_2D},
    {DT_FLOAT_ARRAY_2D, 22, "float_array_2d", "float_array_2d", ST_ARRAY_2D},
    {DT_DOUBLE_ARRAY_2D, 23, "double_array_2d", "double_array_2d", ST_ARRAY_2D},
    {DT_STRING_ARRAY_2D, 24, "string_array_2d", "string_array_2d", ST_ARRAY_2D},
    {DT_BOOL_MULTI_ARRAY, 25, "bool_array_nd", "bool_multi_array", ST_MULTI_ARRAY},
    {DT_BYTE_MULTI_ARRAY, 26, "int8_array_nd", "byte_multi_array", ST_MULTI_ARRAY},
    {DT_SHORT_MULTI_ARRAY, 27, "int16_array_nd", "short_multi_array", ST_MULTI_ARRAY},
    {DT_INT_MULTI_ARRAY, 28, "int32_array_nd", "int_multi_array", ST_MULTI_ARRAY},
    {DT_LONG_MULTI_ARRAY, 29, "int64_array_nd", "long_multi_array", ST_MULTI_ARRAY},
    {DT_FLOAT_MULTI_ARRAY, 30, "float_array_nd", "float_multi_array", ST_MULTI_ARRAY},
    {DT_DOUBLE_MULTI_ARRAY, 31, "double_array_nd", "double_multi_array", ST_MULTI_ARRAY},
    {DT_STRING_MULTI_ARRAY, 32, "string_array_nd", "string_multi_array", ST_MULTI_ARRAY},
    {DT_DATA_ARRAY, 40, "data_array", "data_array", ST_ARRAY},
    {DT_DATA_ARRAY_2D, 41, "data_array_2d", "data_array_2d", ST_ARRAY_2D},
    {DT_DATA_MULTI_ARRAY, 42, "data_array_nd", "data_multi_array", ST_MULTI_ARRAY},
    {DT_DISCRETE_FUNCTION, 50, "discreteFunction", "discreteFunction", ST_SCALAR},
    {DT_DISCRETE_FUNCTION_ARRAY, 51, "discreteFunction_array", "discreteFunction_array", ST_ARRAY},
    {DT_DISCRETE_FUNCTION_LIST, 60, "discreteFunction_list", "discreteFunction_list", ST_SCALAR},
};

DataType typeOf(int code) { return static_cast<DataType>(code); }

bool isAssigned(int code) {
  for (const TypeCase& c : kTypes) {
    if (c.code == code) return true;
  }
  return false;
}

// Runs call and returns the DataException message, or "" when nothing was thrown.
template <typename Call>
std::string dataErrorOf(Call call) {
  try {
    call();
  } catch (const DataException& e) {
    return e.what();
  }
  return "";
}

TEST(DataTypesTest, EveryValueHasItsCodeStorageAndCanonicalName) {
  ASSERT_EQ(kTypes.size(), 39u);
  for (const TypeCase& c : kTypes) {
    SCOPED_TRACE(c.canonical);
    EXPECT_EQ(static_cast<int>(c.type), c.code);
    EXPECT_EQ(DataTypeUtils::getStorageType(c.type), c.storage);
    EXPECT_EQ(DataTypeUtils::toString(c.type), c.canonical);
    EXPECT_EQ(EntryTypeUtil::toString(c.type), c.canonical);
    EXPECT_EQ(EntryTypeUtil::isArray(c.type), c.storage == ST_ARRAY);
  }
}

TEST(DataTypesTest, CanonicalNamesRoundTripLosslessly) {
  for (const TypeCase& c : kTypes) {
    SCOPED_TRACE(c.canonical);
    EXPECT_EQ(DataTypeUtils::toDataType(c.canonical), c.type);
    EXPECT_EQ(EntryTypeUtil::stringToDataType(c.canonical), c.type);
    EXPECT_EQ(DataTypeUtils::toDataType(DataTypeUtils::toString(c.type)), c.type);
  }
}

TEST(DataTypesTest, SerializerNamesRoundTripLosslessly) {
  for (const TypeCase& c : kTypes) {
    SCOPED_TRACE(c.serializer);
    EXPECT_EQ(Converter::toString(c.type), c.serializer);
    EXPECT_EQ(Converter::strToType(c.serializer), c.type);
    EXPECT_EQ(Converter::strToType(Converter::toString(c.type).c_str()), c.type);
  }
}

TEST(DataTypesTest, UnassignedValuesAreRejectedByEveryLookup) {
  std::vector<int> unassigned = {-1, 61, 62, 100, 1000, 2147483647, -2147483647 - 1};
  for (int code = 0; code <= 60; ++code) {
    if (!isAssigned(code)) unassigned.push_back(code);
  }
  ASSERT_EQ(unassigned.size(), 7u + 61u - 39u);
  for (int code : unassigned) {
    SCOPED_TRACE(code);
    const std::string canonicalMessage = "Unexpected DataType " + std::to_string(code) + ".";
    EXPECT_EQ(dataErrorOf([&] { DataTypeUtils::getStorageType(typeOf(code)); }), canonicalMessage);
    EXPECT_EQ(dataErrorOf([&] { DataTypeUtils::toString(typeOf(code)); }), canonicalMessage);
    EXPECT_EQ(dataErrorOf([&] { EntryTypeUtil::isArray(typeOf(code)); }), canonicalMessage);
    EXPECT_EQ(dataErrorOf([&] { EntryTypeUtil::toString(typeOf(code)); }), canonicalMessage);
    EXPECT_EQ(dataErrorOf([&] { Converter::toString(typeOf(code)); }),
              "Unexpected data type " + std::to_string(code) + ".");
  }
}

TEST(DataTypesTest, OnlyOneDimensionalArraysCountAsArrays) {
  const std::vector<std::pair<DataType, bool>> cases = {
      {DT_INT_ARRAY, true},
      {DT_DATA_ARRAY, true},
      {DT_DISCRETE_FUNCTION_ARRAY, true},
      {DT_INT_ARRAY_2D, false},
      {DT_INT_MULTI_ARRAY, false},
      {DT_STRING, false},
      {DT_DISCRETE_FUNCTION_LIST, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EntryTypeUtil::isArray(c.first), c.second) << DataTypeUtils::toString(c.first);
  }
}

TEST(DataTypesTest, CanonicalLookupIsExactAndCaseSensitive) {
  const std::vector<std::string> rejected = {
      "byte",              // a serializer name only
      "bool_multi_array",  // likewise
      "Int32",             // case matters
      "INT32",             // case matters
      "int32 ",            // no trimming
      " int32",            // no trimming
      "int32_array[3]",    // dimension suffixes are the CSV reader's business
      "",
  };
  for (const std::string& name : rejected) {
    SCOPED_TRACE(name);
    const std::string expected = "'" + name + "' does not have an equivalent in DataType.";
    EXPECT_EQ(dataErrorOf([&] { DataTypeUtils::toDataType(name); }), expected);
    EXPECT_EQ(dataErrorOf([&] { EntryTypeUtil::stringToDataType(name); }), expected);
  }
}

TEST(DataTypesTest, SerializerLookupIsExactAndCaseSensitive) {
  const std::vector<std::string> rejected = {
      "int8", "int32_array_nd",   "bool_array_nd", "Bool",  "bool ", "b",     "d",
      "x",    "discretefunction", "data_array_3d", "longs", "zzz",   "_bool", "1",
  };
  for (const std::string& name : rejected) {
    SCOPED_TRACE(name);
    EXPECT_EQ(dataErrorOf([&] { Converter::strToType(name.c_str()); }),
              "DataType name '" + name + "' doesn't exist.");
  }
  EXPECT_EQ(dataErrorOf([] { Converter::strToType(""); }), "DataType name '' is too short.");
  EXPECT_EQ(dataErrorOf([] { Converter::strToType(nullptr); }), "DataType name '' is too short.");
}

TEST(DataTypesTest, NdTypesAreSpelledDifferentlyInTheTwoSchemes) {
  EXPECT_EQ(DataTypeUtils::toDataType("bool_array_nd"), DT_BOOL_MULTI_ARRAY);
  EXPECT_EQ(Converter::strToType("bool_multi_array"), DT_BOOL_MULTI_ARRAY);
  EXPECT_EQ(static_cast<int>(DT_BOOL_MULTI_ARRAY), 25);
  EXPECT_EQ(Converter::strToType("byte"), DT_BYTE);
}

}  // namespace
}  // namespace data
}  // namespace yox
