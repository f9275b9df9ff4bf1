// Drives a mapper the way a host does for one peripheral address: the configured
// property with its mapping records, the host's own tag per record (named after the
// record's hardware tag up to ":"), and the host's update cycle on it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/StandInProp.h"
#include "host/UpdateCycle.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"
#include "support/PluginFixture.h"

namespace yoxtest {

class HostAddress {
 public:
  explicit HostAddress(const std::string& device = "dev", const std::string& property = "Acquisition",
                       boost::shared_ptr<Filters::Filter> filter = boost::shared_ptr<Filters::Filter>())
      : prop(device, property, filter) {}

  // Adds a record for dpe reading hardware tag hwTag (first qualifier qualifier when
  // not empty) and the host tag the mapper writes, holding initial when not empty.
  template <class T = int>
  imapHw2Vuq& map(const std::string& dpe, const std::string& hwTag, const std::string& qualifier = "",
                  const std::vector<T>& initial = {}) {
    imapHw2Vuq& record = prop.addMapping(dpe, "", hwTag.c_str());
    if (!qualifier.empty()) record.qualifiers.push_back(qualifier);
    targets[dpe].reset(new qivTag(hwTag.substr(0, hwTag.find(':'))));
    if (!initial.empty()) targets[dpe]->value.assignVector(initial);
    return record;
  }
  imapHw2Vuq& record(const std::string& dpe) {
    return *prop.getMapping().get(prop.getMapping().str_eq(dpe.c_str()));
  }
  qivTag& target(const std::string& dpe) { return *targets.at(dpe); }
  void removeTag(const std::string& name) {
    delete prop.tags.at(name);
    prop.tags.erase(name);
  }

  struct Outcome {
    std::string rejection;           // begin's ManException text, "" when accepted
    std::map<std::string, bool> in;  // in's result per dpe
  };

  // One update cycle as the host runs it; ok[i], when given, is the host's verdict on
  // record i.
  Outcome cycle(apm& mapper, const std::vector<bool>& ok = {}) {
    std::vector<qivTag*> inOrder;
    for (const auto& entry : prop.getMapping()) inOrder.push_back(targets.at(entry.first).get());
    const yoxhost::CycleOutcome run = yoxhost::runUpdateCycle(mapper, prop, inOrder, ok);
    Outcome outcome{run.rejection, {}};
    for (size_t i = 0; i < run.records.size(); ++i)
      outcome.in[prop.getMapping()[i].first] = run.records[i].in;
    return outcome;
  }

  yoxhost::StandInProp prop;
  std::map<std::string, std::unique_ptr<qivTag>> targets;
};

}  // namespace yoxtest
