#include "host/StandInProp.h"

namespace yoxhost {

StandInProp::StandInProp(std::string device, std::string property, boost::shared_ptr<Filters::Filter> filter)
    : device_(std::move(device)),
      property_(std::move(property)),
      filter_(std::move(filter)),
      mapping_(std::make_shared<MappingTable>(true)) {}

StandInProp::StandInProp(const StandInProp& other, bool)
    : iqivProp(), device_(other.device_), property_(other.property_), filter_(other.filter_),
      mapping_(other.mapping_) {}

iqivProp* StandInProp::dup() const { return new StandInProp(*this, true); }

imapHw2Vuq& StandInProp::addMapping(const std::string& dpeId, const std::string& peripheralAddress,
                                    const char* hardwareTag) {
  auto* record = new imapHw2Vuq();
  record->setDpeId(dpeId.c_str());
  record->peripheralAddress = peripheralAddress;
  record->setHardwareTag(hardwareTag);
  mapping_->add(dpeId.c_str(), record);
  return *record;
}

qivTag* StandInProp::setTag(const std::string& name, const VUQ_VARS& value) {
  auto* t = new qivTag(name);
  t->value = value;
  add(t);
  return t;
}

qivTag* StandInProp::tag(const std::string& name) const {
  auto it = tags.find(name);
  return it == tags.end() ? nullptr : it->second;
}

}  // namespace yoxhost
