// The time-rejection mapper where the golden scenarios do not reach: the checking rule
// at its limits and with hostile stamps, configuration text, element indexes, records
// that disagree on their time stamp, unreadable or missing sources, and ownership.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "apm/apmTimerej.h"
#include "hostapi/tcm.h"
#include "support/MapperHarness.h"

namespace {

using yoxtest::HostAddress;
using yoxtest::manMessage;

class TimerejTest : public yoxtest::PluginFixture {
 protected:
  // Two records stamped by the "longlong" field acqStamp; the second reads element 1.
  void mapTwoRecords(HostAddress& address) {
    driver->attachConverter(address.map("dpe1", "value"), "longlong", "acqStamp");
    driver->attachConverter(address.map("dpe2", "status", "1"), "longlong", "acqStamp");
  }
  static void receive(HostAddress& address, long long stamp) {
    address.prop.setTag<long>("acqStamp", {stamp});
    address.prop.setTag<double>("value", {1.5});
    address.prop.setTag<int>("status", {4, 5, 6});
  }
  apmTimerej* mapperFor(HostAddress& address) {
    return static_cast<apmTimerej*>(driver->createMapper("timerej", &address.prop));
  }
  // A mapper on two records that accepted stamp kNow - 100.
  apmTimerej* running(HostAddress& address) {
    mapTwoRecords(address);
    apmTimerej* mapper = mapperFor(address);
    receive(address, kNow - 100);
    EXPECT_EQ("", address.cycle(*mapper).rejection);
    return mapper;
  }
  static std::string rejection(const std::string& reason, long long prev, long long cur) {
    return "acqStamp " + reason + "\n\tprev acqStamp: " + std::to_string(prev) +
           "\n\t new acqStamp: " + std::to_string(cur);
  }
};

TEST_F(TimerejTest, IsValidChecksZeroOrderEqualityFutureAndPastInThatOrder) {
  TO_INFUTURE = 1000;
  TO_INPAST = 2000;
  struct Row {
    long long prev, cur;
    bool rejectEqual;
    std::string reason;  // "" = accepted
  };
  const std::vector<Row> rows = {
      {kNow, 0, true, "is equal to 0"},
      {kNow, kNow - 250, true, "is 250 ms older than in prev frame"},
      {kNow, kNow, true, "is the same as in prev frame"},
      {kNow, kNow, false, ""},
      {kNow + 1000, kNow + 1000, false, "is too far (1000 ms) in the future, only 1000 ms allowed"},
      {0, kNow + 999, true, ""},
      {0, kNow + 1000, true, "is too far (1000 ms) in the future, only 1000 ms allowed"},
      {0, kNow - 1999, true, ""},
      {0, kNow - 2000, true, "is too far (2000 ms) in the past, only 2000 ms allowed"},
      // hostile stamps: differences beyond 64 bits are still printed exactly
      {LLONG_MAX, LLONG_MIN, true, "is 18446744073709551615 ms older than in prev frame"},
      {LLONG_MIN, LLONG_MIN + 1, true,
       "is too far (9223373736854775807 ms) in the past, only 2000 ms allowed"},
      {0, LLONG_MAX, true, "is too far (9223370336854775807 ms) in the future, only 1000 ms allowed"},
  };
  for (const Row& row : rows) {
    REJ_EQ_TIME = row.rejectEqual;
    EXPECT_EQ(row.reason, manMessage([&] { apmTimerej::isValid(row.prev, row.cur); }))
        << "prev " << row.prev << " cur " << row.cur;
  }
}

TEST_F(TimerejTest, FirstInitialiseConfiguresTheLimitsAndEveryOneTheEqualTimeRule) {
  struct Row {
    std::vector<std::pair<std::string, std::string>> config;
    long long infuture, inpast, watchdog;
    bool rejectEqual;
  };
  const std::vector<Row> rows = {
      {{{"cfgKrtInfuture", "1500"}, {"cfgKrtInpast", "2500"}, {"cfgKrtWatchdog", "4000"}},
       1500,
       2500,
       4000,
       true},
      {{{"cfgKrtInfuture", "abc"}, {"cfgKrtInpast", ""}, {"cfgKrtWatchdog", "12ms"}}, 30000, 30000, 12, true},
      {{{"cfgKrtInpast", "-7"}, {"cfgKrtRejEqTime", "no"}}, 30000, -7, 30000, false},
      {{{"cfgKrtRejEqTime", "no "}}, 30000, 30000, 30000, true},
      {{{"cfgKrtRejEqTime", "No"}}, 30000, 30000, 30000, true},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    resetGlobals();
    for (const char* key : {"cfgKrtInfuture", "cfgKrtInpast", "cfgKrtWatchdog", "cfgKrtRejEqTime"})
      driver->unsetConfig(key);
    for (const auto& entry : rows[i].config) driver->setConfig(entry.first, entry.second);
    HostAddress address;
    mapTwoRecords(address);
    mapperFor(address);
    EXPECT_EQ(rows[i].infuture, TO_INFUTURE) << i;
    EXPECT_EQ(rows[i].inpast, TO_INPAST) << i;
    EXPECT_EQ(rows[i].watchdog, TO_WATCHDOG) << i;
    EXPECT_EQ(rows[i].rejectEqual, REJ_EQ_TIME) << i;
  }
  // Later addresses keep the limits but read the rule again; a missing key keeps it.
  driver->setConfig("cfgKrtInpast", "999");
  driver->setConfig("cfgKrtRejEqTime", "yes");
  HostAddress second;
  mapTwoRecords(second);
  mapperFor(second);
  EXPECT_EQ(30000, TO_INPAST);
  EXPECT_TRUE(REJ_EQ_TIME);
  REJ_EQ_TIME = false;
  driver->unsetConfig("cfgKrtRejEqTime");
  mapperFor(second);
  EXPECT_FALSE(REJ_EQ_TIME);
}

TEST_F(TimerejTest, InitialiseHangsTheElementIndexOfEachQualifiedRecord) {
  const std::vector<std::pair<const char*, int>> rows = {
      {"", 0}, {"2", 2}, {"-1", -1}, {"junk", 0}, {"99999999999", INT_MAX}};
  HostAddress address;
  for (size_t i = 0; i < rows.size(); ++i)
    driver->attachConverter(address.map("dpe" + std::to_string(i), "value", rows[i].first), "longlong",
                            "acqStamp");
  mapperFor(address);
  for (size_t i = 0; i < rows.size(); ++i) {
    const int* data = static_cast<const int*>(address.record("dpe" + std::to_string(i)).apmData);
    ASSERT_EQ(*rows[i].first != '\0', data != nullptr) << rows[i].first;
    if (data != nullptr) {
      EXPECT_EQ(rows[i].second, *data) << rows[i].first;
    }
  }
}

TEST_F(TimerejTest, RecordsMustAgreeOnOneTimeStampField) {
  const std::vector<std::pair<const char*, const char*>> rows = {{"longlong", "acqStamp"},
                                                                 {"longlong", "otherStamp"},
                                                                 {"double", "acqStamp"},
                                                                 {"longlongnano", "acqStamp"}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.first) + " " + row.second);
    driver->clearReceived();
    HostAddress address;
    driver->attachConverter(address.map("dpe1", "value"), "longlong", "acqStamp");
    driver->attachConverter(address.map("dpe2", "status"), row.first, row.second);
    const bool agrees = row.first == std::string("longlong") && row.second == std::string("acqStamp");
    EXPECT_EQ(agrees ? "" : "multiple timestamp tags", manMessage([&] { mapperFor(address); }));
    if (agrees) continue;
    // The host keeps the mapper; without a time converter every property is refused.
    std::unique_ptr<pvector<apm*>> made(driver->getMappers(qivlib_apmInfo("timerej")));
    apmTimerej* kept = static_cast<apmTimerej*>(made->back());
    EXPECT_EQ(nullptr, kept->timeConverter);
    receive(address, kNow);
    EXPECT_EQ("wrong timestamp HWAddress", address.cycle(*kept).rejection);
    EXPECT_EQ(1u, driver->invalid().size());
  }
}

