#include "hostapi/apm.h"

#include <string>

#include "data/Data.h"
#include "hostapi/HostInterface.h"
#include "hostapi/tcm.h"

apm::~apm() = default;

void apm::initialise(iqivProp*) {}
void apm::begin(const iqivProp*) {}
void apm::end(const iqivProp*) {}
bool apm::validate(const iqivProp*, bool, const imapHw2Vuq*) { return true; }
bool apm::out(iqivProp*, qivTag*, const imapHw2Vuq*) { return true; }
void apm::monitorOn(qivHandler&, const imapHw2Vuq*) {}
void apm::monitorOff(qivHandler&) {}
yox::auto_ptr<yox::data::Data> apm::syncGet(qivHandler&, const imapHw2Vuq*) {
  return yox::auto_ptr<yox::data::Data>();
}
void apm::asyncGet(qivHandler&, const imapHw2Vuq*) {}
bool apm::watchdog() { return false; }
bool apm::watchdogPermanent() { return false; }

bool apm::time_in(const iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  if (map == nullptr || map->converters.empty()) return false;
  const std::string dpeId = map->dpeId ? map->dpeId : "";
  for (const tcm* converter : map->converters) {
    if (converter == nullptr || !converter->in(prop, tag, dpeId)) return false;
  }
  return true;
}
