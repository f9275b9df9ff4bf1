// A property mapper: stands between one device property and the host's tags for one
// peripheral address. Registered prototypes are cloned with dup; the host drives the
// clones (begin, validate/in per tag, end; out; subscriptions; watchdogs). Every
// operation but dup and in has a do-nothing default. Only ManException may leave.
#pragma once

#include "base/Export.h"
#include "data/AutoPtr.h"

class iqivProp;
class qivTag;
class imapHw2Vuq;
class qivHandler;
namespace yox {
namespace data {
class Data;
}
}  // namespace yox

class YOX_EXPORT apm {
 public:
  apm() = default;
  virtual ~apm();

  virtual apm* dup() = 0;
  virtual void initialise(iqivProp* prop);
  virtual void begin(const iqivProp* prop);
  virtual void end(const iqivProp* prop);
  virtual bool validate(const iqivProp* prop, bool ok, const imapHw2Vuq* map);
  virtual bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) = 0;
  virtual bool out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map);
  virtual void monitorOn(qivHandler& handler, const imapHw2Vuq* map);
  virtual void monitorOff(qivHandler& handler);
  // The property read now, owned by the caller; null by default.
  virtual yox::auto_ptr<yox::data::Data> syncGet(qivHandler& handler, const imapHw2Vuq* map);
  virtual void asyncGet(qivHandler& handler, const imapHw2Vuq* map);
  virtual bool watchdog();
  virtual bool watchdogPermanent();

  // Runs map's converters in order on tag; false when there are none or one fails.
  bool time_in(const iqivProp* prop, qivTag* tag, const imapHw2Vuq* map);

  int index = -1;  // registry index, set by reg_APM and copied by dup

 protected:
  apm(const apm&) = default;
  apm& operator=(const apm&) = default;
};
