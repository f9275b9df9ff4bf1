// The protection-system mapper and its companions where the golden scenarios do not
// reach: circuits and allowed states from odd filters, clock faults and their message
// templates, unusable context filters, "Parameter" problems, unreadable sources, fault
// keys from odd context lists, and the survey and wait-time mappers on short, missing
// or mistyped sources.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "apm/krt/apmKrtCompanions.h"
#include "data/DataFactory.h"
#include "host/ScriptedHandler.h"
#include "support/MapperHarness.h"

namespace {

using yoxhost::ScriptedHandler;
using yoxhost::StandInProp;
using yoxtest::manMessage;

// The context and device filters of the B15R3 crate: two devices on mezzanine 3,
// FIP addresses 17 and 18.
constexpr const char* kKrtDevice = "DQQDS.B15R3";
constexpr const char* kKrtDeviceFilter = "B15R3.CIRCUIT/circuit=byte,2";  // circuit bit 4
constexpr const char* kKrtContextFilter =
    "B15R3.CONTEXT/Devices=string,DQQDS.B15R3,DQQDS.B16R3/devices=string,DQQDS.B15R3,DQQDS.B16R3"
    "/fipMezzanines=int,3,3/fipAddresses=int,17,18/fipCircuits=byte,1,0";

// A protection-system device as the tests operate it: its gateway publishes the
// "Supervision" property with the status words, a state array and a value array
// (whose element names the device's "Parameter" property lists), and gateway,
// acquisition and quench times in nanoseconds.
class KrtDevice : public yoxtest::HostAddress {
 public:
  KrtDevice(boost::shared_ptr<Filters::Filter> filter, const std::string& property)
      : HostAddress(kKrtDevice, property, filter) {
    map<bool>("fip", "sT_FIP", "", {false});
    map<bool>("logging", "sT_LOGGING", "", {false});
    map<char>("cmdStatus", "statusCmd", "STATUS", {0});
    map<char>("cmdOn", "statusCmd", "ON", {0});
    map<bool>("quenchFlag", "states:", "ST_QUENCH", {false});
    map<float>("uRes", "values:", "U_RES", {0});
    map<long>("quenchTime", "quenchUtcTime", "", {0});
    map<long>("aqnTime", "aqnUtcTime", "", {0});
    map<long>("gtwTime", "gtwUtcTime", "", {0});
    map<int>("circuit", "circuit", "", {0});
  }

  // Puts a publication into the property, replacing the previous one. Times in
  // milliseconds since the epoch (sent as ns).
  void publish(long long gtwMs, long long aqnMs, bool fip = true, char statusCmd = 0x5B) {
    prop.setTag<bool>("sT_FIP", {fip});
    prop.setTag<bool>("sT_LOGGING", {true});
    prop.setTag<int>("status", {3});
    prop.setTag<int>("subStatus", {0});
    prop.setTag<char>("statusCmd", {statusCmd});
    prop.setTag<bool>("states", {true, false, true});
    prop.setTag<float>("values", {1.5f, -0.25f, 12.0f});
    prop.setTag<long>("gtwUtcTime", {gtwMs * 1000000});
    prop.setTag<long>("aqnUtcTime", {aqnMs * 1000000});
    prop.setTag<long>("quenchUtcTime", {0});
    prop.setTag<int>("circuit", {4});
  }

  int elementIndex(const std::string& dpe) { return *static_cast<int*>(record(dpe).apmData); }
};

class KrtMapperTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    driver->filters().setFilter(kKrtDeviceFilter);
    driver->filters().setFilter(kKrtContextFilter);
  }
  std::unique_ptr<KrtDevice> device(const std::string& property = "Supervision") {
    return std::make_unique<KrtDevice>(driver->filters().getFilter("B15R3.CIRCUIT"), property);
  }
  apmKrt* krtFor(KrtDevice& d) { return static_cast<apmKrt*>(driver->createMapper("krt", &d.prop)); }
  apmKrtPseudo* pseudoFor(const std::string& filterText) {
    const std::string name = filterText.substr(0, filterText.find('/'));
    driver->filters().setFilter(filterText);
    contexts.emplace_back(new StandInProp(name, "FaultKeys", driver->filters().getFilter(name)));
    contexts.back()->addMapping("faults", "", "contents");
    return static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", contexts.back().get()));
  }
  // Moves the host clock on by advance and publishes times just before it.
  static void publishNow(KrtDevice& d, long long advance = 0) {
    env().advance(advance);
    d.publish(env().now() - 10, env().now() - 15);
  }
  std::vector<std::unique_ptr<StandInProp>> contexts;
};

