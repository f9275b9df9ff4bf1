#include "tcm/tcmDouble.h"

#include <sstream>
#include <stdexcept>

#include "base/HostFunctions.h"
#include "base/LogIt.h"
#include "tcm/detail/tcmTime.h"

namespace {

// Whole milliseconds of a double stamp, truncated toward zero. Throws
// std::out_of_range for NaN, infinities and values beyond the signed 64-bit range,
// whose conversion would have no defined result.
long long truncatedMillis(double stamp, const char* name) {
  if (!(stamp >= -0x1p63 && stamp < 0x1p63)) {
    std::ostringstream message;
    message << "tcmDouble - timestamp [" << stamp << "] of tag [" << name
            << "] is not a number of milliseconds in the signed 64-bit range";
    throw std::out_of_range(message.str());
  }
  return static_cast<long long>(stamp);
}

}  // namespace

tcmDouble::tcmDouble(const char* name) : tcm(name) {}

tcm* tcmDouble::dup(const char* newName) { return new tcmDouble(newName != nullptr ? newName : name); }

bool tcmDouble::in(const iqivProp* prop, qivTag* tag, const std::string& dpeId) const {
  const qivTag* source = tcmtime::findTag(prop, name);
  if (source == nullptr) {
    YOX_LOG(kLogWarning, -1) << "tcmDouble - no tag found with name [" << (name != nullptr ? name : "")
                             << "], unable to extract timestamp for dpe id [" << dpeId << "]";
    return false;
  }
  long long milliseconds = 0;
  try {
    milliseconds = truncatedMillis(source->value.getAt<double>(0), name);
  } catch (...) {
    return false;
  }
  tcmtime::stamp(tag, milliseconds);
  return true;
}

bool tcmDouble::out(iqivProp* prop, qivTag*) const {
  qivTag* stampTag = tcmtime::addTimeTag<double>(prop, name, "tcmDouble");
  stampTag->value.setAt<double>(0, timeNow());
  return true;
}

long long tcmDouble::milli(const iqivProp* prop) const {
  const qivTag* source = tcmtime::findTag(prop, name);
  if (source == nullptr) return -1;
  return truncatedMillis(source->value.getAt<double>(0), name);
}
