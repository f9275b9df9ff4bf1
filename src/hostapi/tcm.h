// A timestamp converter: knows the property field that carries the device's time
// and its encoding. Prototypes (null name) live in the registry; working converters
// are dup'ed with a field name and attached to mapping records.
#pragma once

#include <string>

#include "base/Export.h"

class iqivProp;
class qivTag;

class YOX_EXPORT tcm {
 public:
  // Copies name (null stays null).
  explicit tcm(const char* name);
  virtual ~tcm();
  tcm(const tcm&) = delete;
  tcm& operator=(const tcm&) = delete;

  // A new converter of the same class named name, or this one's name when name is null.
  virtual tcm* dup(const char* name) = 0;
  // Stamps tag with the time read from prop's tag called name; false when it is
  // missing (logged) or unreadable.
  virtual bool in(const iqivProp* prop, qivTag* tag, const std::string& dpeId) const = 0;
  // Adds to prop a tag called name holding the current time.
  virtual bool out(iqivProp* prop, qivTag* tag) const = 0;
  // The time stamp of prop in milliseconds; -1 when prop lacks the tag.
  virtual long long milli(const iqivProp* prop) const = 0;

  char* name;  // owned
};
