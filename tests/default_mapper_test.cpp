// The default and pseudo-device mappers where the golden scenarios do not reach:
// which pseudo devices a property picks by filter text, the end before any begin,
// and pseudo devices used before or without initialise.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "apm/apmDefault.h"
#include "apm/apmPseudoDev.h"
#include "host/ScriptedHandler.h"
#include "support/MapperHarness.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::HostAddress;
using yoxtest::manMessage;

class DefaultMapperTest : public yoxtest::PluginFixture {
 protected:
  static boost::shared_ptr<Filters::Filter> filter(const std::string& text) {
    return boost::shared_ptr<Filters::Filter>(text.empty() ? nullptr : new Filters::Filter(text));
  }
  apmPseudoDev* pseudo(const std::string& device, const std::string& property, const std::string& text = "") {
    StandInProp prop(device, property, filter(text));
    return static_cast<apmPseudoDev*>(driver->createMapper("pseudo.dev", &prop));
  }
};

TEST_F(DefaultMapperTest, PseudoDevicesAreMatchedByDevicePropertyAndFilterText) {
  struct Row {
    const char *device, *property, *filter;
    bool watchesFiltered, watchesUnfiltered;  // matched by dev/Acquisition with filter "fast" / none
  };
  const std::vector<Row> rows = {
      {"dev", "Acquisition", "", true, true},       {"dev", "Acquisition", "fast", true, false},
      {"dev", "Acquisition", "slow", false, false}, {"other", "Acquisition", "", false, false},
      {"dev", "Setting", "", false, false},
  };
  std::vector<apmPseudoDev*> pseudos;
  for (const Row& row : rows) pseudos.push_back(pseudo(row.device, row.property, row.filter));
  env().enableMask(1);
  for (bool filtered : {true, false}) {
    HostAddress address("dev", "Acquisition", filter(filtered ? "fast" : ""));
    address.map("dpe1", "value");
    auto* mapper = static_cast<apmDefault*>(driver->createMapper("default", &address.prop));
    mapper->begin(&address.prop);
    std::vector<apmPseudoDev*> expected;
    for (size_t i = 0; i < rows.size(); ++i)
      if (filtered ? rows[i].watchesFiltered : rows[i].watchesUnfiltered) expected.push_back(pseudos[i]);
    EXPECT_EQ(expected, std::vector<apmPseudoDev*>(mapper->pseudoDevs->begin(), mapper->pseudoDevs->end()));
  }
  EXPECT_TRUE(
      env().logged("initializing pseudo devices for device [dev] property [Acquisition] filter [fast]..."));
  EXPECT_TRUE(
      env().logged("initializing pseudo devices for device [dev] property [Acquisition] filter [NONE]..."));
  EXPECT_TRUE(env().logged("scanning all 'pseudo.dev' peripheral address apms for match, total count [5]"));
  EXPECT_TRUE(env().logged("scanned all 'pseudo.dev' peripheral address apms, matched [2]"));
}

TEST_F(DefaultMapperTest, EndBeforeAnyBeginPublishesNothingAndUninitialisedPseudoDevicesAreSkipped) {
  driver->getFilters().reset();  // the host then clones without initialising
  apmPseudoDev* bare = pseudo("dev", "Acquisition");
  driver->filters();
  apmPseudoDev* configured = pseudo("dev", "Acquisition");
  HostAddress address;
  address.map("dpe1", "value");
  address.prop.setTag<int>("value", {1});
  auto* mapper = static_cast<apmDefault*>(driver->createMapper("default", &address.prop));
  mapper->end(&address.prop);
  EXPECT_TRUE(driver->delivered().empty());
  EXPECT_FALSE(mapper->firstCycle);
  address.cycle(*mapper);
  EXPECT_EQ(1u, driver->delivered().size());
  EXPECT_FALSE(bare->deviceValid);
  EXPECT_TRUE(configured->deviceValid);
}

TEST_F(DefaultMapperTest, PseudoDeviceUsedWithoutInitialiseOrValueFailsClearly) {
  yoxhost::ScriptedHandler handler("dev", "Acquisition");
  apmPseudoDev bare;
  EXPECT_EQ("pseudo device [dev] property [Acquisition] was never initialised, nothing to deliver",
            manMessage([&] { bare.syncGet(handler, nullptr); }));
  EXPECT_NE("", manMessage([&] { bare.asyncGet(handler, nullptr); }));
  EXPECT_TRUE(driver->delivered().empty());
  apmPseudoDev* configured = pseudo("dev", "Acquisition");
  qivTag unset("contents");
  EXPECT_EQ("pseudo device tag [contents] holds no initialised value, cannot store its validity",
            manMessage([&] { configured->in(nullptr, &unset, nullptr); }));
  EXPECT_FALSE(configured->validate(nullptr, true, nullptr));
  StandInProp moved("otherDev", "Acquisition");  // initialising again replaces the template
  configured->initialise(&moved);
  configured->asyncGet(handler, nullptr);
  EXPECT_EQ("otherDev", driver->delivered().back()->getDevice());
}

}  // namespace
