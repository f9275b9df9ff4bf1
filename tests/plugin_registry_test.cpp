#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/StandInProp.h"
#include "hostapi/HostInterface.h"
#include "hostapi/apm.h"
#include "hostapi/tcm.h"
#include "support/PluginFixture.h"

namespace {

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
  CountingApm(const CountingApm& other) : apm(other) {}
};

class CountingTcm : public tcm {
 public:
  explicit CountingTcm(const char* name) : tcm(name) {}
  ~CountingTcm() override { ++destroyedTcms; }
  tcm* dup(const char* n) override { return new CountingTcm(n ? n : name); }
  bool in(const iqivProp*, qivTag*, const std::string&) const override { return true; }
  bool out(iqivProp*, qivTag*) const override { return true; }
  long long milli(const iqivProp*) const override { return 0; }
};

// Registers the test prototypes after the plug-in's own (once per process; the
// registry keeps them until unload).
class RegistryTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    if (qivlib_apmInfo("test.counting") < 0) reg_APM(new CountingApm(), "test.counting");
    if (qivlib_tcmInfo("test.tcm") < 0) reg_TCM(new CountingTcm(nullptr), "test.tcm");
  }
  int countingIndex() const { return qivlib_apmInfo("test.counting"); }
};

TEST_F(RegistryTest, LooksNamesUpBothWays) {
  const int index = countingIndex();
  ASSERT_GE(index, 0);
  EXPECT_STREQ(qivlib_apmInfo(index), "test.counting");
  EXPECT_EQ(apmHash.get(index)->index, index);
  const int tcmIndex = qivlib_tcmInfo("test.tcm");
  ASSERT_GE(tcmIndex, 0);
  EXPECT_STREQ(qivlib_tcmInfo(tcmIndex), "test.tcm");

  EXPECT_EQ(qivlib_apmInfo("never.registered"), -1);
  EXPECT_EQ(qivlib_tcmInfo("never.registered"), -1);
  EXPECT_EQ(qivlib_apmInfo(static_cast<const char*>(nullptr)), -1);
  EXPECT_EQ(qivlib_tcmInfo(static_cast<const char*>(nullptr)), -1);
}

TEST_F(RegistryTest, IndexOutsideTheRegistryThrowsIntegerZero) {
  const int count = static_cast<int>(apmHash.size());
  for (int bad : {-1, count, count + 1}) {
    try {
      qivlib_apmInfo(bad);
      FAIL() << "no throw for mapper index " << bad;
    } catch (int thrown) {
      EXPECT_EQ(thrown, 0);
    }
  }
  const int tcmCount = static_cast<int>(tcmHash.size());
  EXPECT_THROW(qivlib_tcmInfo(tcmCount), int);
  EXPECT_THROW(qivlib_tcmCreate(-1, "x"), int);
}

TEST_F(RegistryTest, DuplicateNameDestroysTheNewObjectAndKeepsTheFirst) {
  const size_t apmCount = apmHash.size();
  apm* first = apmHash.get(countingIndex());
  const int before = destroyedApms;
  reg_APM(new CountingApm(), "test.counting");
  EXPECT_EQ(destroyedApms, before + 1);
  EXPECT_EQ(apmHash.size(), apmCount);
  EXPECT_EQ(apmHash.get(countingIndex()), first);

  const int tcmBefore = destroyedTcms;
  reg_TCM(new CountingTcm(nullptr), "test.tcm");
  EXPECT_EQ(destroyedTcms, tcmBefore + 1);
}

TEST_F(RegistryTest, NullPrototypeIsNotRegistered) {
  const size_t count = apmHash.size();
  reg_APM(nullptr, "test.null");
  reg_TCM(nullptr, "test.null");
  EXPECT_EQ(apmHash.size(), count);
  EXPECT_EQ(qivlib_apmInfo("test.null"), -1);
  EXPECT_EQ(qivlib_tcmInfo("test.null"), -1);
}

TEST_F(RegistryTest, SecondInitKeepsTheRegistriesAndTakesTheNewDriver) {
  const size_t apms = apmHash.size();
  const size_t tcms = tcmHash.size();
  apm* firstPrototype = apms ? apmHash.get(0) : nullptr;
  yoxhost::StandInDriver other(yoxhost::linkedPlugin());
  qivlib_Init(&other);
  EXPECT_EQ(iDriver, &other);
  EXPECT_EQ(apmHash.size(), apms);
  EXPECT_EQ(tcmHash.size(), tcms);
  if (apms) {
    EXPECT_EQ(apmHash.get(0), firstPrototype);
  }
  qivlib_Init(driver.get());
}

