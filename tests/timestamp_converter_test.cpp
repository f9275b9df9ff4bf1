// The three time-stamp converters as one table: what each reads, what it refuses
// without touching the tag, its single warning for a missing field, and what it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "host/StandInProp.h"
#include "support/LogRecords.h"
#include "support/PluginFixture.h"

namespace {

using yoxtest::parsedRecords;

template <class T>
VUQ_VARS valueOf(const std::vector<T>& values) {
  VUQ_VARS value;
  value.assignVector(values);
  return value;
}

class TimestampConverterTest : public yoxtest::PluginFixture {
 protected:
  std::unique_ptr<tcm> converter(const std::string& kind, const char* field = "ts") {
    return std::unique_ptr<tcm>(qivlib_tcmCreate(qivlib_tcmInfo(kind.c_str()), field));
  }
  yoxhost::StandInProp prop{"dev", "Acquisition"};
};

TEST_F(TimestampConverterTest, ReadsItsEncodingAndLeavesTheTagAloneOtherwise) {
  VUQ_VARS notInitialised = valueOf(std::vector<long>{5});
  notInitialised.clean();
  struct Case {
    const char* kind;
    VUQ_VARS stamp;
    long long millis;  // -2: unreadable
  };
  const std::vector<Case> cases = {
      {"longlong", valueOf(std::vector<long>{-1500}), -1500},
      {"longlong", valueOf(std::vector<long>{kNow, 99}), kNow},
      {"longlongnano", valueOf(std::vector<long>{1234567891}), 1234},
      {"longlongnano", valueOf(std::vector<long>{999999}), 0},
      {"longlongnano", valueOf(std::vector<long>{-1500999999}), -1500},
      {"double", valueOf(std::vector<double>{-1500.9}), -1500},
      {"double", valueOf(std::vector<double>{0.999}), 0},
      {"longlong", valueOf(std::vector<double>{1.0}), -2},
      {"longlong", valueOf(std::vector<long>{}), -2},
      {"longlongnano", valueOf(std::vector<int>{1}), -2},
      {"longlongnano", notInitialised, -2},
      {"double", valueOf(std::vector<long>{1}), -2},
      {"double", valueOf(std::vector<double>{std::nan("")}), -2},
      {"double", valueOf(std::vector<double>{1e300}), -2},
      {"double", valueOf(std::vector<double>{-HUGE_VAL}), -2},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.kind) + " " + c.stamp.toString();
    prop.setTag("ts", c.stamp);
    std::unique_ptr<tcm> reader = converter(c.kind);
    qivTag target("value");
    target.seconds = 7;
    target.millis = 8;
    EXPECT_EQ(c.millis != -2, reader->in(&prop, &target, "dpe.1")) << what;
    if (c.millis == -2) {
      EXPECT_EQ(7008, target.seconds * 1000 + target.millis) << what;
      EXPECT_THROW(reader->milli(&prop), std::out_of_range) << what;
    } else {
      EXPECT_EQ(c.millis / 1000, target.seconds) << what;
      EXPECT_EQ(c.millis % 1000, target.millis) << what;
      EXPECT_EQ(c.millis, reader->milli(&prop)) << what;
    }
  }
  for (const auto& record : parsedRecords()) EXPECT_NE(record.type, 2) << record.message;
}

TEST_F(TimestampConverterTest, WarnsOnceAboutAMissingStampTagAndRefusesToWriteWithoutAName) {
  const std::vector<std::pair<const char*, const char*>> kinds = {
      {"double", "tcmDouble"}, {"longlong", "tcmLongLong"}, {"longlongnano", "tcmLongLongNano"}};
  for (const auto& kind : kinds) {
    env().clearRecords();
    std::unique_ptr<tcm> reader = converter(kind.first);
    qivTag target("value");
    EXPECT_FALSE(reader->in(&prop, &target, "dpe.1"));
    const auto records = parsedRecords();
    ASSERT_EQ(records.size(), 1u) << kind.first;
    EXPECT_EQ(records[0].type, 2);
    EXPECT_EQ(records[0].function, "in");
    EXPECT_EQ(records[0].message,
              std::string(kind.second) +
                  " - no tag found with name [ts], unable to extract timestamp for dpe id [dpe.1]");
    env().clearRecords();
    EXPECT_EQ(reader->milli(&prop), -1);
    EXPECT_TRUE(parsedRecords().empty());

    std::unique_ptr<tcm> nameless(tcmHash.get(qivlib_tcmInfo(kind.first))->dup(nullptr));
    EXPECT_THROW(nameless->out(&prop, &target), std::invalid_argument) << kind.first;
    EXPECT_TRUE(prop.tags.empty());
    EXPECT_EQ(nameless->milli(&prop), -1);
  }
}

}  // namespace
