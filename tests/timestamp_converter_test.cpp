#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "host/StandInProp.h"
#include "plugin/qivlib.h"
#include "support/LogRecords.h"
#include "support/PluginFixture.h"
#include "tcm/tcmDouble.h"
#include "tcm/tcmLongLong.h"
#include "tcm/tcmLongLongNano.h"

using yoxtest::parsedRecords;

namespace {

template <class T>
VUQ_VARS valueOf(const std::vector<T>& values) {
  VUQ_VARS value;
  value.assignVector(values);
  return value;
}

class TimestampConverterTest : public yoxtest::PluginFixture {
 protected:
  // A working converter of the registered kind reading field, owned by the test.
  std::unique_ptr<tcm> converter(const char* kind, const char* field = "ts") {
    const int index = qivlib_tcmInfo(kind);
    EXPECT_GE(index, 0) << kind;
    return std::unique_ptr<tcm>(qivlib_tcmCreate(index, field));
  }

  yoxhost::StandInProp prop{"dev", "Acquisition"};
};

TEST_F(TimestampConverterTest, RegistersTheThreeKindsInOrder) {
  EXPECT_EQ(qivlib_tcmInfo("double"), 0);
  EXPECT_EQ(qivlib_tcmInfo("longlong"), 1);
  EXPECT_EQ(qivlib_tcmInfo("longlongnano"), 2);
  EXPECT_EQ(tcmHash.size(), 3u);
  EXPECT_NE(dynamic_cast<tcmDouble*>(converter("double").get()), nullptr);
  EXPECT_NE(dynamic_cast<tcmLongLong*>(converter("longlong").get()), nullptr);
  EXPECT_NE(dynamic_cast<tcmLongLongNano*>(converter("longlongnano").get()), nullptr);
  for (int index = 0; index < 3; ++index) EXPECT_EQ(tcmHash.get(index)->name, nullptr);
}

TEST_F(TimestampConverterTest, ReadsTheThreeEncodings) {
  struct Case {
    const char* kind;
    VUQ_VARS stamp;
    long long seconds;
    long long millis;
  };
  const std::vector<Case> cases = {
      {"longlong", valueOf(std::vector<long>{1234567}), 1234, 567},
      {"longlong", valueOf(std::vector<long>{-1500}), -1, -500},
      {"longlong", valueOf(std::vector<long>{kNow, 99}), kNow / 1000, kNow % 1000},
      {"longlongnano", valueOf(std::vector<long>{1234567891}), 1, 234},
      {"longlongnano", valueOf(std::vector<long>{999999}), 0, 0},
      {"longlongnano", valueOf(std::vector<long>{-1500999999}), -1, -500},
      {"double", valueOf(std::vector<double>{1500.9}), 1, 500},
      {"double", valueOf(std::vector<double>{-1500.9}), -1, -500},
      {"double", valueOf(std::vector<double>{0.999}), 0, 0},
      {"double", valueOf(std::vector<double>{static_cast<double>(kNow) + 0.5}), kNow / 1000, kNow % 1000},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.kind) + " " + c.stamp.toString();
    prop.setTag("ts", c.stamp);
    std::unique_ptr<tcm> reader = converter(c.kind);
    qivTag target("value");
    EXPECT_TRUE(reader->in(&prop, &target, "dpe.1")) << what;
    EXPECT_EQ(target.seconds, c.seconds) << what;
    EXPECT_EQ(target.millis, c.millis) << what;
    EXPECT_EQ(reader->milli(&prop), c.seconds * 1000 + c.millis) << what;
  }
  EXPECT_TRUE(parsedRecords().empty());
}

TEST_F(TimestampConverterTest, LeavesTheTagAloneWhenTheStampIsUnreadable) {
  VUQ_VARS notInitialised = valueOf(std::vector<long>{5});
  notInitialised.clean();
  struct Case {
    const char* kind;
    VUQ_VARS stamp;
  };
  const std::vector<Case> cases = {
      {"longlong", valueOf(std::vector<double>{1.0})}, {"longlong", valueOf(std::vector<long>{})},
      {"longlongnano", valueOf(std::vector<int>{1})},  {"longlongnano", notInitialised},
      {"double", valueOf(std::vector<long>{1})},       {"double", valueOf(std::vector<double>{std::nan("")})},
      {"double", valueOf(std::vector<double>{1e300})}, {"double", valueOf(std::vector<double>{-HUGE_VAL})},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.kind) + " " + c.stamp.toString();
    prop.setTag("ts", c.stamp);
    std::unique_ptr<tcm> reader = converter(c.kind);
    qivTag target("value");
    target.seconds = 7;
    target.millis = 8;
    env().clearRecords();
    EXPECT_FALSE(reader->in(&prop, &target, "dpe.1")) << what;
    EXPECT_EQ(target.seconds, 7) << what;
    EXPECT_EQ(target.millis, 8) << what;
    // The converter adds no warning of its own.
    for (const auto& record : parsedRecords()) EXPECT_NE(record.type, 2) << what << ": " << record.message;
    EXPECT_THROW(reader->milli(&prop), std::out_of_range) << what;
  }
}

