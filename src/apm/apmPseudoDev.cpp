#include "apm/apmPseudoDev.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "apm/detail/MapperSupport.h"
#include "data/Data.h"
#include "hostapi/HostInterface.h"
#include "registry/Registry.h"

apmPseudoDev::apmPseudoDev() : templateProp(nullptr), deviceValid(false) {}

apmPseudoDev::~apmPseudoDev() { delete templateProp; }

apm* apmPseudoDev::dup() {
  apmPseudoDev* copy = new apmPseudoDev();
  copy->index = index;
  return copy;
}

void apmPseudoDev::initialise(iqivProp* prop) {
  iqivProp* pattern = prop->dup();
  delete templateProp;
  templateProp = pattern;
}

bool apmPseudoDev::validate(const iqivProp*, bool, const imapHw2Vuq*) { return false; }

bool apmPseudoDev::in(iqivProp*, qivTag* tag, const imapHw2Vuq*) {
  try {
    tag->value.setAt<bool>(0, deviceValid);
  } catch (const std::out_of_range&) {
    throw ManException("pseudo device tag [" + tag->name +
                       "] holds no initialised value, cannot store its validity");
  }
  return true;
}

yox::auto_ptr<yox::data::Data> apmPseudoDev::syncGet(qivHandler& handler, const imapHw2Vuq*) {
  if (templateProp == nullptr) {
    throw ManException("pseudo device [" + handler.getDevice() + "] property [" + handler.getProperty() +
                       "] was never initialised, nothing to deliver");
  }
  mappers::deliverContents<bool>(*templateProp);
  return yox::auto_ptr<yox::data::Data>();
}

void apmPseudoDev::asyncGet(qivHandler& handler, const imapHw2Vuq* map) { syncGet(handler, map); }