TEST_F(TimerejTest, PropertyWithoutRecordsIsStampedByAqnUtcTimeInNanoseconds) {
  HostAddress address;
  apmTimerej* mapper = mapperFor(address);
  EXPECT_STREQ("AqnUtcTime", mapper->timeConverter->name);
  address.prop.setTag<long>("AqnUtcTime", {(kNow - 10) * 1000000L + 999999});
  EXPECT_EQ("", address.cycle(*mapper).rejection);
  address.prop.setTag<long>("AqnUtcTime", {(kNow - 10) * 1000000L});
  EXPECT_EQ(0u, address.cycle(*mapper).rejection.find("AqnUtcTime is the same as in prev frame"));
}

TEST_F(TimerejTest, RecordWithoutConverterIsRefusedAndNothingChanges) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  const tcm* converter = mapper->timeConverter;
  const void* index = address.record("dpe2").apmData;
  address.map("dpe3", "extra", "4");
  driver->setConfig("cfgKrtRejEqTime", "no");
  EXPECT_EQ("mapping record [dpe3] of device [dev] property [Acquisition] has no timestamp converter",
            manMessage([&] { mapper->initialise(&address.prop); }));
  EXPECT_EQ(converter, mapper->timeConverter);
  EXPECT_EQ(index, address.record("dpe2").apmData);
  EXPECT_EQ(nullptr, address.record("dpe3").apmData);
  EXPECT_TRUE(REJ_EQ_TIME);

  resetGlobals();  // a fresh mapper refused at creation has not configured the limits
  HostAddress bad;
  bad.map("dpe1", "value");
  EXPECT_NE("", manMessage([&] { mapperFor(bad); }));
  EXPECT_EQ(-1, TO_WATCHDOG);
}

