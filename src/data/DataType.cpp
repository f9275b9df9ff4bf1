#include "data/DataType.h"

#include <map>

#include "data/DataException.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {

namespace {

struct TypeRow {
  DataType type;
  const char* name;
  StorageType storage;
};

constexpr TypeRow kTypeRows[] = {
    {DT_BOOL, "bool", ST_SCALAR},
    {DT_BYTE, "int8", ST_SCALAR},
    {DT_SHORT, "int16", ST_SCALAR},
    {DT_INT, "int32", ST_SCALAR},
    {DT_LONG, "int64", ST_SCALAR},
    {DT_FLOAT, "float", ST_SCALAR},
    {DT_DOUBLE, "double", ST_SCALAR},
    {DT_STRING, "string", ST_SCALAR},
    {DT_DATA, "data", ST_SCALAR},
    {DT_BOOL_ARRAY, "bool_array", ST_ARRAY},
    {DT_BYTE_ARRAY, "int8_array", ST_ARRAY},
    {DT_SHORT_ARRAY, "int16_array", ST_ARRAY},
    {DT_INT_ARRAY, "int32_array", ST_ARRAY},
    {DT_LONG_ARRAY, "int64_array", ST_ARRAY},
    {DT_FLOAT_ARRAY, "float_array", ST_ARRAY},
    {DT_DOUBLE_ARRAY, "double_array", ST_ARRAY},
    {DT_STRING_ARRAY, "string_array", ST_ARRAY},
    {DT_BOOL_ARRAY_2D, "bool_array_2d", ST_ARRAY_2D},
    {DT_BYTE_ARRAY_2D, "int8_array_2d", ST_ARRAY_2D},
    {DT_SHORT_ARRAY_2D, "int16_array_2d", ST_ARRAY_2D},
    {DT_INT_ARRAY_2D, "int32_array_2d", ST_ARRAY_2D},
    {DT_LONG_ARRAY_2D, "int64_array_2d", ST_ARRAY_2D},
    {DT_FLOAT_ARRAY_2D, "float_array_2d", ST_ARRAY_2D},
    {DT_DOUBLE_ARRAY_2D, "double_array_2d", ST_ARRAY_2D},
    {DT_STRING_ARRAY_2D, "string_array_2d", ST_ARRAY_2D},
    {DT_BOOL_MULTI_ARRAY, "bool_array_nd", ST_MULTI_ARRAY},
    {DT_BYTE_MULTI_ARRAY, "int8_array_nd", ST_MULTI_ARRAY},
    {DT_SHORT_MULTI_ARRAY, "int16_array_nd", ST_MULTI_ARRAY},
    {DT_INT_MULTI_ARRAY, "int32_array_nd", ST_MULTI_ARRAY},
    {DT_LONG_MULTI_ARRAY, "int64_array_nd", ST_MULTI_ARRAY},
    {DT_FLOAT_MULTI_ARRAY, "float_array_nd", ST_MULTI_ARRAY},
    {DT_DOUBLE_MULTI_ARRAY, "double_array_nd", ST_MULTI_ARRAY},
    {DT_STRING_MULTI_ARRAY, "string_array_nd", ST_MULTI_ARRAY},
    {DT_DATA_ARRAY, "data_array", ST_ARRAY},
    {DT_DATA_ARRAY_2D, "data_array_2d", ST_ARRAY_2D},
    {DT_DATA_MULTI_ARRAY, "data_array_nd", ST_MULTI_ARRAY},
    {DT_DISCRETE_FUNCTION, "discreteFunction", ST_SCALAR},
    {DT_DISCRETE_FUNCTION_ARRAY, "discreteFunction_array", ST_ARRAY},
    {DT_DISCRETE_FUNCTION_LIST, "discreteFunction_list", ST_SCALAR},
};

// The three lookup tables, built once at load time and read-only afterwards.
struct TypeTables {
  std::map<DataType, std::string> names;
  std::map<std::string, DataType> types;
  std::map<DataType, StorageType> storage;

  TypeTables() {
    for (const TypeRow& row : kTypeRows) {
      names.emplace(row.type, row.name);
      types.emplace(row.name, row.type);
      storage.emplace(row.type, row.storage);
    }
  }
};

// Reached through a function so that other static initialisers may use it safely.
const TypeTables& tables() {
  static const TypeTables instance;
  return instance;
}

// Fills the tables while the library loads, so no later call pays for it.
[[maybe_unused]] const TypeTables& kLoadTimeTables = tables();

[[noreturn]] void throwUnexpected(DataType type) {
  throw DataException("Unexpected DataType " + std::to_string(static_cast<std::int32_t>(type)) + ".");
}

}  // namespace

StorageType DataTypeUtils::getStorageType(DataType type) {
  const auto& storage = tables().storage;
  const auto it = storage.find(type);
  if (it == storage.end()) throwUnexpected(type);
  return it->second;
}

std::string DataTypeUtils::toString(DataType type) {
  const auto& names = tables().names;
  const auto it = names.find(type);
  if (it == names.end()) throwUnexpected(type);
  return it->second;
}

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
