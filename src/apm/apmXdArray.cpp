#include "apm/apmXdArray.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "apm/detail/MapperSupport.h"
#include "base/LogIt.h"
#include "hostapi/HostInterface.h"

namespace {

// The column count as "%d" reads it (leading blanks and a sign allowed), but only
// when the whole text is that number and it is positive: the row count is divided
// by it, and a count read from a prefix of the text would hide a typing error.
bool readColumns(const std::string& text, int& columns) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(begin, &end, 10);
  if (end == begin || *end != '\0' || errno == ERANGE || value < 1 || value > INT_MAX) return false;
  columns = static_cast<int>(value);
  return true;
}

}  // namespace

apm* apmXdArray::dup() {
  apmXdArray* copy = new apmXdArray();
  copy->index = index;
  return copy;
}

bool apmXdArray::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  mappers::logBanner(__FUNCTION__, __LINE__, "xD.array apm not yet supported", 30);
  if (tag != nullptr) tag->valid = apm::time_in(prop, tag, map);
  return true;
}

bool apmXdArray::out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  if (prop == nullptr || tag == nullptr) return true;
  const std::string columnText =
      map != nullptr && map->qualifiers.size() > 1 ? map->qualifiers[1] : std::string();
  if (!columnText.empty()) {
    int columns = 0;
    if (readColumns(columnText, columns)) {
      const unsigned long rows = tag->value.getSize() / static_cast<unsigned long>(columns);
      qivTag* dimension = new qivTag("dim_" + tag->name);
      dimension->value.assignVector(std::vector<int>{columns, static_cast<int>(rows)});
      prop->add(dimension);
    } else {
      YOX_LOG(kLogWarning, -1) << "peripheral address [" << map->peripheralAddress << "], apm id [" << index
                               << "] tag [" << tag->name << "] column count [" << columnText
                               << "] is not a positive decimal number, no dimension tag [dim_" << tag->name
                               << "] added";
    }
  }
  return apmDefault::out(prop, tag, map);
}
