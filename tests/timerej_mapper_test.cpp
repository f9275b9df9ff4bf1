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
      {0, kNow + 999, true, ""},
      {0, kNow - 1999, true, ""},
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
  TO_INFUTURE = -10;  // a negative limit refuses stamps behind the clock too
  EXPECT_EQ("is too far (-5 ms) in the future, only -10 ms allowed",
            manMessage([&] { apmTimerej::isValid(0, kNow - 5); }));
}

TEST_F(TimerejTest, FirstInitialiseConfiguresTheLimitsAndEveryOneTheEqualTimeRule) {
  driver->setConfig("cfgKrtInfuture", "abc");  // unreadable: the default
  driver->setConfig("cfgKrtInpast", "2500");
  driver->setConfig("cfgKrtWatchdog", "12ms");  // read as far as it is a number
  driver->setConfig("cfgKrtRejEqTime", "No");   // only "no" says no
  HostAddress address;
  mapTwoRecords(address);
  mapperFor(address);
  EXPECT_EQ(std::vector<long long>({30000, 2500, 12}),
            std::vector<long long>({TO_INFUTURE, TO_INPAST, TO_WATCHDOG}));
  EXPECT_TRUE(REJ_EQ_TIME);
  // Later addresses keep the limits but read the rule again; a missing key keeps it.
  driver->setConfig("cfgKrtInpast", "999");
  driver->setConfig("cfgKrtRejEqTime", "no");
  mapperFor(address);
  EXPECT_EQ(2500, TO_INPAST);
  EXPECT_FALSE(REJ_EQ_TIME);
  driver->unsetConfig("cfgKrtRejEqTime");
  mapperFor(address);
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
  std::unique_ptr<pvector<apm*>> made(driver->getMappers(qivlib_apmInfo("timerej")));
  receive(bad, kNow);  // the host keeps it: every property is refused, and there is no template to send
  EXPECT_EQ("wrong timestamp HWAddress", bad.cycle(*made->back()).rejection);
  EXPECT_TRUE(driver->invalid().empty());
}

TEST_F(TimerejTest, MissingSourceOrUnreadableStampFailsAndStopFlagIsRefusedWithoutARejectionStreak) {
  yoxhost::StandInProp pseudoProp("dev", "Acquisition");
  driver->createMapper("pseudo.dev", &pseudoProp);
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow - 100);
  EXPECT_EQ("", address.cycle(*mapper).rejection);
  address.removeTag("value");
  EXPECT_EQ("no tag [value] in the property received for device [dev] property [Acquisition]",
            manMessage([&] { mapper->in(&address.prop, &address.target("dpe1"), &address.record("dpe1")); }));
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

}  // namespace