TEST_F(KrtMapperTest, CircuitBitComesFromTheDeviceFilterAndAllowedStatesMatchPairsWithWildcards) {
  const std::vector<std::pair<std::string, int>> circuits = {
      {"c/circuit=byte,0", 1},  {"c/circuit=byte,1", 2}, {"c/circuit=byte,2", 4}, {"c/circuit=byte,3", 8},
      {"c/circuit=byte,7", -1}, {"c/other=int,1", -1},   {"c/circuit=int,2", -1}, {"", -1}};
  apmKrt krt;
  for (const auto& row : circuits) {
    StandInProp prop(
        kKrtDevice, "Supervision",
        boost::shared_ptr<Filters::Filter>(row.first.empty() ? nullptr : new Filters::Filter(row.first)));
    EXPECT_EQ(row.second, krt.getCircuit(&prop)) << row.first;
  }
  // allowed status and sub-status lists, the device's status and sub-status, filtered
  const std::vector<std::tuple<std::vector<long long>, std::vector<long long>, int, int, bool>> pairs = {
      {{3, -1}, {-1, 5}, 7, 5, false},
      {{3, -1}, {-1, 5}, 4, 6, true},
      {{3, 4}, {-1}, 4, 0, true},  // only pairs present in both lists count
  };
  StandInProp prop(kKrtDevice, "Supervision");
  for (const auto& [status, subStatus, s, u, filtered] : pairs) {
    STATUS_FILT = status;
    SUBSTATUS_FILT = subStatus;
    prop.setTag<int>("status", {s});
    prop.setTag<int>("subStatus", {u});
    EXPECT_EQ(filtered, krt.applyFilter(&prop)) << s << "/" << u;
  }
  prop.setTag<double>("status", {4.0});  // unreadable status: nothing is filtered
  EXPECT_FALSE(krt.applyFilter(&prop) || krt.applyFilter(nullptr));
}

TEST_F(KrtMapperTest, AllowedStatesAreAppendedWhileAListIsEmptyAndOtherPropertiesAreNotWatched) {
  // filter, status list after two mappers initialised, warned
  const std::vector<std::tuple<std::string, std::vector<long long>, bool>> rows = {
      {"KRT.ALLOWED_STATES/status=int,3,-1/subStatus=int,-1,5", {3, -1}, false},
      {"KRT.ALLOWED_STATES/status=int,3,4", {3, 4, 3, 4}, false},
      {"KRT.ALLOWED_STATES/status=string,on/subStatus=int,1", {}, true},
  };
  for (const auto& [filter, status, warned] : rows) {
    resetGlobals();
    env().clearRecords();
    driver->filters().setFilter(filter);
    auto d = device("Acquisition");
    krtFor(*d);
    apmKrt* krt = krtFor(*d);
    EXPECT_EQ(status, STATUS_FILT) << filter;
    EXPECT_EQ(warned, env().logged("filter [KRT.ALLOWED_STATES] could not be read")) << filter;
    publishNow(*d);  // only the supervision property notifies the host and is watched
    EXPECT_EQ("", d->cycle(*krt).rejection);
    env().advance(100000);
    EXPECT_FALSE(krt->watchdog() || krt->watchdogPermanent());
  }
  EXPECT_EQ(0, driver->supervisionNotifications());
}

