// Drives a mapper the way a host does for one peripheral address: the configured
// property with its mapping records, the host's own tag per record (named after the
// record's hardware tag), and one update cycle begin -> validate/in per record -> end.
// A ManException from begin is the host's rejection of the property: it is recorded
// and the cycle goes on, as the host keeps mapping (mappers freeze their tags).
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "host/StandInProp.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"

namespace yoxtest {

// The ManException text that f throws, or "" when it throws nothing.
template <class F>
std::string manMessage(F&& f) {
  try {
    f();
  } catch (const ManException& e) {
    return e.getMessage();
  }
  return "";
}

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

  struct Outcome {
    std::string rejection;  // begin's ManException text, "" when accepted
    std::vector<bool> ins;  // in's result per record, in mapping order
  };

  // One update cycle. ok[i] is the host's verdict on record i (true when missing).
  Outcome cycle(apm& mapper, const std::vector<bool>& ok = {}) {
    Outcome outcome;
    outcome.rejection = manMessage([&] { mapper.begin(&prop); });
    pmapper<imapHw2Vuq*>& records = prop.getMapping();
    for (size_t i = 0; i < records.size(); ++i) {
      mapper.validate(&prop, i < ok.size() ? ok[i] : true, records[i].second);
      outcome.ins.push_back(mapper.in(&prop, targets.at(records[i].first).get(), records[i].second));
    }
    mapper.end(&prop);
    return outcome;
  }

  yoxhost::StandInProp prop;
  std::map<std::string, std::unique_ptr<qivTag>> targets;
};

}  // namespace yoxtest
