// The protection-system companion mappers: fault keys from the context filter, the
// pseudo mapper's reads and key publication, the survey of a crate's channels, the
// wait-time conversion and their registration.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "apm/apmDefault.h"
#include "apm/apmTimerej.h"
#include "apm/krt/apmKrt.h"
#include "apm/krt/apmKrtCompanions.h"
#include "host/ScriptedHandler.h"
#include "host/StandInProp.h"
#include "plugin/qivlib.h"
#include "support/KrtDevice.h"
#include "support/MapperHarness.h"
#include "support/PluginFixture.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::manMessage;

const std::string kBanner(32, '*');

class KrtCompanionsTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    resetGlobals();
    driver->filters();
  }
  void TearDown() override {
    PluginFixture::TearDown();
    resetGlobals();
  }
  // Creating a "krt" mapper configures these process-wide settings.
  static void resetGlobals() {
    STATUS_FILT.clear();
    SUBSTATUS_FILT.clear();
    TO_INFUTURE = -1;
    TO_INPAST = -1;
    TO_WATCHDOG = -1;
    REJ_EQ_TIME = true;
  }

  boost::shared_ptr<Filters::Filter> registered(const std::string& text) {
    driver->filters().setFilter(text);
    return driver->filters().getFilter(text.substr(0, text.find('/')));
  }
  apmKrtPseudo* pseudoOn(StandInProp& prop) {
    return static_cast<apmKrtPseudo*>(driver->createMapper("krt.pseudo", &prop));
  }
  // The type-1 records that are the three banner lines around middle, in order.
  bool bannerLogged(const std::string& middle) {
    const auto& r = env().records();
    for (size_t i = 0; i + 2 < r.size(); ++i) {
      if (r[i].type == 1 && r[i].text.find("-" + kBanner) != std::string::npos &&
          r[i + 1].text.find("-" + middle) != std::string::npos &&
          r[i + 2].text.find("-" + kBanner) != std::string::npos) {
        return true;
      }
    }
    return false;
  }
};

TEST_F(KrtCompanionsTest, RegisteredInTableOrderAfterTheTimeRejectionMapper) {
  const std::vector<std::string> names = {"krt", "krt.surv", "krt.wtime", "krt.io", "krt.pseudo"};
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_EQ(static_cast<int>(i) + 2, qivlib_apmInfo(names[i].c_str())) << names[i];
    StandInProp prop("dev", "Acquisition");
    prop.addMapping("dpe", "", "waitTimes:");
    EXPECT_EQ(static_cast<int>(i) + 2, driver->createMapper(names[i], &prop)->index) << names[i];
  }
  EXPECT_EQ(7, qivlib_apmInfo("pseudo.dev"));
}

TEST_F(KrtCompanionsTest, FaultKeyComesFromTheContextLists) {
  struct Row {
    std::string filter;
    const char* device;
    int circuit;
    long long key;
  };
  const std::string one = "C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17/fipCircuits=byte,1";
  const std::string two =
      "C/devices=string,A,B,A/fipMezzanines=int,3,12,9/fipAddresses=int,17,5,9/fipCircuits=byte,1,3,0";
  const std::vector<Row> rows = {
      {one, "A", 4, 30172},   {one, "A", -1, 30171}, {one, "A", 1, 30170},
      {one, "A", 8, 30173},   {one, "A", 3, 30171},  {one, "Z", 4, -1},
      {two, "B", -1, 120053}, {two, "B", 2, 120051}, {two, "A", 2, 30171},  // the first listed wins
  };
  for (const Row& row : rows) {
    StandInProp prop("CONTEXT", "FaultKeys",
                     boost::shared_ptr<Filters::Filter>(new Filters::Filter(row.filter)));
    apmKrtPseudo* pseudo = pseudoOn(prop);
    EXPECT_EQ(row.key, pseudo->value(row.device, static_cast<char>(row.circuit)))
        << row.device << " " << row.circuit << " " << row.filter;
  }
}

TEST_F(KrtCompanionsTest, FaultKeyRefusesUnusableContextsWithAClearReason) {
  struct Row {
    std::string filter;  // "" = no filter
    std::string message;
  };
  const std::vector<Row> rows = {
      {"", "krt.pseudo mapper has no context filter, no fault key for device [A]"},
      {"NAMED", "krt.pseudo context filter [NAMED] cannot be read: "},
      {"C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17",
       "krt.pseudo context filter [C/devices=string,A/fipMezzanines=int,3/fipAddresses=int,17] has no usable "
       "list [fipCircuits]: "},
      {"C/devices=int,1/fipMezzanines=int,3/fipAddresses=int,17/fipCircuits=byte,1",
       "krt.pseudo context filter "
       "[C/devices=int,1/fipMezzanines=int,3/fipAddresses=int,17/fipCircuits=byte,1] "
       "has no usable list [devices]: "},
      {"C/devices=string,B,A/fipMezzanines=int,3/fipAddresses=int,17,18/fipCircuits=byte,1,1",
       "krt.pseudo context filter [C/devices=string,B,A/fipMezzanines=int,3/fipAddresses=int,17,18"
       "/fipCircuits=byte,1,1] list [fipMezzanines] has [1] elements, device [A] is element [1] of "
       "[devices]"},
  };
  for (const Row& row : rows) {
    boost::shared_ptr<Filters::Filter> filter;
    if (!row.filter.empty()) filter.reset(new Filters::Filter(row.filter));
    StandInProp prop("CONTEXT", "FaultKeys", filter);
    apmKrtPseudo* pseudo = pseudoOn(prop);
    const std::string message = manMessage([&] { pseudo->value("A", 4); });
    EXPECT_EQ(0u, message.find(row.message)) << message;
  }
}

