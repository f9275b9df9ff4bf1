// A scenario for the stand-in host, already checked and decoded: the driver's
// configuration, the filter registry, the peripheral addresses with their mapping
// records, and a timeline of steps. The scenario file reader (ScenarioFile) builds it;
// ScenarioRunner plays it against a loaded plug-in. Line numbers point back into the
// file for reports.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "values/VUQ_VARS.h"

namespace yox {
namespace data {
class Data;
}
}  // namespace yox

namespace yoxhost {

// One mapping record of an address: the data-point element it feeds and the host tag
// the mapper writes (named after the property field it reads).
struct ScenarioRecord {
  int line = 0;
  std::string dpeId;
  std::string tag;
  VUQ_DATA_TYPE type = QIV_UNK;  // element type of the host tag
  std::string peripheralAddress;
  std::string hardwareTag;
  std::vector<std::string> qualifiers;
  std::vector<std::pair<std::string, std::string>> converters;  // (converter name, time-stamp field)
};

// What a device handle answers to synchronous reads, by property name. Answers and
// failures stay scripted until replaced.
struct HandleScript {
  std::map<std::string, std::shared_ptr<const yox::data::Data>> answers;
  std::map<std::string, std::string> failures;
};

struct ScenarioAddress {
  int line = 0;
  std::string name;  // how steps refer to it
  std::string device;
  std::string property;
  std::string mapper;
  bool hasFilter = false;
  std::string filter;  // a registered filter's name or an inline filter text
  std::vector<ScenarioRecord> records;
  HandleScript handle;
};

// What a step does; StepKinds.h tells, per kind, its name, keys, reading and playing.
enum class StepKind {
  Note,
  Advance,
  SetClock,
  Update,
  Write,
  Watchdog,
  MonitorOn,
  MonitorOff,
  SyncGet,
  AsyncGet,
  Config,
  Filters,
  Reinit
};

// Which of a mapper's watchdogs a watchdog step polls.
enum class WatchdogPoll { Both, Watchdog, Permanent };

struct ScenarioStep {
  int line = 0;
  StepKind kind = StepKind::Note;
  std::string note;
  std::vector<size_t> addresses;  // indexes into Scenario::addresses
  long long millis = 0;           // Advance: by how much; SetClock: the new time
  // Update: the received property and where it came from ("inline CSV", a file name).
  std::shared_ptr<const yox::data::Data> data;
  std::string source;
  bool stopFlag = false;  // Update: the host sets the property's stopFlag
  HandleScript handle;    // scripted on the address's handle before the call
  WatchdogPoll poll = WatchdogPoll::Both;
  // Config: keys set from here on, and keys removed (an empty value in the file).
  std::vector<std::pair<std::string, std::string>> config;
  std::vector<std::string> unset;
  std::vector<std::pair<int, std::string>> filters;  // Filters: (line, filter text) added or replaced
};

struct Scenario {
  std::string file;
  std::string title;
  long long start = 0;  // host clock at the start, ms since the epoch
  std::vector<std::pair<std::string, std::string>> config;
  std::vector<std::pair<int, std::string>> filters;  // (line, filter text)
  std::vector<ScenarioAddress> addresses;
  std::vector<ScenarioStep> steps;
};

}  // namespace yoxhost
