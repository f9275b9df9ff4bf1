#include "data/impl/EntryValidator.h"

#include "data/DataException.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

void EntryValidator::validateString(const std::string& name, const char* value) {
  if (value == nullptr) throw DataException("Can't assign null value for the field \"" + name + "\".");
  for (const char* p = value; *p != '\0'; ++p) {
    if (static_cast<signed char>(*p) < 0) {
      throw DataException("Invalid String (contains forbidden symbols): \"" + util::boundedEcho(value) +
                          "\" for the field '" + name + "'.");
    }
  }
}

void EntryValidator::validateStringArray(const std::string& name, const char* const* values, size_t count) {
  validateObjectArray(name, values, count);
  // Null elements are reported first, whatever the texts hold.
  for (size_t i = 0; i < count; ++i) validateString(name, values[i]);
}

void EntryValidator::throwNullArray(const std::string& name, size_t count) {
  throw DataException("Can't assign null value for array with expected size " + std::to_string(count) +
                      " for the field '" + name + "'.");
}

void EntryValidator::throwNullElement(const std::string& name) {
  throw DataException("Can't assign an array with null elements for the field \"" + name + "\".");
}

}  // namespace impl
}  // namespace data
}  // namespace yox
