// The scenario host's own behaviour, apart from any real mapper's: how it survives a
// misbehaving plug-in, how it reads scenario files, and how it prints values and times.
// The example scenarios' golden outputs cover the mappers.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "Report.h"
#include "ScenarioFile.h"
#include "ScenarioRunner.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "host/HostEnvironment.h"
#include "host/LinkedPlugin.h"
#include "host/StandInDriver.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"
#include "plugin/qivlib.h"

namespace {

using yoxhost::Scenario;
using yoxhost::ScenarioRunner;
using yoxhost::StepReport;

// Throws what no host expects from every cycle operation.
class ThrowingMapper : public apm {
 public:
  apm* dup() override {
    auto* copy = new ThrowingMapper();
    copy->index = index;
    return copy;
  }
  void begin(const iqivProp*) override { throw 0; }
  bool in(iqivProp*, qivTag*, const imapHw2Vuq*) override { throw std::runtime_error("in failed"); }
  void end(const iqivProp*) override { throw "end failed"; }
  bool watchdog() override { throw std::logic_error("watchdog failed"); }
};

// Answers every property it maps with a new delivery to itself, for ever.
class EchoMapper : public apm {
 public:
  ~EchoMapper() override { delete templateProp; }
  apm* dup() override {
    auto* copy = new EchoMapper();
    copy->index = index;
    return copy;
  }
  void initialise(iqivProp* prop) override { templateProp = prop->dup(); }
  bool in(iqivProp*, qivTag*, const imapHw2Vuq*) override {
    iDriver->deliver(templateProp->dup());
    return true;
  }
  iqivProp* templateProp = nullptr;
};

class YoxhostTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // The registry is process-wide: fill it once, then add the misbehaving mappers.
    static yoxhost::StandInDriver probe(yoxhost::linkedPlugin());
    qivlib_Init(&probe);
    reg_APM(new ThrowingMapper(), "test.throwing");
    reg_APM(new EchoMapper(), "test.echo");
  }
  void SetUp() override { yoxhost::HostEnvironment::instance().reset(); }
  void TearDown() override { iDriver = nullptr; }

  static std::shared_ptr<const yox::data::Data> property() {
    yox::auto_ptr<yox::data::Data> data = yox::data::DataFactory::createData();
    data->append("x", 5);
    return std::shared_ptr<const yox::data::Data>(data.release());
  }

  static Scenario oneAddress(const std::string& mapper, const std::vector<yoxhost::StepKind>& steps) {
    Scenario scenario;
    scenario.start = 1700000000000LL;
    yoxhost::ScenarioAddress address;
    address.name = "a";
    address.device = "D";
    address.property = "P";
    address.mapper = mapper;
    yoxhost::ScenarioRecord record;
    record.dpeId = "a.x";
    record.tag = "x";
    record.type = QIV_INT;
    record.hardwareTag = "x";
    address.records.push_back(record);
    scenario.addresses.push_back(address);
    for (yoxhost::StepKind kind : steps) {
      yoxhost::ScenarioStep step;
      step.kind = kind;
      step.addresses.push_back(0);
      step.data = property();
      scenario.steps.push_back(step);
    }
    return scenario;
  }

  // Writes text to a scenario file of this process (ctest runs tests side by side) and
  // reads it.
  static Scenario read(const std::string& text) {
    const std::string path =
        ::testing::TempDir() + "yoxhost_test_scenario_" + std::to_string(getpid()) + ".yaml";
    std::ofstream(path) << text;
    struct Remove {
      const std::string& path;
      ~Remove() { std::remove(path.c_str()); }
    } remove{path};
    return yoxhost::readScenario(path, yoxhost::linkedPlugin());
  }
  static std::string readError(const std::string& text) {
    try {
      read(text);
    } catch (const yoxhost::ScenarioError& e) {
      const std::string message = e.what();
      return message.substr(message.find(".yaml:") + 5);  // ":LINE: problem"
    }
    return "";
  }
};

