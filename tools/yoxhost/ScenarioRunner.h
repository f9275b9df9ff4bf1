// Plays a Scenario against the plug-in the way a host driver does, and reports what
// happened at each step: the tags of every update cycle, rejections, properties the
// plug-in delivered (run through their pseudo address's mapper, as a host does),
// invalid deliveries, watchdog answers, device-handle calls and the log records.
//
// The runner owns the stand-in driver, the addresses' properties, mapping records,
// target tags and device handles. It uses the process-wide HostEnvironment (clock,
// masks, log records), so one runner plays at a time.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Scenario.h"
#include "host/HostEnvironment.h"
#include "host/PluginApi.h"
#include "values/VUQ_VARS.h"

class apm;
class iqivProp;

namespace yoxhost {

// A host tag as it stands after a cycle.
struct TagReport {
  std::string dpeId;
  std::string name;
  std::vector<std::string> qualifiers;
  VUQ_VARS value;
  bool valid = false;
  long long seconds = 0;
  long long millis = 0;
  bool noData = false;
  bool inResult = true;   // what the mapper's in answered
  std::string rejection;  // ManException text from validate or in, if any
  bool changed = false;   // value, validity, time stamp or noData changed in this cycle
};

// One begin / validate+in per record / end cycle of an address.
struct CycleReport {
  std::string address;
  std::string mapper;
  bool rejected = false;
  std::string rejection;  // begin's ManException text
  std::vector<TagReport> tags;
  std::string endRejection;  // end's ManException text, if any
};

// A property the plug-in handed to the host with deliver.
struct DeliveryReport {
  std::string device;
  std::string property;
  std::vector<std::string> tagNames;
  bool matched = false;  // it belongs to one of the scenario's addresses
  CycleReport cycle;     // that address's cycle on it, when matched
};

// A property the plug-in handed to the host with deliverInvalid.
struct InvalidReport {
  std::string device;
  std::string property;
  std::string address;  // empty when it matches no address
};

// One watchdog poll: "false", "true", or fired with the exception text.
struct WatchdogAnswer {
  bool fired = false;
  bool result = false;
  std::string text;
};

struct WatchdogReport {
  std::string address;
  bool pollsWatchdog = true;
  bool pollsPermanent = true;
  WatchdogAnswer watchdog;
  WatchdogAnswer permanent;
};

// One record's host tag after the mapper's out.
struct WrittenTag {
  std::string dpeId;
  std::string name;
  VUQ_VARS value;
  bool valid = false;
  bool outResult = true;  // what out answered
  std::string rejection;  // out's ManException text, if any
};

// A write: what out made of each offered tag, and the outgoing property.
struct WriteReport {
  std::string device;
  std::string property;
  std::vector<WrittenTag> tags;
  std::string sent;  // the outgoing property as the device receives it, as CSV
};

struct AddressSetup {
  std::string address;
  std::string device;
  std::string property;
  std::string mapper;
  int index = -1;  // registry index of the mapper
  bool initialiseRejected = false;
  std::string rejection;  // initialise's ManException text
};

struct StepReport {
  size_t number = 0;  // 0 for the set-up, then 1, 2, ...
  int line = 0;
  std::string action;
  std::string note;
  long long clock = 0;  // host clock while the step ran
  std::vector<std::string> addresses;
  std::string source;  // update: where the property came from

  std::vector<AddressSetup> setup;  // set-up only
  bool hasCycle = false;
  CycleReport cycle;                      // update
  std::vector<WatchdogReport> watchdogs;  // watchdog
  std::vector<std::string> handleCalls;   // monitorOn/Off, syncGet, asyncGet
  bool callRejected = false;
  std::string callRejection;  // the mapper call's ManException text
  bool hasReadResult = false;
  std::string readResult;  // syncGet: the container it returned, as CSV
  bool hasWrite = false;
  WriteReport write;
  bool hasSubscription = false;
  std::string subscription;          // monitorOn: the filter's container, as CSV
  std::vector<std::string> changes;  // config, filters: what the host changed
  std::vector<DeliveryReport> delivered;
  std::vector<InvalidReport> invalid;
  int supervisionNotified = 0;
  int supervisionInitialised = 0;
  std::vector<LogRecord> log;
  std::vector<std::string> errors;  // the plug-in failed in a way no host expects
};

class ScenarioRunner {
 public:
  // api: the plug-in's entry points, not yet initialised. scenario must outlive the
  // runner.
  ScenarioRunner(const PluginApi& api, const Scenario& scenario);
  ~ScenarioRunner();
  ScenarioRunner(const ScenarioRunner&) = delete;
  ScenarioRunner& operator=(const ScenarioRunner&) = delete;

  // Sets the clock, configures the driver and its filters, calls qivlib_Init and
  // creates every address's mapper. Call once, before runStep.
  StepReport setUp();
  // Plays step index (0-based) of the scenario; report number index + 1.
  StepReport runStep(size_t index);

 private:
  friend struct StepPlaying;
  struct LiveAddress;

  void configure(StepReport& report);
  void setUpAddress(const ScenarioAddress& config, StepReport& report);
  void attachRecords(LiveAddress& live, StepReport& report);
  CycleReport cycle(LiveAddress& address, iqivProp& prop, StepReport& report);
  void collectHandedOver(StepReport& report);
  LiveAddress* addressOf(const iqivProp& prop);
  void finish(StepReport& report);

  const PluginApi api_;
  const Scenario& scenario_;
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace yoxhost
