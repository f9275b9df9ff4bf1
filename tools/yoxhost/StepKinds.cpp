#include "StepKinds.h"

#include <stdexcept>

namespace yoxhost {

const std::vector<StepKindInfo>& stepKinds() {
  using T = StepTargets;
  static const std::vector<StepKindInfo> kinds = {
      {StepKind::Note, "note", {}, T::None, readNothing, playNothing},
      {StepKind::Advance, "advance", {}, T::None, readAdvance, playNothing},
      {StepKind::SetClock, "clock", {}, T::None, readClock, playNothing},
      {StepKind::Update,
       "update",
       {"csv", "file", "format", "separator", "stop"},
       T::OneAddress,
       readUpdate,
       playUpdate},
      {StepKind::Write, "write", {"csv"}, T::OneAddress, readWrite, playWrite},
      {StepKind::Watchdog, "watchdog", {"poll"}, T::Addresses, readWatchdog, playWatchdog},
      {StepKind::MonitorOn, "monitorOn", {"handle"}, T::OneAddress, readHandleCall, playMonitorOn},
      {StepKind::MonitorOff, "monitorOff", {"handle"}, T::OneAddress, readHandleCall, playMonitorOff},
      {StepKind::SyncGet, "syncGet", {"handle"}, T::OneAddress, readHandleCall, playSyncGet},
      {StepKind::AsyncGet, "asyncGet", {"handle"}, T::OneAddress, readHandleCall, playAsyncGet},
      {StepKind::Config, "config", {}, T::None, readConfigStep, playConfig},
      {StepKind::Filters, "filters", {}, T::None, readFiltersStep, playFilters},
      {StepKind::Reinit, "reinit", {}, T::OneAddress, readNothing, playReinit},
  };
  return kinds;
}

const StepKindInfo& stepKindInfo(StepKind kind) {
  for (const StepKindInfo& info : stepKinds()) {
    if (info.kind == kind) return info;
  }
  throw std::logic_error("a step kind without an entry in the table");
}

}  // namespace yoxhost
