// Timestamp converter for a field holding a double: milliseconds since the epoch.
// Registered as "double".
#pragma once

#include "hostapi/tcm.h"

class YOX_EXPORT tcmDouble : public tcm {
 public:
  // name: the time-stamp field (copied); null for the registry's prototype.
  explicit tcmDouble(const char* name);

  tcm* dup(const char* name) override;
  // The stamp is truncated toward zero to whole milliseconds; a value that is not a
  // finite number of milliseconds in the signed 64-bit range reads as unreadable.
  bool in(const iqivProp* prop, qivTag* tag, const std::string& dpeId) const override;
  // Throws std::invalid_argument for a converter without a name.
  bool out(iqivProp* prop, qivTag* tag) const override;
  // Throws std::out_of_range when the tag's value is not a readable double stamp.
  long long milli(const iqivProp* prop) const override;
};
