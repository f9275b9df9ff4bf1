#include "apm/krt/apmKrt.h"

#include <algorithm>
#include <exception>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "apm/apmTimerej.h"
#include "apm/detail/MapperSupport.h"
#include "apm/detail/TimeCheck.h"
#include "apm/krt/apmKrtCompanions.h"
#include "apm/krt/detail/apmKrtFilterData.h"
#include "base/LogIt.h"
#include "base/ManException.h"
#include "data/Data.h"
#include "hostapi/HostInterface.h"
#include "hostapi/detail/PropTags.h"
#include "hostapi/tcm.h"
#include "registry/Registry.h"

std::vector<long long> STATUS_FILT;
std::vector<long long> SUBSTATUS_FILT;
tcm* GTW_UTCTIME = nullptr;
tcm* AQN_UTCTIME = nullptr;
tcm* QUENCH_UTCTIME = nullptr;

const std::string apmKrt::kStatesName = "statesName";
const std::string apmKrt::kValuesName = "valuesName";
const std::string apmKrt::kParameterProperty = "Parameter";

namespace {

using hostapi::findTag;
using hostapi::firstQualifier;

const char* const kAllowedStatesFilter = "KRT.ALLOWED_STATES";

qivTag& requireSource(qivTag* source, const std::string& name) {
  if (source == nullptr) throw std::invalid_argument("property has no tag [" + name + "]");
  return *source;
}

// Before initialise has created the converters there is no time to read: -1, as for a
// property without the tag. An unreadable time stamp is the converter's exception.
long long readMilli(const tcm* converter, const iqivProp* prop) {
  return converter == nullptr ? -1 : converter->milli(prop);
}

void createConverter(tcm*& slot, const char* field) {
  if (slot != nullptr) return;
  const int kind = qivlib_tcmInfo("longlongnano");
  if (kind < 0) {
    throw ManException("krt mapper needs the timestamp converter [longlongnano], which is not registered");
  }
  slot = qivlib_tcmCreate(kind, field);
}

// Appends the allowed pairs to the globals as they are read; a failure stops the
// reading and keeps what was appended (a later initialise finds the lists non-empty
// only when both got something).
void loadAllowedStates() {
  try {
    if (iDriver == nullptr) return;
    const boost::shared_ptr<Filters>& registry = iDriver->getFilters();
    if (!registry) return;
    const boost::shared_ptr<Filters::Filter> allowed = registry->getFilter(kAllowedStatesFilter);
    if (!allowed) return;
    const yox::data::Data* data = allowed->getVuqData();
    if (data->exists("status")) {
      for (int value : krtdata::readInts(*data, "status")) STATUS_FILT.push_back(value);
    }
    if (data->exists("subStatus")) {
      for (int value : krtdata::readInts(*data, "subStatus")) SUBSTATUS_FILT.push_back(value);
    }
  } catch (const std::exception& e) {
    YOX_LOG(kLogWarning, -1) << "filter [" << kAllowedStatesFilter << "] could not be read: " << e.what();
  } catch (...) {
    // Whatever else went wrong, initialisation goes on with what was read.
  }
}

// Appends to found every krt.pseudo mapper whose context filter lists device under
// "Devices". Throws ManException "No context filter found" for a pseudo mapper without
// a filter; one whose filter cannot be read is logged in the name of function and
// skipped.
void addPseudosListing(const std::string& device, std::vector<apmKrtPseudo*>& found, const char* function) {
  // The host hands over the list, never the mappers in it.
  std::unique_ptr<pvector<apm*>> instances(iDriver->getMappers(qivlib_apmInfo("krt.pseudo")));
  if (!instances) return;
  for (apm* instance : *instances) {
    apmKrtPseudo* pseudo = dynamic_cast<apmKrtPseudo*>(instance);
    if (pseudo == nullptr) continue;
    if (!pseudo->filter) throw ManException("No context filter found");
    std::vector<std::string> devices;
    try {
      const yox::data::Data* data = pseudo->filter->getVuqData();
      if (!data->exists("Devices")) continue;
      devices = krtdata::readStrings(*data, "Devices");
    } catch (const std::exception& e) {
      YOX_LOG_AS(function, kLogWarning, -1)
          << "krt.pseudo context filter [" << pseudo->filter->getFilterString()
          << "] could not be read, device [" << device << "] will not report to it: " << e.what();
      continue;
    }
    for (const std::string& listed : devices) {
      if (listed == device) found.push_back(pseudo);
    }
  }
}

// fip = element 0 of prop's "sT_FIP"; false when the tag is missing or unreadable.
bool readFip(const iqivProp* prop, bool& fip) {
  const qivTag* tag = findTag(prop, "sT_FIP");
  if (tag == nullptr) return false;
  try {
    fip = tag->value.getAt<bool>(0);
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

apmKrt::apmKrt()
    : templateProp(nullptr),
      circuit(-1),
      fipOk(false),
      stateFiltered(false),
      gtwTime(0),
      aqnTime(0),
      quenchTime(0),
      gtwRejectSince(0),
      aqnRejectSince(0),
      supervision(true),
      lastSupervision(0) {}

apmKrt::~apmKrt() { delete templateProp; }

apm* apmKrt::dup() {
  apmKrt* copy = new apmKrt();
  copy->index = index;
  return copy;
}

std::string apmKrt::registryName() const {
  try {
    return qivlib_apmInfo(index);
  } catch (...) {
    return "?";
  }
}

void apmKrt::releaseElementIndexes() {
  elementIndexes_.release(templateProp != nullptr ? &templateProp->getMapping() : nullptr);
}

void apmKrt::initialise(iqivProp* prop) {
  if (prop == nullptr) throw ManException("krt mapper cannot be initialised without a property");
  std::unique_ptr<iqivProp> replacement(prop->dup());
  releaseElementIndexes();
  delete templateProp;
  templateProp = replacement.release();
  supervision = templateProp->getProperty() == "Supervision";

  circuit = getCircuit(prop);
  if (STATUS_FILT.empty() || SUBSTATUS_FILT.empty()) loadAllowedStates();
  createConverter(GTW_UTCTIME, "gtwUtcTime");
  createConverter(AQN_UTCTIME, "aqnUtcTime");
  createConverter(QUENCH_UTCTIME, "quenchUtcTime");

  for (auto& entry : prop->getMapping()) {
    imapHw2Vuq* record = entry.second;
    if (record == nullptr) continue;
    elementIndexes_.hang(*record, -1);  // unknown until monitorOn resolves it
  }

  apmTimerej::configureLimits();

  if (supervision) {
    lastSupervision = timeLongLong();
    iDriver->notifySupervision(templateProp);
    iDriver->initSupervision(templateProp);
  }
}

signed char apmKrt::getCircuit(const iqivProp* prop) {
  try {
    const boost::shared_ptr<Filters::Filter> filter = prop->getFilter();
    if (!filter) return -1;
    const yox::data::Data* data = filter->getVuqData();
    if (!data->exists("circuit")) return -1;
    switch (data->getByte("circuit")) {
      case 0:
        return 1;
      case 1:
        return 2;
      case 2:
        return 4;
      case 3:
        return 8;
      default:
        return -1;
    }
  } catch (...) {
    return -1;
  }
}

bool apmKrt::applyFilter(const iqivProp* prop) {
  if (STATUS_FILT.empty() || SUBSTATUS_FILT.empty()) return false;
  long long status = 0;
  long long subStatus = 0;
  try {
    status = requireSource(findTag(prop, "status"), "status").value.getAt<int>(0);
    subStatus = requireSource(findTag(prop, "subStatus"), "subStatus").value.getAt<int>(0);
  } catch (...) {
    return false;
  }
  const size_t pairs = std::min(STATUS_FILT.size(), SUBSTATUS_FILT.size());
  for (size_t i = 0; i < pairs; ++i) {
    const bool statusMatches = STATUS_FILT[i] == status || STATUS_FILT[i] == -1;
    const bool subStatusMatches = SUBSTATUS_FILT[i] == subStatus || SUBSTATUS_FILT[i] == -1;
    if (statusMatches && subStatusMatches) return false;
  }
  return true;
}

void apmKrt::begin(const iqivProp* prop) {
  if (!pseudos) {
    pseudos.reset(new std::vector<apmKrtPseudo*>());
    if (supervision) addPseudosListing(prop->getDevice(), *pseudos, __FUNCTION__);
  }

  apmDefault::begin(prop);
  if (prop->stopFlag) return;

  // The first rejection of a streak records its start and, for the supervision
  // property, tells the host once.
  auto startStreak = [this](long long& since) {
    if (since != 0) return;
    since = timeLongLong();
    if (supervision && templateProp != nullptr) iDriver->deliverInvalid(templateProp->dup());
  };

  bool fip = false;
  if (!readFip(prop, fip)) {
    startStreak(gtwRejectSince);
    throw ManException("Can't get sT_FIP");
  }
  fipOk = fip;

  quenchTime = readMilli(QUENCH_UTCTIME, prop);
  const long long gtw = readMilli(GTW_UTCTIME, prop);
  const long long aqn = readMilli(AQN_UTCTIME, prop);

  const long long previousGtw = gtwTime;
  std::string reason;
  if (!mappers::acceptTime(gtwTime, gtw, reason)) {
    startStreak(gtwRejectSince);
    throw ManException("gtwUtcTime " + reason + "\n\tprev gtwUtcTime: " + std::to_string(gtwTime) +
                       "\n\t new gtwUtcTime: " + std::to_string(gtw));
  }
  gtwRejectSince = 0;
  gtwTime = gtw;

  stateFiltered = applyFilter(prop);

  if (fipOk) {
    if (!mappers::acceptTime(aqnTime, aqn, reason)) {
      startStreak(aqnRejectSince);
      throw ManException("aqnUtcTime " + reason + "\n\tprev gtwUtcTime: " +
                         std::to_string(previousGtw) + "\n\tprev aqnUtcTime: " + std::to_string(aqnTime) +
                         "\n\t new gtwUtcTime: " + std::to_string(gtw) +
                         "\n\t new aqnUtcTime: " + std::to_string(aqn));
    }
    aqnRejectSince = 0;
    aqnTime = aqn;
  }

  if (supervision) {
    lastSupervision = timeLongLong();
    if (templateProp != nullptr) iDriver->notifySupervision(templateProp);
  }
}

template <class T>
bool apmKrt::retrieveValueFromTagAtMapperApmIndex(qivTag* source, const imapHw2Vuq& mapping, T& out) const {
  const long long index = mapping.apmData != nullptr ? *static_cast<const int*>(mapping.apmData) : -1;
  const unsigned long size = source->value.getSize();
  if (index < 0 || static_cast<unsigned long long>(index) >= size) {
    YOX_LOG(kLogWarning, -1) << "Failed to retrieve apm data at index [" << index << "] from tag ["
                             << source->name << "], tag size [" << size
                             << "]. Mapper object dump: " << apmDataToString(mapping);
    return false;
  }
  out = source->value.getAt<T>(static_cast<unsigned long>(index));
  return true;
}

template bool apmKrt::retrieveValueFromTagAtMapperApmIndex<bool>(qivTag*, const imapHw2Vuq&, bool&) const;
template bool apmKrt::retrieveValueFromTagAtMapperApmIndex<float>(qivTag*, const imapHw2Vuq&, float&) const;

// Tags by name:
//   "sT_FIP"            fipOk                              gateway time
//   "sT_LOGGING"        source element 0 (bool)            gateway time
//   "statusCmd"         source byte by qualifier           acquisition time (current data only)
//   "states", "values"  source element at the record's index  acquisition time (current, allowed)
//   "quenchUtcTime", "aqnUtcTime", "gtwUtcTime"  the accepted times  gateway time
//   anything else       source element 0 (int)             gateway time
bool apmKrt::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  if (gtwRejectSince != 0) return false;
  if (tag == nullptr) return true;
  try {
    const std::string& name = tag->name;
    qivTag* source = findTag(prop, name);
    long long stamp = gtwTime;
    if (name == "sT_FIP") {
      tag->value.setAt<bool>(0, fipOk);
    } else if (name == "sT_LOGGING") {
      tag->value.setAt<bool>(0, requireSource(source, name).value.getAt<bool>(0));
    } else if (name == "statusCmd") {
      if (aqnRejectSince != 0 || !fipOk) return false;
      const char command = requireSource(source, name).value.getAt<char>(0);
      const std::string qualifier = firstQualifier(map);
      char decoded;
      if (qualifier == "STATUS") {
        decoded = static_cast<signed char>(command & 0xF8);
      } else if (qualifier == "ST_OPERATION") {
        decoded = static_cast<char>((command >> 1) & 3);
      } else {
        decoded = static_cast<char>(command & 1);
      }
      tag->value.setAt<char>(0, decoded);
      stamp = aqnTime;
    } else if (name == "states" || name == "values") {
      if (aqnRejectSince != 0 || !fipOk || stateFiltered) return false;
      qivTag& from = requireSource(source, name);
      if (map == nullptr) throw std::invalid_argument("no mapping record for tag [" + name + "]");
      if (name == "states") {
        bool state = false;
        if (!retrieveValueFromTagAtMapperApmIndex(&from, *map, state)) return true;
        tag->value.setAt<bool>(0, state);
      } else {
        float value = 0;
        if (!retrieveValueFromTagAtMapperApmIndex(&from, *map, value)) return true;
        tag->value.setAt<float>(0, value);
      }
      stamp = aqnTime;
    } else if (name == "quenchUtcTime") {
      tag->value.setAt<long>(0, static_cast<long>(quenchTime));
    } else if (name == "aqnUtcTime") {
      tag->value.setAt<long>(0, static_cast<long>(aqnTime));
    } else if (name == "gtwUtcTime") {
      tag->value.setAt<long>(0, static_cast<long>(gtwTime));
    } else {
      tag->value.setAt<int>(0, requireSource(source, name).value.getAt<int>(0));
    }
    tag->valid = true;
    tag->seconds = stamp / 1000;
    tag->millis = stamp % 1000;
  } catch (...) {
    tag->noData = true;
  }
  return true;
}

bool apmKrt::out(iqivProp*, qivTag*, const imapHw2Vuq*) { return true; }

void apmKrt::notify(apmKrtPseudo& pseudo) {
  if (pseudo.templateProp == nullptr) {
    YOX_LOG(kLogWarning, -1) << "krt.pseudo mapper was never initialised, fault keys cannot be delivered";
    return;
  }
  mappers::deliverContents<int>(*pseudo.templateProp);
}

void apmKrt::end(const iqivProp* prop) {
  if (propertyValid && (gtwRejectSince != 0 || aqnRejectSince != 0)) return;
  if (supervision && pseudos) {
    const std::string device = prop->getDevice();
    for (apmKrtPseudo* pseudo : *pseudos) {
      long long key = -1;
      try {
        key = pseudo->value(device.c_str(), circuit);
      } catch (const ManException& e) {
        YOX_LOG(kLogError, -1) << "no fault key for device [" << device << "] circuit ["
                               << static_cast<int>(circuit) << "]: " << e.getMessage();
        continue;
      }
      auto found = std::find(pseudo->keys.begin(), pseudo->keys.end(), key);
      if (found == pseudo->keys.end()) {
        if (!propertyValid) {
          pseudo->keys.push_back(key);
          notify(*pseudo);
        } else if (firstCycle) {
          notify(*pseudo);
        }
      } else if (!propertyValid) {
        if (firstCycle) notify(*pseudo);
      } else {
        pseudo->keys.erase(found);
        notify(*pseudo);
      }
    }
  }
  apmDefault::end(prop);
}

void apmKrt::monitorOn(qivHandler& handler, const imapHw2Vuq*) {
  const std::string property = handler.getProperty();
  if (property == "Supervision" || property == "SupervisionLow") {
    // The records are reached through the template: every dup shares them.
    const bool resolved = templateProp != nullptr && getSubIndex(handler, templateProp->getMapping());
    if (!resolved) {
      YOX_LOG(kLogError, -1) << "apm [" << registryName() << "] getSubIndex failed";
    }
  }
  handler.qivMonitorOn();
}

yox::auto_ptr<yox::data::Data> apmKrt::syncGetDeviceProperty(qivHandler& handler,
                                                             const std::string& propertyName) {
  const std::string original = handler.getProperty();
  yox::auto_ptr<yox::data::Data> result;
  handler.qivSetProperty(propertyName);
  try {
    result.reset(handler.qivGetSync().release());
  } catch (const qivHandlerEx& e) {
    YOX_LOG(kLogError, -1) << "apm [" << registryName() << "] FAILED. SyncGet for device ["
                           << handler.getDevice() << "] original property [" << original
                           << "] targetProperty [" << propertyName
                           << "], threw VUQ exception, message: " << e.getMessage();
  } catch (...) {
    handler.qivSetProperty(original);
    throw;
  }
  handler.qivSetProperty(original);
  return result;
}

bool apmKrt::getSubIndex(qivHandler& handler, const pmapper<imapHw2Vuq*>& mappings) {
  yox::auto_ptr<yox::data::Data> parameters = syncGetDeviceProperty(handler, kParameterProperty);
  if (parameters.get() == nullptr) {
    YOX_LOG(kLogError, -1) << "Failed to retrieve values for property [" << kParameterProperty
                           << "], exiting";
    return false;
  }
  for (const auto& entry : mappings) {
    imapHw2Vuq* record = entry.second;
    if (record == nullptr) continue;
    const std::string hardwareTag = record->hardwareTag != nullptr ? record->hardwareTag : "";
    const std::string qualifier = firstQualifier(record);
    const std::string* listName = nullptr;
    if (hardwareTag.find("states:") != std::string::npos) {
      listName = &kStatesName;
    } else if (hardwareTag.find("values:") != std::string::npos) {
      listName = &kValuesName;
    }
    if (listName != nullptr) {
      try {
        const int index = findHardwareTagQualifierInVuqProperty(qualifier, *parameters, *listName);
        if (record->apmData == nullptr) throw std::logic_error("the record carries no element index");
        *static_cast<int*>(record->apmData) = index;
      } catch (const std::exception& e) {
        YOX_LOG(kLogError, -1) << "Bad mapping for hardware tag [" << hardwareTag
                               << "] hardware tag qualifier [" << qualifier << "], exception: " << e.what();
      }
    }
    YOX_LOG(kLogProgress, -1) << "apm data dump: " << apmDataToString(*record);
  }
  return true;
}

int apmKrt::findHardwareTagQualifierInVuqProperty(const std::string& qualifier,
                                                  const yox::data::Data& property,
                                                  const std::string& tagName) {
  if (!property.exists(tagName)) {
    throw std::invalid_argument("vuqProperty does not contain target tagName [" + tagName + "]");
  }
  // Strictly a string array: a single string is a malformed parameter property here.
  size_t count = 0;
  const char** names = property.getArrayString(tagName, count);
  return findStringIndex(qualifier, names, count);
}

int apmKrt::findStringIndex(const std::string& text, const char** list, unsigned long count) {
  std::string joined;
  for (unsigned long i = 0; list != nullptr && i < count; ++i) {
    const char* candidate = list[i] != nullptr ? list[i] : "";
    if (text == candidate) return static_cast<int>(i);
    if (i > 0) joined += ", ";
    joined += candidate;
  }
  throw std::invalid_argument("Failed to find string [" + text + "] in list of strings sz [" +
                              std::to_string(count) + "] strings [" + joined + "]");
}

std::string apmKrt::apmDataToString(const imapHw2Vuq& mapping) const {
  std::ostringstream text;
  text << "imapHw2Vuq mapping object. Address [" << static_cast<const void*>(&mapping) << "] hardware tag ["
       << (mapping.hardwareTag != nullptr ? mapping.hardwareTag : "") << "] hardware tag qualifier ["
       << firstQualifier(&mapping) << "] apmData [";
  if (mapping.apmData != nullptr) {
    text << *static_cast<const int*>(mapping.apmData);
  } else {
    text << "NULL";
  }
  text << "]";
  return text.str();
}

bool apmKrt::watchdog() {
  if (!supervision) return false;
  const long long since = gtwRejectSince != 0 ? gtwRejectSince : aqnRejectSince;
  if (since == 0) return false;
  if (timeLongLong() - since > TO_WATCHDOG) throw ManException("watchdog event has happened");
  return true;
}

bool apmKrt::watchdogPermanent() {
  if (!supervision) return false;
  if (timeLongLong() - lastSupervision > TO_WATCHDOG) {
    lastSupervision = 0;
    throw ManException("watchdog event has happened");
  }
  return true;
}