TEST_F(KrtMapperTest, AcquisitionClockIsCheckedOnlyWhileFipIsUpAndItsFaultStillUpdatesGatewayTags) {
  auto d = device();
  apmKrt* krt = krtFor(*d);
  publishNow(*d);
  ASSERT_EQ("", d->cycle(*krt).rejection);
  const long long goodAqn = env().now() - 15, downGtw = env().now() + 990;
  env().advance(1000);
  d->publish(downGtw, goodAqn, false, 0);  // fip down: the stale acquisition time goes unchecked
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("", outcome.rejection);
  EXPECT_TRUE(outcome.in["fip"]);
  EXPECT_FALSE(outcome.in["cmdStatus"]);
  EXPECT_EQ(0x58, d->target("cmdStatus").value.getAt<char>(0));
  env().advance(1000);
  d->publish(env().now() - 10, goodAqn);
  outcome = d->cycle(*krt);
  EXPECT_EQ("aqnUtcTime is the same as in prev frame\n\tprev gtwUtcTime: " + std::to_string(downGtw) +
                "\n\tprev aqnUtcTime: " + std::to_string(goodAqn) + "\n\t new gtwUtcTime: " +
                std::to_string(env().now() - 10) + "\n\t new aqnUtcTime: " + std::to_string(goodAqn),
            outcome.rejection);
  for (const char* dpe : {"fip", "logging", "quenchTime", "aqnTime", "gtwTime", "circuit"})
    EXPECT_TRUE(outcome.in[dpe]) << dpe;
  for (const char* dpe : {"cmdStatus", "cmdOn", "quenchFlag", "uRes"}) EXPECT_FALSE(outcome.in[dpe]) << dpe;
  EXPECT_EQ(env().now() - 10, d->target("gtwTime").value.getAt<long>(0));
  EXPECT_EQ(goodAqn, d->target("aqnTime").value.getAt<long>(0));
  EXPECT_TRUE(krt->watchdog());
  env().advance(TO_WATCHDOG);
  EXPECT_TRUE(krt->watchdog());
  env().advance(1);
  EXPECT_EQ("watchdog event has happened", manMessage([&] { krt->watchdog(); }));
  publishNow(*d, 1000);
  EXPECT_EQ("", d->cycle(*krt).rejection);
  EXPECT_FALSE(krt->watchdog());
}

TEST_F(KrtMapperTest,
       ContextWithoutFilterOrUnreadableTimesOrFipRejectTheUpdateAndOnlyMissingOnesStartAStreak) {
  StandInProp bare("B15R3.CONTEXT", "FaultKeys");
  driver->createMapper("krt.pseudo", &bare);
  auto d = device();
  apmKrt* krt = krtFor(*d);
  publishNow(*d);
  EXPECT_EQ("No context filter found", d->cycle(*krt).rejection);  // once: then no context is told
  EXPECT_TRUE(krt->pseudos->empty());
  EXPECT_TRUE(krt->out(&d->prop, nullptr, nullptr));  // a device of this kind takes no writes
  d->prop.setTag<std::string>("gtwUtcTime", {"soon"});
  EXPECT_ANY_THROW(krt->begin(&d->prop));
  d->prop.stopFlag = true;
  EXPECT_EQ("", manMessage([&] { krt->begin(&d->prop); }));
  EXPECT_FALSE(krt->watchdog());
  d->prop.stopFlag = false;
  d->removeTag("gtwUtcTime");  // read as -1, older than the first accepted time 0
  EXPECT_EQ("gtwUtcTime is 1 ms older than in prev frame\n\tprev gtwUtcTime: 0\n\t new gtwUtcTime: -1",
            d->cycle(*krt).rejection);
  d->removeTag("sT_FIP");
  auto outcome = d->cycle(*krt);
  EXPECT_EQ("Can't get sT_FIP", outcome.rejection);
  for (const auto& in : outcome.in) EXPECT_FALSE(in.second) << in.first;
  publishNow(*d, 1000);
  d->prop.setTag<std::string>("sT_FIP", {"yes"});
  EXPECT_EQ("Can't get sT_FIP", d->cycle(*krt).rejection);
  EXPECT_EQ(1u, driver->invalid().size());
  EXPECT_TRUE(krt->watchdog());
}

