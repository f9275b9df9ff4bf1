#include "host/ScenarioRunner.h"

#include <exception>
#include <memory>
#include <string>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "host/DataToProp.h"
#include "host/ScriptedHandler.h"
#include "host/StandInDriver.h"
#include "host/StandInProp.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"

namespace yoxhost {

const char* stepKindName(StepKind kind) {
  switch (kind) {
    case StepKind::Note:
      return "note";
    case StepKind::Advance:
      return "advance";
    case StepKind::SetClock:
      return "clock";
    case StepKind::Update:
      return "update";
    case StepKind::Watchdog:
      return "watchdog";
    case StepKind::MonitorOn:
      return "monitorOn";
    case StepKind::MonitorOff:
      return "monitorOff";
    case StepKind::SyncGet:
      return "syncGet";
    case StepKind::AsyncGet:
      return "asyncGet";
  }
  return "?";
}

namespace {

// A plug-in call may end in the ManException a host expects, or in anything else,
// which no host expects and the report shows as an error.
struct Guarded {
  bool ok = true;
  bool man = false;
  std::string text;
};

template <class F>
Guarded guard(F&& call) {
  Guarded g;
  try {
    call();
    return g;
  } catch (const ManException& e) {
    g.man = true;
    g.text = e.getMessage();
  } catch (const std::exception& e) {
    g.text = std::string("std::exception: ") + e.what();
  } catch (int value) {
    g.text = "the integer " + std::to_string(value);
  } catch (const char* text) {
    g.text = std::string("the C string '") + (text ? text : "") + "'";
  } catch (...) {
    g.text = "an exception of unknown type";
  }
  g.ok = false;
  return g;
}

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

  StandInDriver& driver = state_->driver;
  for (const auto& entry : scenario_.config) driver.setConfig(entry.first, entry.second);
  // A host always has a filter registry; with it the plug-in initialises every mapper.
  Filters& filters = driver.filters();
  for (const auto& filter : scenario_.filters) {
    Guarded g = guard([&] { filters.setFilter(filter.second); });
    if (!g.ok) report.errors.push_back("filter '" + filter.second + "': " + g.text);
  }
  api_.init(&driver);

  for (const ScenarioAddress& config : scenario_.addresses) {
    auto live = std::make_unique<LiveAddress>();
    live->config = &config;
    boost::shared_ptr<Filters::Filter> filter;
    if (config.hasFilter) {
      filter = filters.getFilter(config.filter);
      if (!filter) {
        Guarded g = guard([&] { filter.reset(new Filters::Filter(config.filter)); });
        if (!g.ok) report.errors.push_back("address " + config.name + ": filter: " + g.text);
      }
    }
    live->prop = std::make_unique<StandInProp>(config.device, config.property, filter);
    for (const ScenarioRecord& record : config.records) {
      imapHw2Vuq& map =
          live->prop->addMapping(record.dpeId, record.peripheralAddress, record.hardwareTag.c_str());
      for (const std::string& qualifier : record.qualifiers) map.qualifiers.push_back(qualifier);
      for (const auto& converter : record.converters) {
        Guarded g = guard([&] { driver.attachConverter(map, converter.first, converter.second.c_str()); });
        if (!g.ok) report.errors.push_back("address " + config.name + ": converter: " + g.text);
      }
      live->targets.emplace_back(new qivTag(record.tag));
      live->targets.back()->value = emptyValue(record.type);
    }
    live->handler = std::make_unique<RecordingHandler>(config.device, config.property);
    live->handler->script(config.handle);

    AddressSetup setup;
    setup.address = config.name;
    setup.device = config.device;
    setup.property = config.property;
    setup.mapper = config.mapper;
    setup.index = api_.apmIndex(config.mapper.c_str());
    apm* created = nullptr;
    const size_t madeBefore = mappersMade(driver, setup.index);
    Guarded g = guard([&] { created = driver.createMapper(config.mapper, live->prop.get()); });
    if (!g.ok) {
      if (g.man) {
        setup.initialiseRejected = true;
        setup.rejection = g.text;
      } else {
        report.errors.push_back("address " + config.name + ": creating mapper '" + config.mapper +
                                "': " + g.text);
      }
      // The driver keeps a mapper whose initialise was rejected; find it again.
      if (mappersMade(driver, setup.index) > madeBefore) {
        std::unique_ptr<pvector<apm*>> made(driver.getMappers(setup.index));
        created = made->back();
      }
    }
    live->mapper = created;
    report.setup.push_back(setup);
    state_->addresses.push_back(std::move(live));
  }
  finish(report);
  return report;
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

