// The three time-stamp converters as one table: what each reads, what it refuses
// without touching the tag, its single warning for a missing field, and what it writes.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
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
  static std::unique_ptr<tcm> converter(const char* kind, const char* field = "ts") {
    return std::unique_ptr<tcm>(qivlib_tcmCreate(qivlib_tcmInfo(kind), field));
  }
  yoxhost::StandInProp prop{"dev", "Acquisition"};
};

TEST_F(TimestampConverterTest, ReadsItsEncodingAndLeavesTheTagAloneOtherwise) {
  VUQ_VARS notInitialised = valueOf(std::vector<long>{5});
  notInitialised.clean();
  const long long kUnreadable = -2;
  const std::vector<std::tuple<const char*, VUQ_VARS, long long>> cases = {
      {"longlong", valueOf(std::vector<long>{-1500}), -1500},
      {"longlong", valueOf(std::vector<long>{kNow, 99}), kNow},
      {"longlongnano", valueOf(std::vector<long>{999999}), 0},
      {"longlongnano", valueOf(std::vector<long>{-1500999999}), -1500},
      {"double", valueOf(std::vector<double>{-1500.9}), -1500},
      {"double", valueOf(std::vector<double>{0.999}), 0},
      {"longlong", valueOf(std::vector<double>{1.0}), kUnreadable},
      {"longlong", valueOf(std::vector<long>{}), kUnreadable},
      {"longlongnano", valueOf(std::vector<int>{1}), kUnreadable},
      {"longlongnano", notInitialised, kUnreadable},
      {"double", valueOf(std::vector<long>{1}), kUnreadable},
      {"double", valueOf(std::vector<double>{std::nan("")}), kUnreadable},
      {"double", valueOf(std::vector<double>{1e300}), kUnreadable},
      {"double", valueOf(std::vector<double>{-HUGE_VAL}), kUnreadable},
  };
  for (const auto& [kind, stamp, millis] : cases) {
    SCOPED_TRACE(std::string(kind) + " " + stamp.toString());
    prop.setTag("ts", stamp);
    std::unique_ptr<tcm> reader = converter(kind);
    qivTag target("value");
    target.seconds = 7;
    target.millis = 8;
    EXPECT_EQ(millis != kUnreadable, reader->in(&prop, &target, "dpe.1"));
    if (millis == kUnreadable) {
      EXPECT_EQ(7008, target.seconds * 1000 + target.millis);
      EXPECT_THROW(reader->milli(&prop), std::out_of_range);
    } else {
      EXPECT_EQ(std::make_pair(millis / 1000, millis % 1000), std::make_pair(target.seconds, target.millis));
      EXPECT_EQ(millis, reader->milli(&prop));
    }
  }
  for (const auto& record : parsedRecords()) EXPECT_NE(record.type, 2) << record.message;
}

TEST_F(TimestampConverterTest, WarnsOnceAboutAMissingStampTagAndRefusesToWriteWithoutAName) {
  for (const auto& [kind, name] : std::vector<std::pair<const char*, std::string>>{
           {"double", "tcmDouble"}, {"longlong", "tcmLongLong"}, {"longlongnano", "tcmLongLongNano"}}) {
    env().clearRecords();
    qivTag target("value");
    EXPECT_FALSE(converter(kind)->in(&prop, &target, "dpe.1"));
    EXPECT_EQ(-1, converter(kind)->milli(&prop));
    EXPECT_EQ(1u, parsedRecords().size()) << kind;
    EXPECT_TRUE(yoxtest::loggedAs(
        "in", name + " - no tag found with name [ts], unable to extract timestamp for dpe id [dpe.1]"));
    std::unique_ptr<tcm> nameless(tcmHash.get(qivlib_tcmInfo(kind))->dup(nullptr));
    EXPECT_THROW(nameless->out(&prop, &target), std::invalid_argument) << kind;
    EXPECT_TRUE(prop.tags.empty());
    EXPECT_EQ(nameless->milli(&prop), -1);
  }
}

}  // namespace