TEST_F(KrtMapperTest, FaultKeysReachOnlyUsableContextsAndAValidPropertyInAStreakChangesNothing) {
  apmKrtPseudo* pseudo = pseudoFor(kKrtContextFilter);
  apmKrtPseudo* shortLists = pseudoFor(
      "SHORT.CONTEXT/Devices=string,DQQDS.B15R3/devices=string,DQQDS.X,DQQDS.B15R3"
      "/fipMezzanines=int,3,3/fipAddresses=int,17/fipCircuits=byte,1,1");
  pseudoFor("NAMED.CONTEXT");
  pseudoFor("NODEV.CONTEXT/devices=string,DQQDS.B15R3");
  auto d = device();
  apmKrt* krt = krtFor(*d);
  publishNow(*d);
  EXPECT_EQ("", d->cycle(*krt, std::vector<bool>(d->targets.size(), false)).rejection);
  ASSERT_EQ(2u, krt->pseudos->size());
  EXPECT_TRUE(
      env().logged("krt.pseudo context filter [NAMED.CONTEXT] could not be read, device [DQQDS.B15R3] "
                   "will not report to it: "));
  EXPECT_TRUE(
      env().logged("-no fault key for device [DQQDS.B15R3] circuit [4]: krt.pseudo context filter "
                   "[SHORT.CONTEXT/"));
  EXPECT_TRUE(shortLists->keys.empty());
  EXPECT_EQ(std::vector<long long>({30172}),
            std::vector<long long>(pseudo->keys));  // 3 * 10000 + 17 * 10 + 2
  EXPECT_EQ(1u, driver->delivered().size());
  publishNow(*d, 1000);
  d->cycle(*krt, std::vector<bool>(d->targets.size(), false));  // still in fault: nothing new to tell
  EXPECT_EQ(1u, driver->delivered().size());
  publishNow(*d);  // the same times: rejected, then validated as fine
  EXPECT_NE("", manMessage([&] { krt->begin(&d->prop); }));
  krt->validate(&d->prop, true, nullptr);
  krt->end(&d->prop);
  EXPECT_EQ(1u, driver->delivered().size());
  EXPECT_EQ(1u, pseudo->keys.size());
}

TEST_F(KrtMapperTest, ParameterProblemsAndUnreadableSourcesAreLoggedAndLeaveTheirTagsWithoutData) {
  auto d = device();
  d->map<bool>("ghost", "states:", "ST_MISSING", {false});
  apmKrt* krt = krtFor(*d);
  ScriptedHandler noValues(kKrtDevice, "Supervision");
  yox::auto_ptr<yox::data::Data> statesOnly = yox::data::DataFactory::createData();
  const char* states[] = {"ST_HEATER", "ST_QUENCH"};
  statesOnly->appendArray("statesName", states, 2);
  statesOnly->append("valuesName", "U_RES");  // names are read strictly as string arrays
  noValues.answer("Parameter", *statesOnly);
  krt->monitorOn(noValues, nullptr);
  EXPECT_EQ(
      std::vector<int>({1, -1, -1}),
      std::vector<int>({d->elementIndex("quenchFlag"), d->elementIndex("uRes"), d->elementIndex("ghost")}));
  EXPECT_TRUE(
      env().logged("-Bad mapping for hardware tag [states:] hardware tag qualifier [ST_MISSING], exception: "
                   "Failed to find string [ST_MISSING] in list of strings sz [2] strings [ST_HEATER, "
                   "ST_QUENCH]"));
  publishNow(*d);
  d->removeTag("circuit");
  d->target("logging").value = VUQ_VARS();  // a host tag without a type
  auto outcome = d->cycle(*krt);
  for (const std::string dpe : {"ghost", "uRes", "circuit", "logging"}) {
    EXPECT_TRUE(outcome.in[dpe] && !d->target(dpe).valid) << dpe;
    EXPECT_EQ(dpe == "circuit" || dpe == "logging", d->target(dpe).noData) << dpe;
  }
  EXPECT_TRUE(
      env().logged("-Failed to retrieve apm data at index [-1] from tag [values], tag size [3]. Mapper "
                   "object dump: imapHw2Vuq mapping object. Address [0x"));

  ScriptedHandler failing(kKrtDevice, "Supervision");
  failing.fail("Parameter", "gateway DQQDS.B15R3 not reachable");
  krt->monitorOn(failing, nullptr);
  for (const char* text :
       {"-apm [krt] FAILED. SyncGet for device [DQQDS.B15R3] original property [Supervision] "
        "targetProperty [Parameter], threw VUQ exception, message: gateway DQQDS.B15R3 not "
        "reachable",
        "-Failed to retrieve values for property [Parameter], exiting", "-apm [krt] getSubIndex failed"})
    EXPECT_TRUE(env().logged(text)) << text;
  EXPECT_EQ(std::make_pair(std::string("Supervision"), 1),
            std::make_pair(failing.getProperty(), failing.monitorOnCount));
  EXPECT_EQ(1, d->elementIndex("quenchFlag"));  // indexes already resolved stay
  // The low-rate supervision property resolves names too; other properties only subscribe.
  ScriptedHandler low(kKrtDevice, "SupervisionLow"), other(kKrtDevice, "Acquisition");
  low.answer("Parameter", *statesOnly);
  krt->monitorOn(low, nullptr);
  krt->monitorOn(other, nullptr);
  EXPECT_EQ(std::make_pair(1, 0), std::make_pair(low.getSyncCount, other.getSyncCount));
  EXPECT_EQ(1, other.monitorOnCount);
  apm* same = krt;  // initialising again forgets them
  qivlib_apmCreate(same, qivlib_apmInfo("krt"), &d->prop);
  EXPECT_EQ(-1, d->elementIndex("quenchFlag"));
}

