// The one table of the 39 data types, indexed by type code: what the public lookups of
// DataType.h, the serializers and the containers read instead of switching over the
// enumeration. Read-only; every lookup is two compares and an index.
#pragma once

#include <cstdint>

#include "data/DataType.h"

namespace yox {
namespace data {
namespace impl {

// What an entry of the type holds: a numeric scalar, a string, a nested object, or an
// array (of any shape) of one element kind.
enum class ValueKind : std::uint8_t { kScalar, kString, kData, kFunction, kFunctionList, kArray };
// What the values of the type are made of: the element type of an array, the type of a
// scalar (a function list is made of functions).
enum class ElementKind : std::uint8_t {
  kBool,
  kByte,
  kShort,
  kInt,
  kLong,
  kFloat,
  kDouble,
  kString,
  kData,
  kFunction
};

struct DataTypeInfo {
  DataType type;
  // The canonical name ("int8", "double_array_nd", ...) of DataTypeUtils.
  const char* name;
  // The name of the string and CSV forms ("byte", "double_multi_array", ...).
  const char* textName;
  StorageType storage;
  ValueKind value;
  ElementKind element;
};

// The rows in code order.
extern const DataTypeInfo kDataTypes[39];

// The rows by code (null for an unassigned code).
struct DataTypeIndex {
  static constexpr std::int32_t kCodes = 61;
  const DataTypeInfo* rows[kCodes];
};
extern const DataTypeIndex kDataTypeIndex;

// The row of type, or null for a value outside the enumeration.
inline const DataTypeInfo* findDataType(DataType type) {
  const std::int32_t code = static_cast<std::int32_t>(type);
  return code >= 0 && code < DataTypeIndex::kCodes ? kDataTypeIndex.rows[code] : nullptr;
}

[[noreturn]] void throwUnexpectedDataType(DataType type);

// The row of type; throws DataException "Unexpected DataType <n>." when there is none.
inline const DataTypeInfo& dataTypeInfo(DataType type) {
  const DataTypeInfo* row = findDataType(type);
  if (row == nullptr) throwUnexpectedDataType(type);
  return *row;
}

}  // namespace impl
}  // namespace data
}  // namespace yox
