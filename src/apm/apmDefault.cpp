#include "apm/apmDefault.h"

#include <memory>
#include <string>
#include <vector>

#include "apm/apmPseudoDev.h"
#include "apm/detail/MapperSupport.h"
#include "base/LogIt.h"
#include "data/Data.h"
#include "hostapi/HostInterface.h"
#include "hostapi/tcm.h"
#include "registry/Registry.h"

namespace {

// A watching pseudo device is one on the same device and property whose filter is
// either absent or has the same text as prop's.
bool watches(const apmPseudoDev& pseudo, const iqivProp& prop) {
  const iqivProp* pattern = pseudo.templateProp;
  if (pattern == nullptr) return false;  // never initialised: it watches nothing
  if (pattern->getDevice() != prop.getDevice() || pattern->getProperty() != prop.getProperty()) return false;
  const boost::shared_ptr<Filters::Filter> wanted = pattern->getFilter();
  if (!wanted) return true;
  const boost::shared_ptr<Filters::Filter> actual = prop.getFilter();
  return actual && actual->getFilterString() == wanted->getFilterString();
}

std::string filterText(const iqivProp& prop) {
  const boost::shared_ptr<Filters::Filter> filter = prop.getFilter();
  return filter ? filter->getFilterString() : std::string("NONE");
}

}  // namespace

apmDefault::apmDefault() : firstCycle(true), propertyValid(false), pseudoDevs(nullptr) {}

apmDefault::~apmDefault() { delete pseudoDevs; }

apm* apmDefault::dup() {
  apmDefault* copy = new apmDefault();
  copy->index = index;
  return copy;
}

void apmDefault::begin(const iqivProp* prop) {
  if (pseudoDevs != nullptr) {
    propertyValid = true;
    return;
  }
  YOX_LOG(kLogProgress, 1) << "initializing pseudo devices for device [" << prop->getDevice()
                           << "] property [" << prop->getProperty() << "] filter [" << filterText(*prop)
                           << "]...";
  std::unique_ptr<pvector<apmPseudoDev*>> watching(new pvector<apmPseudoDev*>(false));
  // The host hands over the list, never the mappers in it.
  std::unique_ptr<pvector<apm*>> instances(iDriver->getMappers(qivlib_apmInfo("pseudo.dev")));
  const size_t total = instances ? instances->size() : 0;
  YOX_LOG(kLogProgress, 1) << "scanning all 'pseudo.dev' peripheral address apms for match, total count ["
                           << total << "]";
  if (instances) {
    for (apm* instance : *instances) {
      // Instances of the pseudo-device entry are pseudo-device mappers unless another
      // library registered something else under that name; skip those.
      apmPseudoDev* pseudo = dynamic_cast<apmPseudoDev*>(instance);
      if (pseudo != nullptr && watches(*pseudo, *prop)) watching->push_back(pseudo);
    }
  }
  YOX_LOG(kLogProgress, 1) << "scanned all 'pseudo.dev' peripheral address apms, matched ["
                           << watching->size() << "]";
  pseudoDevs = watching.release();
  propertyValid = true;
}

void apmDefault::end(const iqivProp*) {
  if (pseudoDevs == nullptr) {  // no begin yet: nobody to tell, but the first cycle is over
    firstCycle = false;
    return;
  }
  for (apmPseudoDev* pseudo : *pseudoDevs) {
    if (pseudo->deviceValid == propertyValid && !firstCycle) continue;
    pseudo->deviceValid = propertyValid;
    mappers::deliverContents<bool>(*pseudo->templateProp);
  }
  firstCycle = false;
}

bool apmDefault::validate(const iqivProp*, bool ok, const imapHw2Vuq*) {
  propertyValid = propertyValid && ok;
  return true;
}

bool apmDefault::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  tag->valid = time_in(prop, tag, map);
  return true;
}

bool apmDefault::out(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  bool any = false;
  if (map != nullptr) {
    for (const tcm* converter : map->converters) {
      if (converter == nullptr) continue;
      converter->out(prop, tag);
      any = true;
    }
  }
  tag->valid = any;
  return true;
}

void apmDefault::monitorOn(qivHandler& handler, const imapHw2Vuq*) { handler.qivMonitorOn(); }

void apmDefault::monitorOff(qivHandler& handler) { handler.qivMonitorOff(); }

yox::auto_ptr<yox::data::Data> apmDefault::syncGet(qivHandler& handler, const imapHw2Vuq*) {
  return handler.qivGetSync();
}

void apmDefault::asyncGet(qivHandler& handler, const imapHw2Vuq*) { handler.qivGetAsync(); }