using KrtCompanionsTest = yoxtest::PluginFixture;

TEST_F(KrtCompanionsTest, FaultKeyComesFromTheContextListsOrARefusalWithItsReason) {
  const std::string one = "C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17/fipCircuits=byte,1";
  const std::string two =
      "C/devices=string,A,B,A/fipMezzanines=int,3,12,9/fipAddresses=int,17,5,9/fipCircuits=byte,1,3,0";
  const std::string shortLists =
      "C/devices=string,B,A/fipMezzanines=int,3/fipAddresses=int,17,18/fipCircuits=byte,1,1";
  // context filter ("" = none), device, circuit, key, and a part of the refusal when there is no key
  const std::vector<std::tuple<std::string, const char*, int, long long, std::string>> rows = {
      {one, "A", 4, 30172, ""},
      {one, "A", 1, 30170, ""},
      {one, "A", 8, 30173, ""},
      {one, "A", 3, 30171, ""},  // not a circuit bit: the listed circuit
      {one, "Z", 4, -1, ""},
      {two, "B", 2, 120051, ""},
      {two, "A", 2, 30171, ""},  // the first listed wins
      {"", "A", 4, 0, "krt.pseudo mapper has no context filter, no fault key for device [A]"},
      {"NAMED", "A", 4, 0, "krt.pseudo context filter [NAMED] cannot be read: "},
      {"C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17", "A", 4, 0,
       "] has no usable list [fipCircuits]: "},
      {shortLists, "A", 4, 0,
       "] list [fipMezzanines] has [1] elements, device [A] is element [1] of [devices]"},
  };
  for (const auto& [filter, device, circuit, expected, part] : rows) {
    StandInProp prop(
        "CONTEXT", "FaultKeys",
        boost::shared_ptr<Filters::Filter>(filter.empty() ? nullptr : new Filters::Filter(filter)));
    auto* pseudo = static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", &prop));
    long long key = 0;
    const std::string refusal = manMessage([&] { key = pseudo->value(device, static_cast<char>(circuit)); });
    EXPECT_NE(std::string::npos, refusal.find(part)) << refusal;
    EXPECT_EQ(part.empty(), refusal.empty()) << refusal;
    EXPECT_EQ(expected, key) << device << " " << circuit << " " << filter;
  }
}

