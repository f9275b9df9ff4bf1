#include "data/DataType.h"

#include <map>

#include "data/DataException.h"
#include "data/impl/DataTypeTable.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {

namespace impl {

using V = ValueKind;
using E = ElementKind;

// clang-format off
constexpr DataTypeInfo kDataTypes[39] = {
    {DT_BOOL, "bool", "bool", ST_SCALAR, V::kScalar, E::kBool},
    {DT_BYTE, "int8", "byte", ST_SCALAR, V::kScalar, E::kByte},
    {DT_SHORT, "int16", "short", ST_SCALAR, V::kScalar, E::kShort},
    {DT_INT, "int32", "int", ST_SCALAR, V::kScalar, E::kInt},
    {DT_LONG, "int64", "long", ST_SCALAR, V::kScalar, E::kLong},
    {DT_FLOAT, "float", "float", ST_SCALAR, V::kScalar, E::kFloat},
    {DT_DOUBLE, "double", "double", ST_SCALAR, V::kScalar, E::kDouble},
    {DT_STRING, "string", "string", ST_SCALAR, V::kString, E::kString},
    {DT_DATA, "data", "data", ST_SCALAR, V::kData, E::kData},
    {DT_BOOL_ARRAY, "bool_array", "bool_array", ST_ARRAY, V::kArray, E::kBool},
    {DT_BYTE_ARRAY, "int8_array", "byte_array", ST_ARRAY, V::kArray, E::kByte},
    {DT_SHORT_ARRAY, "int16_array", "short_array", ST_ARRAY, V::kArray, E::kShort},
    {DT_INT_ARRAY, "int32_array", "int_array", ST_ARRAY, V::kArray, E::kInt},
    {DT_LONG_ARRAY, "int64_array", "long_array", ST_ARRAY, V::kArray, E::kLong},
    {DT_FLOAT_ARRAY, "float_array", "float_array", ST_ARRAY, V::kArray, E::kFloat},
    {DT_DOUBLE_ARRAY, "double_array", "double_array", ST_ARRAY, V::kArray, E::kDouble},
    {DT_STRING_ARRAY, "string_array", "string_array", ST_ARRAY, V::kArray, E::kString},
    {DT_BOOL_ARRAY_2D, "bool_array_2d", "bool_array_2d", ST_ARRAY_2D, V::kArray, E::kBool},
    {DT_BYTE_ARRAY_2D, "int8_array_2d", "byte_array_2d", ST_ARRAY_2D, V::kArray, E::kByte},
    {DT_SHORT_ARRAY_2D, "int16_array_2d", "short_array_2d", ST_ARRAY_2D, V::kArray, E::kShort},
    {DT_INT_ARRAY_2D, "int32_array_2d", "int_array_2d", ST_ARRAY_2D, V::kArray, E::kInt},
    {DT_LONG_ARRAY_2D, "int64_array_2d", "long_array_2d", ST_ARRAY_2D, V::kArray, E::kLong},
    {DT_FLOAT_ARRAY_2D, "float_array_2d", "float_array_2d", ST_ARRAY_2D, V::kArray, E::kFloat},
    {DT_DOUBLE_ARRAY_2D, "double_array_2d", "double_array_2d", ST_ARRAY_2D, V::kArray, E::kDouble},
    {DT_STRING_ARRAY_2D, "string_array_2d", "string_array_2d", ST_ARRAY_2D, V::kArray, E::kString},
    {DT_BOOL_MULTI_ARRAY, "bool_array_nd", "bool_multi_array", ST_MULTI_ARRAY, V::kArray, E::kBool},
    {DT_BYTE_MULTI_ARRAY, "int8_array_nd", "byte_multi_array", ST_MULTI_ARRAY, V::kArray, E::kByte},
    {DT_SHORT_MULTI_ARRAY, "int16_array_nd", "short_multi_array", ST_MULTI_ARRAY, V::kArray, E::kShort},
    {DT_INT_MULTI_ARRAY, "int32_array_nd", "int_multi_array", ST_MULTI_ARRAY, V::kArray, E::kInt},
    {DT_LONG_MULTI_ARRAY, "int64_array_nd", "long_multi_array", ST_MULTI_ARRAY, V::kArray, E::kLong},
    {DT_FLOAT_MULTI_ARRAY, "float_array_nd", "float_multi_array", ST_MULTI_ARRAY, V::kArray, E::kFloat},
    {DT_DOUBLE_MULTI_ARRAY, "double_array_nd", "double_multi_array", ST_MULTI_ARRAY, V::kArray, E::kDouble},
    {DT_STRING_MULTI_ARRAY, "string_array_nd", "string_multi_array", ST_MULTI_ARRAY, V::kArray, E::kString},
    {DT_DATA_ARRAY, "data_array", "data_array", ST_ARRAY, V::kArray, E::kData},
    {DT_DATA_ARRAY_2D, "data_array_2d", "data_array_2d", ST_ARRAY_2D, V::kArray, E::kData},
    {DT_DATA_MULTI_ARRAY, "data_array_nd", "data_multi_array", ST_MULTI_ARRAY, V::kArray, E::kData},
    {DT_DISCRETE_FUNCTION, "discreteFunction", "discreteFunction", ST_SCALAR, V::kFunction, E::kFunction},
    {DT_DISCRETE_FUNCTION_ARRAY, "discreteFunction_array", "discreteFunction_array", ST_ARRAY, V::kArray, E::kFunction},
    {DT_DISCRETE_FUNCTION_LIST, "discreteFunction_list", "discreteFunction_list", ST_SCALAR, V::kFunctionList, E::kFunction},
};
// clang-format on

namespace {

constexpr DataTypeIndex makeIndex() {
  DataTypeIndex index{};
  for (const DataTypeInfo& row : kDataTypes) index.rows[row.type] = &row;
  return index;
}

}  // namespace

constexpr DataTypeIndex kDataTypeIndex = makeIndex();

void throwUnexpectedDataType(DataType type) {
  throw DataException("Unexpected DataType " + std::to_string(static_cast<std::int32_t>(type)) + ".");
}

}  // namespace impl

namespace {

// Name lookups, built once at load time and read-only afterwards.
struct TypeTables {
  std::map<std::string, DataType> types;

  TypeTables() {
    for (const impl::DataTypeInfo& row : impl::kDataTypes) types.emplace(row.name, row.type);
  }
};

// Reached through a function so that other static initialisers may use it safely.
const TypeTables& tables() {
  static const TypeTables instance;
  return instance;
}

// Fills the tables while the library loads, so no later call pays for it.
[[maybe_unused]] const TypeTables& kLoadTimeTables = tables();

}  // namespace

StorageType DataTypeUtils::getStorageType(DataType type) { return impl::dataTypeInfo(type).storage; }

std::string DataTypeUtils::toString(DataType type) { return impl::dataTypeInfo(type).name; }

DataType DataTypeUtils::toDataType(const std::string& name) {
  const auto& types = tables().types;
  const auto it = types.find(name);
  if (it == types.end())
    throw DataException("'" + util::boundedEcho(name) + "' does not have an equivalent in DataType.");
  return it->second;
}

bool EntryTypeUtil::isArray(DataType type) { return DataTypeUtils::getStorageType(type) == ST_ARRAY; }

std::string EntryTypeUtil::toString(DataType type) { return DataTypeUtils::toString(type); }

DataType EntryTypeUtil::stringToDataType(std::string name) { return DataTypeUtils::toDataType(name); }

}  // namespace data
}  // namespace yox
