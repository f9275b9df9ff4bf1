// The protection-system mapper operated on a B15R3 crate device: circuits and allowed
// states from filters, status-command decoding, gateway and acquisition clock faults
// with their single invalid notice and watchdogs, fault keys reported to the context
// pseudo mappers, and the element names resolved from "Parameter" on subscription.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "apm/apmTimerej.h"
#include "apm/krt/apmKrt.h"
#include "apm/krt/apmKrtCompanions.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "host/ScriptedHandler.h"
#include "host/StandInProp.h"
#include "hostapi/tcm.h"
#include "plugin/qivlib.h"
#include "support/KrtDevice.h"
#include "support/PluginFixture.h"

namespace {

using yoxhost::ScriptedHandler;
using yoxhost::StandInProp;
using yoxtest::KrtDevice;
using yoxtest::KrtFrame;
using yoxtest::manMessage;

class KrtMapperTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    resetGlobals();
    driver->filters().setFilter(yoxtest::kKrtDeviceFilter);
    driver->filters().setFilter(yoxtest::kKrtContextFilter);
  }
  void TearDown() override {
    PluginFixture::TearDown();
    resetGlobals();
  }

  static void resetGlobals() {
    STATUS_FILT.clear();
    SUBSTATUS_FILT.clear();
    TO_INFUTURE = -1;
    TO_INPAST = -1;
    TO_WATCHDOG = -1;
    REJ_EQ_TIME = true;
  }

  void allowStates(const std::string& text = yoxtest::kKrtAllowedStates) {
    driver->filters().setFilter(text);
  }
  boost::shared_ptr<Filters::Filter> filter(const std::string& name) {
    return driver->filters().getFilter(name);
  }

  std::unique_ptr<KrtDevice> device(const std::string& property = "Supervision") {
    std::unique_ptr<KrtDevice> d(new KrtDevice(filter("B15R3.CIRCUIT"), property));
    d->mapAll();
    return d;
  }
  apmKrt* krtFor(KrtDevice& d) { return static_cast<apmKrt*>(driver->createMapper("krt", &d.prop)); }

  // Subscribes the way the host does, with the device answering "Parameter".
  std::unique_ptr<ScriptedHandler> subscribe(apmKrt& krt, const std::string& property = "Supervision") {
    std::unique_ptr<ScriptedHandler> handler(new ScriptedHandler(yoxtest::kKrtDevice, property));
    handler->answer("Parameter", *KrtDevice::parameters());
    krt.monitorOn(*handler, nullptr);
    return handler;
  }

  // A context pseudo mapper on the crate's fault-key property.
  apmKrtPseudo* pseudoFor(StandInProp& prop) {
    prop.addMapping("faults", "", "contents");
    return static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", &prop));
  }

  // A publication stamped just before the host clock; advance the clock for a newer one.
  static KrtFrame frameNow() {
    KrtFrame frame;
    frame.gtwMs = env().now() - 10;
    frame.aqnMs = frame.gtwMs - 5;
    return frame;
  }
  static KrtFrame nextFrame() {
    env().advance(1000);
    return frameNow();
  }

  // The keys the host shows after mapping the last delivered pseudo property.
  std::vector<int> shownKeys(apmKrtPseudo& pseudo) {
    EXPECT_FALSE(driver->delivered().empty());
    if (driver->delivered().empty()) return {};
    iqivProp* delivered = driver->delivered().back().get();
    qivTag* contents = delivered->tags.at("contents");
    EXPECT_TRUE(pseudo.in(delivered, contents, nullptr));
    std::vector<int> keys;
    for (unsigned long i = 0; i < contents->value.getSize(); ++i)
      keys.push_back(contents->value.getAt<int>(i));
    return keys;
  }

  static long long stampOf(const qivTag& tag) { return tag.seconds * 1000 + tag.millis; }
};

TEST_F(KrtMapperTest, CircuitBitComesFromTheDeviceFilterByte) {
  struct Row {
    std::string filterText;  // "" = no filter
    int circuit;
  };
  const std::vector<Row> rows = {
      {"c/circuit=byte,0", 1},
      {"c/circuit=byte,1", 2},
      {"c/circuit=byte,2", 4},
      {"c/circuit=byte,3", 8},
      {"c/circuit=byte,7", -1},
      {"c/circuit=byte,-1", -1},
      {"c/other=int,1", -1},
      {"c/circuit=int,2", -1},
      {"c", -1},
      {"", -1},
  };
  apmKrt krt;
  for (const Row& row : rows) {
    boost::shared_ptr<Filters::Filter> f;
    if (!row.filterText.empty()) f.reset(new Filters::Filter(row.filterText));
    StandInProp prop(yoxtest::kKrtDevice, "Supervision", f);
    EXPECT_EQ(row.circuit, krt.getCircuit(&prop)) << row.filterText;
  }

  auto d = device();
  EXPECT_EQ(4, krtFor(*d)->circuit);
}

