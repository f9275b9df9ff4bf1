// The time-rejection mapper as a host drives it: the checking rule and its limits,
// what initialise hangs on the mapping, rejection periods with their single
// invalid notice, frozen tags and the watchdog.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "apm/apmPseudoDev.h"
#include "apm/apmTimerej.h"
#include "base/HostFunctions.h"
#include "host/StandInProp.h"
#include "hostapi/tcm.h"
#include "plugin/qivlib.h"
#include "support/MapperHarness.h"
#include "support/PluginFixture.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::HostAddress;
using yoxtest::manMessage;

class TimerejTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    resetLimits();
    driver->filters();  // with a filter registry the host initialises what it creates
  }
  void TearDown() override {
    PluginFixture::TearDown();
    resetLimits();
  }

  static void resetLimits() {
    TO_INFUTURE = -1;
    TO_INPAST = -1;
    TO_WATCHDOG = -1;
    REJ_EQ_TIME = true;
  }

  // An address with two records, both stamped by the "longlong" field acqStamp; the
  // second reads element index 1 of its tag.
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
  static std::string rejection(const std::string& reason, long long prev, long long cur) {
    return "acqStamp " + reason + "\n\tprev acqStamp: " + std::to_string(prev) +
           "\n\t new acqStamp: " + std::to_string(cur);
  }
};

TEST_F(TimerejTest, IsValidChecksZeroOrderEqualityFutureAndPastInThatOrder) {
  TO_INFUTURE = 1000;
  TO_INPAST = 2000;
  struct Row {
    long long prev;
    long long cur;
    bool rejectEqual;
    std::string reason;  // "" = accepted
  };
  const std::vector<Row> rows = {
      {0, 0, true, "is equal to 0"},
      {kNow, 0, true, "is equal to 0"},
      {kNow, kNow - 250, true, "is 250 ms older than in prev frame"},
      {kNow + 5000, kNow - 5000, true, "is 10000 ms older than in prev frame"},
      {kNow, kNow, true, "is the same as in prev frame"},
      {kNow, kNow, false, ""},
      {kNow + 1000, kNow + 1000, false, "is too far (1000 ms) in the future, only 1000 ms allowed"},
      {0, kNow, true, ""},
      {0, kNow + 999, true, ""},
      {0, kNow + 1000, true, "is too far (1000 ms) in the future, only 1000 ms allowed"},
      {0, kNow - 1999, true, ""},
      {0, kNow - 2000, true, "is too far (2000 ms) in the past, only 2000 ms allowed"},
      {-kNow, -1, true, "is too far (1700000000001 ms) in the past, only 2000 ms allowed"},
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
      {{}, 30000, 30000, 30000, true},
      {{{"cfgKrtInfuture", "1500"}, {"cfgKrtInpast", "2500"}, {"cfgKrtWatchdog", "4000"}},
       1500,
       2500,
       4000,
       true},
      {{{"cfgKrtInfuture", "abc"}, {"cfgKrtInpast", ""}, {"cfgKrtWatchdog", "12ms"}}, 30000, 30000, 12, true},
      {{{"cfgKrtInpast", "-7"}, {"cfgKrtRejEqTime", "no"}}, 30000, -7, 30000, false},
      {{{"cfgKrtRejEqTime", "No"}}, 30000, 30000, 30000, true},
      {{{"cfgKrtRejEqTime", "no "}}, 30000, 30000, 30000, true},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    resetLimits();
    for (const char* key : {"cfgKrtInfuture", "cfgKrtInpast", "cfgKrtWatchdog", "cfgKrtRejEqTime"}) {
      driver->unsetConfig(key);
    }
    for (const auto& entry : rows[i].config) driver->setConfig(entry.first, entry.second);
    HostAddress address;
    mapTwoRecords(address);
    mapperFor(address);
    EXPECT_EQ(rows[i].infuture, TO_INFUTURE);
    EXPECT_EQ(rows[i].inpast, TO_INPAST);
    EXPECT_EQ(rows[i].watchdog, TO_WATCHDOG);
    EXPECT_EQ(rows[i].rejectEqual, REJ_EQ_TIME);
  }

  // Later addresses leave configured limits alone but read the equal-time rule
  // again; a missing key leaves the rule as it is.
  resetLimits();
  driver->setConfig("cfgKrtInfuture", "1500");
  driver->setConfig("cfgKrtRejEqTime", "no");
  HostAddress first;
  mapTwoRecords(first);
  mapperFor(first);
  driver->setConfig("cfgKrtInfuture", "999");
  driver->setConfig("cfgKrtRejEqTime", "yes");
  HostAddress second;
  mapTwoRecords(second);
  mapperFor(second);
  EXPECT_EQ(1500, TO_INFUTURE);
  EXPECT_TRUE(REJ_EQ_TIME);
  REJ_EQ_TIME = false;
  driver->unsetConfig("cfgKrtRejEqTime");
  mapperFor(second);
  EXPECT_FALSE(REJ_EQ_TIME);
}

