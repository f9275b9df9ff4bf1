// The generic mapper that most others build on: runs the address's timestamp
// converters on every tag, forwards subscriptions and reads to the host's handle,
// and tracks whether the property as a whole was valid in the current cycle. When
// that validity changes (and on the first cycle) it tells every pseudo-device mapper
// that watches the same device, property and filter.
//
// The pseudo-device mappers in pseudoDevs belong to the host; this mapper owns only
// the list. Derived mappers construct through the default constructor (construction
// defaults) and use the members below as their own.
#pragma once

#include "base/Export.h"
#include "hostapi/HostContainers.h"
#include "hostapi/apm.h"

class apmPseudoDev;

class YOX_EXPORT apmDefault : public apm {
 public:
  apmDefault();
  // Deletes the pseudo-device list, never the pseudo-device mappers.
  ~apmDefault() override;
  apmDefault(const apmDefault&) = delete;
  apmDefault& operator=(const apmDefault&) = delete;

  // A new apmDefault with this index and construction defaults; the caller owns it.
  apm* dup() override;
  // Fixes the watching pseudo devices on the first call; marks the property valid.
  void begin(const iqivProp* prop) override;
  // Publishes "contents" to the watching pseudo devices on the first cycle and when
  // the validity differs from what one last got. Does nothing before the first begin.
  void end(const iqivProp* prop) override;
  // Lowers propertyValid when ok is false; always true.
  bool validate(const iqivProp* prop, bool ok, const imapHw2Vuq* map) override;
  // tag->valid = time_in(...); always true.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // Lets every converter of map add its time to prop; the tag is valid when there
  // was at least one converter. Always true.
  bool out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;
  // The four below forward to the handle; its qivHandlerEx passes through unchanged.
  void monitorOn(qivHandler& handler, const imapHw2Vuq* map) override;
  void monitorOff(qivHandler& handler) override;
  // The handle's synchronous read, owned by the caller.
  yox::auto_ptr<yox::data::Data> syncGet(qivHandler& handler, const imapHw2Vuq* map) override;
  void asyncGet(qivHandler& handler, const imapHw2Vuq* map) override;

  bool firstCycle;     // true until the first end
  bool propertyValid;  // this cycle's validity: set by begin, lowered by validate
  // Non-owning list of the watching pseudo devices; null until the first begin.
  pvector<apmPseudoDev*>* pseudoDevs;
};
