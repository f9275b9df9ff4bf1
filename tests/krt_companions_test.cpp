// The protection-system companion mappers where the golden scenarios do not reach:
// fault keys from odd context lists and unusable contexts, the pseudo mapper before
// initialise, the survey and wait-time mappers on short, missing or mistyped sources.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "apm/krt/apmKrtCompanions.h"
#include "host/ScriptedHandler.h"
#include "host/StandInProp.h"
#include "support/PluginFixture.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::manMessage;

using KrtCompanionsTest = yoxtest::PluginFixture;

std::vector<int> ints(const qivTag& tag) {
  std::vector<int> shown;
  for (unsigned long i = 0; i < tag.value.getSize(); ++i) shown.push_back(tag.value.getAt<int>(i));
  return shown;
}

TEST_F(KrtCompanionsTest, FaultKeyComesFromTheContextListsOrARefusalWithItsReason) {
  const std::string one = "C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17/fipCircuits=byte,1";
  const std::string two =
      "C/devices=string,A,B,A/fipMezzanines=int,3,12,9/fipAddresses=int,17,5,9/fipCircuits=byte,1,3,0";
  struct Row {
    std::string filter;  // "" = no filter
    const char* device;
    int circuit;
    long long key;
    std::string refusal;  // the start of the ManException text when the key cannot be made
  };
  const std::vector<Row> rows = {
      {one, "A", 4, 30172, ""},
      {one, "A", -1, 30171, ""},
      {one, "A", 1, 30170, ""},
      {one, "A", 8, 30173, ""},
      {one, "A", 3, 30171, ""},
      {one, "Z", 4, -1, ""},
      {two, "B", 2, 120051, ""},
      {two, "A", 2, 30171, ""},  // the first listed wins
      {"", "A", 4, 0, "krt.pseudo mapper has no context filter, no fault key for device [A]"},
      {"NAMED", "A", 4, 0, "krt.pseudo context filter [NAMED] cannot be read: "},
      {"C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17", "A", 4, 0,
       "krt.pseudo context filter [C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17] has no usable "
       "list [fipCircuits]: "},
      {"C/devices=string,B,A/fipMezzanines=int,3/fipAddresses=int,17,18/fipCircuits=byte,1,1", "A", 4, 0,
       "krt.pseudo context filter [C/devices=string,B,A/fipMezzanines=int,3/fipAddresses=int,17,18"
       "/fipCircuits=byte,1,1] list [fipMezzanines] has [1] elements, device [A] is element [1] of "
       "[devices]"},
  };
  for (const Row& row : rows) {
    boost::shared_ptr<Filters::Filter> filter;
    if (!row.filter.empty()) filter.reset(new Filters::Filter(row.filter));
    StandInProp prop("CONTEXT", "FaultKeys", filter);
    auto* pseudo = static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", &prop));
    long long key = 0;
    const std::string refusal =
        manMessage([&] { key = pseudo->value(row.device, static_cast<char>(row.circuit)); });
    EXPECT_EQ(0u, refusal.find(row.refusal)) << refusal;
    EXPECT_EQ(row.refusal.empty(), refusal.empty()) << refusal;
    EXPECT_EQ(row.key, key) << row.device << " " << row.circuit << " " << row.filter;
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
  EXPECT_FALSE(pseudo->validate(&prop, true, nullptr));
  EXPECT_FALSE(pseudo->watchdog());

  apmKrtPseudo fresh;
  EXPECT_EQ("krt.pseudo mapper was never initialised, it has no property to deliver",
            manMessage([&] { fresh.syncGet(handler, nullptr); }));
  EXPECT_EQ(2u, driver->delivered().size());
}

TEST_F(KrtCompanionsTest, SurveyListsEachChannelOnceAndMarksNoDataForUnreadableLists) {
  struct Row {
    std::vector<int> mezzanines, addresses;
    std::vector<char> circuits;
    std::vector<int> keys;  // the whole target value afterwards
    bool noData;
  };
  const std::vector<Row> rows = {
      {{1, 1}, {2, 2}, {1, 16}, {10020, -7, -7}, false},
      {{3, 3, 3, 3}, {17, 17, 17, 18}, {1, 2, 4, 8}, {30170, 30171, 30172, 30183}, false},
      {{1, 1}, {2}, {1, 1}, {-7, -7, -7}, true},
      {{}, {}, {}, {-7, -7, -7}, false},
  };
  apmKrtSurvey survey;
  for (const Row& row : rows) {
    StandInProp prop("DQQDS.B15R3", "Survey");
    prop.setTag("fipMezzanines", row.mezzanines);
    prop.setTag("fipAddresses", row.addresses);
    prop.setTag("fipCircuits", row.circuits);
    qivTag target("channels");
    target.value.assignVector(std::vector<int>{-7, -7, -7});
    EXPECT_TRUE(survey.in(&prop, &target, nullptr));
    EXPECT_EQ(row.keys, ints(target));
    EXPECT_EQ(row.noData, target.noData);
  }
  StandInProp prop("DQQDS.B15R3", "Survey");
  prop.setTag<int>("fipAddresses", {17, 18});
  prop.setTag<double>("fipMezzanines", {3, 3});  // mistyped: skipped
  for (bool withCircuits : {false, true}) {
    if (withCircuits) prop.setTag<int>("fipCircuits", {1, 2});
    qivTag target("channels");
    target.value.assignVector(std::vector<int>{0});
    EXPECT_TRUE(survey.in(&prop, &target, nullptr));
    EXPECT_TRUE(target.noData);
    EXPECT_EQ(std::vector<int>{0}, ints(target));
  }
  prop.setTag<int>("fipMezzanines", {3, 3});
  prop.setTag<char>("fipCircuits", {1, 2});
  qivTag untyped("channels");
  EXPECT_TRUE(survey.in(&prop, &untyped, nullptr));
  EXPECT_TRUE(untyped.noData);
  EXPECT_TRUE(survey.out(&prop, &untyped, nullptr));
  EXPECT_EQ(3u, prop.tags.size());
}

TEST_F(KrtCompanionsTest, WaitTimeTakesTheQualifiedElementInWholeSeconds) {
  struct Row {
    std::vector<long> source;
    int mappings;
    std::string qualifier;
    bool result, noData;
    long seconds;  // element 0 afterwards (99 = untouched)
  };
  const std::vector<Row> rows = {
      {{1999999999, -1999999999}, 1, "2", true, false, -1},
      {{7000000000}, 1, "2", true, false, 7},  // a single mapping takes element 0 whatever the qualifier
      {{7000000000}, 2, "2", false, false, 99},
      {{7000000000, 8000000000}, 2, "3", true, true, 99},
      {{7000000000, 8000000000}, 2, "0", true, true, 99},
      {{7000000000, 8000000000}, 2, "", true, true, 99},
      {{7000000000, 8000000000}, 2, "two", true, true, 99},
      {{}, 1, "1", false, false, 99},
  };
  for (const Row& row : rows) {
    StandInProp prop("DQQDS.B15R3", "WaitTimes");
    imapHw2Vuq& record = prop.addMapping("wait", "", "waitTimes:ns");
    if (!row.qualifier.empty()) record.qualifiers.push_back(row.qualifier);
    for (int i = 1; i < row.mappings; ++i) prop.addMapping("other" + std::to_string(i), "", "waitTimes:ns");
    auto* wtime = static_cast<apmKrtWTime*>(driver->createMapper("krt.wtime", &prop));
    prop.setTag("waitTimes", row.source);
    qivTag target("wait");
    target.value.assignVector(std::vector<long>{99});
    EXPECT_EQ(row.result, wtime->in(&prop, &target, &record)) << row.qualifier;
    EXPECT_EQ(row.noData, target.noData) << row.qualifier;
    EXPECT_EQ(row.seconds, target.value.getAt<long>(0)) << row.qualifier;
  }
}

TEST_F(KrtCompanionsTest, WaitTimeWithoutSourceOrRecordsFailsCleanly) {
  StandInProp empty("DQQDS.B15R3", "WaitTimes");
  EXPECT_EQ(
      "krt.wtime mapper: device [DQQDS.B15R3] property [WaitTimes] has no mapping record to name the "
      "wait-time tag",
      manMessage([&] { driver->createMapper("krt.wtime", &empty); }));
  StandInProp prop("DQQDS.B15R3", "WaitTimes");
  imapHw2Vuq& record = prop.addMapping("wait", "", "waitTimes");
  record.qualifiers.push_back("1");
  auto* wtime = static_cast<apmKrtWTime*>(driver->createMapper("krt.wtime", &prop));
  qivTag target("wait");
  target.value.assignVector(std::vector<long>{99});
  for (bool present : {false, true}) {
    if (present) prop.setTag<int>("waitTimes", {5});  // not 64-bit
    target.noData = false;
    EXPECT_TRUE(wtime->in(&prop, &target, &record));
    EXPECT_TRUE(target.noData);
  }
  EXPECT_EQ(99, target.value.getAt<long>(0));
  EXPECT_TRUE(wtime->out(&prop, &target, &record));
  apmKrtWTime never;
  EXPECT_EQ(nullptr, never.getTagName());
  EXPECT_TRUE(never.in(&prop, &target, &record));
}

}  // namespace
