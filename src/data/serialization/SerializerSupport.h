// Pieces shared by the binary, string and CSV serializers: the element kind of every
// array type, access to an entry's array holder and a function's container, checked
// extent products and the shaped appends (1-D, 2-D or N-D by storage kind).
#pragma once

#include <cstddef>
#include <string>
#include <type_traits>
#include <vector>

#include "data/Data.h"
#include "data/DataType.h"
#include "data/DiscreteFunction.h"
#include "data/Entry.h"
#include "data/impl/ArrayImpl.h"
#include "data/impl/DataImpl.h"
#include "data/impl/DataTypeTable.h"
#include "data/impl/EntryImpl.h"

namespace yox {
namespace data {
namespace impl {
namespace serialization {

// Element kind of any array type; throws SerializerException "Unexpected entry data type
// <n>." for a scalar or unknown type.
ElementKind elementKindOf(DataType type);

// The entry as the one implementation; throws SerializerException for any other.
const EntryImpl& entryImplOf(const Entry& entry);
inline const EntryImpl& entryImplOf(const EntryImpl& entry) { return entry; }

void checkArray(const Entry& entry, bool valid);
[[noreturn]] void throwUnexpectedStorage(const std::string& name);

// Calls f(Element<T>()) with the element type T that the holders of kind store: bool,
// signed char, short, int, long, float, double, char*, Data* or DiscreteFunction*.
template <class T>
struct Element {
  using type = T;
};
template <class F>
decltype(auto) visitElementKind(ElementKind kind, F&& f) {
  switch (kind) {
    case ElementKind::kBool:
      return f(Element<bool>());
    case ElementKind::kByte:
      return f(Element<signed char>());
    case ElementKind::kShort:
      return f(Element<short>());
    case ElementKind::kInt:
      return f(Element<int>());
    case ElementKind::kLong:
      return f(Element<long>());
    case ElementKind::kFloat:
      return f(Element<float>());
    case ElementKind::kDouble:
      return f(Element<double>());
    case ElementKind::kString:
      return f(Element<char*>());
    case ElementKind::kData:
      return f(Element<Data*>());
    default:
      return f(Element<DiscreteFunction*>());
  }
}

// A scalar of an entry whose type was checked: straight from the value slot of the one
// implementation, through the getter of any other.
template <class T>
T scalarOf(const EntryImpl& entry) {
  return entry.slot().as<T>();
}
template <class T>
T scalarOf(const Entry& entry) {
  if constexpr (std::is_same_v<T, bool>)
    return entry.getBool();
  else if constexpr (std::is_same_v<T, signed char>)
    return entry.getByte();
  else if constexpr (std::is_same_v<T, short>)
    return entry.getShort();
  else if constexpr (std::is_same_v<T, int>)
    return entry.getInt();
  else if constexpr (std::is_same_v<T, long>)
    return entry.getLong();
  else if constexpr (std::is_same_v<T, float>)
    return entry.getFloat();
  else
    return entry.getDouble();
}

// The holder of a string or array entry as Array<T>. Throws SerializerException when the
// holder is missing, of another element type, or released while still claiming elements.
template <class T>
const Array<T>& arrayOf(const Entry& entry) {
  const Array<T>* array = dynamic_cast<const Array<T>*>(entryImplOf(entry).getArrayHolder());
  checkArray(entry, array != nullptr && (array->getElements() != nullptr || array->getElementCount() == 0));
  return *array;
}

// The container holding a function's "xArray" and "yArray".
const Data& functionData(const DiscreteFunction& function);

// Product of the extents (1 for none); throws SerializerException naming the entry when
// it does not fit a size_t.
size_t elementCount(const std::vector<size_t>& dims, const std::string& name);
size_t elementCount(const size_t* dims, size_t count, const char* name);

// Appends values with the shape of storage (ST_ARRAY: dims[0]; ST_ARRAY_2D: dims[0] x
// dims[1]; ST_MULTI_ARRAY: dims) by copy, by reference (Ptr) or by adoption (Move).
enum class Ownership { kCopy, kPtr, kMove };

// P is the pointer type of the append families (const int*, const char**, ...).
template <class P>
void appendShaped(DataImpl& data, const std::string& name, P values, StorageType storage,
                  const std::vector<size_t>& dims, Ownership ownership) {
  switch (storage) {
    case ST_ARRAY:
      if (ownership == Ownership::kCopy)
        data.appendArray(name, values, dims[0]);
      else if (ownership == Ownership::kPtr)
        data.appendArrayPtr(name, values, dims[0]);
      else
        data.appendArrayMove(name, values, dims[0]);
      return;
    case ST_ARRAY_2D:
      if constexpr (!std::is_same_v<P, const DiscreteFunction**>) {
        if (ownership == Ownership::kCopy)
          data.appendArray2D(name, values, dims[0], dims[1]);
        else if (ownership == Ownership::kPtr)
          data.appendArray2DPtr(name, values, dims[0], dims[1]);
        else
          data.appendArray2DMove(name, values, dims[0], dims[1]);
        return;
      }
      break;
    case ST_MULTI_ARRAY:
      if constexpr (!std::is_same_v<P, const DiscreteFunction**>) {
        if (ownership == Ownership::kCopy)
          data.appendMultiArray(name, values, dims);
        else if (ownership == Ownership::kPtr)
          data.appendMultiArrayPtr(name, values, dims);
        else
          data.appendMultiArrayMove(name, values, dims);
        return;
      }
      break;
    default:
      break;
  }
  throwUnexpectedStorage(name);
}

// Adopts a new[] array of string pointers whose texts stay where they are.
void appendShapedStringPointers(DataImpl& data, const std::string& name, const char** values,
                                StorageType storage, const std::vector<size_t>& dims);

// Number of extents a 1-D (1) or 2-D (2) array type carries; -1 for N-D (any number).
int requiredExtents(StorageType storage);

// Throws SerializerException "Data nested deeper than the limit [<limit>]."
[[noreturn]] void throwTooDeep(int limit);

}  // namespace serialization
}  // namespace impl
}  // namespace data
}  // namespace yox
