// Prints what ScenarioRunner reports: as text for a person following the scenario, or
// as one JSON object per step for programs.
#pragma once

#include <ostream>
#include <string>

#include "ScenarioRunner.h"

namespace yoxhost {

struct ReportOptions {
  // Log records of message type 1..verbosity are printed (0: none).
  int verbosity = 2;
  bool json = false;
  // Keep the plug-in's source line numbers in log records ("begin:56-..."); without
  // them ("begin:*-...") the output stays the same when the plug-in's code moves.
  bool sourceLines = true;
};

void printStep(std::ostream& out, const StepReport& step, const ReportOptions& options);

// "2023-11-14 22:13:20.000" (UTC) for milliseconds since the epoch.
std::string formatTime(long long millis);
// The elements of value as "[1, 2]", strings quoted; "(not initialised)" when it is not.
std::string formatValue(const VUQ_VARS& value);
// text with JSON string escapes, without the surrounding quotes.
std::string jsonEscape(const std::string& text);

}  // namespace yoxhost
