// The 8-byte value slot of an entry: a numeric scalar, the array holder of a string or
// array entry, or the nested object of a container, function or list entry.
#pragma once

#include <type_traits>

namespace yox {
namespace data {

class Data;
class DiscreteFunction;
class DiscreteFunctionList;

namespace impl {

class ArrayBase;

union ScalarPrimitiveValue {
  bool boolValue;
  signed char byteValue;
  short shortValue;
  int intValue;
  long longValue;
  float floatValue;
  double doubleValue;
  ArrayBase* array;
  Data* data;
  const DiscreteFunction* function;
  const DiscreteFunctionList* list;

  // A value holding v in the member of its type (T is one of the members' types).
  template <class T>
  static ScalarPrimitiveValue of(T v) {
    ScalarPrimitiveValue s;
    s.longValue = 0;
    s.ref<T>() = v;
    return s;
  }

  // The member of type T.
  template <class T>
  T as() const {
    return const_cast<ScalarPrimitiveValue*>(this)->ref<T>();
  }

 private:
  template <class T>
  T& ref() {
    if constexpr (std::is_same_v<T, bool>)
      return boolValue;
    else if constexpr (std::is_same_v<T, signed char>)
      return byteValue;
    else if constexpr (std::is_same_v<T, short>)
      return shortValue;
    else if constexpr (std::is_same_v<T, int>)
      return intValue;
    else if constexpr (std::is_same_v<T, long>)
      return longValue;
    else if constexpr (std::is_same_v<T, float>)
      return floatValue;
    else if constexpr (std::is_same_v<T, double>)
      return doubleValue;
    else
      return array;
  }
};

static_assert(sizeof(ScalarPrimitiveValue) == 8, "the value slot is 8 bytes");

}  // namespace impl
}  // namespace data
}  // namespace yox
