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
    EXPECT_EQ(row.reason, manMessage([&] { apmTimerej::isValid(row.prev, row.cur); })) << row.cur;
  }
}

TEST_F(TimerejTest, FirstInitialiseConfiguresTheLimitsAndEveryOneTheEqualTimeRule) {
  struct Row {
    std::vector<std::pair<std::string, std::string>> config;
    long long infuture, inpast, watchdog;
    bool rejectEqual;
  };
  const std::vector<Row> rows = {
      {{{"cfgKrtInfuture", "abc"}, {"cfgKrtInpast", ""}, {"cfgKrtWatchdog", "12ms"}}, 30000, 30000, 12, true},
      {{{"cfgKrtInpast", "-7"}, {"cfgKrtRejEqTime", "no"}}, 30000, -7, 30000, false},
      {{{"cfgKrtRejEqTime", "No"}}, 30000, 30000, 30000, true},
  };
  for (const Row& row : rows) {
    resetGlobals();
    for (const auto& entry : row.config) driver->setConfig(entry.first, entry.second);
    HostAddress address;
    mapTwoRecords(address);
    mapperFor(address);
    EXPECT_EQ(std::vector<long long>({row.infuture, row.inpast, row.watchdog}),
              std::vector<long long>({TO_INFUTURE, TO_INPAST, TO_WATCHDOG}));
    EXPECT_EQ(row.rejectEqual, REJ_EQ_TIME);
    for (const auto& entry : row.config) driver->unsetConfig(entry.first);
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

// The sanitizer build catches any access to indexes freed twice or records freed
// before their mapper.
TEST_F(TimerejTest, InitialiseHangsTheElementIndexOfEachQualifiedRecordAndFreesTheOldOnes) {
  const std::vector<std::pair<const char*, int>> rows = {
      {"", 0}, {"-1", -1}, {"junk", 0}, {"99999999999", INT_MAX}};
  auto address = std::make_unique<HostAddress>();
  for (size_t i = 0; i < rows.size(); ++i)
    driver->attachConverter(address->map("dpe" + std::to_string(i), "value", rows[i].first), "longlong",
                            "stamp");
  std::unique_ptr<apm> mapper(apmHash.get(qivlib_apmInfo("timerej"))->dup());
  mapper->initialise(&address->prop);
  for (size_t i = 0; i < rows.size(); ++i) {
    const int* data = static_cast<const int*>(address->record("dpe" + std::to_string(i)).apmData);
    ASSERT_EQ(*rows[i].first != '\0', data != nullptr) << rows[i].first;
    if (data != nullptr) {
      EXPECT_EQ(rows[i].second, *data) << rows[i].first;
    }
  }
  address->record("dpe1").qualifiers[0] = "";
  mapper->initialise(&address->prop);
  EXPECT_EQ(nullptr, address->record("dpe1").apmData);
  address.reset();
}

TEST_F(TimerejTest, RecordsMustAgreeOnOneTimeStampFieldOrEveryPropertyIsRefused) {
  for (const auto& row :
       std::vector<std::pair<const char*, const char*>>{{"longlong", "otherStamp"}, {"double", "acqStamp"}}) {
    driver->clearReceived();
    HostAddress address;
    driver->attachConverter(address.map("dpe1", "value"), "longlong", "acqStamp");
    driver->attachConverter(address.map("dpe2", "status"), row.first, row.second);
    EXPECT_EQ("multiple timestamp tags", manMessage([&] { mapperFor(address); })) << row.first;
    // The host keeps the mapper; without a time converter every property is refused.
    std::unique_ptr<pvector<apm*>> made(driver->getMappers(qivlib_apmInfo("timerej")));
    apmTimerej* kept = static_cast<apmTimerej*>(made->back());
    receive(address, kNow);
    EXPECT_EQ("wrong timestamp HWAddress", address.cycle(*kept).rejection);
    EXPECT_EQ(1u, driver->invalid().size());
  }
}

TEST_F(TimerejTest, PropertyWithoutRecordsIsStampedByAqnUtcTimeInNanoseconds) {
  HostAddress address;
  apmTimerej* mapper = mapperFor(address);
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

TEST_F(TimerejTest, UnreadableTimeStampOrStopFlagIsRefusedWithoutARejectionStreak) {
  yoxhost::StandInProp pseudoProp("dev", "Acquisition");
  driver->createMapper("pseudo.dev", &pseudoProp);
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow - 100);
  EXPECT_EQ("", address.cycle(*mapper).rejection);
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
  const size_t told = driver->delivered().size();
  EXPECT_EQ(0u, address.cycle(*mapper).rejection.find("acqStamp is the same as in prev frame"));
  EXPECT_EQ(told, driver->delivered().size());  // every tag was fine for the host: not published
  address.cycle(*mapper, {true, false});        // rejected and invalid: the pseudo device hears it
  EXPECT_EQ(told + 1, driver->delivered().size());
}

TEST_F(TimerejTest, UninitialisedMapperRefusesEveryPropertyWithoutNotice) {
  driver->getFilters().reset();
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow);
  const HostAddress::Outcome outcome = address.cycle(*mapper);
  EXPECT_EQ("wrong timestamp HWAddress", outcome.rejection);
  EXPECT_FALSE(outcome.in.at("dpe1") || outcome.in.at("dpe2"));
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

}  // namespace
