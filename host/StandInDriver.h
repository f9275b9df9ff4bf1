// The stand-in host driver: configuration keys, the filter registry, the mapper
// instances it created per registry index, and everything the plug-in handed back
// (delivered and invalid properties, supervision calls), kept in order for
// inspection by tests and the demo.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/PluginApi.h"
#include "hostapi/HostInterface.h"

namespace yoxhost {

class StandInDriver : public iqivDriver {
 public:
  // plugin: the entry points the driver uses to create mappers and converters.
  explicit StandInDriver(const PluginApi& plugin);
  ~StandInDriver() override;

  const char* getConfig(const char* key) override;
  pvector<apm*>* getMappers(int index) override;
  boost::shared_ptr<Filters>& getFilters() override { return filters_; }
  void deliver(iqivProp* prop) override;
  void deliverInvalid(iqivProp* prop) override;
  void notifySupervision(iqivProp* prop) override;
  void initSupervision(iqivProp* prop) override;

  // Host-side set-up.
  void setConfig(const std::string& key, const std::string& value) { config_[key] = value; }
  void unsetConfig(const std::string& key) { config_.erase(key); }
  // Creates the filter registry on first use.
  Filters& filters();
  const PluginApi& plugin() const { return plugin_; }

  // Clones the mapper registered as name (qivlib_apmInfo + qivlib_apmCreate) for prop;
  // the driver owns the mapper. ManException from initialise passes through (the
  // mapper is kept, as a host would).
  apm* createMapper(const std::string& name, iqivProp* prop);
  // Attaches a new converter of kind converterName reading field to a mapping record.
  tcm* attachConverter(imapHw2Vuq& record, const std::string& converterName, const char* field);

  // What the plug-in handed over, in order.
  const std::vector<std::unique_ptr<iqivProp>>& delivered() const { return delivered_; }
  const std::vector<std::unique_ptr<iqivProp>>& invalid() const { return invalid_; }
  int supervisionNotifications() const { return notified_; }
  int supervisionInitialisations() const { return initialised_; }
  void clearReceived();

 private:
  PluginApi plugin_;
  std::map<std::string, std::string> config_;
  boost::shared_ptr<Filters> filters_;
  std::vector<std::unique_ptr<apm>> mappers_;
  std::vector<std::unique_ptr<iqivProp>> delivered_;
  std::vector<std::unique_ptr<iqivProp>> invalid_;
  int notified_ = 0;
  int initialised_ = 0;
};

}  // namespace yoxhost