  Guarded began = guard([&] { address.mapper->begin(&prop); });
  if (!began.ok) {
    if (began.man) {
      result.rejected = true;
      result.rejection = began.text;
    } else {
      report.errors.push_back(address.config->name + ": begin threw " + began.text);
    }
  }
  // A rejected property still goes through in and end: the mappers freeze their tags.
  pmapper<imapHw2Vuq*>& mapping = address.prop->getMapping();
  std::vector<bool> inResults(records.size(), true);
  std::vector<std::string> rejections(records.size());
  for (size_t i = 0; i < records.size() && i < mapping.size(); ++i) {
    const imapHw2Vuq* map = mapping[i].second;
    qivTag* target = address.targets[i].get();
    auto source = prop.tags.find(records[i].tag);
    const bool ok =
        source != prop.tags.end() && source->second != nullptr && source->second->value.isInitialised();
    Guarded validated = guard([&] { address.mapper->validate(&prop, ok, map); });
    if (!validated.ok) {
      if (validated.man) {
        rejections[i] = "validate: " + validated.text;
      } else {
        report.errors.push_back(records[i].dpeId + ": validate threw " + validated.text);
      }
    }
    // noData speaks for this cycle only.
    target->noData = false;
    bool in = false;
    Guarded wrote = guard([&] { in = address.mapper->in(&prop, target, map); });
    if (!wrote.ok) {
      if (wrote.man) {
        rejections[i] += (rejections[i].empty() ? "" : "; ") + wrote.text;
      } else {
        report.errors.push_back(records[i].dpeId + ": in threw " + wrote.text);
      }
    }
    inResults[i] = in;
  }
  Guarded ended = guard([&] { address.mapper->end(&prop); });
  if (!ended.ok) {
    if (ended.man) {
      result.endRejection = ended.text;
    } else {
      report.errors.push_back(address.config->name + ": end threw " + ended.text);
    }
  }

  for (size_t i = 0; i < records.size(); ++i) {
    TagReport tag = snapshot(records[i], *address.targets[i]);
    tag.inResult = inResults[i];
    tag.rejection = rejections[i];
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

StepReport ScenarioRunner::runStep(size_t index) {
  const ScenarioStep& step = scenario_.steps.at(index);
  HostEnvironment& env = HostEnvironment::instance();
  env.clearRecords();

  StepReport report;
  report.number = index + 1;
  report.line = step.line;
  report.action = stepKindName(step.kind);
  report.note = step.note;
  report.source = step.source;
  if (step.kind == StepKind::Advance) env.advance(step.millis);
  if (step.kind == StepKind::SetClock) env.setNow(step.millis);
  report.clock = env.now();
  for (size_t a : step.addresses) report.addresses.push_back(scenario_.addresses.at(a).name);

  for (size_t a : step.addresses) {
    LiveAddress& address = *state_->addresses.at(a);
    if (address.mapper == nullptr) {
      report.errors.push_back("address " + address.config->name + " has no mapper");
      continue;
    }
    RecordingHandler& handler = *address.handler;
    handler.script(step.handle);
    handler.calls.clear();
    pmapper<imapHw2Vuq*>& mapping = address.prop->getMapping();
    const imapHw2Vuq* first = mapping.empty() ? nullptr : mapping[0].second;
    Guarded call;
    switch (step.kind) {
      case StepKind::Update: {
        std::unique_ptr<iqivProp> prop(address.prop->dup());
        Guarded built = guard([&] { addDataTags(*step.data, *prop); });
        if (!built.ok) {
          report.errors.push_back("the received property has no tag form: " + built.text);
          break;
        }
        prop->stopFlag = step.stopFlag;
        report.hasCycle = true;
        report.cycle = cycle(address, *prop, report);
        break;
      }
      case StepKind::Watchdog: {
        WatchdogReport dog;
        dog.address = address.config->name;
        Guarded g = guard([&] { dog.watchdog.result = address.mapper->watchdog(); });
        dog.watchdog.fired = !g.ok;
        dog.watchdog.text = g.text;
        if (!g.ok && !g.man) report.errors.push_back(dog.address + ": watchdog threw " + g.text);
        g = guard([&] { dog.permanent.result = address.mapper->watchdogPermanent(); });
        dog.permanent.fired = !g.ok;
        dog.permanent.text = g.text;
        if (!g.ok && !g.man) report.errors.push_back(dog.address + ": watchdogPermanent threw " + g.text);
        report.watchdogs.push_back(dog);
        break;
      }
      case StepKind::MonitorOn:
        call = guard([&] { address.mapper->monitorOn(handler, first); });
        break;
      case StepKind::MonitorOff:
        call = guard([&] { address.mapper->monitorOff(handler); });
        break;
      case StepKind::AsyncGet:
        call = guard([&] { address.mapper->asyncGet(handler, first); });
        break;
      case StepKind::SyncGet: {
        yox::auto_ptr<yox::data::Data> data;
        call = guard([&] { data = address.mapper->syncGet(handler, first); });
        if (call.ok) {
          report.hasReadResult = true;
          if (data.get() == nullptr) {
            report.readResult = "(no data)";
          } else {
            Guarded written = guard([&] {
              report.readResult = yox::data::DataFactory::createDataSerializer()->serializeToCsv(*data);
            });
            if (!written.ok) report.readResult = data->toString();
          }
        }
        break;
      }
      case StepKind::Note:
      case StepKind::Advance:
      case StepKind::SetClock:
        break;
    }
    if (!call.ok) {
      if (call.man) {
        report.callRejected = true;
        report.callRejection = call.text;
      } else {
        report.errors.push_back(address.config->name + ": " + report.action + " threw " + call.text);
      }
    }
    for (const std::string& c : handler.calls) report.handleCalls.push_back(c);
  }
  finish(report);
  return report;
}

}  // namespace yoxhost
