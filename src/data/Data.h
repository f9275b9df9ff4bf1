// A container of named, typed entries: the value model of one device property. Clients
// create containers with DataFactory and use them only through this interface. Names
// are unique; entries are kept in byte-wise ascending name order.
//
// Ownership follows the operation's name:
//   append...     copies the value (strings, arrays and nested objects deeply);
//   append...Ptr  refers to the caller's storage, which must stay alive and unchanged
//                 while the entry exists;
//   append...Move adopts the caller's storage (from new[], or new for objects) and
//                 frees it with the entry;
//   release...    hands the entry's storage to the caller and erases the entry; it is
//                 refused (the entry stays) when the entry does not own its storage.
// An append replaces any entry of the same name. Every failure throws DataException and
// leaves the container unchanged. A container is used by one thread at a time.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <vector>

#include "data/AutoPtr.h"
#include "data/DataElementTypes.h"
#include "data/DataType.h"
#include "data/Entry.h"
#include "data/Export.h"

namespace yox {
namespace data {

class DiscreteFunction;
class DiscreteFunctionList;

class YOX_EXPORT Data {
 public:
  virtual ~Data() {}

  // Strings by reference (Ptr) or adopted (Move, freed with delete[]).
  virtual void appendPtr(const std::string& name, const char* value) = 0;
  virtual void appendStringPtr(const std::string& name, const char* value) = 0;
  virtual void appendMove(const std::string& name, const char* value) = 0;
  virtual void appendStringMove(const std::string& name, const char* value) = 0;

  // Nested containers by reference or adopted. Throw for null and for this container.
  virtual void appendPtr(const std::string& name, Data* value) = 0;
  virtual void appendDataPtr(const std::string& name, Data* value) = 0;
  virtual void appendMove(const std::string& name, yox::auto_ptr<Data> value) = 0;

  // Discrete functions and lists by reference or adopted. Throw for null.
  virtual void appendPtr(const std::string& name, const DiscreteFunction* value) = 0;
  virtual void appendMove(const std::string& name, yox::auto_ptr<const DiscreteFunction> value) = 0;
  virtual void appendPtr(const std::string& name, const DiscreteFunctionList* value) = 0;
  virtual void appendMove(const std::string& name, yox::auto_ptr<const DiscreteFunctionList> value) = 0;

  // Copies of single values (strings copied, nested objects cloned).
  // append(name, v) for bool, signed char, short, int, long, float, double.
  YOX_SCALAR_APPENDS(YOX_VIRTUAL, YOX_PURE)
  virtual void append(const std::string& name, const char* value) = 0;
  virtual void append(const std::string& name, const Data& value) = 0;
  virtual void append(const std::string& name, const DiscreteFunction& value) = 0;
  virtual void append(const std::string& name, const DiscreteFunctionList& value) = 0;

  // Array appends, for every element type T of DataElementTypes.h (ConstPtr column:
  // const int*, const char**, const Data**, ...):
  //   appendArray(name, values, size)           1-D, ten types
  //   appendArray2D(name, values, rows, cols)   2-D, row-major, nine types
  //   appendMultiArray(name, values, dims)      N-D, nine types; no extents = one element
  // in three ownership kinds: copy (as named), ...Ptr (appendArrayPtr, appendArray2DPtr,
  // appendMultiArrayPtr) and ...Move. A null values pointer is accepted only for zero
  // elements.
  YOX_APPEND_FAMILY(appendArray, appendArray2D, appendMultiArray, YOX_VIRTUAL, YOX_PURE)
  YOX_APPEND_FAMILY(appendArrayPtr, appendArray2DPtr, appendMultiArrayPtr, YOX_VIRTUAL, YOX_PURE)
  YOX_APPEND_FAMILY(appendArrayMove, appendArray2DMove, appendMultiArrayMove, YOX_VIRTUAL, YOX_PURE)

  // Reads of single values, as Entry's getters; an absent name throws. The release
  // operations hand the storage to the caller (delete[] for the string, delete for the
  // objects) and erase the entry.
  YOX_SCALAR_GETTERS(YOX_WITH_NAME, YOX_VIRTUAL, YOX_PURE)
  virtual const char* getString(const std::string& name) const = 0;
  virtual char* releaseString(const std::string& name) = 0;
  virtual const Data& getData(const std::string& name) const = 0;
  virtual yox::auto_ptr<Data> releaseData(const std::string& name) = 0;
  virtual const DiscreteFunction& getDiscreteFunction(const std::string& name) const = 0;
  virtual yox::auto_ptr<const DiscreteFunction> releaseDiscreteFunction(const std::string& name) = 0;
  virtual const DiscreteFunctionList& getDiscreteFunctionList(const std::string& name) const = 0;
  virtual yox::auto_ptr<const DiscreteFunctionList> releaseDiscreteFunctionList(const std::string& name) = 0;

  // Array reads, as Entry's (getArray<T>, getArray<T>2D, getMultiArray<T>, then the
  // getArrayCopy families), with the entry name first. Then the releases
  // releaseArray<T>(name, size), releaseArray<T>2D(name, rows, cols),
  // releaseMultiArray<T>(name, dims): the caller frees the returned array with
  // delete[] and, for strings, Data and DiscreteFunction, each element first (a string
  // array decoded from a buffer hands over only its pointer array).
  YOX_GET_AND_COPY_FAMILIES(YOX_WITH_NAME, YOX_VIRTUAL, YOX_PURE, YOX_PURE)
  YOX_RELEASE_FAMILIES(YOX_WITH_NAME, YOX_VIRTUAL, YOX_PURE)

  virtual bool exists(const std::string& name) const = 0;
  virtual bool hasOwnership(const std::string& name) const = 0;
  // Takes the entry out and hands it to the caller; empty when the name is absent.
  virtual yox::auto_ptr<Entry> remove(const std::string& name) = 0;
  virtual void clear() = 0;
  // The entries in ascending name order, owned by the container.
  virtual std::vector<const Entry*> getEntries() const = 0;
  // The entry of that name, owned by the container; null when absent.
  virtual const Entry* getEntry(const std::string& name) const = 0;
  virtual std::vector<std::string> getTags() const = 0;
  virtual std::set<std::string> getEntryNames() const = 0;
  // Sum of Entry::getSize() over the entries (nested containers counted recursively).
  virtual size_t getAllEntriesSize() const = 0;
  virtual size_t size() const = 0;
  virtual size_t getSize() const = 0;
  virtual bool isEmpty() const = 0;
  // A deep copy that owns all its storage.
  virtual yox::auto_ptr<Data> clone() const = 0;
  // Exchanges the contents of the two containers.
  virtual void swap(Data& other) = 0;
  // Moves every entry of other here (replacing same-named ones) and leaves other empty.
  virtual void merge(Data& other) = 0;
  virtual bool operator==(const Data& other) const = 0;
  virtual bool operator!=(const Data& other) const = 0;
  virtual bool equals(const Data& other) const = 0;
  // Multi-line dump of every entry in name order; arrays print at most limit elements.
  virtual std::string toString() const = 0;
  virtual std::string toString(size_t limit) const = 0;
  // Equal containers hash equally, whatever the order their entries were appended in.
  virtual size_t hashCode() const = 0;
};

}  // namespace data
}  // namespace yox
