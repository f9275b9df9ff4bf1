#include "apm/apmTimerej.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <typeinfo>

#include "apm/detail/TimeCheck.h"
#include "base/HostFunctions.h"
#include "hostapi/HostInterface.h"
#include "hostapi/tcm.h"
#include "registry/Registry.h"

long long TO_INFUTURE = -1;
long long TO_INPAST = -1;
long long TO_WATCHDOG = -1;
bool REJ_EQ_TIME = true;

namespace {

const long long kDefaultLimit = 30000;

__int128 wide(long long value) { return static_cast<__int128>(value); }

bool sameName(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return std::strcmp(a, b) == 0;
}

std::string recordName(const pmapper<imapHw2Vuq*>& records, size_t position) {
  const char* name = records[position].first;
  return name != nullptr ? name : "";
}

// The first qualifier read as a base-10 element index; junk reads as 0 and values
// beyond int are clamped so that they simply lie past any value's end.
int elementIndex(const std::string& qualifier) {
  const long value = std::strtol(qualifier.c_str(), nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

}  // namespace

apmTimerej::apmTimerej() : templateProp(nullptr), timeConverter(nullptr), prevTime(0), rejectStart(0) {}

apmTimerej::~apmTimerej() {
  delete templateProp;
  delete timeConverter;
}

void apmTimerej::isValid(long long prev, long long cur) {
  std::string reason;
  if (!mappers::acceptTime(prev, cur, reason)) throw ManException(reason);
}

void apmTimerej::configureLimits() {
  struct Limit {
    long long* value;
    const char* key;
  };
  const Limit limits[] = {
      {&TO_INFUTURE, "cfgKrtInfuture"}, {&TO_INPAST, "cfgKrtInpast"}, {&TO_WATCHDOG, "cfgKrtWatchdog"}};
  for (const Limit& limit : limits) {
    if (*limit.value >= 0) continue;  // the first mapper to initialise configures it
    *limit.value = kDefaultLimit;
    const char* text = iDriver->getConfig(limit.key);
    long long configured = 0;
    if (text != nullptr && std::sscanf(text, "%lld", &configured) == 1) *limit.value = configured;
  }
  const char* rejectEqual = iDriver->getConfig("cfgKrtRejEqTime");
  if (rejectEqual != nullptr) REJ_EQ_TIME = std::strcmp(rejectEqual, "no") != 0;
}

apm* apmTimerej::dup() {
  apmTimerej* copy = new apmTimerej();
  copy->index = index;
  return copy;
}

void apmTimerej::initialise(iqivProp* prop) {
  pmapper<imapHw2Vuq*>& records = prop->getMapping();
  // Every record must name its time stamp; refuse before anything changes.
  for (size_t i = 0; i < records.size(); ++i) {
    const imapHw2Vuq* record = records[i].second;
    if (record == nullptr || record->converters.empty() || record->converters[0] == nullptr) {
      throw ManException("mapping record [" + recordName(records, i) + "] of device [" + prop->getDevice() +
                         "] property [" + prop->getProperty() + "] has no timestamp converter");
    }
  }

  iqivProp* pattern = prop->dup();
  delete templateProp;
  templateProp = pattern;

  configureLimits();

  // Indexes from an earlier initialise: unhook the ones still hanging on these
  // records, then free them all.
  elementIndexes_.release(&records);

  delete timeConverter;
  timeConverter = nullptr;
  for (auto& entry : records) {
    imapHw2Vuq* record = entry.second;
    if (!record->qualifiers.empty() && !record->qualifiers[0].empty()) {
      elementIndexes_.hang(*record, elementIndex(record->qualifiers[0]));
    }
    tcm* candidate = record->converters[0];
    if (timeConverter == nullptr) {
      timeConverter = candidate->dup(nullptr);
    } else if (typeid(*candidate) != typeid(*timeConverter) ||
               !sameName(candidate->name, timeConverter->name)) {
      delete timeConverter;
      timeConverter = nullptr;
      throw ManException("multiple timestamp tags");
    }
  }

  if (timeConverter == nullptr) {
    try {
      timeConverter = qivlib_tcmCreate(qivlib_tcmInfo("longlongnano"), "AqnUtcTime");
    } catch (int) {
      throw ManException("no timestamp converter registered as [longlongnano]");
    }
  }
}

void apmTimerej::begin(const iqivProp* prop) {
  apmDefault::begin(prop);
  if (prop->stopFlag) return;

  // A time stamp that cannot be read at all (a value of the wrong type) is refused
  // without touching the rejection state: it says nothing about the device's clock.
  long long t = 0;
  if (timeConverter != nullptr) {
    try {
      t = timeConverter->milli(prop);
    } catch (const ManException&) {
      throw;
    } catch (const std::exception& e) {
      throw ManException(std::string(timeConverter->name ? timeConverter->name : "") +
                         " time stamp cannot be read: " + e.what());
    } catch (...) {
      throw ManException(std::string(timeConverter->name ? timeConverter->name : "") +
                         " time stamp cannot be read");
    }
  }

  // A refused time stamp is the common case on a bad link: the reason is built
  // without an exception and thrown once, to the host.
  std::string text;
  bool missingTag = false;
  if (timeConverter == nullptr) {
    prevTime = 0;
    text = "wrong timestamp HWAddress";
  } else if (t == -1) {
    prevTime = 0;
    missingTag = true;
    text = "wrong VUQ tag";
  } else if (mappers::acceptTime(prevTime, t, text)) {
    rejectStart = 0;
    prevTime = t;
    return;
  }
  if (rejectStart == 0) {
    rejectStart = timeLongLong();
    if (templateProp != nullptr) iDriver->deliverInvalid(templateProp->dup());
  }
  if (timeConverter == nullptr) throw ManException(text);
  const char* name = timeConverter->name ? timeConverter->name : "";
  text.insert(0, " ").insert(0, name);
  text += "\n\tprev ";
  text += name;
  text += ": ";
  mappers::appendNumber(text, prevTime);
  text += "\n\t new ";
  text += name;
  text += ": ";
  mappers::appendNumber(text, missingTag ? 0 : t);
  throw ManException(text);
}

bool apmTimerej::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  if (rejectStart != 0) return false;
  const auto found = prop->tags.find(tag->name);
  if (found == prop->tags.end() || found->second == nullptr) {
    throw ManException("no tag [" + tag->name + "] in the property received for device [" +
                       prop->getDevice() + "] property [" + prop->getProperty() + "]");
  }
  const qivTag* source = found->second;
  const long long elementIndex =
      (map != nullptr && map->apmData != nullptr) ? *static_cast<int*>(map->apmData) : 0;
  if (static_cast<long long>(source->value.getSize()) <= elementIndex) {
    tag->noData = true;
    return true;
  }
  if (tag->value != source->value) tag->value = source->value;
  tag->valid = true;
  tag->seconds = prevTime / 1000;
  tag->millis = prevTime % 1000;
  return true;
}

void apmTimerej::end(const iqivProp* prop) {
  if (propertyValid && rejectStart != 0) return;
  apmDefault::end(prop);
}

bool apmTimerej::watchdog() {
  if (rejectStart == 0) return false;
  if (wide(timeLongLong()) - wide(rejectStart) <= wide(TO_WATCHDOG)) return true;
  throw ManException("watchdog event has happened");
}
