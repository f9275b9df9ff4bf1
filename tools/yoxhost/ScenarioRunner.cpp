#include "ScenarioRunner.h"

#include <exception>
#include <memory>
#include <string>

#include "StepKinds.h"
#include "hostapi/apm.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "filters/Filters.h"
#include "host/DataToProp.h"
#include "host/ScriptedHandler.h"
#include "host/StandInDriver.h"
#include "host/StandInProp.h"
#include "host/UpdateCycle.h"
#include "hostapi/HostInterface.h"

namespace yoxhost {

namespace {

// An empty, initialised value of a tag's element type.
VUQ_VARS emptyValue(VUQ_DATA_TYPE type) {
  VUQ_VARS value;
  switch (type) {
    case QIV_LONGLONG:
      value.assignVector(std::vector<long>());
      break;
    case QIV_INT:
      value.assignVector(std::vector<int>());
      break;
    case QIV_SHORT:
      value.assignVector(std::vector<short>());
      break;
    case QIV_DOUBLE:
      value.assignVector(std::vector<double>());
      break;
    case QIV_FLOAT:
      value.assignVector(std::vector<float>());
      break;
    case QIV_BOOL:
      value.assignVector(std::vector<bool>());
      break;
    case QIV_STRING:
      value.assignVector(std::vector<std::string>());
      break;
    case QIV_BYTE:
      value.assignVector(std::vector<char>());
      break;
    case QIV_UNK:
      break;
  }
  return value;
}

// A device handle that also writes down, in order, every call the plug-in makes on it.
class RecordingHandler : public ScriptedHandler {
 public:
  using ScriptedHandler::ScriptedHandler;

  void qivMonitorOn() override {
    calls.push_back("qivMonitorOn");
    ScriptedHandler::qivMonitorOn();
  }
  void qivMonitorOff() override {
    calls.push_back("qivMonitorOff");
    ScriptedHandler::qivMonitorOff();
  }
  void qivGetAsync() override {
    calls.push_back("qivGetAsync");
    ScriptedHandler::qivGetAsync();
  }
  yox::auto_ptr<yox::data::Data> qivGetSync() override {
    const std::string property = getProperty();
    try {
      yox::auto_ptr<yox::data::Data> data = ScriptedHandler::qivGetSync();
      calls.push_back("qivGetSync " + property + ": answered");
      return data;
    } catch (const qivHandlerEx& e) {
      calls.push_back("qivGetSync " + property + ": failed with '" + e.getMessage() + "'");
      throw;
    }
  }
  void qivSetProperty(const std::string& property) override {
    calls.push_back("qivSetProperty " + property);
    ScriptedHandler::qivSetProperty(property);
  }

  void script(const HandleScript& handle) {
    for (const auto& answer : handle.answers) this->answer(answer.first, *answer.second);
    for (const auto& failure : handle.failures) fail(failure.first, failure.second);
  }

