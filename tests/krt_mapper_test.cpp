// The protection-system mapper where the golden scenarios do not reach: circuits and
// allowed states from odd filters, clock faults and their message templates, unusable
// context filters, "Parameter" problems, unreadable sources and re-initialisation.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "apm/krt/apmKrtCompanions.h"
#include "data/DataFactory.h"
#include "host/ScriptedHandler.h"
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
    driver->filters().setFilter(yoxtest::kKrtDeviceFilter);
    driver->filters().setFilter(yoxtest::kKrtContextFilter);
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
  std::unique_ptr<ScriptedHandler> subscribe(apmKrt& krt) {
    std::unique_ptr<ScriptedHandler> handler(new ScriptedHandler(yoxtest::kKrtDevice, "Supervision"));
    handler->answer("Parameter", *KrtDevice::parameters());
    krt.monitorOn(*handler, nullptr);
    return handler;
  }
  apmKrtPseudo* pseudoFor(const std::string& filterText) {
    const std::string name = filterText.substr(0, filterText.find('/'));
    driver->filters().setFilter(filterText);
    contexts.emplace_back(new StandInProp(name, "FaultKeys", filter(name)));
    contexts.back()->addMapping("faults", "", "contents");
    return static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", contexts.back().get()));
  }
  // A publication stamped just before the host clock; nextFrame advances the clock first.
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
  static long long stampOf(const qivTag& tag) { return tag.seconds * 1000 + tag.millis; }
  std::vector<std::unique_ptr<StandInProp>> contexts;
};

TEST_F(KrtMapperTest, CircuitBitComesFromTheDeviceFilterByte) {
  const std::vector<std::pair<std::string, int>> rows = {{"c/circuit=byte,0", 1},
                                                         {"c/circuit=byte,1", 2},
                                                         {"c/circuit=byte,2", 4},
                                                         {"c/circuit=byte,3", 8},
                                                         {"c/circuit=byte,7", -1},
                                                         {"c/circuit=byte,-1", -1},
                                                         {"c/other=int,1", -1},
                                                         {"c/circuit=int,2", -1},
                                                         {"c", -1},
                                                         {"", -1}};
  apmKrt krt;
  for (const auto& row : rows) {
    boost::shared_ptr<Filters::Filter> f;
    if (!row.first.empty()) f.reset(new Filters::Filter(row.first));
    StandInProp prop(yoxtest::kKrtDevice, "Supervision", f);
    EXPECT_EQ(row.second, krt.getCircuit(&prop)) << row.first;
  }
}

TEST_F(KrtMapperTest, AllowedStatesAreReadWhileEmptyAndSurviveBadFilters) {
  struct Row {
    std::string filterText;
    std::vector<long long> status, subStatus;
    bool warned;
  };
  const std::vector<Row> rows = {
      {"KRT.ALLOWED_STATES/status=int,3,-1/subStatus=int,-1,5", {3, -1}, {-1, 5}, false},
      // appended as read: while one list stays empty, every initialise appends again
      {"KRT.ALLOWED_STATES/status=int,3,4", {3, 4, 3, 4}, {}, false},
      {"KRT.ALLOWED_STATES/status=string,on/subStatus=int,1", {}, {}, true},
      {"KRT.ALLOWED_STATES", {}, {}, true},
  };
  for (const Row& row : rows) {
    resetGlobals();
    env().clearRecords();
    driver->filters().setFilter(row.filterText);
    auto d = device("Acquisition");
    krtFor(*d);
    krtFor(*d);
    EXPECT_EQ(row.status, STATUS_FILT) << row.filterText;
    EXPECT_EQ(row.subStatus, SUBSTATUS_FILT) << row.filterText;
    EXPECT_EQ(row.warned, env().logged("filter [KRT.ALLOWED_STATES] could not be read")) << row.filterText;
  }
}