TEST_F(KrtMapperTest, InitialiseReadsAllowedStatesOnceAndStartsSupervision) {
  allowStates();
  auto d = device();
  apmKrt* krt = krtFor(*d);

  EXPECT_EQ(std::vector<long long>({3, -1}), STATUS_FILT);
  EXPECT_EQ(std::vector<long long>({-1, 5}), SUBSTATUS_FILT);
  EXPECT_TRUE(krt->supervision);
  EXPECT_EQ(1, driver->supervisionInitialisations());
  EXPECT_EQ(1, driver->supervisionNotifications());
  for (const char* dpe : {"fip", "quenchFlag", "uRes", "circuit"}) EXPECT_EQ(-1, d->elementIndex(dpe)) << dpe;
  ASSERT_NE(nullptr, GTW_UTCTIME);
  EXPECT_STREQ("gtwUtcTime", GTW_UTCTIME->name);
  EXPECT_STREQ("aqnUtcTime", AQN_UTCTIME->name);
  EXPECT_STREQ("quenchUtcTime", QUENCH_UTCTIME->name);
  EXPECT_EQ(30000, TO_INFUTURE);
  EXPECT_EQ(30000, TO_WATCHDOG);

  // Later devices neither re-read the lists nor replace the shared converters.
  const tcm* gateway = GTW_UTCTIME;
  allowStates("KRT.ALLOWED_STATES/status=int,9/subStatus=int,9");
  auto acquisition = device("Acquisition");
  apmKrt* second = krtFor(*acquisition);
  EXPECT_EQ(std::vector<long long>({3, -1}), STATUS_FILT);
  EXPECT_EQ(gateway, GTW_UTCTIME);
  EXPECT_FALSE(second->supervision);
  EXPECT_EQ(1, driver->supervisionInitialisations());
}

TEST_F(KrtMapperTest, AllowedStatesAreAppendedAsReadAndSurviveBadFilters) {
  struct Row {
    std::string filterText;  // "" = not registered
    std::vector<long long> status;
    std::vector<long long> subStatus;
    bool warned;
  };
  const std::vector<Row> rows = {
      {"KRT.ALLOWED_STATES/status=int,3/subStatus=int,-1", {3}, {-1}, false},
      // Appended as read: while one list stays empty, every initialise appends again.
      {"KRT.ALLOWED_STATES/status=int,3,4", {3, 4, 3, 4}, {}, false},
      {"KRT.ALLOWED_STATES/status=string,on/subStatus=int,1", {}, {}, true},
      {"KRT.ALLOWED_STATES", {}, {}, true},
      {"", {}, {}, false},
  };
  for (const Row& row : rows) {
    SetUp();
    if (!row.filterText.empty()) allowStates(row.filterText);
    auto d = device("Acquisition");
    krtFor(*d);
    krtFor(*d);  // a second device reads again while a list is empty
    EXPECT_EQ(row.status, STATUS_FILT) << row.filterText;
    EXPECT_EQ(row.subStatus, SUBSTATUS_FILT) << row.filterText;
    EXPECT_EQ(row.warned, env().logged("filter [KRT.ALLOWED_STATES] could not be read")) << row.filterText;
    TearDown();
  }
}

TEST_F(KrtMapperTest, StateFilterMatchesPairsWithWildcards) {
  struct Row {
    std::vector<long long> status;
    std::vector<long long> subStatus;
    int s;
    int u;
    bool filtered;
  };
  const std::vector<Row> rows = {
      {{3, -1}, {-1, 5}, 3, 0, false}, {{3, -1}, {-1, 5}, 3, 99, false}, {{3, -1}, {-1, 5}, 7, 5, false},
      {{3, -1}, {-1, 5}, 4, 6, true},  {{3, -1}, {-1, 5}, -1, 6, true},  {{}, {}, 4, 6, false},
      {{3}, {}, 4, 6, false},          {{3, 4}, {-1}, 4, 0, true},  // only pairs present in both lists count
  };
  apmKrt krt;
  StandInProp prop(yoxtest::kKrtDevice, "Supervision");
  for (const Row& row : rows) {
    STATUS_FILT = row.status;
    SUBSTATUS_FILT = row.subStatus;
    prop.setTag<int>("status", {row.s});
    prop.setTag<int>("subStatus", {row.u});
    EXPECT_EQ(row.filtered, krt.applyFilter(&prop)) << row.s << "/" << row.u;
  }

  STATUS_FILT = {3};
  SUBSTATUS_FILT = {5};
  prop.setTag<double>("status", {3.0});  // unreadable status: nothing is filtered
  EXPECT_FALSE(krt.applyFilter(&prop));
  delete prop.tags["status"];
  prop.tags.erase("status");
  EXPECT_FALSE(krt.applyFilter(&prop));
}