TEST_F(KrtCompanionsTest, PseudoMapperOwnsItsContentsAndRefusesReadsBeforeInitialise) {
  StandInProp prop("CONTEXT", "FaultKeys");
  prop.addMapping("faults", "", "contents");
  auto* pseudo = static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", &prop));
  yoxhost::ScriptedHandler handler("CONTEXT", "FaultKeys");
  EXPECT_EQ(nullptr, pseudo->syncGet(handler, nullptr).get());
  pseudo->asyncGet(handler, nullptr);
  EXPECT_EQ(0, handler.getSyncCount + handler.getAsyncCount);  // the device is never asked
  pseudo->keys.push_back(30172);
  qivTag untyped("contents");
  EXPECT_TRUE(pseudo->in(driver->delivered().back().get(), &untyped, nullptr));
  EXPECT_TRUE(untyped.noData);
  EXPECT_FALSE(pseudo->validate(&prop, true, nullptr) || pseudo->watchdog());
  apmKrtPseudo fresh;
  EXPECT_EQ("krt.pseudo mapper was never initialised, it has no property to deliver",
            manMessage([&] { fresh.syncGet(handler, nullptr); }));
  EXPECT_EQ(2u, driver->delivered().size());
}

TEST_F(KrtCompanionsTest, SurveyMarksNoDataForMistypedListsAndTargets) {
  apmKrtSurvey survey;
  StandInProp prop("DQQDS.B15R3", "Survey");
  prop.setTag<int>("fipAddresses", {17, 18});
  prop.setTag<double>("fipMezzanines", {3, 3});  // mistyped: skipped
  qivTag target("channels");
  for (bool withCircuits : {false, true}) {
    if (withCircuits) prop.setTag<int>("fipCircuits", {1, 2});
    target.value.assignVector(std::vector<int>{0});
    target.noData = false;
    EXPECT_TRUE(survey.in(&prop, &target, nullptr) && target.noData);
    EXPECT_EQ(std::vector<int>{0}, boost::get<std::vector<int>>(target.value.variant));
  }
  prop.setTag<int>("fipMezzanines", {3, 3});
  prop.setTag<char>("fipCircuits", {1, 2});
  qivTag untyped("channels");
  EXPECT_TRUE(survey.in(&prop, &untyped, nullptr) && untyped.noData);
}

TEST_F(KrtCompanionsTest, WaitTimeTakesTheQualifiedElementOrFailsCleanly) {
  StandInProp empty("DQQDS.B15R3", "WaitTimes");
  EXPECT_EQ(
      "krt.wtime mapper: device [DQQDS.B15R3] property [WaitTimes] has no mapping record to name the "
      "wait-time tag",
      manMessage([&] { driver->createMapper("krt.wtime", &empty); }));
  StandInProp prop("DQQDS.B15R3", "WaitTimes");
  imapHw2Vuq& record = prop.addMapping("wait", "", "waitTimes:ns");
  record.qualifiers.push_back("2");
  auto* wtime = static_cast<apmKrtWTime*>(driver->createMapper("krt.wtime", &prop));
  qivTag target("wait");
  target.value.assignVector(std::vector<long>{99});
  for (bool present : {false, true}) {
    if (present) prop.setTag<int>("waitTimes", {5});  // not 64-bit
    EXPECT_TRUE(wtime->in(&prop, &target, &record));
    EXPECT_TRUE(target.noData);
    target.noData = false;
  }
  prop.setTag<long>("waitTimes", {7000000000});  // a single wait time serves a single mapping
  EXPECT_TRUE(wtime->in(&prop, &target, &record));
  EXPECT_EQ(7, target.value.getAt<long>(0));
  prop.addMapping("other", "", "waitTimes:ns");
  wtime->initialise(&prop);  // with two mappings, element 2 is missing
  EXPECT_FALSE(wtime->in(&prop, &target, &record));
  EXPECT_TRUE(wtime->in(&prop, &target, prop.getMapping().get(1)));  // no qualifier: no element
  EXPECT_TRUE(target.noData);
  EXPECT_TRUE(wtime->out(&prop, &target, &record));
  apmKrtWTime never;
  EXPECT_EQ(nullptr, never.getTagName());
  EXPECT_TRUE(never.in(&prop, &target, nullptr));
}

}  // namespace
