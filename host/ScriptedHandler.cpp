#include "host/ScriptedHandler.h"

namespace yoxhost {

ScriptedHandler::ScriptedHandler(std::string device, std::string property)
    : device_(std::move(device)), property_(std::move(property)) {}

yox::auto_ptr<yox::data::Data> ScriptedHandler::qivGetSync() {
  ++getSyncCount;
  auto failure = failures_.find(property_);
  if (failure != failures_.end()) throw qivHandlerEx(failure->second.c_str());
  auto it = answers_.find(property_);
  if (it == answers_.end()) {
    throw qivHandlerEx(("no value for device [" + device_ + "] property [" + property_ + "]").c_str());
  }
  return it->second->clone();
}

void ScriptedHandler::qivSetProperty(const std::string& property) {
  propertyHistory.push_back(property);
  property_ = property;
}

void ScriptedHandler::answer(const std::string& property, const yox::data::Data& data) {
  failures_.erase(property);
  answers_[property] = std::shared_ptr<yox::data::Data>(data.clone().release());
}

void ScriptedHandler::fail(const std::string& property, const std::string& message) {
  answers_.erase(property);
  failures_[property] = message;
}

}  // namespace yoxhost