TEST_F(TimerejTest, InitialiseHangsTheElementIndexOfEachQualifiedRecord) {
  struct Row {
    const char* qualifier;
    bool hung;
    int index;
  };
  const std::vector<Row> rows = {
      {"", false, 0}, {"2", true, 2}, {"-1", true, -1}, {"junk", true, 0}, {"99999999999", true, INT_MAX},
  };
  HostAddress address;
  for (size_t i = 0; i < rows.size(); ++i) {
    driver->attachConverter(address.map("dpe" + std::to_string(i), "value", rows[i].qualifier), "longlong",
                            "acqStamp");
  }
  mapperFor(address);
  for (size_t i = 0; i < rows.size(); ++i) {
    const void* data = address.record("dpe" + std::to_string(i)).apmData;
    ASSERT_EQ(rows[i].hung, data != nullptr) << "qualifier '" << rows[i].qualifier << "'";
    if (data != nullptr) {
      EXPECT_EQ(rows[i].index, *static_cast<const int*>(data));
    }
  }
}

TEST_F(TimerejTest, RecordsMustAgreeOnOneTimeStampField) {
  struct Row {
    const char* kind;
    const char* field;
    bool agrees;
  };
  const std::vector<Row> rows = {
      {"longlong", "acqStamp", true},
      {"longlong", "otherStamp", false},
      {"double", "acqStamp", false},
      {"longlongnano", "acqStamp", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.kind) + " " + row.field);
    driver->clearReceived();
    HostAddress address;
    driver->attachConverter(address.map("dpe1", "value"), "longlong", "acqStamp");
    driver->attachConverter(address.map("dpe2", "status"), row.kind, row.field);
    const std::string failure = manMessage([&] { mapperFor(address); });
    EXPECT_EQ(row.agrees ? "" : "multiple timestamp tags", failure);
    if (row.agrees) continue;

    // The host keeps the mapper; without a time converter every property is refused.
    std::unique_ptr<pvector<apm*>> made(driver->getMappers(qivlib_apmInfo("timerej")));
    ASSERT_FALSE(made->empty());
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
  ASSERT_NE(nullptr, mapper->timeConverter);
  EXPECT_STREQ("AqnUtcTime", mapper->timeConverter->name);

  address.prop.setTag<long>("AqnUtcTime", {(kNow - 10) * 1000000L + 999999});
  EXPECT_EQ("", address.cycle(*mapper).rejection);
  address.prop.setTag<long>("AqnUtcTime", {(kNow - 10) * 1000000L});
  EXPECT_EQ(
      "AqnUtcTime is the same as in prev frame\n\tprev AqnUtcTime: 1699999999990\n\t new AqnUtcTime: "
      "1699999999990",
      address.cycle(*mapper).rejection);
}

TEST_F(TimerejTest, RecordWithoutConverterIsRefusedAndNothingChanges) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  const tcm* converter = mapper->timeConverter;
  const iqivProp* pattern = mapper->templateProp;
  const void* index = address.record("dpe2").apmData;
  address.map("dpe3", "extra", "4");
  driver->setConfig("cfgKrtRejEqTime", "no");

  EXPECT_EQ("mapping record [dpe3] of device [dev] property [Acquisition] has no timestamp converter",
            manMessage([&] { mapper->initialise(&address.prop); }));
  EXPECT_EQ(converter, mapper->timeConverter);
  EXPECT_EQ(pattern, mapper->templateProp);
  EXPECT_EQ(index, address.record("dpe2").apmData);
  EXPECT_EQ(nullptr, address.record("dpe3").apmData);
  EXPECT_TRUE(REJ_EQ_TIME);

  // A fresh mapper refused at creation has not even configured the limits.
  resetLimits();
  HostAddress bad;
  bad.map("dpe1", "value");
  EXPECT_NE("", manMessage([&] { mapperFor(bad); }));
  EXPECT_EQ(-1, TO_WATCHDOG);
}

