#include "tcm/tcmLongLong.h"

#include "base/HostFunctions.h"
#include "base/LogIt.h"
#include "tcm/detail/tcmTime.h"

tcmLongLong::tcmLongLong(const char* name) : tcm(name) {}

tcm* tcmLongLong::dup(const char* newName) { return new tcmLongLong(newName != nullptr ? newName : name); }

bool tcmLongLong::in(const iqivProp* prop, qivTag* tag, const std::string& dpeId) const {
  const qivTag* source = tcmtime::findTag(prop, name);
  if (source == nullptr) {
    YOX_LOG(kLogWarning, -1) << "tcmLongLong - no tag found with name [" << (name != nullptr ? name : "")
                             << "], unable to extract timestamp for dpe id [" << dpeId << "]";
    return false;
  }
  long long milliseconds = 0;
  try {
    milliseconds = source->value.getAt<long>(0);
  } catch (...) {
    return false;
  }
  tcmtime::stamp(tag, milliseconds);
  return true;
}

bool tcmLongLong::out(iqivProp* prop, qivTag*) const {
  qivTag* stampTag = tcmtime::addTimeTag<long>(prop, name, "tcmLongLong");
  stampTag->value.setAt<long>(0, static_cast<long>(timeLongLong()));
  return true;
}

long long tcmLongLong::milli(const iqivProp* prop) const {
  const qivTag* source = tcmtime::findTag(prop, name);
  if (source == nullptr) return -1;
  return source->value.getAt<long>(0);
}
