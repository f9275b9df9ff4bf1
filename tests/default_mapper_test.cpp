// The default mapper as a host drives it: converters on every tag, handle
// forwarding, and the publication of a property's validity to its pseudo devices.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "apm/apmDefault.h"
#include "apm/apmPseudoDev.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "host/ScriptedHandler.h"
#include "host/StandInProp.h"
#include "support/MapperHarness.h"
#include "support/PluginFixture.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::HostAddress;

class DefaultMapperTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    driver->filters();  // with a filter registry the host initialises what it creates
  }

  static boost::shared_ptr<Filters::Filter> filter(const std::string& text) {
    if (text.empty()) return boost::shared_ptr<Filters::Filter>();
    return boost::shared_ptr<Filters::Filter>(new Filters::Filter(text));
  }

  // A pseudo device configured for device/property/filter text ("" = no filter).
  apmPseudoDev* pseudo(const std::string& device, const std::string& property,
                       const std::string& filterText = "") {
    StandInProp prop(device, property, filter(filterText));
    return static_cast<apmPseudoDev*>(driver->createMapper("pseudo.dev", &prop));
  }

  apmDefault* mapperFor(HostAddress& address) {
    return static_cast<apmDefault*>(driver->createMapper("default", &address.prop));
  }

  // How many delivered properties carry an initialised, empty "contents" tag for
  // device/property; fails on any other kind of delivery.
  int contentsDeliveries(const std::string& device, const std::string& property) {
    int count = 0;
    for (const auto& prop : driver->delivered()) {
      EXPECT_EQ(1u, prop->tags.count("contents"));
      const qivTag* contents = prop->tags.count("contents") ? prop->tags.at("contents") : nullptr;
      if (contents == nullptr) continue;
      EXPECT_TRUE(contents->value.isInitialised());
      EXPECT_EQ(static_cast<unsigned>(QIV_BOOL), contents->value.getType());
      EXPECT_EQ(0u, contents->value.getSize());
      EXPECT_FALSE(contents->valid);
      if (prop->getDevice() == device && prop->getProperty() == property) ++count;
    }
    return count;
  }
};

TEST_F(DefaultMapperTest, PseudoDevicesAreMatchedByDevicePropertyAndFilterText) {
  struct Row {
    const char* device;
    const char* property;
    const char* filter;
    bool watchesFiltered;    // matched by dev/Acquisition with filter "fast"
    bool watchesUnfiltered;  // matched by dev/Acquisition without a filter
  };
  const std::vector<Row> rows = {
      {"dev", "Acquisition", "", true, true},       {"dev", "Acquisition", "fast", true, false},
      {"dev", "Acquisition", "slow", false, false}, {"other", "Acquisition", "", false, false},
      {"dev", "Setting", "", false, false},         {"other", "Setting", "fast", false, false},
  };
  std::vector<apmPseudoDev*> pseudos;
  for (const Row& row : rows) pseudos.push_back(pseudo(row.device, row.property, row.filter));

  for (bool filtered : {true, false}) {
    SCOPED_TRACE(filtered ? "property filtered 'fast'" : "property without filter");
    env().clearRecords();
    env().enableMask(1);
    HostAddress address("dev", "Acquisition", filter(filtered ? "fast" : ""));
    address.map("dpe1", "value");
    apmDefault* mapper = mapperFor(address);
    mapper->begin(&address.prop);

    ASSERT_NE(nullptr, mapper->pseudoDevs);
    std::vector<apmPseudoDev*> expected;
    for (size_t i = 0; i < rows.size(); ++i) {
      if (filtered ? rows[i].watchesFiltered : rows[i].watchesUnfiltered) expected.push_back(pseudos[i]);
    }
    EXPECT_EQ(expected, std::vector<apmPseudoDev*>(mapper->pseudoDevs->begin(), mapper->pseudoDevs->end()));
    EXPECT_TRUE(env().logged("scanning all 'pseudo.dev' peripheral address apms for match, total count [6]"));
    EXPECT_TRUE(env().logged("scanned all 'pseudo.dev' peripheral address apms, matched [" +
                             std::to_string(expected.size()) + "]"));
    EXPECT_TRUE(env().logged(
        std::string("initializing pseudo devices for device [dev] property [Acquisition] filter [") +
        (filtered ? "fast" : "NONE") + "]..."));

    // The first end tells exactly the matched pseudo devices.
    driver->clearReceived();
    mapper->end(&address.prop);
    EXPECT_EQ(expected.size(), driver->delivered().size());
    for (apmPseudoDev* p : expected) {
      EXPECT_TRUE(p->deviceValid);
      p->deviceValid = false;
    }
    for (apmPseudoDev* p : pseudos) EXPECT_FALSE(p->deviceValid);
  }
}

