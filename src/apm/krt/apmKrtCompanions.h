// The four small mappers around the protection-system mapper (apmKrt). They share one
// encoding of a device channel, the fault key:
//   mezzanine * 10000 + address * 10 + circuit index (0..3),
// where circuit bits 1, 2, 4, 8 stand for the indexes 0, 1, 2, 3.
#pragma once

#include <boost/shared_ptr.hpp>
#include <memory>

#include "apm/apmDefault.h"
#include "base/Export.h"
#include "filters/Filters.h"
#include "hostapi/HostContainers.h"
#include "hostapi/apm.h"

// Publishes the fault keys that the supervising apmKrt mappers report to it (they add
// and remove keys, then deliver a fresh property; see apmKrt::end). Its context
// filter carries the parallel lists "devices", "fipMezzanines", "fipAddresses" and
// "fipCircuits" from which value() computes keys, and "Devices", which apmKrt reads
// to find the pseudo mappers of its device.
class YOX_EXPORT apmKrtPseudo : public apm {
 public:
  apmKrtPseudo();
  // Deletes the template.
  ~apmKrtPseudo() override;
  apmKrtPseudo(const apmKrtPseudo&) = delete;
  apmKrtPseudo& operator=(const apmKrtPseudo&) = delete;

  // A new apmKrtPseudo with this index, no template, no filter and no keys.
  apm* dup() override;
  // Keeps a bare dup of prop (replacing an earlier one) and its filter.
  void initialise(iqivProp* prop) override;
  // A pseudo property is never valid for the host; changes nothing.
  bool validate(const iqivProp* prop, bool ok, const imapHw2Vuq* map) override;
  // Logs the banner, then writes the keys as 32-bit ints into tag's value (growing
  // it); no keys leave it unchanged. A value that cannot take them sets noData.
  // Always true.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Delivers a fresh property with an empty "contents" tag to the host and returns
  // null. Throws ManException when the mapper was never initialised.
  yox::auto_ptr<yox::data::Data> syncGet(qivHandler& handler, const imapHw2Vuq* map) override;
  // As syncGet.
  void asyncGet(qivHandler& handler, const imapHw2Vuq* map) override;

  // The fault key of device's channel: the first "devices" element equal to device
  // picks the mezzanine, address and circuit; circuit (a bit 1/2/4/8) overrides the
  // filter's "fipCircuits" index. -1 when device is not listed. Throws ManException
  // when there is no filter, its data cannot be built, a list is missing or of
  // another type, or a list is too short for the device's position.
  long long value(const char* device, char circuit);

  iqivProp* templateProp;                     // owned; null until initialise
  boost::shared_ptr<Filters::Filter> filter;  // the property's filter; may be empty
  ivector<long long> keys;                    // insertion order, no duplicates
};

// Builds the keys of every channel a device lists in its "fipMezzanines",
// "fipAddresses" and "fipCircuits" tags. Never writes to the device.
class YOX_EXPORT apmKrtSurvey : public apmDefault {
 public:
  apmKrtSurvey() = default;

  // A new apmKrtSurvey with this index and construction defaults.
  apm* dup() override;
  // Logs the banner, then writes the distinct keys, in order, as 32-bit ints into
  // the first elements of tag's value (later elements keep theirs). Missing or
  // unequal source lists, and unreadable elements, set noData. valid and the time
  // stamp are not touched. Always true.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Does nothing; true.
  bool out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
};

// Turns one element of a nanosecond wait-time array into whole seconds. The array is
// the property's tag named by the first mapping record's hardware tag (up to ":"),
// the element by the mapping's qualifier, "1" or "2".
class YOX_EXPORT apmKrtWTime : public apmDefault {
 public:
  apmKrtWTime() = default;

  // A new apmKrtWTime with this index, no tag name and no mapping count.
  apm* dup() override;
  // Takes the source tag name from the first mapping record and counts the records.
  // Throws ManException when the property has no mapping record.
  void initialise(iqivProp* prop) override;
  // Element 0 of tag's value = the chosen element / 1e9 (truncated). A missing source
  // or a qualifier other than 1 or 2 sets noData (true); a source shorter than the
  // qualifier's index gives false without change. valid and the time stamp are not
  // touched.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Does nothing; true.
  bool out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;

  const char* getTagName() const { return tagName.get(); }

  std::unique_ptr<char[]> tagName;  // null until initialise
  int mappingCount = 0;
};

// A plain default mapper under its own name.
class YOX_EXPORT apmKrtIO : public apmDefault {
 public:
  apmKrtIO() = default;

  // A new apmKrtIO with this index and construction defaults.
  apm* dup() override;
};