TEST_F(TimerejTest, AcceptedPropertyCopiesValuesStampedWithItsTime) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  const long long stamp = kNow - 1234;
  receive(address, stamp);

  const HostAddress::Outcome outcome = address.cycle(*mapper);
  EXPECT_EQ("", outcome.rejection);
  EXPECT_EQ(std::vector<bool>({true, true}), outcome.ins);
  for (const char* dpe : {"dpe1", "dpe2"}) {
    const qivTag& tag = address.target(dpe);
    EXPECT_TRUE(tag.valid) << dpe;
    EXPECT_FALSE(tag.noData) << dpe;
    EXPECT_EQ(stamp / 1000, tag.seconds) << dpe;
    EXPECT_EQ(stamp % 1000, tag.millis) << dpe;
    EXPECT_TRUE(tag.value == address.prop.tag(tag.name)->value) << dpe;  // the whole value
  }
  EXPECT_TRUE(driver->invalid().empty());
}

TEST_F(TimerejTest, SourceTooShortForTheElementIndexMarksNoData) {
  HostAddress address;
  mapTwoRecords(address);  // dpe2 reads element 1
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow - 2000);
  address.cycle(*mapper);
  const VUQ_VARS before = address.target("dpe2").value;

  receive(address, kNow - 1000);
  address.prop.setTag<int>("status", {9});
  const HostAddress::Outcome outcome = address.cycle(*mapper);
  EXPECT_EQ(std::vector<bool>({true, true}), outcome.ins);
  EXPECT_TRUE(address.target("dpe2").noData);
  EXPECT_TRUE(before == address.target("dpe2").value);
  EXPECT_EQ((kNow - 2000) / 1000, address.target("dpe2").seconds);
  EXPECT_FALSE(address.target("dpe1").noData);
}

TEST_F(TimerejTest, RejectionPeriodNotifiesOnceFreezesTagsAndArmsTheWatchdog) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  const long long good = kNow - 100;
  receive(address, good);
  address.cycle(*mapper);
  EXPECT_FALSE(mapper->watchdog());
  const VUQ_VARS accepted = address.target("dpe1").value;

  env().advance(1000);
  receive(address, good);
  address.prop.setTag<double>("value", {2.5});
  HostAddress::Outcome outcome = address.cycle(*mapper);
  EXPECT_EQ(rejection("is the same as in prev frame", good, good), outcome.rejection);
  EXPECT_EQ(std::vector<bool>({false, false}), outcome.ins);
  EXPECT_TRUE(accepted == address.target("dpe1").value);
  ASSERT_EQ(1u, driver->invalid().size());
  EXPECT_EQ("dev", driver->invalid()[0]->getDevice());
  EXPECT_TRUE(driver->invalid()[0]->tags.empty());

  receive(address, good - 50);
  EXPECT_EQ(rejection("is 50 ms older than in prev frame", good, good - 50),
            address.cycle(*mapper).rejection);
  EXPECT_EQ(1u, driver->invalid().size());

  // The watchdog counts from the start of the period and fires only past the limit.
  EXPECT_TRUE(mapper->watchdog());
  env().advance(TO_WATCHDOG);
  EXPECT_TRUE(mapper->watchdog());
  env().advance(1);
  EXPECT_EQ("watchdog event has happened", manMessage([&] { mapper->watchdog(); }));
  EXPECT_EQ("watchdog event has happened", manMessage([&] { mapper->watchdog(); }));

  // A good stamp ends the period; the next rejection starts a new one.
  receive(address, timeLongLong() - 10);
  outcome = address.cycle(*mapper);
  EXPECT_EQ("", outcome.rejection);
  EXPECT_EQ(std::vector<bool>({true, true}), outcome.ins);
  EXPECT_FALSE(mapper->watchdog());
  receive(address, 0);
  EXPECT_EQ(rejection("is equal to 0", timeLongLong() - 10, 0), address.cycle(*mapper).rejection);
  EXPECT_EQ(2u, driver->invalid().size());
}

TEST_F(TimerejTest, MissingTimeStampTagRestartsFromZero) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow - 100);
  address.cycle(*mapper);

  delete address.prop.tags.at("acqStamp");
  address.prop.tags.erase("acqStamp");
  EXPECT_EQ(rejection("wrong VUQ tag", 0, 0), address.cycle(*mapper).rejection);
  EXPECT_EQ(1u, driver->invalid().size());

  // With the previous stamp forgotten, an older one than before is accepted.
  receive(address, kNow - 5000);
  EXPECT_EQ("", address.cycle(*mapper).rejection);
}

