// The protection-system mapper: maps a device's status words, state and value arrays
// (elements picked by named qualifiers) and its three time stamps onto host tags. It
// rejects stale or repeated gateway and acquisition times with the time-rejection
// rules, freezes states and values while the device's (status, sub-status) pair is not
// allowed, supervises the "Supervision" property with watchdogs, and reports the
// channels in fault to the apmKrtPseudo mappers of its device. It never writes to the
// device.
//
// Ownership: the template property and the element indexes hung on the mapping
// records belong to this mapper; the pseudo mappers in its list belong to the host.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "apm/apmDefault.h"
#include "base/Export.h"
#include "data/AutoPtr.h"
#include "hostapi/HostContainers.h"
#include "hostapi/RecordData.h"

class apmKrtPseudo;
class tcm;

// Parallel lists of allowed (status, sub-status) pairs; -1 matches any value. Filled
// once, by the first apmKrt to initialise, from the filter "KRT.ALLOWED_STATES".
extern YOX_EXPORT std::vector<long long> STATUS_FILT;
extern YOX_EXPORT std::vector<long long> SUBSTATUS_FILT;
// Nanosecond converters of the fields "gtwUtcTime", "aqnUtcTime" and "quenchUtcTime",
// shared by every apmKrt; created by the first initialise and never freed.
extern YOX_EXPORT tcm* GTW_UTCTIME;
extern YOX_EXPORT tcm* AQN_UTCTIME;
extern YOX_EXPORT tcm* QUENCH_UTCTIME;

class YOX_EXPORT apmKrt : public apmDefault {
 public:
  // Entry names of the "Parameter" property that list the state and value names, and
  // the name of that property.
  static const std::string kStatesName;
  static const std::string kValuesName;
  static const std::string kParameterProperty;

  apmKrt();
  // Frees the template, the pseudo list (not the mappers in it) and the element
  // indexes; the mapping records are the host's and are not touched.
  ~apmKrt() override;

  // A new apmKrt with this index, circuit -1, supervision on, everything else empty.
  apm* dup() override;
  // Keeps a bare dup of prop, reads the circuit from its filter, fills the allowed
  // states once, creates the shared converters, hangs an element index -1 on every
  // mapping record, configures the time-rejection limits and, for the "Supervision"
  // property, starts supervision. Throws ManException when prop is null or the
  // converter kind "longlongnano" is not registered.
  void initialise(iqivProp* prop) override;
  // Checks "sT_FIP" and the gateway and acquisition times and evaluates the state
  // filter. Throws ManException "No context filter found", "Can't get sT_FIP", or a
  // text starting "gtwUtcTime " / "aqnUtcTime " for a rejected time; the first
  // rejection of a streak tells the host (supervision only).
  void begin(const iqivProp* prop) override;
  // Adds the device's fault key to, or removes it from, its pseudo mappers and
  // notifies them, then runs the default end. Nothing at all while a valid property
  // arrives during a rejection streak.
  void end(const iqivProp* prop) override;
  // Sets tag by its name from the property (see the table in the source); false
  // without change during a gateway rejection streak, and for "statusCmd", "states"
  // and "values" while their data is not current. A failure sets noData (true).
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Does nothing; true.
  bool out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // For "Supervision" and "SupervisionLow" first resolves the element indexes of the
  // "states:" and "values:" records from the device's "Parameter" property; then
  // subscribes. The handle's qivHandlerEx from qivMonitorOn passes through.
  void monitorOn(qivHandler& handler, const imapHw2Vuq* map) override;
  // Supervision only: true while a rejection streak runs, then throws ManException
  // "watchdog event has happened" once it lasted longer than TO_WATCHDOG.
  bool watchdog() override;
  // Supervision only: true while the last supervision update is at most TO_WATCHDOG
  // old; otherwise throws ManException "watchdog event has happened" (and keeps
  // throwing until the next accepted supervision update).
  bool watchdogPermanent() override;

  // Circuit bit (1, 2, 4, 8) from the "circuit" byte (0..3) of prop's filter; -1
  // without a filter or entry, for other values, and when the filter cannot be read.
  signed char getCircuit(const iqivProp* prop);
  // True when prop's ("status", "subStatus") pair is not allowed; false when the
  // lists are empty or the tags unreadable.
  bool applyFilter(const iqivProp* prop);
  // Index of the first element of list equal to text; throws std::invalid_argument
  // naming the text and the list otherwise.
  static int findStringIndex(const std::string& text, const char** list, unsigned long count);
  // Index of qualifier in the string list tagName of property; throws
  // std::invalid_argument when tagName is absent or the qualifier is not listed, and
  // the container's exception when the entry is not a string list.
  static int findHardwareTagQualifierInVuqProperty(const std::string& qualifier,
                                                   const yox::data::Data& property,
                                                   const std::string& tagName);
  // Reads property propertyName of handler's device, then switches the handler back
  // to its own property. Null (logged) when the handle fails; the caller owns it.
  yox::auto_ptr<yox::data::Data> syncGetDeviceProperty(qivHandler& handler, const std::string& propertyName);
  // Resolves the element indexes of the "states:" and "values:" records of mappings.
  // False (logged) when "Parameter" cannot be read; a bad record is logged and keeps
  // its index.
  bool getSubIndex(qivHandler& handler, const pmapper<imapHw2Vuq*>& mappings);
  // out = element *apmData of source; false (logged) when the index is outside it.
  template <class T>
  bool retrieveValueFromTagAtMapperApmIndex(qivTag* source, const imapHw2Vuq& mapping, T& out) const;
  // One-line description of a mapping record and its element index.
  std::string apmDataToString(const imapHw2Vuq& mapping) const;

  iqivProp* templateProp;  // owned; null until initialise
  // The pseudo mappers of this device (host-owned); null until the first begin.
  std::unique_ptr<std::vector<apmKrtPseudo*>> pseudos;
  signed char circuit;  // 1, 2, 4, 8 or -1
  bool fipOk;
  bool stateFiltered;  // the current status pair is not allowed
  long long gtwTime;   // last accepted gateway time, ms
  long long aqnTime;   // last accepted acquisition time, ms
  long long quenchTime;
  long long gtwRejectSince;  // host time the gateway streak began; 0 if none
  long long aqnRejectSince;  // host time the acquisition streak began; 0 if none
  bool supervision;
  long long lastSupervision;  // host time of the last accepted supervision begin

 private:
  // Registry name of this mapper for messages, "?" when it is not registered.
  std::string registryName() const;
  // Forgets the element indexes hung on the records of the current template.
  void releaseElementIndexes();
  void notify(apmKrtPseudo& pseudo);

  RecordData<int> elementIndexes_;
};