  std::vector<std::string> calls;
};

TagReport snapshot(const ScenarioRecord& record, const qivTag& tag) {
  TagReport report;
  report.dpeId = record.dpeId;
  report.name = tag.name;
  report.qualifiers = record.qualifiers;
  report.value = tag.value;
  report.valid = tag.valid;
  report.seconds = tag.seconds;
  report.millis = tag.millis;
  report.noData = tag.noData;
  return report;
}

bool sameState(const TagReport& a, const TagReport& b) {
  return a.value.initialised == b.value.initialised && a.value.variant == b.value.variant &&
         a.valid == b.valid && a.seconds == b.seconds && a.millis == b.millis && a.noData == b.noData;
}

size_t mappersMade(StandInDriver& driver, int index) {
  if (index < 0) return 0;
  std::unique_ptr<pvector<apm*>> made(driver.getMappers(index));
  return made->size();
}

// The bound on deliveries handled in one step: a mapper that keeps delivering in
// answer to its own deliveries must not hang the host.
constexpr size_t kMaxDeliveriesPerStep = 1000;

}  // namespace

struct ScenarioRunner::LiveAddress {
  const ScenarioAddress* config = nullptr;
  std::unique_ptr<StandInProp> prop;
  apm* mapper = nullptr;                         // the driver's
  std::vector<std::unique_ptr<qivTag>> targets;  // one per record, in mapping order
  std::unique_ptr<RecordingHandler> handler;
};

struct ScenarioRunner::State {
  explicit State(const PluginApi& api) : driver(api) {}
  // Declared before the driver so that they outlive it: the mappers the driver
  // deletes free what they hung on the addresses' mapping records.
  std::vector<std::unique_ptr<LiveAddress>> addresses;
  StandInDriver driver;
  size_t deliveredSeen = 0;
  size_t invalidSeen = 0;
  int notifiedSeen = 0;
  int initialisedSeen = 0;
};

ScenarioRunner::ScenarioRunner(const PluginApi& api, const Scenario& scenario)
    : api_(api), scenario_(scenario), state_(new State(api)) {}

ScenarioRunner::~ScenarioRunner() = default;

StepReport ScenarioRunner::setUp() {
  HostEnvironment& env = HostEnvironment::instance();
  env.setNow(scenario_.start);
  env.clearRecords();

  StepReport report;
  report.number = 0;
  report.action = "setup";
  report.note = scenario_.title;
  report.clock = env.now();
  configure(report);
  for (const ScenarioAddress& config : scenario_.addresses) setUpAddress(config, report);
  finish(report);
  return report;
}

void ScenarioRunner::configure(StepReport& report) {
  StandInDriver& driver = state_->driver;
  for (const auto& entry : scenario_.config) driver.setConfig(entry.first, entry.second);
  // A host always has a filter registry; with it the plug-in initialises every mapper.
  Filters& filters = driver.filters();
  for (const auto& filter : scenario_.filters) {
    CallOutcome g = guardCall([&] { filters.setFilter(filter.second); });
    if (!g.ok) report.errors.push_back("filter '" + filter.second + "': " + g.text);
  }
  api_.init(&driver);
}

void ScenarioRunner::attachRecords(LiveAddress& live, StepReport& report) {
  const ScenarioAddress& config = *live.config;
  for (const ScenarioRecord& record : config.records) {
    imapHw2Vuq& map =
        live.prop->addMapping(record.dpeId, record.peripheralAddress, record.hardwareTag.c_str());
    for (const std::string& qualifier : record.qualifiers) map.qualifiers.push_back(qualifier);
    for (const auto& converter : record.converters) {
      CallOutcome g =
          guardCall([&] { state_->driver.attachConverter(map, converter.first, converter.second.c_str()); });
      if (!g.ok) report.errors.push_back("address " + config.name + ": converter: " + g.text);
    }
    live.targets.emplace_back(new qivTag(record.tag));
    live.targets.back()->value = emptyValue(record.type);
  }
}

void ScenarioRunner::setUpAddress(const ScenarioAddress& config, StepReport& report) {
  StandInDriver& driver = state_->driver;
  auto live = std::make_unique<LiveAddress>();
  live->config = &config;
  boost::shared_ptr<Filters::Filter> filter;
  if (config.hasFilter) {
    filter = driver.filters().getFilter(config.filter);
    if (!filter) {
      CallOutcome g = guardCall([&] { filter.reset(new Filters::Filter(config.filter)); });
      if (!g.ok) report.errors.push_back("address " + config.name + ": filter: " + g.text);
    }
  }
  live->prop = std::make_unique<StandInProp>(config.device, config.property, filter);
  attachRecords(*live, report);
  live->handler = std::make_unique<RecordingHandler>(config.device, config.property);
  live->handler->script(config.handle);

  AddressSetup setup;
  setup.address = config.name;
  setup.device = config.device;
  setup.property = config.property;
  setup.mapper = config.mapper;
  setup.index = api_.apmIndex(config.mapper.c_str());
  const size_t madeBefore = mappersMade(driver, setup.index);
  CallOutcome g = guardCall([&] { live->mapper = driver.createMapper(config.mapper, live->prop.get()); });
  if (!g.ok) {
    setup.initialiseRejected = g.man;
    if (g.man) setup.rejection = g.text;
    if (!g.man)
      report.errors.push_back("address " + config.name + ": creating mapper '" + config.mapper +
                              "': " + g.text);
    // The driver keeps a mapper whose initialise was rejected; find it again.
    if (mappersMade(driver, setup.index) > madeBefore) {
      std::unique_ptr<pvector<apm*>> made(driver.getMappers(setup.index));
      live->mapper = made->back();
    }
  }
  report.setup.push_back(setup);
  state_->addresses.push_back(std::move(live));
}

ScenarioRunner::LiveAddress* ScenarioRunner::addressOf(const iqivProp& prop) {
  // Every dup of an address's property shares its mapping records.
  const pmapper<imapHw2Vuq*>* mapping = &prop.getMapping();
  for (auto& address : state_->addresses) {
    if (&address->prop->getMapping() == mapping) return address.get();
  }
  return nullptr;
}

CycleReport ScenarioRunner::cycle(LiveAddress& address, iqivProp& prop, StepReport& report) {
  CycleReport result;
  result.address = address.config->name;
  result.mapper = address.config->mapper;
  if (address.mapper == nullptr) {
    report.errors.push_back("address " + address.config->name + " has no mapper");
    return result;
  }
  const auto& records = address.config->records;
  std::vector<TagReport> before;
  for (size_t i = 0; i < records.size(); ++i) before.push_back(snapshot(records[i], *address.targets[i]));

  std::vector<qivTag*> targets;
  for (auto& target : address.targets) targets.push_back(target.get());
  CycleOutcome outcome = runUpdateCycle(*address.mapper, prop, targets, {}, address.config->name);
  result.rejected = outcome.rejected;
  result.rejection = outcome.rejection;
  result.endRejection = outcome.endRejection;
  for (std::string& error : outcome.errors) report.errors.push_back(std::move(error));

  for (size_t i = 0; i < records.size(); ++i) {
    TagReport tag = snapshot(records[i], *address.targets[i]);
    if (i < outcome.records.size()) {
      tag.inResult = outcome.records[i].in;
      tag.rejection = outcome.records[i].rejection;
    }
    tag.changed = !sameState(before[i], tag);
    result.tags.push_back(std::move(tag));
  }
  return result;
}

void ScenarioRunner::collectHandedOver(StepReport& report) {
  StandInDriver& driver = state_->driver;
  size_t handled = 0;
  while (state_->deliveredSeen < driver.delivered().size()) {
    if (++handled > kMaxDeliveriesPerStep) {
      report.errors.push_back("more than " + std::to_string(kMaxDeliveriesPerStep) +
                              " deliveries in one step; the rest are not mapped");
      state_->deliveredSeen = driver.delivered().size();
      break;
    }
    // The vector may grow while the delivered property is mapped; the property stays.
    iqivProp* prop = driver.delivered()[state_->deliveredSeen++].get();
    DeliveryReport delivery;
    delivery.device = prop->getDevice();
    delivery.property = prop->getProperty();
    for (const auto& tag : prop->tags) delivery.tagNames.push_back(tag.first);
    if (LiveAddress* address = addressOf(*prop)) {
      delivery.matched = true;
      delivery.cycle = cycle(*address, *prop, report);
    }
    report.delivered.push_back(std::move(delivery));
  }
  while (state_->invalidSeen < driver.invalid().size()) {
    const iqivProp* prop = driver.invalid()[state_->invalidSeen++].get();
    InvalidReport invalid;
    invalid.device = prop->getDevice();
    invalid.property = prop->getProperty();
    if (LiveAddress* address = addressOf(*prop)) invalid.address = address->config->name;
    report.invalid.push_back(invalid);
  }
  report.supervisionNotified += driver.supervisionNotifications() - state_->notifiedSeen;
  report.supervisionInitialised += driver.supervisionInitialisations() - state_->initialisedSeen;
  state_->notifiedSeen = driver.supervisionNotifications();
  state_->initialisedSeen = driver.supervisionInitialisations();
}

void ScenarioRunner::finish(StepReport& report) {
  collectHandedOver(report);
  HostEnvironment& env = HostEnvironment::instance();
  report.log = env.records();
  env.clearRecords();
}

// What a step's player works with: the step, its report, and the address it is played
// on (none for steps without addresses). call is the outcome of the mapper call the
// step is about, reported alike for every kind.
struct StepPlaying {
  ScenarioRunner& runner;
  const ScenarioStep& step;
  StepReport& report;
  ScenarioRunner::LiveAddress* address = nullptr;
  CallOutcome call;

