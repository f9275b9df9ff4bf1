#include "apm/krt/apmKrtCompanions.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "apm/detail/MapperSupport.h"
#include "apm/krt/detail/apmKrtFilterData.h"
#include "base/CommonUtilities.h"
#include "base/LogIt.h"
#include "base/ManException.h"
#include "data/Data.h"
#include "hostapi/HostInterface.h"
#include "hostapi/detail/PropTags.h"
#include "registry/Registry.h"

namespace {

using hostapi::findTag;
using hostapi::firstQualifier;

// These mappers announce on every update that they are not finished; the update is
// processed all the same.
const std::size_t kBannerWidth = 32;

int circuitIndex(long bit) {
  switch (bit) {
    case 1:
      return 0;
    case 2:
      return 1;
    case 4:
      return 2;
    case 8:
      return 3;
    default:
      return -1;
  }
}

// The fault key of one channel; see apmKrtCompanions.h.
long long faultKey(long long mezzanine, long long address, int circuitIndex) {
  return mezzanine * 10000 + address * 10 + circuitIndex;
}

}  // namespace

// ---------------------------------------------------------------------------------
// apmKrtPseudo

apmKrtPseudo::apmKrtPseudo() : templateProp(nullptr) {}

apmKrtPseudo::~apmKrtPseudo() { delete templateProp; }

apm* apmKrtPseudo::dup() {
  apmKrtPseudo* copy = new apmKrtPseudo();
  copy->index = index;
  return copy;
}

void apmKrtPseudo::initialise(iqivProp* prop) {
  if (prop == nullptr) throw ManException("krt.pseudo mapper cannot be initialised without a property");
  iqivProp* replacement = prop->dup();
  delete templateProp;
  templateProp = replacement;
  filter = prop->getFilter();
}

bool apmKrtPseudo::validate(const iqivProp*, bool, const imapHw2Vuq*) { return false; }

bool apmKrtPseudo::in(iqivProp*, qivTag* tag, const imapHw2Vuq*) {
  mappers::logBanner(__FUNCTION__, __LINE__, "krt.pseudo apm not yet supported", kBannerWidth);
  if (tag == nullptr) return true;
  try {
    for (size_t i = 0; i < keys.size(); ++i) tag->value.setAt<int>(i, static_cast<int>(keys[i]));
  } catch (const std::exception&) {
    tag->noData = true;  // a value without a type cannot take the keys
  }
  return true;
}

yox::auto_ptr<yox::data::Data> apmKrtPseudo::syncGet(qivHandler&, const imapHw2Vuq*) {
  if (templateProp == nullptr) {
    throw ManException("krt.pseudo mapper was never initialised, it has no property to deliver");
  }
  mappers::deliverContents<int>(*templateProp);
  return yox::auto_ptr<yox::data::Data>();
}

void apmKrtPseudo::asyncGet(qivHandler& handler, const imapHw2Vuq* map) { syncGet(handler, map); }

long long apmKrtPseudo::value(const char* device, char circuit) {
  const std::string wanted = device != nullptr ? device : "";
  if (!filter) {
    throw ManException("krt.pseudo mapper has no context filter, no fault key for device [" + wanted + "]");
  }
  const std::string context = "krt.pseudo context filter [" + filter->getFilterString() + "]";
  yox::data::Data* data = nullptr;
  try {
    data = filter->getVuqData();
  } catch (const std::exception& e) {
    throw ManException(context + " cannot be read: " + e.what());
  }
  std::string list;  // the list being read, for the message
  std::vector<std::string> devices;
  std::vector<int> mezzanines;
  std::vector<int> addresses;
  std::vector<signed char> circuits;
  try {
    devices = krtdata::readStrings(*data, list = "devices");
    mezzanines = krtdata::readInts(*data, list = "fipMezzanines");
    addresses = krtdata::readInts(*data, list = "fipAddresses");
    circuits = krtdata::readBytes(*data, list = "fipCircuits");
  } catch (const std::exception& e) {
    throw ManException(context + " has no usable list [" + list + "]: " + e.what());
  }

  const auto found = std::find(devices.begin(), devices.end(), wanted);
  if (found == devices.end()) return -1;
  const size_t i = static_cast<size_t>(found - devices.begin());
  const std::pair<const char*, size_t> sizes[] = {{"fipMezzanines", mezzanines.size()},
                                                  {"fipAddresses", addresses.size()},
                                                  {"fipCircuits", circuits.size()}};
  for (const auto& size : sizes) {
    if (i >= size.second) {
      throw ManException(context + " list [" + size.first + "] has [" + std::to_string(size.second) +
                         "] elements, device [" + wanted + "] is element [" + std::to_string(i) +
                         "] of [devices]");
    }
  }
  int index = circuitIndex(circuit);
  if (index < 0) index = circuits[i];
  return faultKey(mezzanines[i], addresses[i], index);
}

