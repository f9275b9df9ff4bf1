#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/CommonUtilities.h"
#include "base/LogIt.h"
#include "base/ManException.h"
#include "host/HostEnvironment.h"

namespace {

using Strings = std::vector<std::string>;
yoxhost::HostEnvironment& env() { return yoxhost::HostEnvironment::instance(); }

class LogItTest : public ::testing::Test {
 protected:
  void SetUp() override { env().reset(); }
};

TEST_F(LogItTest, RecordIsFunctionLineDashMessageWithTypeAndMask) {
  { LogIt(3, -1, "begin", 56).getStream() << "initializing pseudo devices for device [" << 7 << "]"; }
  ASSERT_EQ(env().records().size(), 1u);
  EXPECT_EQ(env().records()[0].text, "begin:56-initializing pseudo devices for device [7]");
  EXPECT_EQ(env().records()[0].type, 3);
  EXPECT_EQ(env().records()[0].mask, -1);
}

TEST_F(LogItTest, ExplicitLogEmitsOnceOnly) {
  {
    LogIt record(2, 1, "f", 1);
    record.getStream() << "x";
    record.log();
    record.log();
  }
  EXPECT_EQ(env().records().size(), 1u);
}

TEST_F(LogItTest, NullFunctionNameGivesAnEmptyRecord) {
  { LogIt(1, -1, nullptr, 9).getStream() << "lost"; }
  ASSERT_EQ(env().records().size(), 1u);
  EXPECT_EQ(env().records()[0].text, "");
}

TEST_F(LogItTest, LoggabilityByTypeAndMask) {
  struct Case {
    int type;
    long mask;
    bool maskOn;
    bool expected;
  };
  const Case cases[] = {
      {0, -1, false, false}, {-3, -1, true, false}, {1, -1, false, true}, {3, -1, false, true},
      {2, 1, false, false},  {2, 1, true, true},    {1, 4, true, false},
  };
  for (const Case& c : cases) {
    env().reset();
    if (c.maskOn) env().enableMask(1);
    EXPECT_EQ(LogIt::isLoggable(c.type, c.mask), c.expected) << "type " << c.type << " mask " << c.mask;
  }
}

TEST(SplitString, SplitsAtEveryDelimiterKeepingEmptyPieces) {
  struct Case {
    std::string text;
    std::string delimiters;
    Strings expected;
  };
  const Case cases[] = {
      {"a,b", ",", {"a", "b"}},
      {",a,", ",", {"", "a", ""}},
      {"", ",", {""}},
      {"a,,b", ",", {"a", "", "b"}},
      {"a\\,b", ",", {"a,b"}},
      {"a\\;b", ",;", {"a,;b"}},
      {"a\\,b\\,c", ",", {"a,b\\", "c"}},
      {"a,b\\", ",", {"a", "b\\"}},
      {"a\\x,b", ",", {"a\\x", "b"}},
      {"x=1/y=2", "/", {"x=1", "y=2"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommonUtilities::splitString(c.text, c.delimiters), c.expected) << c.text;
  }
}

TEST(SetEnvironmentVariable, SetsAndLogsEachStep) {
  env().reset();
  EXPECT_TRUE(CommonUtilities::setEnvironmentVariable("YOX_TEST_VAR", "one", 1));
  EXPECT_STREQ(getenv("YOX_TEST_VAR"), "one");
  ASSERT_EQ(env().records().size(), 2u);
  EXPECT_NE(env().records()[0].text.find(
                "-setEnvironmentVariable called with name [YOX_TEST_VAR] value [one] overwrite [1], calling setenv..."),
            std::string::npos);
  EXPECT_EQ(env().records()[0].type, 3);
  EXPECT_NE(env().records()[1].text.find(
                "-setEnvironmentVariable environment variable name [YOX_TEST_VAR] value [one] overwrite [1] is set"),
            std::string::npos);
  EXPECT_EQ(env().records()[1].text.rfind("setEnvironmentVariable:", 0), 0u);
}

TEST(SetEnvironmentVariable, ReportsAValueItDidNotOverwrite) {
  env().reset();
  setenv("YOX_TEST_KEEP", "old", 1);
  EXPECT_FALSE(CommonUtilities::setEnvironmentVariable("YOX_TEST_KEEP", "new", 0));
  ASSERT_FALSE(env().records().empty());
  EXPECT_EQ(env().records().back().type, 1);
  EXPECT_NE(env().records().back().text.find("-setEnvironmentVariable Call to set environment variable name "
                                             "[YOX_TEST_KEEP] value [new] overwrite [0] failed, environment "
                                             "value is [old]"),
            std::string::npos);
}

TEST(SetEnvironmentVariable, ReportsASetenvFailure) {
  env().reset();
  EXPECT_FALSE(CommonUtilities::setEnvironmentVariable("BAD=NAME", "v", 1));
  EXPECT_TRUE(env().logged("failed, setenv returned [-1]"));
  EXPECT_TRUE(env().logged("failed, environment value is [NULL]"));
}

TEST(HexText, BytesAndBuffers) {
  EXPECT_EQ(toHexString(static_cast<char>(10)), "0x0A");
  EXPECT_EQ(toHexString(static_cast<char>(-1)), "0xFF");
  EXPECT_EQ(toHexString(static_cast<char>(0x5b)), "0x5B");
  const char bytes[] = {1, static_cast<char>(0xAB), 0};
  EXPECT_EQ(toHexString(bytes, 3), "byte count [3] values [0x01, 0xAB, 0x00]");
  EXPECT_EQ(toHexString(bytes, 0), "byte count [0] values []");
}

TEST(ReverseBytes, ReversesInPlace) {
  char four[] = {1, 2, 3, 4};
  reverseBytes(four, 4);
  EXPECT_EQ(std::string(four, 4), std::string("\x04\x03\x02\x01", 4));
  char five[] = {1, 2, 3, 4, 5};
  reverseBytes(five, 5);
  EXPECT_EQ(std::string(five, 5), std::string("\x05\x04\x03\x02\x01", 5));
  char one[] = {7};
  reverseBytes(one, 1);
  EXPECT_EQ(one[0], 7);
  reverseBytes(one, 0);
  EXPECT_EQ(one[0], 7);
}

TEST(ManExceptionText, KeepsItsMessage) {
  const ManException fromText("watchdog event has happened");
  EXPECT_STREQ(fromText.getMessage(), "watchdog event has happened");
  const ManException fromString(CharString("x"));
  EXPECT_STREQ(fromString.getMessage(), "x");
  const ManException fromNull(static_cast<const char*>(nullptr));
  EXPECT_STREQ(fromNull.getMessage(), "");
}

}  // namespace