TEST_F(KrtMapperTest, DeviceInDisallowedStateFreezesStatesAndValues) {
  allowStates();
  auto d = device();
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);

  KrtFrame first = frameNow();
  d->publish(first);
  EXPECT_EQ("", d->cycle(*krt).rejection);
  EXPECT_TRUE(d->target("quenchFlag").value.getAt<bool>(0));   // ST_QUENCH, element 2
  EXPECT_TRUE(d->target("heaterFlag").value.getAt<bool>(0));   // ST_HEATER, element 0
  EXPECT_EQ(-0.25f, d->target("uRes").value.getAt<float>(0));  // U_RES, element 1
  EXPECT_EQ(first.aqnMs, stampOf(d->target("uRes")));

  KrtFrame disallowed = nextFrame();
  disallowed.status = 4;
  disallowed.subStatus = 6;
  disallowed.states = {false, false, false};
  disallowed.values = {0, 7.5f, 0};
  d->publish(disallowed);
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("", outcome.rejection);
  for (const char* dpe : {"quenchFlag", "heaterFlag", "uRes"}) EXPECT_FALSE(outcome.in[dpe]) << dpe;
  EXPECT_TRUE(d->target("quenchFlag").value.getAt<bool>(0));
  EXPECT_EQ(-0.25f, d->target("uRes").value.getAt<float>(0));
  EXPECT_EQ(first.aqnMs, stampOf(d->target("uRes")));
  // Status words and the gateway's own tags go on.
  EXPECT_TRUE(outcome.in["fip"]);
  EXPECT_EQ(disallowed.gtwMs, stampOf(d->target("fip")));
  EXPECT_EQ(disallowed.gtwMs, d->target("gtwTime").value.getAt<long>(0));
  EXPECT_EQ(disallowed.aqnMs, stampOf(d->target("cmdStatus")));

  KrtFrame allowedAgain = nextFrame();
  allowedAgain.status = 7;
  allowedAgain.subStatus = 5;  // any status with sub-status 5
  allowedAgain.values = {0, 7.5f, 0};
  d->publish(allowedAgain);
  d->cycle(*krt);
  EXPECT_EQ(7.5f, d->target("uRes").value.getAt<float>(0));
  EXPECT_EQ(allowedAgain.aqnMs, stampOf(d->target("uRes")));
}

TEST_F(KrtMapperTest, StatusCommandIsDecodedByQualifier) {
  struct Row {
    char command;
    char status;
    char operation;
    char on;
  };
  const std::vector<Row> rows = {
      {0x5B, 0x58, 1, 1},
      {static_cast<char>(0xFF), static_cast<char>(0xF8), 3, 1},
      {0x04, 0x00, 2, 0},
      {0x01, 0x00, 0, 1},
  };
  auto d = device();
  apmKrt* krt = krtFor(*d);
  for (const Row& row : rows) {
    KrtFrame frame = nextFrame();
    frame.statusCmd = row.command;
    d->publish(frame);
    auto outcome = d->cycle(*krt);
    ASSERT_EQ("", outcome.rejection);
    EXPECT_EQ(row.status, d->target("cmdStatus").value.getAt<char>(0)) << int(row.command);
    EXPECT_EQ(row.operation, d->target("cmdOperation").value.getAt<char>(0)) << int(row.command);
    EXPECT_EQ(row.on, d->target("cmdOn").value.getAt<char>(0)) << int(row.command);
    EXPECT_TRUE(d->target("cmdOn").valid);
    EXPECT_EQ(frame.aqnMs / 1000, d->target("cmdOn").seconds);
    EXPECT_EQ(frame.aqnMs % 1000, d->target("cmdOn").millis);
  }
}

