// The plug-in's entry points and registries, and the base utilities every mapper
// logs and fails through.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
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
int destroyedTcms = 0;

// A prototype that counts its initialisations and destructions.
class CountingApm : public apm {
 public:
  CountingApm() = default;
  ~CountingApm() override { ++destroyedApms; }
  apm* dup() override { return new CountingApm(*this); }
  void initialise(iqivProp*) override { ++initialised; }
  bool in(iqivProp*, qivTag*, const imapHw2Vuq*) override { return true; }
  int initialised = 0;

 private:
  CountingApm(const CountingApm& other) : apm(other) {}  // the prototype's copy, as the host's clones are
};

class CountingTcm : public tcm {
 public:
  CountingTcm() : tcm(nullptr) {}
  ~CountingTcm() override { ++destroyedTcms; }
  tcm* dup(const char*) override { return new CountingTcm(); }
  bool in(const iqivProp*, qivTag*, const std::string&) const override { return true; }
  bool out(iqivProp*, qivTag*) const override { return true; }
  long long milli(const iqivProp*) const override { return 0; }
};

using RegistryTest = yoxtest::PluginFixture;

// The one place that pins the registration order: hosts address mappers by index.
TEST_F(RegistryTest, HelpListsEveryMapperThenEveryConverterInIndexOrder) {
  EXPECT_EQ(std::string(qivlib_Help()),
            "\nlibYOXClient APM(s):\n"
            "\tdefault\n\ttimerej\n\tkrt\n\tkrt.surv\n\tkrt.wtime\n\tkrt.io\n\tkrt.pseudo\n\tpseudo.dev\n"
            "\txD.array\n\tplw\n\tplwm\n\tplw.be\n\tplwm.be\n"
            "\nlibYOXClient TCM(s):\n"
            "\tdouble\n\tlonglong\n\tlonglongnano\n");
  for (int i = 0; i < static_cast<int>(apmHash.size()); ++i) {
    EXPECT_EQ(qivlib_apmInfo(qivlib_apmInfo(i)), i);
    EXPECT_EQ(apmHash.get(i)->index, i);
  }
  for (int i = 0; i < static_cast<int>(tcmHash.size()); ++i) EXPECT_EQ(qivlib_tcmInfo(qivlib_tcmInfo(i)), i);
}

TEST_F(RegistryTest, UnknownNamesAndIndexesAreRefused) {
  for (const char* name : {"never.registered", static_cast<const char*>(nullptr)})
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

TEST_F(RegistryTest, RegistrationKeepsTheFirstOfANameAndCreateInitialisesOnlyWithFilters) {
  if (qivlib_apmInfo("test.counting") < 0) reg_APM(new CountingApm(), "test.counting");
  if (qivlib_tcmInfo("test.tcm") < 0) reg_TCM(new CountingTcm(), "test.tcm");
  const int index = qivlib_apmInfo("test.counting");
  apm* first = apmHash.get(index);
  const int before = destroyedApms, tcmBefore = destroyedTcms;
  reg_APM(new CountingApm(), "test.counting");
  reg_TCM(new CountingTcm(), "test.tcm");
  reg_APM(nullptr, "test.null");
  reg_TCM(nullptr, "test.null");
  EXPECT_EQ(destroyedApms, before + 1);
  EXPECT_EQ(destroyedTcms, tcmBefore + 1);
  EXPECT_EQ(apmHash.get(index), first);
  EXPECT_EQ(-1, qivlib_apmInfo("test.null") + qivlib_tcmInfo("test.null") + 1);
  // A second init keeps the registries and takes the new driver.
  const size_t registered = apmHash.size();
  yoxhost::StandInDriver other(yoxhost::linkedPlugin());
  qivlib_Init(&other);
  EXPECT_EQ(iDriver, &other);
  EXPECT_EQ(apmHash.size(), registered);
  qivlib_Init(driver.get());
  driver->getFilters().reset();
  yoxhost::StandInProp prop("dev", "prop");
  apm* mapper = nullptr;
  qivlib_apmCreate(mapper, index, &prop);
  std::unique_ptr<apm> owned(mapper);
  EXPECT_NE(mapper, first);
  EXPECT_EQ(static_cast<CountingApm*>(mapper)->initialised, 0);
  driver->filters();
  qivlib_apmCreate(mapper, index, &prop);
  EXPECT_EQ(static_cast<CountingApm*>(mapper)->initialised, 1);
}

TEST(HostContainers, OwningContainersDeleteTheirElementsAndRefuseBadIndexes) {
  const int before = destroyedApms;
  {
    pvector<apm*> owning(true);
    owning.push_back(new CountingApm());
    owning.push_back(new CountingApm());
    owning.destruct(owning[0]);
    EXPECT_EQ(owning[0], nullptr);
    EXPECT_EQ(destroyedApms, before + 1);
    CountingApm kept;
    pvector<apm*> borrowing(false);
    borrowing.push_back(&kept);
  }
  EXPECT_EQ(destroyedApms, before + 3);  // two owned, one kept on the stack
  pmapper<apm*> names(true);
  names.add("a", new CountingApm());
  names.add("b", nullptr);
  names.add("a", nullptr);
  EXPECT_EQ(names.str_eq("b"), 1);
  EXPECT_EQ(names.str_eq("c"), -1);
  EXPECT_THROW(names.get(3), int);
  ivector<int> values;
  values.push_back(4);
  EXPECT_EQ(values.get(0), 4);
  EXPECT_THROW(values.get(1), int);
  EXPECT_THROW(values.get(-1), int);
}

class LogItTest : public ::testing::Test {
 protected:
  void SetUp() override { env().reset(); }
  static yoxhost::HostEnvironment& env() { return yoxhost::HostEnvironment::instance(); }
};

TEST_F(LogItTest, RecordIsFunctionLineDashMessageLoggedOnceIfLoggable) {
  { LogIt(3, -1, "begin", 56).getStream() << "devices [" << 7 << "]"; }
  {
    LogIt record(2, 1, "f", 1);
    record.getStream() << "x";
    record.log();
    record.log();
  }
  { LogIt(1, -1, nullptr, 9).getStream() << "lost"; }
  ASSERT_EQ(env().records().size(), 3u);
  EXPECT_EQ(env().records()[0].text, "begin:56-devices [7]");
  EXPECT_EQ(std::make_pair(3, -1L), std::make_pair(env().records()[0].type, env().records()[0].mask));
  EXPECT_EQ(env().records()[2].text, "");
  const struct {
    int type;
    long mask;
    bool maskOn, expected;
  } cases[] = {{0, -1, false, false},
               {3, -1, false, true},
               {2, 1, false, false},
               {2, 1, true, true},
               {1, 4, true, false}};
  for (const auto& c : cases) {
    env().reset();
    if (c.maskOn) env().enableMask(1);
    EXPECT_EQ(LogIt::isLoggable(c.type, c.mask), c.expected) << "type " << c.type << " mask " << c.mask;
  }
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
