// Timestamp converter for a field holding a signed 64-bit count of milliseconds
// since the epoch. Registered as "longlong".
#pragma once

#include "hostapi/tcm.h"

class YOX_EXPORT tcmLongLong : public tcm {
 public:
  // name: the time-stamp field (copied); null for the registry's prototype.
  explicit tcmLongLong(const char* name);

  tcm* dup(const char* name) override;
  bool in(const iqivProp* prop, qivTag* tag, const std::string& dpeId) const override;
  // Throws std::invalid_argument for a converter without a name.
  bool out(iqivProp* prop, qivTag* tag) const override;
  // Throws std::out_of_range when the tag's value is not a 64-bit integer.
  long long milli(const iqivProp* prop) const override;
};