TEST_F(KrtMapperTest, FirstGatewayTimeIsCheckedAgainstTheHostClock) {
  struct Row {
    long long gtwMs;  // -1: the property lacks "gtwUtcTime"
    std::string reason;
  };
  const std::vector<Row> rows = {
      {0, "is equal to 0"},
      {kNow + 30000, "is too far (30000 ms) in the future, only 30000 ms allowed"},
      {kNow - 30000, "is too far (30000 ms) in the past, only 30000 ms allowed"},
      {-1, "is 1 ms older than in prev frame"},
  };
  for (const Row& row : rows) {
    SetUp();
    auto d = device();
    apmKrt* krt = krtFor(*d);
    KrtFrame frame = frameNow();
    frame.gtwMs = row.gtwMs;
    d->publish(frame);
    long long shown = row.gtwMs;
    if (row.gtwMs == -1) {
      delete d->prop.tags["gtwUtcTime"];
      d->prop.tags.erase("gtwUtcTime");
    }
    EXPECT_EQ(
        "gtwUtcTime " + row.reason + "\n\tprev gtwUtcTime: 0\n\t new gtwUtcTime: " + std::to_string(shown),
        d->cycle(*krt).rejection);
    EXPECT_EQ(1u, driver->invalid().size());
    TearDown();
  }
}

TEST_F(KrtMapperTest, RepeatedGatewayClockFreezesEveryTagUntilANewerTime) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  KrtFrame good = frameNow();
  d->publish(good);
  ASSERT_EQ("", d->cycle(*krt).rejection);
  EXPECT_FALSE(krt->watchdog());

  KrtFrame stuck = nextFrame();
  stuck.gtwMs = good.gtwMs;
  stuck.fip = false;
  stuck.circuit = 8;
  d->publish(stuck);
  const std::string g = std::to_string(good.gtwMs);
  for (int repeat = 0; repeat < 3; ++repeat) {
    auto outcome = d->cycle(*krt);
    EXPECT_EQ(
        "gtwUtcTime is the same as in prev frame\n\tprev gtwUtcTime: " + g + "\n\t new gtwUtcTime: " + g,
        outcome.rejection);
    for (const auto& in : outcome.in) EXPECT_FALSE(in.second) << in.first;
  }
  EXPECT_EQ(1u, driver->invalid().size());  // one notice per streak
  EXPECT_EQ(yoxtest::kKrtDevice, driver->invalid()[0]->getDevice());
  EXPECT_TRUE(driver->invalid()[0]->tags.empty());
  EXPECT_TRUE(d->target("fip").value.getAt<bool>(0));
  EXPECT_EQ(4, d->target("circuit").value.getAt<int>(0));
  EXPECT_EQ(good.gtwMs, stampOf(d->target("circuit")));

  EXPECT_TRUE(krt->watchdog());
  env().advance(30000);
  EXPECT_TRUE(krt->watchdog());
  env().advance(1);
  EXPECT_EQ("watchdog event has happened", manMessage([&] { krt->watchdog(); }));
  EXPECT_EQ("watchdog event has happened", manMessage([&] { krt->watchdog(); }));

  KrtFrame recovered = frameNow();
  d->publish(recovered);
  EXPECT_EQ("", d->cycle(*krt).rejection);
  EXPECT_FALSE(krt->watchdog());
  EXPECT_EQ(recovered.gtwMs, stampOf(d->target("circuit")));
  EXPECT_EQ(1u, driver->invalid().size());
}

TEST_F(KrtMapperTest, AcquisitionClockFaultStillUpdatesGatewayTags) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);
  KrtFrame good = frameNow();
  d->publish(good);
  ASSERT_EQ("", d->cycle(*krt).rejection);

  KrtFrame stale = nextFrame();
  stale.aqnMs = good.aqnMs;
  stale.circuit = 2;
  stale.logging = false;
  stale.statusCmd = 0;
  stale.states = {false, false, false};
  d->publish(stale);
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("aqnUtcTime is the same as in prev frame\n\tprev gtwUtcTime: " + std::to_string(good.gtwMs) +
                "\n\tprev aqnUtcTime: " + std::to_string(good.aqnMs) + "\n\t new gtwUtcTime: " +
                std::to_string(stale.gtwMs) + "\n\t new aqnUtcTime: " + std::to_string(stale.aqnMs),
            outcome.rejection);
  for (const char* dpe : {"fip", "logging", "quenchTime", "aqnTime", "gtwTime", "circuit"}) {
    EXPECT_TRUE(outcome.in[dpe]) << dpe;
  }
  for (const char* dpe : {"cmdStatus", "cmdOperation", "cmdOn", "quenchFlag", "heaterFlag", "uRes"}) {
    EXPECT_FALSE(outcome.in[dpe]) << dpe;
  }
  EXPECT_EQ(2, d->target("circuit").value.getAt<int>(0));
  EXPECT_FALSE(d->target("logging").value.getAt<bool>(0));
  EXPECT_EQ(good.aqnMs, d->target("aqnTime").value.getAt<long>(0));  // the last accepted one
  EXPECT_EQ(stale.gtwMs, stampOf(d->target("aqnTime")));
  EXPECT_TRUE(d->target("quenchFlag").value.getAt<bool>(0));
  EXPECT_EQ(1u, driver->invalid().size());
  EXPECT_TRUE(krt->watchdog());

  KrtFrame older = nextFrame();
  older.aqnMs = good.aqnMs - 40;
  d->publish(older);
  EXPECT_EQ(0u, d->cycle(*krt).rejection.find("aqnUtcTime is 40 ms older than in prev frame\n"));
  EXPECT_EQ(1u, driver->invalid().size());

  d->publish(nextFrame());
  outcome = d->cycle(*krt);
  EXPECT_EQ("", outcome.rejection);
  EXPECT_TRUE(outcome.in["quenchFlag"]);
  EXPECT_FALSE(krt->watchdog());
}

