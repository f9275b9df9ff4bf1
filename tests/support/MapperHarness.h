// Drives a mapper the way a host does for one peripheral address: the configured
// property with its mapping records, the host's own tag per record (named after the
// record's hardware tag), and the host's update cycle on it.
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

  // Adds a mapping record for dpe reading hardware tag hwTag (first qualifier
  // qualifier when not empty) and the host tag that the mapper writes.
  imapHw2Vuq& map(const std::string& dpe, const std::string& hwTag, const std::string& qualifier = "") {
    imapHw2Vuq& record = prop.addMapping(dpe, "", hwTag.c_str());
    if (!qualifier.empty()) record.qualifiers.push_back(qualifier);
    targets[dpe].reset(new qivTag(hwTag));
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
    std::string rejection;  // begin's ManException text, "" when accepted
    std::vector<bool> ins;  // in's result per record, in mapping order
  };

  // One update cycle as the host runs it; ok[i], when given, is the host's verdict on
  // record i.
  Outcome cycle(apm& mapper, const std::vector<bool>& ok = {}) {
    std::vector<qivTag*> inOrder;
    for (const auto& entry : prop.getMapping()) inOrder.push_back(targets.at(entry.first).get());
    const yoxhost::CycleOutcome run = yoxhost::runUpdateCycle(mapper, prop, inOrder, ok);
    Outcome outcome;
    outcome.rejection = run.rejection;
    for (const auto& record : run.records) outcome.ins.push_back(record.in);
    return outcome;
  }

  yoxhost::StandInProp prop;
  std::map<std::string, std::unique_ptr<qivTag>> targets;
};

}  // namespace yoxtest
