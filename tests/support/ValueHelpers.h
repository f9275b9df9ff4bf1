// Building typed values and reading what a call threw, shared by the value,
// filter and host tests (and open to the mapper tests).
#pragma once

#include <initializer_list>
#include <ostream>
#include <string>
#include <type_traits>
#include <vector>

#include "values/VUQ_VARS.h"

// Values print as their text in test failures rather than as raw bytes.
inline void PrintTo(const VUQ_VARS& value, std::ostream* out) { *out << value.toString(); }

namespace yoxtest {

// An initialised value holding a copy of values.
template <class T>
VUQ_VARS valueOf(const std::vector<T>& values) {
  VUQ_VARS value;
  value.assignVector(values);
  return value;
}
template <class T>
VUQ_VARS valueOf(std::initializer_list<T> values) {
  return valueOf(std::vector<T>(values));
}

// The what() of the E that f throws (the text itself for a thrown C string), or
// "(nothing thrown)".
template <class E, class F>
std::string thrownText(F&& f) {
  try {
    f();
  } catch (const E& e) {
    if constexpr (std::is_same_v<E, const char*>)
      return e;
    else
      return e.what();
  }
  return "(nothing thrown)";
}

}  // namespace yoxtest
