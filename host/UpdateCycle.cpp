#include "host/UpdateCycle.h"

#include "hostapi/apm.h"

namespace yoxhost {

namespace {

bool carriesInitialisedTag(const iqivProp& prop, const std::string& name) {
  const auto source = prop.tags.find(name);
  return source != prop.tags.end() && source->second != nullptr && source->second->value.isInitialised();
}

// A ManException becomes the call's rejection text; anything else is an error.
std::string rejectionOf(const CallOutcome& call, const std::string& what, CycleOutcome& cycle) {
  if (call.ok) return "";
  if (call.man) return call.text;
  cycle.errors.push_back(what + " threw " + call.text);
  return "";
}

}  // namespace

CycleOutcome runUpdateCycle(apm& mapper, iqivProp& prop, const std::vector<qivTag*>& targets,
                            const std::vector<bool>& verdicts, const std::string& address) {
  const std::string prefix = address.empty() ? "" : address + ": ";
  CycleOutcome cycle;
  cycle.rejection = rejectionOf(guardCall([&] { mapper.begin(&prop); }), prefix + "begin", cycle);
  cycle.rejected = !cycle.rejection.empty();

  pmapper<imapHw2Vuq*>& mapping = prop.getMapping();
  for (size_t i = 0; i < targets.size() && i < mapping.size(); ++i) {
    const imapHw2Vuq* map = mapping[i].second;
    qivTag* target = targets[i];
    const bool ok = i < verdicts.size() ? verdicts[i] : carriesInitialisedTag(prop, target->name);
    RecordOutcome record;
    const std::string dpe = mapping[i].first;
    const std::string refused =
        rejectionOf(guardCall([&] { mapper.validate(&prop, ok, map); }), dpe + ": validate", cycle);
    if (!refused.empty()) record.rejection = "validate: " + refused;
    target->noData = false;
    const std::string failed =
        rejectionOf(guardCall([&] { record.in = mapper.in(&prop, target, map); }), dpe + ": in", cycle);
    if (!failed.empty()) record.rejection += (record.rejection.empty() ? "" : "; ") + failed;
    cycle.records.push_back(record);
  }
  cycle.endRejection = rejectionOf(guardCall([&] { mapper.end(&prop); }), prefix + "end", cycle);
  return cycle;
}

}  // namespace yoxhost