TEST_F(KrtMapperTest, StateFilterMatchesPairsWithWildcards) {
  struct Row {
    std::vector<long long> status, subStatus;
    int s, u;
    bool filtered;
  };
  const std::vector<Row> rows = {
      {{3, -1}, {-1, 5}, 3, 99, false}, {{3, -1}, {-1, 5}, 7, 5, false},
      {{3, -1}, {-1, 5}, 4, 6, true},   {{}, {}, 4, 6, false},
      {{3}, {}, 4, 6, false},           {{3, 4}, {-1}, 4, 0, true},  // only pairs present in both lists count
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
  prop.setTag<double>("status", {4.0});  // unreadable status: nothing is filtered
  EXPECT_FALSE(krt.applyFilter(&prop));
}

TEST_F(KrtMapperTest, FirstGatewayTimeIsCheckedAgainstTheHostClock) {
  const std::vector<std::pair<long long, std::string>> rows = {
      {0, "is equal to 0"},
      {kNow + 30000, "is too far (30000 ms) in the future, only 30000 ms allowed"},
      {kNow - 30000, "is too far (30000 ms) in the past, only 30000 ms allowed"},
      {-1, "is 1 ms older than in prev frame"},  // -1: the property lacks "gtwUtcTime"
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    auto d = device();
    apmKrt* krt = krtFor(*d);
    KrtFrame frame = frameNow();
    frame.gtwMs = rows[i].first;
    d->publish(frame);
    if (rows[i].first == -1) {
      delete d->prop.tags["gtwUtcTime"];
      d->prop.tags.erase("gtwUtcTime");
    }
    EXPECT_EQ("gtwUtcTime " + rows[i].second +
                  "\n\tprev gtwUtcTime: 0\n\t new gtwUtcTime: " + std::to_string(rows[i].first),
              d->cycle(*krt).rejection);
    EXPECT_EQ(i + 1, driver->invalid().size());
  }
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
  d->publish(stale);
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("aqnUtcTime is the same as in prev frame\n\tprev gtwUtcTime: " + std::to_string(good.gtwMs) +
                "\n\tprev aqnUtcTime: " + std::to_string(good.aqnMs) + "\n\t new gtwUtcTime: " +
                std::to_string(stale.gtwMs) + "\n\t new aqnUtcTime: " + std::to_string(stale.aqnMs),
            outcome.rejection);
  for (const char* dpe : {"fip", "logging", "quenchTime", "aqnTime", "gtwTime", "circuit"})
    EXPECT_TRUE(outcome.in[dpe]) << dpe;
  for (const char* dpe : {"cmdStatus", "cmdOperation", "cmdOn", "quenchFlag", "heaterFlag", "uRes"})
    EXPECT_FALSE(outcome.in[dpe]) << dpe;
  EXPECT_EQ(2, d->target("circuit").value.getAt<int>(0));
  EXPECT_EQ(good.aqnMs, d->target("aqnTime").value.getAt<long>(0));  // the last accepted one
  EXPECT_EQ(1u, driver->invalid().size());
  expectWatchdogFiresAfter(TO_WATCHDOG, [&] { return krt->watchdog(); });

  d->publish(nextFrame());
  EXPECT_EQ("", d->cycle(*krt).rejection);
  EXPECT_FALSE(krt->watchdog());
}

TEST_F(KrtMapperTest, FipDownSkipsTheAcquisitionCheckAndFreezesAcquisitionData) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
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
  EXPECT_FALSE(outcome.in["cmdStatus"]);
  EXPECT_EQ(0x58, d->target("cmdStatus").value.getAt<char>(0));
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
  d->publish(nextFrame());
  d->prop.setTag<std::string>("sT_FIP", {"yes"});
  EXPECT_EQ("Can't get sT_FIP", d->cycle(*krt).rejection);
  EXPECT_EQ(1u, driver->invalid().size());
  EXPECT_TRUE(krt->watchdog());
}

TEST_F(KrtMapperTest, UnreadableTimeStampOrStopFlagLeavesBeginWithoutAStreak) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  d->prop.setTag<std::string>("gtwUtcTime", {"soon"});
  EXPECT_ANY_THROW(krt->begin(&d->prop));
  d->prop.stopFlag = true;
  EXPECT_EQ("", manMessage([&] { krt->begin(&d->prop); }));
  EXPECT_EQ(0, krt->gtwTime);
  EXPECT_FALSE(krt->watchdog());
  EXPECT_TRUE(driver->invalid().empty());
}

TEST_F(KrtMapperTest, OtherPropertiesNeitherNotifyTheHostNorWatch) {
  auto d = device("Acquisition");
  apmKrt* krt = krtFor(*d);
  KrtFrame good = frameNow();
  d->publish(good);
  d->cycle(*krt);
  d->publish(good);
  EXPECT_EQ(0u, d->cycle(*krt).rejection.find("gtwUtcTime is the same"));
  EXPECT_TRUE(driver->invalid().empty());
  EXPECT_EQ(0, driver->supervisionNotifications());
  env().advance(100000);
  EXPECT_FALSE(krt->watchdog());
  EXPECT_FALSE(krt->watchdogPermanent());
}

TEST_F(KrtMapperTest, RejectedUpdatesDoNotKeepThePermanentWatchdogQuiet) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  KrtFrame good = frameNow();
  d->publish(good);
  d->cycle(*krt);
  env().advance(20000);
  d->publish(good);
  ASSERT_NE("", d->cycle(*krt).rejection);
  expectWatchdogFiresAfter(10000, [&] { return krt->watchdogPermanent(); });
}

