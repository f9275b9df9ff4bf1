// One named, typed value of a Data container. Entries are owned by their container and
// read through this interface; every getter checks the type exactly (no conversion) and
// throws DataException on a mismatch.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "data/AutoPtr.h"
#include "data/DataElementTypes.h"
#include "data/DataType.h"
#include "data/Export.h"

namespace yox {
namespace data {

class Data;
class DiscreteFunction;
class DiscreteFunctionList;

class YOX_EXPORT Entry {
 public:
  virtual ~Entry() {}

  // Scalar getters getBool, getByte, getShort, getInt, getLong, getFloat, getDouble:
  // the value of a DT_BOOL ... DT_DOUBLE entry.
  YOX_SCALAR_GETTERS(YOX_NO_NAME, YOX_VIRTUAL, YOX_PURE)
  // The characters of a DT_STRING entry, NUL-terminated; valid while the entry lives.
  virtual const char* getString() const = 0;
  // The nested object of a DT_DATA, DT_DISCRETE_FUNCTION or DT_DISCRETE_FUNCTION_LIST
  // entry (not a copy); valid while the entry lives.
  virtual const Data& getData() const = 0;
  virtual const DiscreteFunction& getDiscreteFunction() const = 0;
  virtual const DiscreteFunctionList& getDiscreteFunctionList() const = 0;

  // Array families, for every element type of DataElementTypes.h:
  //   const T* getArray<T>(size_t& size)                  (1-D entries; ten types)
  //   const T* getArray<T>2D(size_t& rows, size_t& cols)  (2-D entries, row-major; nine)
  //   const T* getMultiArray<T>(std::vector<size_t>& dims) (N-D entries; nine)
  // return the stored elements (valid while the entry lives) and set the extents;
  //   T* getArrayCopy<T>(...), getArrayCopy<T>2D(...), getMultiArrayCopy<T>(...)
  // return a new[] array owned by the caller (strings copied into their own new[]
  // buffers, Data and DiscreteFunction elements cloned).
  YOX_GET_AND_COPY_FAMILIES(YOX_NO_NAME, YOX_VIRTUAL, YOX_PURE, YOX_PURE)

  virtual const char* getName() const = 0;
  virtual DataType getType() const = 0;
  // The value as text; arrays print at most limit elements.
  virtual std::string getValueAsString() const = 0;
  virtual std::string getValueAsString(size_t limit) const = 0;
  // 1 for scalars, strings, functions and lists; the element count for arrays; the
  // nested container's getAllEntriesSize() for DT_DATA.
  virtual size_t getSize() const = 0;
  // Whether the entry owns its storage (false for Ptr-appended values).
  virtual bool hasOwnership() const = 0;
  // Multi-line dump: name, type (with the extents of arrays) and value.
  virtual std::string toString() const = 0;
  virtual std::string toString(size_t limit) const = 0;
  // A deep copy that owns all its storage, whatever this entry owns.
  virtual yox::auto_ptr<Entry> clone() const = 0;
  // Same name, same type and equal values (NaN is unequal to itself).
  virtual bool operator==(const Entry& other) const = 0;
  virtual bool operator!=(const Entry& other) const = 0;
  virtual size_t hashCode() const = 0;
};

}  // namespace data
}  // namespace yox