TEST_F(RegistryTest, CreateClonesAndInitialisesOnlyWithAFilterRegistry) {
  yoxhost::StandInProp prop("dev", "prop");
  apm* mapper = nullptr;
  qivlib_apmCreate(mapper, countingIndex(), &prop);
  std::unique_ptr<apm> owned(mapper);
  ASSERT_NE(mapper, nullptr);
  EXPECT_NE(mapper, apmHash.get(countingIndex()));
  EXPECT_EQ(mapper->index, countingIndex());
  EXPECT_EQ(static_cast<CountingApm*>(mapper)->initialised, 0);

  driver->filters();  // the host now holds a filter registry
  apm* same = mapper;
  qivlib_apmCreate(mapper, countingIndex(), &prop);
  EXPECT_EQ(mapper, same);
  EXPECT_EQ(static_cast<CountingApm*>(mapper)->initialised, 1);
}

TEST_F(RegistryTest, CreateWithAnUnknownIndexRaisesManException) {
  yoxhost::StandInProp prop("dev", "prop");
  apm* mapper = nullptr;
  try {
    qivlib_apmCreate(mapper, 999, &prop);
    FAIL() << "no exception";
  } catch (const ManException& e) {
    EXPECT_STREQ(e.getMessage(), "qivlib_apmCreate: no mapper can be made or initialised for index [999]");
  }
  EXPECT_EQ(mapper, nullptr);
}

TEST_F(RegistryTest, ConverterCloneTakesTheGivenNameOrKeepsItsOwn) {
  std::unique_ptr<tcm> named(qivlib_tcmCreate(qivlib_tcmInfo("test.tcm"), "AqnUtcTime"));
  EXPECT_STREQ(named->name, "AqnUtcTime");
  std::unique_ptr<tcm> again(named->dup(nullptr));
  EXPECT_STREQ(again->name, "AqnUtcTime");
  EXPECT_EQ(tcmHash.get(qivlib_tcmInfo("test.tcm"))->name, nullptr);
}

TEST_F(RegistryTest, HelpListsEveryEntryInIndexOrder) {
  const std::string help = qivlib_Help();
  const std::string apmHeader = "\nlibYOXClient APM(s):\n";
  const std::string tcmHeader = "\nlibYOXClient TCM(s):\n";
  ASSERT_EQ(help.compare(0, apmHeader.size(), apmHeader), 0);
  const size_t tcmAt = help.find(tcmHeader);
  ASSERT_NE(tcmAt, std::string::npos);
  EXPECT_NE(help.find("\ttest.counting\n"), std::string::npos);
  EXPECT_LT(help.find("\ttest.counting\n"), tcmAt);
  EXPECT_GT(help.find("\ttest.tcm\n"), tcmAt);
  EXPECT_EQ(help.substr(help.size() - std::string("\ttest.tcm\n").size()), "\ttest.tcm\n");
}

TEST(HostContainers, OwningContainersDeleteTheirElements) {
  const int before = destroyedApms;
  {
    pvector<apm*> owning(true);
    owning.push_back(new CountingApm());
    owning.push_back(new CountingApm());
    owning.destruct(owning[0]);
    EXPECT_EQ(owning[0], nullptr);
    EXPECT_EQ(destroyedApms, before + 1);
  }
  EXPECT_EQ(destroyedApms, before + 2);
  CountingApm kept;
  {
    pvector<apm*> borrowing(false);
    borrowing.push_back(&kept);
  }
  EXPECT_EQ(destroyedApms, before + 2);

  pmapper<apm*> names(true);
  names.add("a", new CountingApm());
  names.add("b", nullptr);
  names.add("a", nullptr);
  EXPECT_EQ(names.str_eq("a"), 0);
  EXPECT_EQ(names.str_eq("b"), 1);
  EXPECT_EQ(names.str_eq("c"), -1);
  EXPECT_THROW(names.get(3), int);
  ivector<int> values;
  values.push_back(4);
  EXPECT_EQ(values.get(0), 4);
  EXPECT_THROW(values.get(1), int);
  EXPECT_THROW(values.get(-1), int);
}

}  // namespace