TEST_F(YoxhostTest, UnexpectedExceptionsFromTheMapperBecomeErrorsAndTheRunGoesOn) {
  const Scenario scenario =
      oneAddress("test.throwing", {yoxhost::StepKind::Update, yoxhost::StepKind::Watchdog});
  ScenarioRunner runner(yoxhost::linkedPlugin(), scenario);
  EXPECT_TRUE(runner.setUp().errors.empty());

  const StepReport update = runner.runStep(0);
  ASSERT_EQ(3u, update.errors.size());
  EXPECT_EQ("a: begin threw the integer 0", update.errors[0]);
  EXPECT_EQ("a.x: in threw std::exception: in failed", update.errors[1]);
  EXPECT_EQ("a: end threw the C string 'end failed'", update.errors[2]);
  EXPECT_FALSE(update.cycle.rejected);  // not a ManException: no rejection a host knows
  ASSERT_EQ(1u, update.cycle.tags.size());
  EXPECT_EQ("a.x", update.cycle.tags[0].dpeId);

  const StepReport watchdog = runner.runStep(1);
  ASSERT_EQ(1u, watchdog.errors.size());
  EXPECT_EQ("a: watchdog threw std::exception: watchdog failed", watchdog.errors[0]);
  ASSERT_EQ(1u, watchdog.watchdogs.size());
  EXPECT_TRUE(watchdog.watchdogs[0].watchdog.fired);
  EXPECT_FALSE(watchdog.watchdogs[0].permanent.fired);
}

TEST_F(YoxhostTest, DeliveriesThatKeepDeliveringAreCutOffWithinTheStep) {
  const Scenario scenario = oneAddress("test.echo", {yoxhost::StepKind::Update, yoxhost::StepKind::Watchdog});
  ScenarioRunner runner(yoxhost::linkedPlugin(), scenario);
  runner.setUp();

  const StepReport update = runner.runStep(0);
  EXPECT_EQ(1000u, update.delivered.size());
  ASSERT_EQ(1u, update.errors.size());
  EXPECT_EQ("more than 1000 deliveries in one step; the rest are not mapped", update.errors[0]);
  // What was cut off is not mapped in a later step either.
  EXPECT_TRUE(runner.runStep(1).delivered.empty());
}

TEST_F(YoxhostTest, ClockPlaceholdersFollowTheScenarioClock) {
  const Scenario scenario = read(
      "clock: 1700000000000\n"
      "addresses: [{name: a, device: D, property: P, mapper: default}]\n"
      "steps:\n"
      "  - advance: 2s\n"
      "  - update: a\n"
      "    csv: |\n"
      "      ns,int64,${now_ns-1s}\n"
      "      ms,int64,${now_ms+250}\n"
      "      s,int64,${now_s}\n"
      "  - clock: 2023-11-14T22:13:20.5Z\n"
      "  - update: a\n"
      "    csv: 'ms,int64,${now_ms}'\n");
  ASSERT_EQ(4u, scenario.steps.size());
  const yox::data::Data& first = *scenario.steps[1].data;
  EXPECT_EQ(1700000001000000000L, first.getLong("ns"));
  EXPECT_EQ(1700000002250L, first.getLong("ms"));
  EXPECT_EQ(1700000002L, first.getLong("s"));
  EXPECT_EQ(1700000000500L, scenario.steps[2].millis);
  EXPECT_EQ(1700000000500L, scenario.steps[3].data->getLong("ms"));
}

TEST_F(YoxhostTest, ProblemsArePlacedOnTheirLine) {
  struct Row {
    std::string scenario;
    std::string error;
  };
  const std::string head = "addresses: [{name: a, device: D, property: P, mapper: default}]\nsteps:\n";
  const std::vector<Row> rows = {
      // A bad entry inside a block scalar: the line of the entry, not of the block.
      {head + "  - update: a\n    csv: |\n      x,int32,1\n      y,int32,z\n",
       ":6: bad CSV entry 'y,int32,z'"},
      // A CSV text on the key's own line.
      {head + "  - update: a\n    csv: 'y,int32,z'\n", ":4: bad CSV entry 'y,int32,z'"},
      {head + "  - update: a\n    csv: |\n      x,int32,${soon}\n", ":5: unknown placeholder '${soon}'"},
      {head + "  - advance: -5s\n", ":3: 'advance' takes a duration that is not negative"},
      {head + "  - clock: yesterday\n", ":3: 'clock' must be milliseconds since the epoch"},
      {head + "  - update: a\n", ":3: an update needs the received property"},
      {head + "  - update: a\n    csv: 'x,int32,1'\n    file: x.bin\n",
       ":5: an update takes its property from"},
      {head + "  - watchdog: [a, b]\n", ":3: no address is called 'b' (addresses: a)"},
      {head + "  - syncGet: a\n    stop: true\n", ":4: 'stop' does not belong to a syncGet step"},
      {head + "  - write: a\n", ":3: a write needs the host tag values"},
      {"addresses: [{name: a, device: D, property: P, mapper: default, records: [{dpe: e, tag: t, type: "
       "int}]}]\n"
       "steps:\n  - write: a\n    csv: 'u,int32,1'\n",
       ":4: address a has no record with the tag or element 'u' (tags: t)"},
      {head + "  - watchdog: a\n    poll: sometimes\n", ":4: 'poll' is watchdog, watchdogPermanent or both"},
      {head + "  - config: [x]\n", ":3: 'config' maps configuration keys to values"},
      {head + "  - reinit: a\n    csv: 'x,int32,1'\n", ":4: 'csv' does not belong to a reinit step"},
      {head + "  - update: a\n    file: x.txt\n", ":4: the message format must be bin, str or csv"},
      {head + "  - update: a\n    file: x.str\n    separator: ';;'\n", ":5: 'separator' must be exactly one"},
      {"addresses: [{name: all, device: D, property: P, mapper: default}]\nsteps: []\n",
       ":1: 'all' is kept for watchdog steps"},
      {"addresses:\n  - {device: D, property: P, mapper: default}\n  - {device: D, property: P, mapper: "
       "krt}\n"
       "steps: []\n",
       ":3: two addresses are called 'D/P'"},
      {"addresses: []\nsteps: []\n", ":1: 'addresses' must be a list of peripheral addresses"},
      // Echoed input shows no control bytes and stays short.
      {"addresses: [{name: a, device: D, property: P, mapper: \"x\\e[31m\"}]\nsteps: []\n",
       ":1: no mapper is registered as 'x\\x1B[31m'"},
      {head + "  - update: a\n    csv: '" + std::string(100, 'y') + "'\n",
       ":4: bad CSV entry '" + std::string(60, 'y') + "...'"},
      {"- just\n- a list\n", ":1: the scenario must be a mapping of keys to values"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scenario);
    const std::string error = readError(row.scenario);
    EXPECT_EQ(row.error, error.substr(0, row.error.size()));
    EXPECT_EQ(std::string::npos, error.find('\n'));
  }
}

