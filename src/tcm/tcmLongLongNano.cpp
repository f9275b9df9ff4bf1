#include "tcm/tcmLongLongNano.h"

#include "base/HostFunctions.h"
#include "base/LogIt.h"
#include "tcm/detail/tcmTime.h"

namespace {
const long long kNanosPerMilli = 1000000;
}

tcmLongLongNano::tcmLongLongNano(const char* name) : tcm(name) {}

tcm* tcmLongLongNano::dup(const char* newName) {
  return new tcmLongLongNano(newName != nullptr ? newName : name);
}

bool tcmLongLongNano::in(const iqivProp* prop, qivTag* tag, const std::string& dpeId) const {
  const qivTag* source = tcmtime::findTag(prop, name);
  if (source == nullptr) {
    YOX_LOG(kLogWarning, -1) << "tcmLongLongNano - no tag found with name [" << (name != nullptr ? name : "")
                             << "], unable to extract timestamp for dpe id [" << dpeId << "]";
    return false;
  }
  long long milliseconds = 0;
  try {
    milliseconds = source->value.getAt<long>(0) / kNanosPerMilli;
  } catch (...) {
    return false;
  }
  tcmtime::stamp(tag, milliseconds);
  return true;
}

bool tcmLongLongNano::out(iqivProp* prop, qivTag*) const {
  qivTag* stampTag = tcmtime::addTimeTag<long>(prop, name, "tcmLongLongNano");
  stampTag->value.setAt<long>(0, static_cast<long>(timeLongLong() * kNanosPerMilli));
  return true;
}

long long tcmLongLongNano::milli(const iqivProp* prop) const {
  const qivTag* source = tcmtime::findTag(prop, name);
  if (source == nullptr) return -1;
  return source->value.getAt<long>(0) / kNanosPerMilli;
}
