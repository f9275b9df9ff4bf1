// Helpers shared by the timestamp converters: finding the time-stamp tag, splitting
// milliseconds into a tag's time stamp, and building the outgoing time-stamp tag.
// Internal to the converters.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "hostapi/HostInterface.h"
#include "hostapi/detail/PropTags.h"
#include "hostapi/tcm.h"

namespace tcmtime {

// The tag of prop named as the converter's field, or null (also for a null name).
using hostapi::findTag;

// Truncating signed division: a stamp before the epoch gives negative millis.
inline void stamp(qivTag* tag, long long milliseconds) {
  tag->seconds = milliseconds / 1000;
  tag->millis = milliseconds % 1000;
}

// Adds to prop a not valid, unstamped tag called name holding one element 0 of
// type T, replacing any tag of that name, and returns it (owned by prop). Throws
// std::invalid_argument when name is null: there is no field to write.
template <class T>
qivTag* addTimeTag(iqivProp* prop, const char* name, const char* converterClass) {
  if (name == nullptr) {
    throw std::invalid_argument(std::string(converterClass) +
                                " - converter has no tag name, cannot add a timestamp");
  }
  qivTag* tag = new qivTag(name);
  tag->value.clean();
  tag->value.assignVector(std::vector<T>(1, T()));
  prop->add(tag);
  return tag;
}

}  // namespace tcmtime
