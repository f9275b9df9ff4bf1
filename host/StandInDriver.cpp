#include "host/StandInDriver.h"

#include <stdexcept>

#include "hostapi/apm.h"
#include "hostapi/tcm.h"

namespace yoxhost {

StandInDriver::StandInDriver(const PluginApi& plugin) : plugin_(plugin) {}

// Mappers go first: they may still refer to properties and filters the driver holds.
StandInDriver::~StandInDriver() { mappers_.clear(); }

const char* StandInDriver::getConfig(const char* key) {
  if (key == nullptr) return nullptr;
  auto it = config_.find(key);
  return it == config_.end() ? nullptr : it->second.c_str();
}

pvector<apm*>* StandInDriver::getMappers(int index) {
  auto* list = new pvector<apm*>(false);
  for (const auto& mapper : mappers_) {
    if (mapper->index == index) list->push_back(mapper.get());
  }
  return list;
}

void StandInDriver::deliver(iqivProp* prop) { delivered_.emplace_back(prop); }

void StandInDriver::deliverInvalid(iqivProp* prop) { invalid_.emplace_back(prop); }

void StandInDriver::notifySupervision(iqivProp*) { ++notified_; }

void StandInDriver::initSupervision(iqivProp*) { ++initialised_; }

Filters& StandInDriver::filters() {
  if (!filters_) filters_.reset(new Filters());
  return *filters_;
}

apm* StandInDriver::createMapper(const std::string& name, iqivProp* prop) {
  const int index = plugin_.apmIndex(name.c_str());
  if (index < 0) throw std::invalid_argument("no mapper registered as '" + name + "'");
  apm* mapper = nullptr;
  try {
    plugin_.apmCreate(mapper, index, prop);
  } catch (...) {
    if (mapper != nullptr) mappers_.emplace_back(mapper);
    throw;
  }
  mappers_.emplace_back(mapper);
  return mapper;
}

tcm* StandInDriver::attachConverter(imapHw2Vuq& record, const std::string& converterName, const char* field) {
  const int index = plugin_.tcmIndex(converterName.c_str());
  if (index < 0) throw std::invalid_argument("no converter registered as '" + converterName + "'");
  tcm* converter = plugin_.tcmCreate(index, field);
  record.converters.push_back(converter);
  return converter;
}

void StandInDriver::clearReceived() {
  delivered_.clear();
  invalid_.clear();
  notified_ = 0;
  initialised_ = 0;
}

}  // namespace yoxhost