// ---------------------------------------------------------------------------------
// apmKrtSurvey

apm* apmKrtSurvey::dup() {
  apmKrtSurvey* copy = new apmKrtSurvey();
  copy->index = index;
  return copy;
}

bool apmKrtSurvey::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq*) {
  mappers::logBanner(__FUNCTION__, __LINE__, "krt.survey apm not yet supported", kBannerWidth);
  if (tag == nullptr) return true;
  const qivTag* mezzanines = findTag(prop, "fipMezzanines");
  const qivTag* addresses = findTag(prop, "fipAddresses");
  const qivTag* circuits = findTag(prop, "fipCircuits");
  if (mezzanines == nullptr || addresses == nullptr || circuits == nullptr) {
    tag->noData = true;
    return true;
  }
  const unsigned long count = mezzanines->value.getSize();
  if (addresses->value.getSize() != count || circuits->value.getSize() != count) {
    tag->noData = true;
    return true;
  }
  std::vector<long long> found;
  for (unsigned long i = 0; i < count; ++i) {
    try {
      const int index = circuitIndex(circuits->value.getAt<char>(i));
      if (index < 0) continue;
      const long long key = faultKey(mezzanines->value.getAt<int>(i), addresses->value.getAt<int>(i), index);
      if (std::find(found.begin(), found.end(), key) == found.end()) found.push_back(key);
    } catch (const std::exception&) {
      tag->noData = true;  // this element is unreadable; the others still count
    }
  }
  try {
    for (size_t j = 0; j < found.size(); ++j) tag->value.setAt<int>(j, static_cast<int>(found[j]));
  } catch (const std::exception&) {
    tag->noData = true;
  }
  return true;
}

bool apmKrtSurvey::out(iqivProp*, qivTag*, const imapHw2Vuq*) { return true; }

// ---------------------------------------------------------------------------------
// apmKrtWTime

apm* apmKrtWTime::dup() {
  apmKrtWTime* copy = new apmKrtWTime();
  copy->index = index;
  return copy;
}

void apmKrtWTime::initialise(iqivProp* prop) {
  if (prop == nullptr) throw ManException("krt.wtime mapper cannot be initialised without a property");
  const pmapper<imapHw2Vuq*>& mapping = prop->getMapping();
  if (mapping.empty() || mapping.get(0) == nullptr) {
    throw ManException("krt.wtime mapper: device [" + prop->getDevice() + "] property [" +
                       prop->getProperty() + "] has no mapping record to name the wait-time tag");
  }
  const char* hardwareTag = mapping.get(0)->hardwareTag;
  const std::vector<std::string> parts = CommonUtilities::splitString(hardwareTag ? hardwareTag : "", ":");
  if (parts.empty()) return;
  std::unique_ptr<char[]> name(new char[parts[0].size() + 1]);
  std::memcpy(name.get(), parts[0].c_str(), parts[0].size() + 1);
  tagName = std::move(name);
  mappingCount = static_cast<int>(mapping.size());
}

bool apmKrtWTime::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  if (tag == nullptr) return true;
  const qivTag* source = tagName ? findTag(prop, tagName.get()) : nullptr;
  const std::string text = firstQualifier(map);
  unsigned int index = 0;
  if (!text.empty()) std::sscanf(text.c_str(), "%u", &index);
  if (source == nullptr || (index != 1 && index != 2)) {
    tag->noData = true;
    return true;
  }
  try {
    const unsigned long count = source->value.getSize();
    unsigned long element = index - 1;
    if (count == 1 && mappingCount == 1) {
      element = 0;  // a single wait time serves a property of a single mapping
    } else if (count < index) {
      return false;
    }
    const long nanos = source->value.getAt<long>(element);
    tag->value.setAt<long>(0, nanos / 1000000000L);
  } catch (const std::exception&) {
    tag->noData = true;
  }
  return true;
}

bool apmKrtWTime::out(iqivProp*, qivTag*, const imapHw2Vuq*) { return true; }

// ---------------------------------------------------------------------------------
// apmKrtIO

apm* apmKrtIO::dup() {
  apmKrtIO* copy = new apmKrtIO();
  copy->index = index;
  return copy;
}