  apm& mapper() const { return *address->mapper; }
  RecordingHandler& handler() const { return *address->handler; }
  const imapHw2Vuq* firstRecord() const {
    pmapper<imapHw2Vuq*>& mapping = address->prop->getMapping();
    return mapping.empty() ? nullptr : mapping[0].second;
  }
  StandInDriver& driver() const { return runner.state_->driver; }
  CycleReport cycle(iqivProp& prop) { return runner.cycle(*address, prop, report); }
  const ScenarioAddress& config() const { return *address->config; }
};

StepReport ScenarioRunner::runStep(size_t index) {
  const ScenarioStep& step = scenario_.steps.at(index);
  const StepKindInfo& kind = stepKindInfo(step.kind);
  HostEnvironment& env = HostEnvironment::instance();
  env.clearRecords();

  StepReport report;
  report.number = index + 1;
  report.line = step.line;
  report.action = kind.name;
  report.note = step.note;
  report.source = step.source;
  if (step.kind == StepKind::Advance) env.advance(step.millis);
  if (step.kind == StepKind::SetClock) env.setNow(step.millis);
  report.clock = env.now();
  for (size_t a : step.addresses) report.addresses.push_back(scenario_.addresses.at(a).name);

  if (kind.targets == StepTargets::None) {
    StepPlaying play{*this, step, report, nullptr, {}};
    kind.play(play);
  }
  for (size_t a : step.addresses) {
    StepPlaying play{*this, step, report, state_->addresses.at(a).get(), {}};
    if (play.address->mapper == nullptr) {
      report.errors.push_back("address " + play.config().name + " has no mapper");
      continue;
    }
    play.handler().script(step.handle);
    play.handler().calls.clear();
    kind.play(play);
    if (!play.call.ok && play.call.man) {
      report.callRejected = true;
      report.callRejection = play.call.text;
    } else if (!play.call.ok) {
      report.errors.push_back(play.config().name + ": " + report.action + " threw " + play.call.text);
    }
    for (const std::string& c : play.handler().calls) report.handleCalls.push_back(c);
  }
  finish(report);
  return report;
}

// ---- the step players of the step kind table ----

void playNothing(StepPlaying&) {}

void playUpdate(StepPlaying& play) {
  std::unique_ptr<iqivProp> prop(play.address->prop->dup());
  CallOutcome built = guardCall([&] { addDataTags(*play.step.data, *prop); });
  if (!built.ok) {
    play.report.errors.push_back("the received property has no tag form: " + built.text);
    return;
  }
  prop->stopFlag = play.step.stopFlag;
  play.report.hasCycle = true;
  play.report.cycle = play.cycle(*prop);
}

namespace {

// The host tag values a write offers record by record: an entry named after the
// record's data-point element, else one named after its tag.
const yox::data::Entry* writtenEntry(const yox::data::Data& data, const ScenarioRecord& record) {
  if (const yox::data::Entry* entry = data.getEntry(record.dpeId)) return entry;
  return data.getEntry(record.tag);
}

std::string asCsv(const yox::data::Data& data) {
  std::string text;
  CallOutcome written =
      guardCall([&] { text = yox::data::DataFactory::createDataSerializer()->serializeToCsv(data); });
  return written.ok ? text : data.toString();
}

// The container a device receives for prop: one entry per tag.
std::string outgoing(const iqivProp& prop, StepReport& report) {
  yox::auto_ptr<yox::data::Data> data = yox::data::DataFactory::createData();
  for (const auto& tag : prop.tags) {
    CallOutcome g = guardCall([&] { tag.second->value.appendToVuqDataObject(tag.first, *data); });
    if (!g.ok) report.errors.push_back("tag " + tag.first + " has no data form: " + g.text);
  }
  return data->isEmpty() ? std::string("(nothing)") : asCsv(*data);
}

}  // namespace

void playWrite(StepPlaying& play) {
  const ScenarioAddress& config = play.config();
  std::unique_ptr<iqivProp> prop(play.address->prop->dup());
  WriteReport& write = play.report.write;
  play.report.hasWrite = true;
  write.device = prop->getDevice();
  write.property = prop->getProperty();
  pmapper<imapHw2Vuq*>& mapping = prop->getMapping();
  for (size_t i = 0; i < config.records.size() && i < mapping.size(); ++i) {
    const yox::data::Entry* entry = writtenEntry(*play.step.data, config.records[i]);
    if (entry == nullptr) continue;
    std::unique_ptr<qivTag> tag(new qivTag(config.records[i].tag));
    tag->value = entryToValue(*entry);
    WrittenTag written;
    written.dpeId = config.records[i].dpeId;
    written.name = tag->name;
    CallOutcome g =
        guardCall([&] { written.outResult = play.mapper().out(prop.get(), tag.get(), mapping[i].second); });
    if (!g.ok && !g.man) play.report.errors.push_back(config.name + ": out threw " + g.text);
    written.rejection = g.text;
    written.value = tag->value;
    written.valid = tag->valid;
    // The host sends what the mapper let through.
    if (g.ok && written.outResult) prop->add(tag.release());
    write.tags.push_back(std::move(written));
  }
  write.sent = outgoing(*prop, play.report);
}

void playWatchdog(StepPlaying& play) {
  WatchdogReport dog;
  dog.address = play.config().name;
  dog.pollsWatchdog = play.step.poll != WatchdogPoll::Permanent;
  dog.pollsPermanent = play.step.poll != WatchdogPoll::Watchdog;
  auto poll = [&](const char* name, WatchdogAnswer& answer, bool (apm::*which)()) {
    CallOutcome g = guardCall([&] { answer.result = (play.mapper().*which)(); });
    answer.fired = !g.ok;
    answer.text = g.text;
    if (!g.ok && !g.man) play.report.errors.push_back(dog.address + ": " + name + " threw " + g.text);
  };
  if (dog.pollsWatchdog) poll("watchdog", dog.watchdog, &apm::watchdog);
  if (dog.pollsPermanent) poll("watchdogPermanent", dog.permanent, &apm::watchdogPermanent);
  play.report.watchdogs.push_back(dog);
}

void playMonitorOn(StepPlaying& play) {
  play.call = guardCall([&] { play.mapper().monitorOn(play.handler(), play.firstRecord()); });
  // What the subscription carries to the device: the filter's container.
  play.report.hasSubscription = true;
  boost::shared_ptr<Filters::Filter> filter = play.address->prop->getFilter();
  if (!filter) {
    play.report.subscription = "(no filter)";
    return;
  }
  const yox::data::Data* data = nullptr;
  CallOutcome g = guardCall([&] { data = filter->getVuqData(); });
  if (!g.ok) {
    play.report.subscription = "(the filter has no container: " + g.text + ")";
  } else {
    play.report.subscription = data == nullptr ? std::string("(nothing)") : asCsv(*data);
  }
}

void playMonitorOff(StepPlaying& play) {
  play.call = guardCall([&] { play.mapper().monitorOff(play.handler()); });
}

void playAsyncGet(StepPlaying& play) {
  play.call = guardCall([&] { play.mapper().asyncGet(play.handler(), play.firstRecord()); });
}

void playSyncGet(StepPlaying& play) {
  yox::auto_ptr<yox::data::Data> data;
  play.call = guardCall([&] { data = play.mapper().syncGet(play.handler(), play.firstRecord()); });
  if (!play.call.ok) return;
  play.report.hasReadResult = true;
  play.report.readResult = data.get() == nullptr ? std::string("(no data)") : asCsv(*data);
}

void playConfig(StepPlaying& play) {
  for (const auto& entry : play.step.config) {
    play.driver().setConfig(entry.first, entry.second);
    play.report.changes.push_back("config " + entry.first + " = " + entry.second);
  }
  for (const std::string& key : play.step.unset) {
    play.driver().unsetConfig(key);
    play.report.changes.push_back("config " + key + " removed");
  }
}

void playFilters(StepPlaying& play) {
  Filters& filters = play.driver().filters();
  for (const auto& filter : play.step.filters) {
    CallOutcome g = guardCall([&] { filters.setFilter(filter.second); });
    if (g.ok) {
      play.report.changes.push_back("filter " + filter.second);
    } else {
      play.report.errors.push_back("filter '" + filter.second + "': " + g.text);
    }
  }
}

void playReinit(StepPlaying& play) {
  const int index = play.mapper().index;
  play.call = guardCall(
      [&] { play.driver().plugin().apmCreate(play.address->mapper, index, play.address->prop.get()); });
  play.report.changes.push_back("qivlib_apmCreate(mapper, " + std::to_string(index) +
                                ", property): " + (play.call.ok ? "initialised again" : "initialise threw"));
}

}  // namespace yoxhost
