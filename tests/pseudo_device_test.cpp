// The pseudo-device mapper: what a read delivers, how the host's mapping of the
// delivered "contents" tag picks up the validity default mappers reported.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "apm/apmDefault.h"
#include "apm/apmPseudoDev.h"
#include "data/Data.h"
#include "host/ScriptedHandler.h"
#include "host/StandInProp.h"
#include "support/MapperHarness.h"
#include "support/PluginFixture.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::HostAddress;
using yoxtest::manMessage;

class PseudoDeviceTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    driver->filters();
    pseudoProp.reset(new StandInProp("dev", "Acquisition"));
    pseudoProp->addMapping("pseudoDpe", "", "contents");
    pseudoDev = static_cast<apmPseudoDev*>(driver->createMapper("pseudo.dev", pseudoProp.get()));
  }

  // What the host shows for the last delivered property: it maps the "contents" tag
  // through the pseudo-device mapper, as for any received property.
  bool shownValidity() {
    EXPECT_FALSE(driver->delivered().empty());
    if (driver->delivered().empty()) return false;
    iqivProp* delivered = driver->delivered().back().get();
    EXPECT_EQ("dev", delivered->getDevice());
    EXPECT_EQ("Acquisition", delivered->getProperty());
    qivTag* contents = delivered->tags.at("contents");
    EXPECT_TRUE(pseudoDev->in(delivered, contents, delivered->getMapping().get(0)));
    EXPECT_EQ(1u, contents->value.getSize());
    return contents->value.getAt<bool>(0);
  }

  std::unique_ptr<StandInProp> pseudoProp;
  apmPseudoDev* pseudoDev = nullptr;
};

TEST_F(PseudoDeviceTest, ReadsDeliverTheValidityLastReported) {
  yoxhost::ScriptedHandler handler("dev", "Acquisition");

  EXPECT_EQ(nullptr, pseudoDev->syncGet(handler, nullptr).get());
  ASSERT_EQ(1u, driver->delivered().size());
  EXPECT_FALSE(shownValidity());  // nobody has reported yet

  HostAddress watched("dev", "Acquisition");
  watched.map("dpe1", "value");
  watched.prop.setTag<int>("value", {1});
  apm* mapper = driver->createMapper("default", &watched.prop);
  watched.cycle(*mapper);
  ASSERT_EQ(2u, driver->delivered().size());  // the report itself
  EXPECT_TRUE(shownValidity());

  pseudoDev->asyncGet(handler, nullptr);
  ASSERT_EQ(3u, driver->delivered().size());
  EXPECT_TRUE(shownValidity());
  EXPECT_EQ(0, handler.getSyncCount + handler.getAsyncCount);  // the device is never asked
}

TEST_F(PseudoDeviceTest, ValidateAnswersFalseWhateverItIsGiven) {
  for (bool ok : {true, false}) {
    EXPECT_FALSE(pseudoDev->validate(pseudoProp.get(), ok, nullptr));
    EXPECT_FALSE(pseudoDev->validate(pseudoProp.get(), ok, pseudoProp->getMapping().get(0)));
  }
  EXPECT_FALSE(pseudoDev->deviceValid);
}

TEST_F(PseudoDeviceTest, TheLastReportingMapperWins) {
  HostAddress first("dev", "Acquisition");
  first.map("a", "value");
  first.prop.setTag<int>("value", {1});
  HostAddress second("dev", "Acquisition");
  second.map("b", "status");
  apm* firstMapper = driver->createMapper("default", &first.prop);
  apm* secondMapper = driver->createMapper("default", &second.prop);

  first.cycle(*firstMapper);
  EXPECT_TRUE(pseudoDev->deviceValid);
  second.cycle(*secondMapper, {false});
  EXPECT_FALSE(pseudoDev->deviceValid);
  EXPECT_FALSE(shownValidity());
  // The first mapper's validity did not change, but the pseudo device no longer
  // shows it: it is told again.
  first.cycle(*firstMapper);
  EXPECT_TRUE(pseudoDev->deviceValid);
  EXPECT_TRUE(shownValidity());
  EXPECT_EQ(3u, driver->delivered().size());
}

TEST_F(PseudoDeviceTest, UninitialisedUseFailsClearlyAndChangesNothing) {
  yoxhost::ScriptedHandler handler("dev", "Acquisition");
  apmPseudoDev bare;
  EXPECT_EQ("pseudo device [dev] property [Acquisition] was never initialised, nothing to deliver",
            manMessage([&] { bare.syncGet(handler, nullptr); }));
  EXPECT_NE("", manMessage([&] { bare.asyncGet(handler, nullptr); }));
  EXPECT_TRUE(driver->delivered().empty());

  qivTag unset("contents");
  EXPECT_EQ("pseudo device tag [contents] holds no initialised value, cannot store its validity",
            manMessage([&] { pseudoDev->in(pseudoProp.get(), &unset, nullptr); }));
  EXPECT_FALSE(unset.value.isInitialised());
}

TEST_F(PseudoDeviceTest, InitialiseAgainReplacesTheTemplate) {
  StandInProp moved("otherDev", "Acquisition");
  pseudoDev->initialise(&moved);
  yoxhost::ScriptedHandler handler("otherDev", "Acquisition");
  pseudoDev->syncGet(handler, nullptr);
  ASSERT_EQ(1u, driver->delivered().size());
  EXPECT_EQ("otherDev", driver->delivered().back()->getDevice());
}

}  // namespace
