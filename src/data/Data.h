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
  virtual void append(const std::string& name, bool value) = 0;
  virtual void append(const std::string& name, signed char value) = 0;
  virtual void append(const std::string& name, short value) = 0;
  virtual void append(const std::string& name, int value) = 0;
  virtual void append(const std::string& name, long value) = 0;
  virtual void append(const std::string& name, float value) = 0;
  virtual void append(const std::string& name, double value) = 0;
  virtual void append(const std::string& name, const char* value) = 0;
  virtual void append(const std::string& name, const Data& value) = 0;
  virtual void append(const std::string& name, const DiscreteFunction& value) = 0;
  virtual void append(const std::string& name, const DiscreteFunctionList& value) = 0;

  // Array appends, for the element types bool, signed char, short, int, long, float,
  // double, const char* (strings), const Data* and, in one dimension only,
  // const DiscreteFunction*:
  //   appendArray(name, values, size)           1-D, ten types
  //   appendArray2D(name, values, rows, cols)   2-D, row-major, nine types
  //   appendMultiArray(name, values, dims)      N-D, nine types; no extents = one element
  // in three ownership kinds: copy (as named), ...Ptr (appendArrayPtr, appendArray2DPtr,
  // appendMultiArrayPtr) and ...Move. A null values pointer is accepted only for zero
  // elements.
  virtual void appendArray(const std::string& name, const bool* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const signed char* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const short* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const int* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const long* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const float* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const double* values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const char** values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const Data** values, size_t size) = 0;
  virtual void appendArray(const std::string& name, const DiscreteFunction** values, size_t size) = 0;

  virtual void appendArray2D(const std::string& name, const bool* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const signed char* values, size_t rows,
                             size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const short* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const int* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const long* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const float* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const double* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const char** values, size_t rows, size_t cols) = 0;
  virtual void appendArray2D(const std::string& name, const Data** values, size_t rows, size_t cols) = 0;

  virtual void appendMultiArray(const std::string& name, const bool* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const signed char* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const short* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const int* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const long* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const float* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const double* values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const char** values,
                                const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArray(const std::string& name, const Data** values,
                                const std::vector<size_t>& dims) = 0;

  virtual void appendArrayPtr(const std::string& name, const bool* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const signed char* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const short* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const int* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const long* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const float* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const double* values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const char** values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const Data** values, size_t size) = 0;
  virtual void appendArrayPtr(const std::string& name, const DiscreteFunction** values, size_t size) = 0;

  virtual void appendArray2DPtr(const std::string& name, const bool* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const signed char* values, size_t rows,
                                size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const short* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const int* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const long* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const float* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const double* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const char** values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DPtr(const std::string& name, const Data** values, size_t rows, size_t cols) = 0;

  virtual void appendMultiArrayPtr(const std::string& name, const bool* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const signed char* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const short* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const int* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const long* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const float* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const double* values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const char** values,
                                   const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayPtr(const std::string& name, const Data** values,
                                   const std::vector<size_t>& dims) = 0;

  virtual void appendArrayMove(const std::string& name, const bool* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const signed char* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const short* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const int* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const long* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const float* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const double* values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const char** values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const Data** values, size_t size) = 0;
  virtual void appendArrayMove(const std::string& name, const DiscreteFunction** values, size_t size) = 0;

  virtual void appendArray2DMove(const std::string& name, const bool* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const signed char* values, size_t rows,
                                 size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const short* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const int* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const long* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const float* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const double* values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const char** values, size_t rows, size_t cols) = 0;
  virtual void appendArray2DMove(const std::string& name, const Data** values, size_t rows, size_t cols) = 0;

  virtual void appendMultiArrayMove(const std::string& name, const bool* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const signed char* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const short* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const int* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const long* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const float* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const double* values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const char** values,
                                    const std::vector<size_t>& dims) = 0;
  virtual void appendMultiArrayMove(const std::string& name, const Data** values,
                                    const std::vector<size_t>& dims) = 0;

  // Reads of single values, as Entry's getters; an absent name throws. The release
  // operations hand the storage to the caller (delete[] for the string, delete for the
  // objects) and erase the entry.
  virtual bool getBool(const std::string& name) const = 0;
  virtual signed char getByte(const std::string& name) const = 0;
  virtual short getShort(const std::string& name) const = 0;
  virtual int getInt(const std::string& name) const = 0;
  virtual long getLong(const std::string& name) const = 0;
  virtual float getFloat(const std::string& name) const = 0;
  virtual double getDouble(const std::string& name) const = 0;
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
  virtual const bool* getArrayBool(const std::string& name, size_t& size) const = 0;
  virtual const signed char* getArrayByte(const std::string& name, size_t& size) const = 0;
  virtual const short* getArrayShort(const std::string& name, size_t& size) const = 0;
  virtual const int* getArrayInt(const std::string& name, size_t& size) const = 0;
  virtual const long* getArrayLong(const std::string& name, size_t& size) const = 0;
  virtual const float* getArrayFloat(const std::string& name, size_t& size) const = 0;
  virtual const double* getArrayDouble(const std::string& name, size_t& size) const = 0;
  virtual const char** getArrayString(const std::string& name, size_t& size) const = 0;
  virtual const Data** getArrayData(const std::string& name, size_t& size) const = 0;
  virtual const DiscreteFunction** getArrayDiscreteFunction(const std::string& name, size_t& size) const = 0;

  virtual const bool* getArrayBool2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const signed char* getArrayByte2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const short* getArrayShort2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const int* getArrayInt2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const long* getArrayLong2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const float* getArrayFloat2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const double* getArrayDouble2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const char** getArrayString2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual const Data** getArrayData2D(const std::string& name, size_t& rows, size_t& cols) const = 0;

  virtual const bool* getMultiArrayBool(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const signed char* getMultiArrayByte(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const short* getMultiArrayShort(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const int* getMultiArrayInt(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const long* getMultiArrayLong(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const float* getMultiArrayFloat(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const double* getMultiArrayDouble(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const char** getMultiArrayString(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual const Data** getMultiArrayData(const std::string& name, std::vector<size_t>& dims) const = 0;

  virtual bool* getArrayCopyBool(const std::string& name, size_t& size) const = 0;
  virtual signed char* getArrayCopyByte(const std::string& name, size_t& size) const = 0;
  virtual short* getArrayCopyShort(const std::string& name, size_t& size) const = 0;
  virtual int* getArrayCopyInt(const std::string& name, size_t& size) const = 0;
  virtual long* getArrayCopyLong(const std::string& name, size_t& size) const = 0;
  virtual float* getArrayCopyFloat(const std::string& name, size_t& size) const = 0;
  virtual double* getArrayCopyDouble(const std::string& name, size_t& size) const = 0;
  virtual char** getArrayCopyString(const std::string& name, size_t& size) const = 0;
  virtual Data** getArrayCopyData(const std::string& name, size_t& size) const = 0;
  virtual DiscreteFunction** getArrayCopyDiscreteFunction(const std::string& name, size_t& size) const = 0;

  virtual bool* getArrayCopyBool2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual signed char* getArrayCopyByte2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual short* getArrayCopyShort2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual int* getArrayCopyInt2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual long* getArrayCopyLong2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual float* getArrayCopyFloat2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual double* getArrayCopyDouble2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual char** getArrayCopyString2D(const std::string& name, size_t& rows, size_t& cols) const = 0;
  virtual Data** getArrayCopyData2D(const std::string& name, size_t& rows, size_t& cols) const = 0;

  virtual bool* getMultiArrayCopyBool(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual signed char* getMultiArrayCopyByte(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual short* getMultiArrayCopyShort(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual int* getMultiArrayCopyInt(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual long* getMultiArrayCopyLong(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual float* getMultiArrayCopyFloat(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual double* getMultiArrayCopyDouble(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual char** getMultiArrayCopyString(const std::string& name, std::vector<size_t>& dims) const = 0;
  virtual Data** getMultiArrayCopyData(const std::string& name, std::vector<size_t>& dims) const = 0;

  virtual bool* releaseArrayBool(const std::string& name, size_t& size) = 0;
  virtual signed char* releaseArrayByte(const std::string& name, size_t& size) = 0;
  virtual short* releaseArrayShort(const std::string& name, size_t& size) = 0;
  virtual int* releaseArrayInt(const std::string& name, size_t& size) = 0;
  virtual long* releaseArrayLong(const std::string& name, size_t& size) = 0;
  virtual float* releaseArrayFloat(const std::string& name, size_t& size) = 0;
  virtual double* releaseArrayDouble(const std::string& name, size_t& size) = 0;
  virtual char** releaseArrayString(const std::string& name, size_t& size) = 0;
  virtual Data** releaseArrayData(const std::string& name, size_t& size) = 0;
  virtual DiscreteFunction** releaseArrayDiscreteFunction(const std::string& name, size_t& size) = 0;

  virtual bool* releaseArrayBool2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual signed char* releaseArrayByte2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual short* releaseArrayShort2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual int* releaseArrayInt2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual long* releaseArrayLong2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual float* releaseArrayFloat2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual double* releaseArrayDouble2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual char** releaseArrayString2D(const std::string& name, size_t& rows, size_t& cols) = 0;
  virtual Data** releaseArrayData2D(const std::string& name, size_t& rows, size_t& cols) = 0;

  virtual bool* releaseMultiArrayBool(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual signed char* releaseMultiArrayByte(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual short* releaseMultiArrayShort(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual int* releaseMultiArrayInt(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual long* releaseMultiArrayLong(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual float* releaseMultiArrayFloat(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual double* releaseMultiArrayDouble(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual char** releaseMultiArrayString(const std::string& name, std::vector<size_t>& dims) = 0;
  virtual Data** releaseMultiArrayData(const std::string& name, std::vector<size_t>& dims) = 0;

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