TEST_F(TimerejTest, RejectionStreakNotifiesOnceAndArmsTheWatchdog) {
  yoxhost::StandInProp pseudoProp("dev", "Acquisition");
  driver->createMapper("pseudo.dev", &pseudoProp);
  HostAddress address;
  apmTimerej* mapper = running(address);
  EXPECT_FALSE(mapper->watchdog());
  receive(address, kNow - 100);
  EXPECT_EQ(std::vector<bool>({false, false}), address.cycle(*mapper).ins);
  receive(address, kNow - 150);
  EXPECT_EQ(rejection("is 50 ms older than in prev frame", kNow - 100, kNow - 150),
            address.cycle(*mapper).rejection);
  EXPECT_EQ(1u, driver->invalid().size());
  EXPECT_EQ(1u, driver->delivered().size());  // every tag was fine for the host: not published
  address.cycle(*mapper, {true, false});      // rejected and invalid: the pseudo device hears it
  EXPECT_EQ(2u, driver->delivered().size());
  expectWatchdogFiresAfter(TO_WATCHDOG, [&] { return mapper->watchdog(); });
}

TEST_F(TimerejTest, UnreadableTimeStampOrStopFlagIsRefusedWithoutARejectionStreak) {
  HostAddress address;
  apmTimerej* mapper = running(address);
  address.prop.setTag<std::string>("acqStamp", {"yesterday"});
  const std::string failure = manMessage([&] { mapper->begin(&address.prop); });
  EXPECT_EQ(0u, failure.rfind("acqStamp time stamp cannot be read: ", 0)) << failure;
  receive(address, 0);
  address.prop.stopFlag = true;
  EXPECT_EQ("", manMessage([&] { mapper->begin(&address.prop); }));
  EXPECT_TRUE(driver->invalid().empty());
  EXPECT_FALSE(mapper->watchdog());
  address.prop.stopFlag = false;
  receive(address, kNow - 100);  // the previous stamp is still remembered
  EXPECT_EQ(rejection("is the same as in prev frame", kNow - 100, kNow - 100),
            address.cycle(*mapper).rejection);
}

TEST_F(TimerejTest, UninitialisedMapperRefusesEveryPropertyWithoutNotice) {
  driver->getFilters().reset();
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow);
  const HostAddress::Outcome outcome = address.cycle(*mapper);
  EXPECT_EQ("wrong timestamp HWAddress", outcome.rejection);
  EXPECT_EQ(std::vector<bool>({false, false}), outcome.ins);
  EXPECT_TRUE(driver->invalid().empty());  // there is no template to send
}

TEST_F(TimerejTest, InWithoutTheSourceTagFailsClearly) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  address.prop.setTag<long>("acqStamp", {kNow - 100});
  mapper->begin(&address.prop);
  qivTag& tag = address.target("dpe1");
  EXPECT_EQ("no tag [value] in the property received for device [dev] property [Acquisition]",
            manMessage([&] { mapper->in(&address.prop, &tag, &address.record("dpe1")); }));
  EXPECT_FALSE(tag.valid);
}

// The sanitizer build catches any access to records freed before their mapper.
TEST_F(TimerejTest, IndexesAreFreedByTheMapperWhateverDiesFirst) {
  const int kind = qivlib_apmInfo("timerej");
  {
    std::unique_ptr<apm> mapper(apmHash.get(kind)->dup());
    HostAddress address;
    mapTwoRecords(address);
    mapper->initialise(&address.prop);
  }
  HostAddress address;
  mapTwoRecords(address);
  std::unique_ptr<apm> mapper(apmHash.get(kind)->dup());
  mapper->initialise(&address.prop);
  address.record("dpe2").qualifiers[0] = "7";
  mapper->initialise(&address.prop);
  EXPECT_EQ(7, *static_cast<int*>(address.record("dpe2").apmData));
  address.record("dpe2").qualifiers[0] = "";
  mapper->initialise(&address.prop);
  EXPECT_EQ(nullptr, address.record("dpe2").apmData);
}

}  // namespace
