// Lookups on a property and its mapping records that the mappers and the converters
// share. Internal to the plug-in.
#pragma once

#include <string>

#include "hostapi/HostInterface.h"

namespace hostapi {

// The tag of prop called name; null when there is none, or when prop or name is null.
inline qivTag* findTag(const iqivProp* prop, const char* name) {
  if (prop == nullptr || name == nullptr) return nullptr;
  const auto it = prop->tags.find(name);
  return it == prop->tags.end() ? nullptr : it->second;
}

inline qivTag* findTag(const iqivProp* prop, const std::string& name) { return findTag(prop, name.c_str()); }

// The first qualifier of map, or "" when map is null or has none.
inline std::string firstQualifier(const imapHw2Vuq* map) {
  return map != nullptr && !map->qualifiers.empty() ? map->qualifiers[0] : std::string();
}

}  // namespace hostapi