TEST_F(KrtMapperTest, FaultKeysReachOnlyUsableContextsAndAValidPropertyInAStreakChangesNothing) {
  apmKrtPseudo* pseudo = pseudoFor(yoxtest::kKrtContextFilter);
  apmKrtPseudo* shortLists = pseudoFor(
      "SHORT.CONTEXT/Devices=string,DQQDS.B15R3/devices=string,DQQDS.X,DQQDS.B15R3"
      "/fipMezzanines=int,3,3/fipAddresses=int,17/fipCircuits=byte,1,1");
  pseudoFor("NAMED.CONTEXT");
  pseudoFor("NODEV.CONTEXT/devices=string,DQQDS.B15R3");
  auto d = device();
  apmKrt* krt = krtFor(*d);
  KrtFrame quench = frameNow();
  quench.quenchMs = quench.gtwMs - 120;
  d->publish(quench);
  EXPECT_EQ("", d->cycle(*krt, false).rejection);
  EXPECT_EQ(quench.quenchMs, d->target("quenchTime").value.getAt<long>(0));
  ASSERT_EQ(2u, krt->pseudos->size());
  EXPECT_TRUE(
      env().logged("krt.pseudo context filter [NAMED.CONTEXT] could not be read, device [DQQDS.B15R3] will "
                   "not report to it: "));
  EXPECT_TRUE(
      env().logged("-no fault key for device [DQQDS.B15R3] circuit [4]: krt.pseudo context filter "
                   "[SHORT.CONTEXT/"));
  EXPECT_TRUE(shortLists->keys.empty());
  EXPECT_EQ(std::vector<long long>({yoxtest::kKrtDeviceKey}), std::vector<long long>(pseudo->keys));
  EXPECT_EQ(1u, driver->delivered().size());
  d->publish(nextFrame());
  d->cycle(*krt, false);  // still in fault: nothing new to tell
  EXPECT_EQ(1u, driver->delivered().size());
  d->publish(frameNow());  // the same times: rejected, then validated as fine
  EXPECT_NE("", manMessage([&] { krt->begin(&d->prop); }));
  krt->validate(&d->prop, true, nullptr);
  krt->end(&d->prop);
  EXPECT_EQ(1u, driver->delivered().size());
  EXPECT_EQ(1u, pseudo->keys.size());
}

TEST_F(KrtMapperTest, ContextMapperWithoutFilterIsRefusedOnce) {
  StandInProp bare("B15R3.CONTEXT", "FaultKeys");
  bare.addMapping("faults", "", "contents");
  driver->createMapper("krt.pseudo", &bare);
  auto d = device();
  apmKrt* krt = krtFor(*d);
  d->publish(frameNow());
  EXPECT_EQ("No context filter found", d->cycle(*krt).rejection);
  d->publish(nextFrame());
  EXPECT_EQ("", d->cycle(*krt).rejection);
  EXPECT_TRUE(krt->pseudos->empty());
}

TEST_F(KrtMapperTest, UnknownElementNameLeavesItsTagUntouched) {
  auto d = device();
  d->map<bool>("ghost", "states:", "ST_MISSING", {false});
  apmKrt* krt = krtFor(*d);
  subscribe(*krt);
  EXPECT_EQ(-1, d->elementIndex("ghost"));
  EXPECT_EQ(2, d->elementIndex("quenchFlag"));
  EXPECT_TRUE(
      env().logged("-Bad mapping for hardware tag [states:] hardware tag qualifier [ST_MISSING], "
                   "exception: Failed to find string [ST_MISSING] in list of strings sz [3] strings "
                   "[ST_HEATER, ST_POWER, ST_QUENCH]"));
  d->publish(frameNow());
  auto outcome = d->cycle(*krt);
  EXPECT_TRUE(outcome.in["ghost"]);
  EXPECT_FALSE(d->target("ghost").valid);
  EXPECT_TRUE(
      env().logged("-Failed to retrieve apm data at index [-1] from tag [states], tag size [3]. Mapper "
                   "object dump: imapHw2Vuq mapping object. Address [0x"));
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

  ScriptedHandler failing(yoxtest::kKrtDevice, "Supervision");
  failing.fail("Parameter", "gateway DQQDS.B15R3 not reachable");
  krt->monitorOn(failing, nullptr);
  for (const char* text :
       {"-apm [krt] FAILED. SyncGet for device [DQQDS.B15R3] original property [Supervision] "
        "targetProperty [Parameter], threw VUQ exception, message: gateway DQQDS.B15R3 not "
        "reachable",
        "-Failed to retrieve values for property [Parameter], exiting", "-apm [krt] getSubIndex failed"})
    EXPECT_TRUE(env().logged(text)) << text;
  EXPECT_EQ("Supervision", failing.getProperty());
  EXPECT_EQ(1, failing.monitorOnCount);
  EXPECT_EQ(0, d->elementIndex("quenchFlag"));  // indexes already resolved stay
  // The low-rate supervision property resolves names too; other properties only subscribe.
  for (const char* property : {"SupervisionLow", "Acquisition"}) {
    ScriptedHandler other(yoxtest::kKrtDevice, property);
    other.answer("Parameter", *KrtDevice::parameters());
    krt->monitorOn(other, nullptr);
    EXPECT_EQ(property[0] == 'S' ? 1 : 0, other.getSyncCount) << property;
  }

  apm* same = krt;  // initialising again forgets them
  qivlib_apmCreate(same, qivlib_apmInfo("krt"), &d->prop);
  EXPECT_EQ(-1, d->elementIndex("quenchFlag"));
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
  EXPECT_TRUE(d->target("fip").valid);
}

}  // namespace