TEST_F(TimestampConverterTest, WarnsAboutAMissingStampTag) {
  prop.setTag("other", valueOf(std::vector<long>{1}));
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"double", "tcmDouble - no tag found with name [ts], unable to extract timestamp for dpe id [dpe.1]"},
      {"longlong",
       "tcmLongLong - no tag found with name [ts], unable to extract timestamp for dpe id [dpe.1]"},
      {"longlongnano",
       "tcmLongLongNano - no tag found with name [ts], unable to extract timestamp for dpe id [dpe.1]"},
  };
  for (const auto& c : cases) {
    env().clearRecords();
    std::unique_ptr<tcm> reader = converter(c.first);
    qivTag target("value");
    EXPECT_FALSE(reader->in(&prop, &target, "dpe.1"));
    EXPECT_EQ(target.seconds, 0);
    const auto records = parsedRecords();
    ASSERT_EQ(records.size(), 1u) << c.first;
    EXPECT_EQ(records[0].type, 2);
    EXPECT_EQ(records[0].mask, -1);
    EXPECT_EQ(records[0].function, "in");
    EXPECT_EQ(records[0].message, c.second);

    env().clearRecords();
    EXPECT_EQ(reader->milli(&prop), -1);
    EXPECT_TRUE(parsedRecords().empty());
  }
}

TEST_F(TimestampConverterTest, AddsTheCurrentTimeReplacingTheTag) {
  struct Case {
    const char* kind;
    std::function<VUQ_VARS(long long now)> expected;
  };
  const std::vector<Case> cases = {
      {"double", [](long long now) { return valueOf(std::vector<double>{static_cast<double>(now)}); }},
      {"longlong", [](long long now) { return valueOf(std::vector<long>{static_cast<long>(now)}); }},
      {"longlongnano",
       [](long long now) { return valueOf(std::vector<long>{static_cast<long>(now * 1000000)}); }},
  };
  for (const Case& c : cases) {
    yoxhost::StandInProp outgoing("dev", "Setting");
    outgoing.setTag("ts", valueOf(std::vector<std::string>{"stale"}));
    qivTag value("value");
    std::unique_ptr<tcm> writer = converter(c.kind);

    env().setNow(kNow);
    EXPECT_TRUE(writer->out(&outgoing, &value));
    env().advance(1234);
    EXPECT_TRUE(writer->out(&outgoing, &value));

    ASSERT_EQ(outgoing.tags.size(), 1u) << c.kind;
    const qivTag* stamp = outgoing.tag("ts");
    ASSERT_NE(stamp, nullptr);
    EXPECT_EQ(stamp->value, c.expected(kNow + 1234)) << c.kind << ": " << stamp->value.toString();
    EXPECT_FALSE(stamp->valid);
    EXPECT_EQ(stamp->seconds, 0);
    EXPECT_EQ(stamp->millis, 0);

    // What one converter writes, the same kind reads back.
    qivTag target("value");
    EXPECT_TRUE(writer->in(&outgoing, &target, "dpe.1"));
    EXPECT_EQ(target.seconds * 1000 + target.millis, kNow + 1234) << c.kind;
  }
}

TEST_F(TimestampConverterTest, RefusesToWriteWithoutAFieldName) {
  for (const char* kind : {"double", "longlong", "longlongnano"}) {
    std::unique_ptr<tcm> nameless(tcmHash.get(qivlib_tcmInfo(kind))->dup(nullptr));
    qivTag value("value");
    EXPECT_THROW(nameless->out(&prop, &value), std::invalid_argument) << kind;
    EXPECT_TRUE(prop.tags.empty());
    EXPECT_EQ(nameless->milli(&prop), -1);
  }
}

TEST_F(TimestampConverterTest, DupCopiesOrKeepsTheName) {
  for (const char* kind : {"double", "longlong", "longlongnano"}) {
    tcm* prototype = tcmHash.get(qivlib_tcmInfo(kind));
    std::unique_ptr<tcm> unnamed(prototype->dup(nullptr));
    EXPECT_EQ(unnamed->name, nullptr) << kind;
    EXPECT_EQ(typeid(*unnamed), typeid(*prototype));

    std::unique_ptr<tcm> named(prototype->dup("ts"));
    ASSERT_NE(named->name, nullptr);
    EXPECT_STREQ(named->name, "ts");

    std::unique_ptr<tcm> same(named->dup(nullptr));
    ASSERT_NE(same->name, nullptr);
    EXPECT_STREQ(same->name, "ts");
    EXPECT_NE(same->name, named->name);  // its own copy
    EXPECT_EQ(typeid(*same), typeid(*prototype));

    std::unique_ptr<tcm> renamed(named->dup("other"));
    EXPECT_STREQ(renamed->name, "other");
    EXPECT_STREQ(named->name, "ts");
  }
}

TEST_F(TimestampConverterTest, ConvertersAttachedByTheHostReadTheirField) {
  imapHw2Vuq& record = prop.addMapping("dpe.1");
  tcm* attached = driver->attachConverter(record, "longlongnano", "acqStamp");
  ASSERT_EQ(record.converters.size(), 1u);
  EXPECT_STREQ(attached->name, "acqStamp");
  prop.setTag("acqStamp", valueOf(std::vector<long>{2500000000L}));
  EXPECT_EQ(attached->milli(&prop), 2500);
}

}  // namespace
