// Both name schemes of the container's types read back to the same type, and lookups of
// what is not a type fail with a clear message.
#include <gtest/gtest.h>

#include <string>

#include "data/DataException.h"
#include "data/DataType.h"
#include "data/serialization/Converter.h"
#include "support/RandomData.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using impl::Converter;
using yox::testing::messageOf;

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
  EXPECT_EQ(messageOf<DataException>([&] { DataTypeUtils::getStorageType(unassigned); }),
            "Unexpected DataType 33.");
  for (int code : {-1, 33, 39, 43, 59, 61, 2147483647}) {
    const DataType type = static_cast<DataType>(code);
    EXPECT_THROW(DataTypeUtils::toString(type), DataException) << code;
    EXPECT_THROW(EntryTypeUtil::isArray(type), DataException) << code;
    EXPECT_THROW(EntryTypeUtil::toString(type), DataException) << code;
    EXPECT_EQ(messageOf<DataException>([&] { Converter::toString(type); }),
              "Unexpected data type " + std::to_string(code) + ".");
  }
  // Names are exact: case, blanks and the other scheme's spelling do not match.
  for (const char* name : {"byte", "Int32", "int32 ", "int32_array[3]", ""}) {
    EXPECT_EQ(messageOf<DataException>([&] { DataTypeUtils::toDataType(name); }),
              "'" + std::string(name) + "' does not have an equivalent in DataType.");
    EXPECT_THROW(EntryTypeUtil::stringToDataType(name), DataException) << name;
  }
  for (const char* name : {"int8", "Bool", "bool ", "b"}) {
    EXPECT_EQ(messageOf<DataException>([&] { Converter::strToType(name); }),
              "DataType name '" + std::string(name) + "' doesn't exist.");
  }
  EXPECT_EQ(messageOf<DataException>([] { Converter::strToType(nullptr); }),
            "DataType name '' is too short.");
}

}  // namespace