TEST_F(TimerejTest, UnreadableTimeStampIsRefusedWithoutStartingARejectionPeriod) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow - 100);
  address.cycle(*mapper);

  address.prop.setTag<std::string>("acqStamp", {"yesterday"});
  const std::string failure = manMessage([&] { mapper->begin(&address.prop); });
  EXPECT_EQ(0u, failure.rfind("acqStamp time stamp cannot be read: ", 0)) << failure;
  EXPECT_TRUE(driver->invalid().empty());
  EXPECT_FALSE(mapper->watchdog());

  receive(address, kNow - 100);  // the previous stamp is still remembered
  EXPECT_EQ(rejection("is the same as in prev frame", kNow - 100, kNow - 100),
            address.cycle(*mapper).rejection);
}

TEST_F(TimerejTest, EqualStampsPassWhenTheHostSaysNo) {
  driver->setConfig("cfgKrtRejEqTime", "no");
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  for (int i = 0; i < 3; ++i) {
    receive(address, kNow - 100);
    EXPECT_EQ("", address.cycle(*mapper).rejection) << "cycle " << i;
  }
  EXPECT_TRUE(driver->invalid().empty());
}

TEST_F(TimerejTest, StopFlagEndsBeginBeforeAnyCheck) {
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, 0);
  address.prop.stopFlag = true;
  EXPECT_EQ("", manMessage([&] { mapper->begin(&address.prop); }));
  EXPECT_TRUE(driver->invalid().empty());
  EXPECT_FALSE(mapper->watchdog());
}

TEST_F(TimerejTest, ValidPropertyDuringRejectionIsNotPublished) {
  StandInProp pseudoProp("dev", "Acquisition");
  auto* watcher = static_cast<apmPseudoDev*>(driver->createMapper("pseudo.dev", &pseudoProp));
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);

  receive(address, kNow - 100);
  address.cycle(*mapper);
  EXPECT_EQ(1u, driver->delivered().size());
  EXPECT_TRUE(watcher->deviceValid);

  receive(address, kNow - 100);  // rejected, but every tag is fine for the host
  address.cycle(*mapper);
  EXPECT_EQ(1u, driver->delivered().size());

  address.cycle(*mapper, {true, false});  // rejected and invalid: the pseudo device hears it
  EXPECT_EQ(2u, driver->delivered().size());
  EXPECT_FALSE(watcher->deviceValid);
}

TEST_F(TimerejTest, UninitialisedMapperRefusesEveryPropertyWithoutNotice) {
  driver->getFilters().reset();
  HostAddress address;
  mapTwoRecords(address);
  apmTimerej* mapper = mapperFor(address);
  receive(address, kNow);
  const HostAddress::Outcome outcome = address.cycle(*mapper);
  EXPECT_EQ("wrong timestamp HWAddress", outcome.rejection);
  EXPECT_EQ(std::vector<bool>({false, false}), outcome.ins);  // a rejection period runs
  EXPECT_TRUE(driver->invalid().empty());                     // but there is no template to send
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

TEST_F(TimerejTest, IndexesAreFreedByTheMapperWhateverDiesFirst) {
  const int kind = qivlib_apmInfo("timerej");
  ASSERT_GE(kind, 0);
  // Records go first (the address is dropped), then the mapper.
  {
    std::unique_ptr<apm> mapper(apmHash.get(kind)->dup());
    {
      HostAddress address;
      mapTwoRecords(address);
      mapper->initialise(&address.prop);
    }
  }
  // The mapper goes first, the records stay with the host.
  HostAddress address;
  mapTwoRecords(address);
  {
    std::unique_ptr<apm> mapper(apmHash.get(kind)->dup());
    mapper->initialise(&address.prop);
    // Initialising again replaces the indexes with fresh ones.
    address.record("dpe2").qualifiers[0] = "7";
    mapper->initialise(&address.prop);
    ASSERT_NE(nullptr, address.record("dpe2").apmData);
    EXPECT_EQ(7, *static_cast<int*>(address.record("dpe2").apmData));
    address.record("dpe2").qualifiers[0] = "";
    mapper->initialise(&address.prop);
    EXPECT_EQ(nullptr, address.record("dpe2").apmData);  // none of ours left dangling
  }
}

}  // namespace