TEST_F(DefaultMapperTest, PublishesOnFirstCycleThenOnlyWhenValidityChanges) {
  apmPseudoDev* watcher = pseudo("dev", "Acquisition");
  HostAddress address;
  address.map("dpe1", "value");
  address.map("dpe2", "status");
  apmDefault* mapper = mapperFor(address);

  struct Step {
    std::vector<bool> ok;
    int newDeliveries;
    bool deviceValid;
  };
  const std::vector<Step> steps = {
      {{true, true}, 1, true},    // first cycle always publishes
      {{true, true}, 0, true},    // unchanged
      {{true, false}, 1, false},  // one false validate lowers the whole property
      {{false, false}, 0, false}, {{true, true}, 1, true},
  };
  int total = 0;
  for (size_t i = 0; i < steps.size(); ++i) {
    address.cycle(*mapper, steps[i].ok);
    total += steps[i].newDeliveries;
    EXPECT_EQ(total, contentsDeliveries("dev", "Acquisition")) << "step " << i;
    EXPECT_EQ(steps[i].deviceValid, watcher->deviceValid) << "step " << i;
  }
  EXPECT_FALSE(mapper->firstCycle);
}

TEST_F(DefaultMapperTest, WithoutPseudoDevicesEndOnlyClosesTheFirstCycle) {
  env().enableMask(1);
  HostAddress address;
  address.map("dpe1", "value");
  apmDefault* mapper = mapperFor(address);
  address.cycle(*mapper);

  EXPECT_TRUE(driver->delivered().empty());
  EXPECT_FALSE(mapper->firstCycle);
  ASSERT_NE(nullptr, mapper->pseudoDevs);
  EXPECT_TRUE(mapper->pseudoDevs->empty());
  EXPECT_TRUE(env().logged("total count [0]"));
  EXPECT_TRUE(env().logged("matched [0]"));
  ASSERT_FALSE(env().records().empty());
  EXPECT_EQ(0u, env().records().front().text.rfind("begin:", 0));
}

TEST_F(DefaultMapperTest, WatchersAreFixedByTheFirstBegin) {
  apmPseudoDev* early = pseudo("dev", "Acquisition");
  HostAddress address;
  address.map("dpe1", "value");
  address.prop.setTag<int>("value", {1});
  apmDefault* mapper = mapperFor(address);
  address.cycle(*mapper);
  apmPseudoDev* late = pseudo("dev", "Acquisition");
  address.cycle(*mapper, {false});

  EXPECT_FALSE(early->deviceValid);
  EXPECT_EQ(2, contentsDeliveries("dev", "Acquisition"));
  EXPECT_FALSE(late->deviceValid);
  ASSERT_EQ(1u, mapper->pseudoDevs->size());
}

TEST_F(DefaultMapperTest, PseudoDeviceNeverInitialisedIsSkipped) {
  driver->getFilters().reset();  // the host then clones without initialising
  apmPseudoDev* bare = pseudo("dev", "Acquisition");
  driver->filters();
  apmPseudoDev* configured = pseudo("dev", "Acquisition");
  HostAddress address;
  address.map("dpe1", "value");
  address.prop.setTag<int>("value", {1});
  address.cycle(*mapperFor(address));

  EXPECT_EQ(nullptr, bare->templateProp);
  EXPECT_FALSE(bare->deviceValid);
  EXPECT_TRUE(configured->deviceValid);
  EXPECT_EQ(1u, driver->delivered().size());
}

TEST_F(DefaultMapperTest, EndBeforeAnyBeginPublishesNothingAndEndsTheFirstCycle) {
  pseudo("dev", "Acquisition");
  HostAddress address;
  apmDefault* mapper = mapperFor(address);
  mapper->end(&address.prop);
  EXPECT_TRUE(driver->delivered().empty());
  EXPECT_FALSE(mapper->firstCycle);
  address.cycle(*mapper);
  EXPECT_EQ(1u, driver->delivered().size());
}