TEST_F(YoxhostTest, ValuesAndTimesPrintAsAPersonReadsThem) {
  struct Row {
    VUQ_VARS value;
    std::string text;
  };
  auto of = [](auto values) {
    VUQ_VARS value;
    value.assignVector(values);
    return value;
  };
  const std::vector<Row> rows = {
      {VUQ_VARS(), "(not initialised)"},
      {of(std::vector<int>()), "[]"},
      {of(std::vector<float>{0.1f, 1250.5f}), "[0.1, 1250.5]"},
      {of(std::vector<double>{0.1, 1e300}), "[0.1, 1e+300]"},
      {of(std::vector<double>{10, 1e20, -2e6}), "[10, 1e+20, -2000000]"},
      {of(std::vector<char>{static_cast<char>(-1), 91}), "[-1, 91]"},
      {of(std::vector<bool>{true, false}), "[true, false]"},
      {of(std::vector<std::string>{"say \"hi\"", "a\nb"}), "[\"say \\\"hi\\\"\", \"a\\nb\"]"},
      {of(std::vector<long>{-1700000000000000000L}), "[-1700000000000000000]"},
  };
  for (const Row& row : rows) EXPECT_EQ(row.text, yoxhost::formatValue(row.value));

  EXPECT_EQ("2023-11-14 22:13:20.000", yoxhost::formatTime(1700000000000LL));
  EXPECT_EQ("1969-12-31 23:59:59.999", yoxhost::formatTime(-1));
  EXPECT_EQ("\\u0001\\t\\\\\\\"\\u00e9", yoxhost::jsonEscape("\x01\t\\\"\xe9"));
}

TEST_F(YoxhostTest, LogRecordsAreFilteredByTypeAndLoseTheirLinesOnRequest) {
  StepReport step;
  step.number = 1;
  step.action = "watchdog";
  step.log = {{1, -1, "begin:56-first"}, {2, -1, "in:7-second"}, {3, 1, "end:9-third"}};
  std::ostringstream out;
  yoxhost::ReportOptions options;
  options.verbosity = 2;
  options.sourceLines = false;
  yoxhost::printStep(out, step, options);
  EXPECT_NE(std::string::npos, out.str().find("log error: begin:*-first"));
  EXPECT_NE(std::string::npos, out.str().find("log warning: in:*-second"));
  EXPECT_EQ(std::string::npos, out.str().find("third"));

  std::ostringstream json;
  options.json = true;
  options.verbosity = 3;
  options.sourceLines = true;
  yoxhost::printStep(json, step, options);
  const std::string line = json.str();
  EXPECT_NE(std::string::npos, line.find("{\"type\":3,\"mask\":1,\"text\":\"end:9-third\"}"));
  EXPECT_EQ('\n', line.back());
  EXPECT_EQ(1, std::count(line.begin(), line.end(), '\n'));
}

}  // namespace
