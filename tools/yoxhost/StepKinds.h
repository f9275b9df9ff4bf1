// The one table of step kinds: for each, the key that names it in a scenario file (and
// its name in reports), the further keys such a step takes, what it is aimed at, how
// the scenario file reader decodes it and how the runner plays it.
#pragma once

#include <string>
#include <vector>

#include "Scenario.h"

namespace yoxhost {

// What reading one step needs (defined by ScenarioFile.cpp).
struct StepReading;
// What playing one step on one address needs (defined by ScenarioRunner.cpp).
struct StepPlaying;

enum class StepTargets {
  None,        // the step's value is its own (a duration, a time, keys, filters)
  OneAddress,  // the step's value names one address
  Addresses,   // one address, a list of them, or all (empty value or "all")
};

struct StepKindInfo {
  StepKind kind;
  const char* name;
  std::vector<std::string> keys;  // besides the kind's own key and "note"
  StepTargets targets;
  void (*read)(StepReading&);
  // Played once per address for steps with targets, else once.
  void (*play)(StepPlaying&);
};

// In the order the README lists them; Note first.
const std::vector<StepKindInfo>& stepKinds();
const StepKindInfo& stepKindInfo(StepKind kind);

// ---- the readers (ScenarioFile.cpp) ----
void readNothing(StepReading& in);
void readAdvance(StepReading& in);
void readClock(StepReading& in);
void readUpdate(StepReading& in);
void readWrite(StepReading& in);
void readWatchdog(StepReading& in);
void readHandleCall(StepReading& in);
void readConfigStep(StepReading& in);
void readFiltersStep(StepReading& in);

// ---- the players (ScenarioRunner.cpp) ----
void playNothing(StepPlaying& play);
void playUpdate(StepPlaying& play);
void playWrite(StepPlaying& play);
void playWatchdog(StepPlaying& play);
void playMonitorOn(StepPlaying& play);
void playMonitorOff(StepPlaying& play);
void playSyncGet(StepPlaying& play);
void playAsyncGet(StepPlaying& play);
void playConfig(StepPlaying& play);
void playFilters(StepPlaying& play);
void playReinit(StepPlaying& play);

}  // namespace yoxhost
