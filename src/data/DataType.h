// The closed set of value types a Data entry can hold, their storage kinds and
// their canonical names. The numeric values double as the type codes of the
// binary wire format, so they must never be renumbered.
#pragma once

#include <cstdint>
#include <string>

#include "data/Export.h"

namespace yox {
namespace data {

// Values 33-39, 43-49 and 52-59 are unassigned and rejected by every lookup.
// The fixed underlying type keeps any 32-bit value (e.g. a code read off the
// wire) a valid object of the type until a lookup rejects it.
enum DataType : std::int32_t {
  DT_BOOL = 0,
  DT_BYTE = 1,
  DT_SHORT = 2,
  DT_INT = 3,
  DT_LONG = 4,
  DT_FLOAT = 5,
  DT_DOUBLE = 6,
  DT_STRING = 7,
  DT_DATA = 8,
  DT_BOOL_ARRAY = 9,
  DT_BYTE_ARRAY = 10,
  DT_SHORT_ARRAY = 11,
  DT_INT_ARRAY = 12,
  DT_LONG_ARRAY = 13,
  DT_FLOAT_ARRAY = 14,
  DT_DOUBLE_ARRAY = 15,
  DT_STRING_ARRAY = 16,
  DT_BOOL_ARRAY_2D = 17,
  DT_BYTE_ARRAY_2D = 18,
  DT_SHORT_ARRAY_2D = 19,
  DT_INT_ARRAY_2D = 20,
  DT_LONG_ARRAY_2D = 21,
  DT_FLOAT_ARRAY_2D = 22,
  DT_DOUBLE_ARRAY_2D = 23,
  DT_STRING_ARRAY_2D = 24,
  DT_BOOL_MULTI_ARRAY = 25,
  DT_BYTE_MULTI_ARRAY = 26,
  DT_SHORT_MULTI_ARRAY = 27,
  DT_INT_MULTI_ARRAY = 28,
  DT_LONG_MULTI_ARRAY = 29,
  DT_FLOAT_MULTI_ARRAY = 30,
  DT_DOUBLE_MULTI_ARRAY = 31,
  DT_STRING_MULTI_ARRAY = 32,
  DT_DATA_ARRAY = 40,
  DT_DATA_ARRAY_2D = 41,
  DT_DATA_MULTI_ARRAY = 42,
  DT_DISCRETE_FUNCTION = 50,
  DT_DISCRETE_FUNCTION_ARRAY = 51,
  DT_DISCRETE_FUNCTION_LIST = 60
};

// How an entry of a given DataType lays out its value.
enum StorageType : std::int32_t {
  ST_SCALAR = 0,      // one value, including strings, nested Data and discrete functions/lists
  ST_ARRAY = 1,       // one dimension
  ST_ARRAY_2D = 2,    // rows x columns, stored flat in row order
  ST_MULTI_ARRAY = 3  // any number of extents, stored flat
};

// Storage kind and canonical name ("int8", "double_array_nd", ...) of each DataType.
// The tables behind it are read-only after load; every operation is thread-safe.
class YOX_EXPORT DataTypeUtils {
 public:
  // Throws DataException "Unexpected DataType <n>." for a value outside the enumeration.
  static StorageType getStorageType(DataType type);
  // Throws DataException "Unexpected DataType <n>." for a value outside the enumeration.
  static std::string toString(DataType type);
  // Exact, case-sensitive match of a canonical name; throws DataException
  // "'<name>' does not have an equivalent in DataType." otherwise.
  static DataType toDataType(const std::string& name);
};

// Public convenience layer over DataTypeUtils; fails exactly as the operations it calls.
class YOX_EXPORT EntryTypeUtil {
 public:
  // True only for one-dimensional arrays (2-D and N-D arrays are not "arrays" here).
  static bool isArray(DataType type);
  static std::string toString(DataType type);
  static DataType stringToDataType(std::string name);
};

}  // namespace data
}  // namespace yox