TEST_F(DefaultMapperTest, InStampsTheTagThroughEveryConverter) {
  struct Converter {
    const char* kind;
    const char* field;
  };
  struct Row {
    std::vector<Converter> converters;
    bool valid;
    long long seconds;
    long long millis;
    const char* warning;
  };
  const std::vector<Row> rows = {
      {{}, false, 0, 0, nullptr},
      {{{"longlong", "stamp"}}, true, 1234, 567, nullptr},
      {{{"double", "dstamp"}}, true, 1, 500, nullptr},
      {{{"longlong", "missing"}}, false, 0, 0, "tcmLongLong - no tag found with name [missing]"},
      // the first failure stops the walk: the second converter never stamps
      {{{"longlong", "missing"}, {"longlong", "stamp"}}, false, 0, 0, nullptr},
      {{{"longlong", "stamp"}, {"double", "dstamp"}}, true, 1, 500, nullptr},
      {{{"longlong", "stamp"}, {"longlong", "wrongType"}}, false, 1234, 567, nullptr},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE("row " + std::to_string(i));
    env().clearRecords();
    HostAddress address;
    imapHw2Vuq& record = address.map("dpe1", "value");
    for (const Converter& c : rows[i].converters) driver->attachConverter(record, c.kind, c.field);
    address.prop.setTag<long>("stamp", {1234567});
    address.prop.setTag<double>("dstamp", {1500.9});
    address.prop.setTag<std::string>("wrongType", {"text"});
    apmDefault* mapper = mapperFor(address);

    qivTag& tag = address.target("dpe1");
    tag.valid = !rows[i].valid;
    EXPECT_TRUE(mapper->in(&address.prop, &tag, &record));
    EXPECT_EQ(rows[i].valid, tag.valid);
    EXPECT_EQ(rows[i].seconds, tag.seconds);
    EXPECT_EQ(rows[i].millis, tag.millis);
    if (rows[i].warning != nullptr) {
      EXPECT_TRUE(env().logged(rows[i].warning));
    }
  }
}

TEST_F(DefaultMapperTest, OutLetsEveryConverterAddTheCurrentTime) {
  HostAddress address;
  imapHw2Vuq& record = address.map("dpe1", "value");
  driver->attachConverter(record, "longlong", "sentAt");
  driver->attachConverter(record, "double", "sentAtDouble");
  apmDefault* mapper = mapperFor(address);
  qivTag& tag = address.target("dpe1");

  EXPECT_TRUE(mapper->out(&address.prop, &tag, &record));
  EXPECT_TRUE(tag.valid);
  ASSERT_NE(nullptr, address.prop.tag("sentAt"));
  ASSERT_NE(nullptr, address.prop.tag("sentAtDouble"));
  EXPECT_EQ(kNow, address.prop.tag("sentAt")->value.getAt<long>(0));
  EXPECT_EQ(static_cast<double>(kNow), address.prop.tag("sentAtDouble")->value.getAt<double>(0));

  imapHw2Vuq& bare = address.map("dpe2", "other");
  qivTag& other = address.target("dpe2");
  other.valid = true;
  EXPECT_TRUE(mapper->out(&address.prop, &other, &bare));
  EXPECT_FALSE(other.valid);
}

TEST_F(DefaultMapperTest, SubscriptionsAndReadsReachTheHandle) {
  HostAddress address;
  imapHw2Vuq& record = address.map("dpe1", "value");
  apmDefault* mapper = mapperFor(address);
  yoxhost::ScriptedHandler handler("dev", "Acquisition");

  mapper->monitorOn(handler, &record);
  mapper->monitorOff(handler);
  mapper->asyncGet(handler, &record);
  EXPECT_EQ(1, handler.monitorOnCount);
  EXPECT_EQ(1, handler.monitorOffCount);
  EXPECT_EQ(1, handler.getAsyncCount);

  yox::auto_ptr<yox::data::Data> answer = yox::data::DataFactory::createData();
  answer->append("counter", 7);
  handler.answer("Acquisition", *answer);
  yox::auto_ptr<yox::data::Data> read = mapper->syncGet(handler, &record);
  ASSERT_NE(nullptr, read.get());
  EXPECT_EQ(7, read->getInt("counter"));

  handler.fail("Acquisition", "device unreachable");
  try {
    mapper->syncGet(handler, &record);
    FAIL() << "the handle's failure was swallowed";
  } catch (const qivHandlerEx& e) {
    EXPECT_STREQ("device unreachable", e.getMessage());
  }
}

}  // namespace
