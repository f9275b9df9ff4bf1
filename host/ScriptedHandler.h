// A device handle whose answers the test or scenario scripts: a container (or a
// failure) per property name for synchronous reads, and counters for the rest.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/Data.h"
#include "hostapi/HostInterface.h"

namespace yoxhost {

class ScriptedHandler : public qivHandler {
 public:
  ScriptedHandler(std::string device, std::string property);

  void qivMonitorOn() override { ++monitorOnCount; }
  void qivMonitorOff() override { ++monitorOffCount; }
  void qivGetAsync() override { ++getAsyncCount; }
  // A clone of the container scripted for the current property; throws qivHandlerEx
  // when a failure is scripted or nothing is.
  yox::auto_ptr<yox::data::Data> qivGetSync() override;
  void qivSetProperty(const std::string& property) override;
  std::string getDevice() const override { return device_; }
  std::string getProperty() const override { return property_; }

  void answer(const std::string& property, const yox::data::Data& data);
  void fail(const std::string& property, const std::string& message);

  int monitorOnCount = 0;
  int monitorOffCount = 0;
  int getAsyncCount = 0;
  int getSyncCount = 0;
  std::vector<std::string> propertyHistory;  // every qivSetProperty argument

 private:
  std::string device_;
  std::string property_;
  std::map<std::string, std::shared_ptr<yox::data::Data>> answers_;
  std::map<std::string, std::string> failures_;
};

}  // namespace yoxhost