TEST_F(KrtCompanionsTest, PseudoReadDeliversContentsThatMappingFillsWithTheKeys) {
  StandInProp prop("CONTEXT", "FaultKeys", registered(yoxtest::kKrtContextFilter));
  prop.addMapping("faults", "", "contents");
  apmKrtPseudo* pseudo = pseudoOn(prop);
  yoxhost::ScriptedHandler handler("CONTEXT", "FaultKeys");

  EXPECT_EQ(nullptr, pseudo->syncGet(handler, nullptr).get());
  pseudo->asyncGet(handler, nullptr);
  ASSERT_EQ(2u, driver->delivered().size());
  EXPECT_EQ(0, handler.getSyncCount + handler.getAsyncCount);  // the device is never asked
  iqivProp* delivered = driver->delivered()[1].get();
  EXPECT_EQ("CONTEXT", delivered->getDevice());
  qivTag* contents = delivered->tags.at("contents");
  EXPECT_TRUE(contents->value.isInitialised());
  EXPECT_EQ(static_cast<unsigned>(QIV_INT), contents->value.getType());
  EXPECT_EQ(0u, contents->value.getSize());

  env().clearRecords();
  EXPECT_TRUE(pseudo->in(delivered, contents, nullptr));
  EXPECT_EQ(0u, contents->value.getSize());  // no keys: unchanged
  EXPECT_TRUE(bannerLogged("krt.pseudo apm not yet supported"));

  pseudo->keys.push_back(30172);
  pseudo->keys.push_back(30181);
  EXPECT_TRUE(pseudo->in(delivered, contents, nullptr));
  ASSERT_EQ(2u, contents->value.getSize());
  EXPECT_EQ(30181, contents->value.getAt<int>(1));
  EXPECT_FALSE(contents->valid);

  qivTag untyped("contents");
  EXPECT_TRUE(pseudo->in(delivered, &untyped, nullptr));
  EXPECT_TRUE(untyped.noData);

  EXPECT_FALSE(pseudo->validate(&prop, true, nullptr));
  EXPECT_FALSE(pseudo->watchdog());
}

TEST_F(KrtCompanionsTest, PseudoWithoutInitialiseRefusesReads) {
  apmKrtPseudo fresh;
  yoxhost::ScriptedHandler handler("CONTEXT", "FaultKeys");
  EXPECT_EQ("krt.pseudo mapper was never initialised, it has no property to deliver",
            manMessage([&] { fresh.syncGet(handler, nullptr); }));
  EXPECT_EQ("krt.pseudo mapper has no context filter, no fault key for device [A]",
            manMessage([&] { fresh.value("A", 1); }));
  EXPECT_TRUE(driver->delivered().empty());
}

TEST_F(KrtCompanionsTest, SurveyListsEachChannelOnce) {
  struct Row {
    std::vector<int> mezzanines;
    std::vector<int> addresses;
    std::vector<char> circuits;
    std::vector<int> keys;  // the whole target value afterwards
    bool noData;
  };
  const std::vector<Row> rows = {
      {{1, 1}, {2, 2}, {1, 1}, {10020, -7, -7}, false},
      {{1, 1}, {2, 2}, {1, 16}, {10020, -7, -7}, false},
      {{3, 3, 4}, {17, 17, 1}, {1, 8, 2}, {30170, 30173, 40011}, false},
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
    std::vector<int> shown;
    for (unsigned long i = 0; i < target.value.getSize(); ++i) shown.push_back(target.value.getAt<int>(i));
    EXPECT_EQ(row.keys, shown);
    EXPECT_EQ(row.noData, target.noData);
    EXPECT_FALSE(target.valid);
    EXPECT_EQ(0, target.seconds);
  }
  EXPECT_TRUE(bannerLogged("krt.survey apm not yet supported"));
}

