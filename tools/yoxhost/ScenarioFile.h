// Reads a scenario file (YAML) into a checked, decoded Scenario. Every problem is
// reported as one ScenarioError whose text is "FILE:LINE: problem" (or "FILE: problem"
// when no line applies), so that an editor can jump to it.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "Scenario.h"
#include "host/PluginApi.h"

namespace yoxhost {

class ScenarioError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The host clock a scenario starts at unless it says otherwise: 2023-11-14 22:13:20 UTC.
constexpr long long kDefaultScenarioStart = 1700000000000LL;

// Reads and checks path. Mapper and converter names are checked against api's
// registries (api must be initialised). Message files are read relative to the
// scenario's folder. Throws ScenarioError.
Scenario readScenario(const std::string& path, const PluginApi& api);

// The names of a registry, in index order (api.apmName or api.tcmName).
std::vector<std::string> registeredNames(const char* (*nameOf)(int));

}  // namespace yoxhost