TEST_F(KrtMapperTest, FipDownSkipsTheAcquisitionCheckAndFreezesAcquisitionData) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);
  KrtFrame good = frameNow();
  d->publish(good);
  d->cycle(*krt);

  KrtFrame down = nextFrame();
  down.fip = false;
  down.aqnMs = good.aqnMs;  // would be rejected if it were checked
  down.statusCmd = 0;
  d->publish(down);
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("", outcome.rejection);
  EXPECT_TRUE(outcome.in["fip"]);
  EXPECT_FALSE(d->target("fip").value.getAt<bool>(0));
  for (const char* dpe : {"cmdStatus", "quenchFlag", "uRes"}) EXPECT_FALSE(outcome.in[dpe]) << dpe;
  EXPECT_EQ(0x58, d->target("cmdStatus").value.getAt<char>(0));
  EXPECT_FALSE(krt->watchdog());
  EXPECT_TRUE(driver->invalid().empty());
}

TEST_F(KrtMapperTest, MissingOrUnreadableFipRejectsLikeAGatewayFault) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  delete d->prop.tags["sT_FIP"];
  d->prop.tags.erase("sT_FIP");
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("Can't get sT_FIP", outcome.rejection);
  for (const auto& in : outcome.in) EXPECT_FALSE(in.second) << in.first;

  KrtFrame next = nextFrame();
  d->publish(next);
  d->prop.setTag<std::string>("sT_FIP", {"yes"});
  EXPECT_EQ("Can't get sT_FIP", d->cycle(*krt).rejection);
  EXPECT_EQ(1u, driver->invalid().size());
  EXPECT_TRUE(krt->watchdog());
}

TEST_F(KrtMapperTest, UnreadableTimeStampLeavesBeginWithoutStartingAStreak) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  d->prop.setTag<std::string>("gtwUtcTime", {"soon"});
  EXPECT_ANY_THROW(krt->begin(&d->prop));
  EXPECT_FALSE(krt->watchdog());
  EXPECT_TRUE(driver->invalid().empty());
}

TEST_F(KrtMapperTest, OtherPropertiesNeitherNotifyTheHostNorWatch) {
  auto d = device("Acquisition");
  apmKrt* krt = krtFor(*d);
  KrtFrame good = frameNow();
  d->publish(good);
  d->cycle(*krt);
  d->publish(good);  // the same gateway time again
  EXPECT_EQ(0u, d->cycle(*krt).rejection.find("gtwUtcTime is the same"));
  EXPECT_TRUE(driver->invalid().empty());
  EXPECT_EQ(0, driver->supervisionNotifications());
  env().advance(100000);
  EXPECT_FALSE(krt->watchdog());
  EXPECT_FALSE(krt->watchdogPermanent());
}

TEST_F(KrtMapperTest, SupervisionGoingSilentFiresThePermanentWatchdog) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  EXPECT_TRUE(krt->watchdogPermanent());
  env().advance(30000);
  EXPECT_TRUE(krt->watchdogPermanent());
  env().advance(1);
  EXPECT_EQ("watchdog event has happened", manMessage([&] { krt->watchdogPermanent(); }));
  EXPECT_EQ("watchdog event has happened", manMessage([&] { krt->watchdogPermanent(); }));

  KrtFrame good = frameNow();
  d->publish(good);
  d->cycle(*krt);
  EXPECT_TRUE(krt->watchdogPermanent());
  EXPECT_EQ(2, driver->supervisionNotifications());  // initialise, then the accepted begin

  // Rejected updates do not count as the device being alive.
  env().advance(20000);
  d->publish(good);
  ASSERT_NE("", d->cycle(*krt).rejection);
  env().advance(10001);
  EXPECT_EQ("watchdog event has happened", manMessage([&] { krt->watchdogPermanent(); }));
}