TEST_F(KrtCompanionsTest, SurveyMarksNoDataForMissingOrUnreadableLists) {
  apmKrtSurvey survey;
  StandInProp prop("DQQDS.B15R3", "Survey");
  prop.setTag<int>("fipMezzanines", {3, 3});
  prop.setTag<int>("fipAddresses", {17, 18});
  qivTag target("channels");
  target.value.assignVector(std::vector<int>{0});
  EXPECT_TRUE(survey.in(&prop, &target, nullptr));  // no "fipCircuits"
  EXPECT_TRUE(target.noData);

  // An element of the wrong type is skipped; the readable ones still count.
  prop.setTag<int>("fipCircuits", {1, 2});
  prop.setTag<double>("fipMezzanines", {3, 3});
  target.noData = false;
  EXPECT_TRUE(survey.in(&prop, &target, nullptr));
  EXPECT_TRUE(target.noData);
  EXPECT_EQ(0, target.value.getAt<int>(0));

  prop.setTag<char>("fipCircuits", {1, 2});
  prop.setTag<int>("fipMezzanines", {3, 3});
  qivTag untyped("channels");
  EXPECT_TRUE(survey.in(&prop, &untyped, nullptr));
  EXPECT_TRUE(untyped.noData);

  EXPECT_TRUE(survey.out(&prop, &target, nullptr));
  EXPECT_EQ(3u, prop.tags.size());
}

TEST_F(KrtCompanionsTest, WaitTimeTakesTheQualifiedElementInWholeSeconds) {
  struct Row {
    std::vector<long> source;
    int mappings;
    std::string qualifier;
    bool result;
    bool noData;
    long seconds;  // element 0 afterwards (99 = untouched)
  };
  const std::vector<Row> rows = {
      {{1999999999, 5000000000}, 1, "1", true, false, 1},
      {{1999999999, -1999999999}, 1, "2", true, false, -1},
      {{7000000000}, 1, "2", true, false, 7},
      {{7000000000}, 2, "2", false, false, 99},
      {{7000000000}, 2, "1", true, false, 7},
      {{7000000000, 8000000000}, 2, "3", true, true, 99},
      {{7000000000, 8000000000}, 2, "0", true, true, 99},
      {{7000000000, 8000000000}, 2, "", true, true, 99},
      {{7000000000, 8000000000}, 2, "two", true, true, 99},
      {{7000000000, 8000000000}, 2, "-1", true, true, 99},
      {{}, 1, "1", false, false, 99},
  };
  for (const Row& row : rows) {
    StandInProp prop("DQQDS.B15R3", "WaitTimes");
    imapHw2Vuq& record = prop.addMapping("wait", "", "waitTimes:ns");
    if (!row.qualifier.empty()) record.qualifiers.push_back(row.qualifier);
    for (int i = 1; i < row.mappings; ++i) prop.addMapping("other" + std::to_string(i), "", "waitTimes:ns");
    auto* wtime = static_cast<apmKrtWTime*>(driver->createMapper("krt.wtime", &prop));
    EXPECT_STREQ("waitTimes", wtime->getTagName());
    prop.setTag("waitTimes", row.source);
    qivTag target("wait");
    target.value.assignVector(std::vector<long>{99});
    EXPECT_EQ(row.result, wtime->in(&prop, &target, &record)) << row.qualifier;
    EXPECT_EQ(row.noData, target.noData) << row.qualifier;
    EXPECT_EQ(row.seconds, target.value.getAt<long>(0)) << row.qualifier;
    EXPECT_FALSE(target.valid);
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
  EXPECT_TRUE(wtime->in(&prop, &target, &record));  // no "waitTimes" tag
  EXPECT_TRUE(target.noData);

  prop.setTag<int>("waitTimes", {5});  // not 64-bit
  target.noData = false;
  EXPECT_TRUE(wtime->in(&prop, &target, &record));
  EXPECT_TRUE(target.noData);
  EXPECT_EQ(99, target.value.getAt<long>(0));
  EXPECT_TRUE(wtime->out(&prop, &target, &record));

  apmKrtWTime never;
  EXPECT_EQ(nullptr, never.getTagName());
  EXPECT_TRUE(never.in(&prop, &target, &record));
}

TEST_F(KrtCompanionsTest, IoIsADefaultMapperUnderItsOwnName) {
  StandInProp prop("DQQDS.B15R3", "Io");
  imapHw2Vuq& record = prop.addMapping("io", "", "relay");
  driver->attachConverter(record, "longlong", "stamp");
  apm* io = driver->createMapper("krt.io", &prop);
  EXPECT_NE(nullptr, dynamic_cast<apmKrtIO*>(io));
  prop.setTag<long>("stamp", {1234567});
  qivTag target("relay");
  EXPECT_TRUE(io->in(&prop, &target, &record));
  EXPECT_TRUE(target.valid);
  EXPECT_EQ(1234, target.seconds);
  EXPECT_EQ(567, target.millis);
  std::unique_ptr<apm> copy(io->dup());
  EXPECT_EQ(io->index, copy->index);
  EXPECT_NE(nullptr, dynamic_cast<apmKrtIO*>(copy.get()));
}

}  // namespace
