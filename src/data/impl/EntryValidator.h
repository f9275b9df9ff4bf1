// Checks the values handed to the container's append operations before any entry is
// created: data that must exist is not null, texts are 7-bit ASCII. Stateless; every
// failure throws DataException and leaves nothing behind.
#pragma once

#include <cstddef>
#include <string>

namespace yox {
namespace data {

class Data;
class DiscreteFunction;

namespace impl {

class EntryValidator {
 public:
  // value must be non-null and hold no byte of 0x80 or more before its NUL.
  static void validateString(const std::string& name, const char* value);
  // The same check of a text whose byte at bound is NUL (a decoded text, possibly with an
  // earlier NUL); returns its length up to its first NUL.
  static size_t validateText(const char* name, const char* text, size_t bound);
  // Whether no byte of [bytes, bytes + size) is 0x80 or more.
  static bool isAscii(const char* bytes, size_t size);

  // values may be null only when count is 0; then every element must be non-null (all
  // checked before any text is) and pass validateString.
  static void validateStringArray(const std::string& name, const char* const* values, size_t count);

  // For T = const Data* and T = const DiscreteFunction*: values may be null only when
  // count is 0; no element may be null.
  template <typename T>
  static void validateObjectArray(const std::string& name, const T* values, size_t count) {
    if (values == nullptr) {
      if (count != 0) throwNullArray(name, count);
      return;
    }
    for (size_t i = 0; i < count; ++i) {
      if (values[i] == nullptr) throwNullElement(name);
    }
  }

  // For the numeric and bool element types: values may be null only when count is 0.
  template <typename T>
  static void validateArraySize(const std::string& name, const T* values, size_t count) {
    if (values == nullptr && count != 0) throwNullArray(name, count);
  }

 private:
  [[noreturn]] static void throwNullArray(const std::string& name, size_t count);
  [[noreturn]] static void throwNullElement(const std::string& name);
};

}  // namespace impl
}  // namespace data
}  // namespace yox