TEST_F(KrtMapperTest, AQuenchIsReportedToTheContextPseudoMappersOfTheDevice) {
  StandInProp context("B15R3.CONTEXT", "FaultKeys", filter("B15R3.CONTEXT"));
  apmKrtPseudo* pseudo = pseudoFor(context);
  driver->filters().setFilter(
      "B16R3.CONTEXT/Devices=string,DQQDS.B16R3/devices=string,DQQDS.B16R3"
      "/fipMezzanines=int,3/fipAddresses=int,18/fipCircuits=byte,0");
  StandInProp neighbourContext("B16R3.CONTEXT", "FaultKeys", filter("B16R3.CONTEXT"));
  apmKrtPseudo* neighbour = pseudoFor(neighbourContext);

  auto d = device();
  apmKrt* krt = krtFor(*d);
  KrtFrame calm = frameNow();
  d->publish(calm);
  d->cycle(*krt);
  ASSERT_EQ(1u, driver->delivered().size());  // the first cycle tells the pseudo mapper once
  EXPECT_EQ("B15R3.CONTEXT", driver->delivered()[0]->getDevice());
  EXPECT_TRUE(shownKeys(*pseudo).empty());

  KrtFrame quench = nextFrame();
  quench.quenchMs = quench.gtwMs - 120;
  d->publish(quench);
  auto outcome = d->cycle(*krt, false);  // the host sees the quenched circuit as invalid
  EXPECT_EQ(quench.quenchMs, d->target("quenchTime").value.getAt<long>(0));
  EXPECT_EQ(quench.gtwMs, stampOf(d->target("quenchTime")));
  ASSERT_EQ(2u, driver->delivered().size());
  EXPECT_EQ(std::vector<int>({yoxtest::kKrtDeviceKey}), shownKeys(*pseudo));
  EXPECT_TRUE(neighbour->keys.empty());

  d->publish(nextFrame());
  d->cycle(*krt, false);  // still in fault: nothing new to tell
  EXPECT_EQ(2u, driver->delivered().size());

  d->publish(nextFrame());
  d->cycle(*krt);
  ASSERT_EQ(3u, driver->delivered().size());
  EXPECT_TRUE(pseudo->keys.empty());
  EXPECT_TRUE(shownKeys(*pseudo).empty());
}

TEST_F(KrtMapperTest, ValidPropertyDuringARejectionStreakLeavesEverythingAlone) {
  StandInProp context("B15R3.CONTEXT", "FaultKeys", filter("B15R3.CONTEXT"));
  apmKrtPseudo* pseudo = pseudoFor(context);
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  d->cycle(*krt, false);
  ASSERT_EQ(std::vector<long long>({yoxtest::kKrtDeviceKey}), std::vector<long long>(pseudo->keys));
  const size_t delivered = driver->delivered().size();

  KrtFrame repeat = frameNow();
  d->publish(repeat);
  EXPECT_NE("", manMessage([&] { krt->begin(&d->prop); }));
  krt->validate(&d->prop, true, nullptr);
  krt->end(&d->prop);
  EXPECT_EQ(delivered, driver->delivered().size());
  EXPECT_EQ(1u, pseudo->keys.size());
}

TEST_F(KrtMapperTest, ContextMapperWithoutFilterIsRefusedOnce) {
  StandInProp bare("B15R3.CONTEXT", "FaultKeys");
  pseudoFor(bare);
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  EXPECT_EQ("No context filter found", d->cycle(*krt).rejection);
  d->publish(nextFrame());
  EXPECT_EQ("", d->cycle(*krt).rejection);
  EXPECT_TRUE(krt->pseudos->empty());
}

