// The plug-in's entry points and registries, and the base utilities every mapper
// logs and fails through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/CommonUtilities.h"
#include "base/LogIt.h"
#include "host/StandInProp.h"
#include "hostapi/tcm.h"
#include "support/LogRecords.h"
#include "support/PluginFixture.h"

namespace {

using yoxtest::manMessage;

int destroyedApms = 0;

// A prototype that counts its destructions.
class CountingApm : public apm {
 public:
  CountingApm() = default;
  ~CountingApm() override { ++destroyedApms; }
  apm* dup() override { return new CountingApm(*this); }
  bool in(iqivProp*, qivTag*, const imapHw2Vuq*) override { return true; }

 private:
  CountingApm(const CountingApm& other) : apm(other) {}  // the prototype's copy, as the host's clones are
};

using RegistryTest = yoxtest::PluginFixture;

// The one place that pins the registration order: hosts address mappers by index.
TEST_F(RegistryTest, HelpListsEveryMapperThenEveryConverterInIndexOrderOnceWhateverTheInits) {
  qivlib_Init(driver.get());
  EXPECT_EQ(std::string(qivlib_Help()),
            "\nlibYOXClient APM(s):\n"
            "\tdefault\n\ttimerej\n\tkrt\n\tkrt.surv\n\tkrt.wtime\n\tkrt.io\n\tkrt.pseudo\n\tpseudo.dev\n"
            "\txD.array\n\tplw\n\tplwm\n\tplw.be\n\tplwm.be\n"
            "\nlibYOXClient TCM(s):\n"
            "\tdouble\n\tlonglong\n\tlonglongnano\n");
}

TEST_F(RegistryTest, NullPrototypesUnknownNamesAndIndexesAreRefused) {
  reg_APM(nullptr, "test.null");
  reg_TCM(nullptr, "test.null");
  for (const char* name : {"test.null", static_cast<const char*>(nullptr)})
    EXPECT_EQ(-1, qivlib_apmInfo(name) + qivlib_tcmInfo(name) + 1);
  for (int bad : {-1, static_cast<int>(apmHash.size())}) EXPECT_THROW(qivlib_apmInfo(bad), int);
  EXPECT_THROW(qivlib_tcmInfo(static_cast<int>(tcmHash.size())), int);
  EXPECT_THROW(qivlib_tcmCreate(-1, "x"), int);
  yoxhost::StandInProp prop("dev", "prop");
  apm* mapper = nullptr;
  EXPECT_EQ("qivlib_apmCreate: no mapper can be made or initialised for index [999]",
            manMessage([&] { qivlib_apmCreate(mapper, 999, &prop); }));
  EXPECT_EQ(mapper, nullptr);
}

TEST(HostContainers, OwningContainersDeleteTheirElementsAndRefuseBadIndexes) {
  const int before = destroyedApms;
  {
    CountingApm kept;
    pvector<apm*> owning(true);
    owning.push_back(kept.dup());
    owning.push_back(kept.dup());
    owning.destruct(owning[0]);
    EXPECT_EQ(owning[0], nullptr);
    EXPECT_EQ(destroyedApms, before + 1);
    pvector<apm*> borrowing(false);
    borrowing.push_back(&kept);
    pmapper<apm*> named(true);
    named.add("a", kept.dup());
  }
  EXPECT_EQ(destroyedApms, before + 4);  // three owned, one kept on the stack
  ivector<int> values;
  values.push_back(4);
  EXPECT_EQ(values.get(0), 4);
  EXPECT_THROW(values.get(1), int);
  EXPECT_THROW(values.get(-1), int);
}

using LogItTest = yoxtest::PluginFixture;

TEST_F(LogItTest, RecordIsLoggedOnceAndOnlyOfAKnownType) {
  {
    LogIt record(2, 1, "f", 1);
    record.log();
  }
  EXPECT_EQ(1u, env().records().size());
  EXPECT_FALSE(LogIt::isLoggable(0, -1));
}

TEST_F(LogItTest, SplitStringKeepsEmptyPiecesAndEscapedDelimiters) {
  const struct {
    std::string text, delimiters;
    std::vector<std::string> expected;
  } cases[] = {
      {",a,", ",", {"", "a", ""}},  {"", ",", {""}},
      {"a\\;b", ",;", {"a,;b"}},    {"a\\,b\\,c", ",", {"a,b\\", "c"}},
      {"a,b\\", ",", {"a", "b\\"}}, {"a\\x,b", ",", {"a\\x", "b"}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CommonUtilities::splitString(c.text, c.delimiters), c.expected) << c.text;
}

TEST_F(LogItTest, SetEnvironmentVariableLogsEachStepAndEachFailure) {
  EXPECT_TRUE(CommonUtilities::setEnvironmentVariable("YOX_TEST_VAR", "one", 1));
  EXPECT_STREQ(getenv("YOX_TEST_VAR"), "one");
  EXPECT_TRUE(yoxtest::loggedAs(
      "setEnvironmentVariable",
      "setEnvironmentVariable environment variable name [YOX_TEST_VAR] value [one] overwrite [1] is set", 3));
  EXPECT_FALSE(CommonUtilities::setEnvironmentVariable("YOX_TEST_VAR", "new", 0));
  EXPECT_TRUE(yoxtest::loggedAs("setEnvironmentVariable",
                                "setEnvironmentVariable Call to set environment variable name [YOX_TEST_VAR] "
                                "value [new] overwrite [0] failed, environment value is [one]",
                                1));
  EXPECT_FALSE(CommonUtilities::setEnvironmentVariable("BAD=NAME", "v", 1));
  EXPECT_TRUE(env().logged("failed, setenv returned [-1]"));
  EXPECT_TRUE(env().logged("failed, environment value is [NULL]"));
}

TEST_F(LogItTest, HexTextReversedBytesAndExceptionTexts) {
  const char bytes[] = {1, static_cast<char>(0xAB), 0};
  EXPECT_EQ(toHexString(bytes, 3), "byte count [3] values [0x01, 0xAB, 0x00]");
  EXPECT_EQ(toHexString(bytes, 0), "byte count [0] values []");
  char five[] = {1, 2, 3, 4, 5};
  reverseBytes(five, 5);
  EXPECT_EQ(std::string(five, 5), std::string("\x05\x04\x03\x02\x01", 5));
  reverseBytes(five, 0);
  EXPECT_EQ(five[0], 5);
  EXPECT_STREQ(ManException(CharString("x")).getMessage(), "x");
  EXPECT_STREQ(ManException(static_cast<const char*>(nullptr)).getMessage(), "");
}

}  // namespace