TEST_F(KrtMapperTest, UnusableContextFiltersAreSkippedWithoutLosingTheOthers) {
  StandInProp good("B15R3.CONTEXT", "FaultKeys", filter("B15R3.CONTEXT"));
  apmKrtPseudo* pseudo = pseudoFor(good);
  driver->filters().setFilter(
      "SHORT.CONTEXT/Devices=string,DQQDS.B15R3/devices=string,DQQDS.X,DQQDS.B15R3"
      "/fipMezzanines=int,3,3/fipAddresses=int,17/fipCircuits=byte,1,1");
  StandInProp shortLists("SHORT.CONTEXT", "FaultKeys", filter("SHORT.CONTEXT"));
  apmKrtPseudo* shortPseudo = pseudoFor(shortLists);
  driver->filters().setFilter("NAMED.CONTEXT");
  StandInProp named("NAMED.CONTEXT", "FaultKeys", filter("NAMED.CONTEXT"));
  pseudoFor(named);
  driver->filters().setFilter("NODEV.CONTEXT/devices=string,DQQDS.B15R3");
  StandInProp noDevices("NODEV.CONTEXT", "FaultKeys", filter("NODEV.CONTEXT"));
  pseudoFor(noDevices);

  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  EXPECT_EQ("", d->cycle(*krt, false).rejection);
  ASSERT_EQ(2u, krt->pseudos->size());
  EXPECT_TRUE(
      env().logged("krt.pseudo context filter [NAMED.CONTEXT] could not be read, device [DQQDS.B15R3] "
                   "will not report to it: "));
  EXPECT_TRUE(
      env().logged("-no fault key for device [DQQDS.B15R3] circuit [4]: krt.pseudo context filter "
                   "[SHORT.CONTEXT/Devices=string,DQQDS.B15R3/devices=string,DQQDS.X,DQQDS.B15R3"
                   "/fipMezzanines=int,3,3/fipAddresses=int,17/fipCircuits=byte,1,1] list "
                   "[fipAddresses] has [1] elements, device [DQQDS.B15R3] is element [1] of [devices]"));
  EXPECT_TRUE(shortPseudo->keys.empty());
  EXPECT_EQ(std::vector<long long>({yoxtest::kKrtDeviceKey}), std::vector<long long>(pseudo->keys));
  EXPECT_EQ(1u, driver->delivered().size());
}

TEST_F(KrtMapperTest, SubscribingResolvesStateAndValueNamesFromParameter) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  auto handler = subscribe(*krt);
  EXPECT_EQ(2, d->elementIndex("quenchFlag"));
  EXPECT_EQ(0, d->elementIndex("heaterFlag"));
  EXPECT_EQ(1, d->elementIndex("uRes"));
  EXPECT_EQ(-1, d->elementIndex("cmdStatus"));
  EXPECT_EQ(std::vector<std::string>({"Parameter", "Supervision"}), handler->propertyHistory);
  EXPECT_EQ("Supervision", handler->getProperty());
  EXPECT_EQ(1, handler->monitorOnCount);
  const auto& records = env().records();
  const long dumps = std::count_if(records.begin(), records.end(), [](const yoxhost::LogRecord& r) {
    return r.type == 3 &&
           r.text.find("apm data dump: imapHw2Vuq mapping object. Address [0x") != std::string::npos;
  });
  EXPECT_EQ(12, dumps);
  EXPECT_TRUE(env().logged("] hardware tag [values:] hardware tag qualifier [U_RES] apmData [1]"));

  // The low-rate supervision property resolves too; other properties only subscribe.
  ScriptedHandler low(yoxtest::kKrtDevice, "SupervisionLow");
  low.answer("Parameter", *KrtDevice::parameters());
  krt->monitorOn(low, nullptr);
  EXPECT_EQ(1, low.getSyncCount);
  ScriptedHandler acquisition(yoxtest::kKrtDevice, "Acquisition");
  krt->monitorOn(acquisition, nullptr);
  EXPECT_EQ(0, acquisition.getSyncCount);
  EXPECT_EQ(1, acquisition.monitorOnCount);
}

TEST_F(KrtMapperTest, UnknownElementNameLeavesItsTagUntouched) {
  auto d = device();
  d->map<bool>("ghost", "states:", "ST_MISSING", {false});
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);
  EXPECT_EQ(-1, d->elementIndex("ghost"));
  EXPECT_TRUE(env().logged("getSubIndex:"));
  EXPECT_TRUE(
      env().logged("-Bad mapping for hardware tag [states:] hardware tag qualifier [ST_MISSING], "
                   "exception: Failed to find string [ST_MISSING] in list of strings sz [3] strings "
                   "[ST_HEATER, ST_POWER, ST_QUENCH]"));

  d->publish(frameNow());
  auto outcome = d->cycle(*krt);
  EXPECT_TRUE(outcome.in["ghost"]);
  EXPECT_FALSE(d->target("ghost").valid);
  EXPECT_EQ(0, d->target("ghost").seconds);
  EXPECT_TRUE(
      env().logged("-Failed to retrieve apm data at index [-1] from tag [states], tag size [3]. Mapper "
                   "object dump: imapHw2Vuq mapping object. Address [0x"));
  EXPECT_TRUE(env().logged("] hardware tag [states:] hardware tag qualifier [ST_MISSING] apmData [-1]"));
}

TEST_F(KrtMapperTest, ParameterProblemsAreLoggedAndTheSubscriptionGoesOn) {
  auto d = device();
  apmKrt* krt = krtFor(*d);

  ScriptedHandler noValues(yoxtest::kKrtDevice, "Supervision");
  yox::auto_ptr<yox::data::Data> statesOnly = yox::data::DataFactory::createData();
  const char* quench[] = {"ST_QUENCH"};
  statesOnly->appendArray("statesName", quench, 1);
  statesOnly->append("valuesName", "U_RES");  // names are read strictly as string arrays
  noValues.answer("Parameter", *statesOnly);
  krt->monitorOn(noValues, nullptr);
  EXPECT_EQ(0, d->elementIndex("quenchFlag"));
  EXPECT_EQ(-1, d->elementIndex("uRes"));
  EXPECT_TRUE(
      env().logged("-Bad mapping for hardware tag [values:] hardware tag qualifier [U_RES], exception: "));
  EXPECT_EQ(1, noValues.monitorOnCount);

  ScriptedHandler failing(yoxtest::kKrtDevice, "Supervision");
  failing.fail("Parameter", "gateway DQQDS.B15R3 not reachable");
  krt->monitorOn(failing, nullptr);
  EXPECT_TRUE(
      env().logged("-apm [krt] FAILED. SyncGet for device [DQQDS.B15R3] original property [Supervision] "
                   "targetProperty [Parameter], threw VUQ exception, message: gateway DQQDS.B15R3 not "
                   "reachable"));
  EXPECT_TRUE(env().logged("getSubIndex:"));
  EXPECT_TRUE(env().logged("-Failed to retrieve values for property [Parameter], exiting"));
  EXPECT_TRUE(env().logged("monitorOn:"));
  EXPECT_TRUE(env().logged("-apm [krt] getSubIndex failed"));
  EXPECT_EQ("Supervision", failing.getProperty());
  EXPECT_EQ(1, failing.monitorOnCount);
  EXPECT_EQ(0, d->elementIndex("quenchFlag"));  // indexes already resolved stay
}

TEST_F(KrtMapperTest, EqualTimeRejectionFollowsTheExactConfigurationText) {
  struct Row {
    const char* value;
    bool rejected;
  };
  for (const Row& row : std::vector<Row>{{"No", true}, {"no", false}, {"yes", true}}) {
    SetUp();
    driver->setConfig("cfgKrtRejEqTime", row.value);
    driver->setConfig("cfgKrtWatchdog", "5000");
    auto d = device();
    apmKrt* krt = krtFor(*d);
    EXPECT_EQ(5000, TO_WATCHDOG);
    KrtFrame frame = frameNow();
    d->publish(frame);
    d->cycle(*krt);
    d->publish(frame);
    EXPECT_EQ(row.rejected, !d->cycle(*krt).rejection.empty()) << row.value;
    TearDown();
  }
}

TEST_F(KrtMapperTest, ReinitialiseReplacesTheElementIndexes) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);
  ASSERT_EQ(2, d->elementIndex("quenchFlag"));
  apm* same = krt;
  qivlib_apmCreate(same, qivlib_apmInfo("krt"), &d->prop);
  EXPECT_EQ(krt, same);
  EXPECT_EQ(-1, d->elementIndex("quenchFlag"));
  subscribe(*krt);
  EXPECT_EQ(2, d->elementIndex("quenchFlag"));
}

TEST_F(KrtMapperTest, UnreadableSourcesMarkTheirTagsNoData) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);
  d->publish(frameNow());
  delete d->prop.tags["circuit"];
  d->prop.tags.erase("circuit");
  d->prop.setTag<int>("values", {1, 2, 3});  // not floats
  d->target("logging").value = VUQ_VARS();   // a host tag without a type
  auto outcome = d->cycle(*krt);
  for (const char* dpe : {"circuit", "uRes", "logging"}) {
    EXPECT_TRUE(outcome.in[dpe]) << dpe;
    EXPECT_TRUE(d->target(dpe).noData) << dpe;
    EXPECT_FALSE(d->target(dpe).valid) << dpe;
  }
  EXPECT_FALSE(d->target("fip").noData);
  EXPECT_TRUE(d->target("fip").valid);
}

TEST_F(KrtMapperTest, StopFlagEndsBeginBeforeAnyCheck) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  d->prop.stopFlag = true;
  delete d->prop.tags["sT_FIP"];
  d->prop.tags.erase("sT_FIP");
  EXPECT_EQ("", manMessage([&] { krt->begin(&d->prop); }));
  EXPECT_EQ(0, krt->gtwTime);
}

}  // namespace
