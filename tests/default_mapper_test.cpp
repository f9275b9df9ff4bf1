// The default, pseudo-device and array mappers and the time-stamp converters where the
// golden scenarios do not reach: which pseudo devices a property picks by filter text,
// pseudo devices used before or without initialise, column counts that are not a
// positive decimal number, and stamps each converter cannot read, miss or cannot write.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "apm/apmDefault.h"
#include "apm/apmPseudoDev.h"
#include "host/ScriptedHandler.h"
#include "support/LogRecords.h"
#include "support/MapperHarness.h"

namespace {

using yoxhost::StandInProp;
using yoxtest::HostAddress;
using yoxtest::manMessage;
using yoxtest::parsedRecords;

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
  // device, property and filter of each watching candidate
  const std::vector<std::tuple<const char*, const char*, const char*>> rows = {{"dev", "Acquisition", ""},
                                                                               {"dev", "Acquisition", "fast"},
                                                                               {"dev", "Acquisition", "slow"},
                                                                               {"other", "Acquisition", ""},
                                                                               {"dev", "Setting", ""}};
  driver->getFilters().reset();  // the host then clones without initialising: watches nothing
  pseudo("dev", "Acquisition");
  driver->filters();
  std::vector<apmPseudoDev*> pseudos;
  for (const auto& [device, property, text] : rows) pseudos.push_back(pseudo(device, property, text));
  env().enableMask(1);
  // the filter of dev/Acquisition, and the candidates that watch it
  for (const auto& [text, watching] :
       std::vector<std::pair<std::string, std::vector<size_t>>>{{"fast", {0, 1}}, {"", {0}}}) {
    HostAddress address("dev", "Acquisition", filter(text));
    address.map("dpe1", "value");
    auto* mapper = static_cast<apmDefault*>(driver->createMapper("default", &address.prop));
    mapper->begin(&address.prop);
    std::vector<apmPseudoDev*> expected;
    for (size_t i : watching) expected.push_back(pseudos[i]);
    EXPECT_EQ(expected, std::vector<apmPseudoDev*>(mapper->pseudoDevs->begin(), mapper->pseudoDevs->end()));
  }
  EXPECT_TRUE(
      env().logged("initializing pseudo devices for device [dev] property [Acquisition] filter [fast]..."));
  EXPECT_TRUE(
      env().logged("initializing pseudo devices for device [dev] property [Acquisition] filter [NONE]..."));
  EXPECT_TRUE(env().logged("scanning all 'pseudo.dev' peripheral address apms for match, total count [6]"));
  EXPECT_TRUE(env().logged("scanned all 'pseudo.dev' peripheral address apms, matched [2]"));
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

using XdArrayMapperTest = yoxtest::PluginFixture;

TEST_F(XdArrayMapperTest, DimensionTagHoldsColumnsAndWholeRowsOrIsRefusedWithAWarning) {
  const struct {
    size_t elements;
    std::string columns;
    std::vector<int> dimension;  // empty: no dimension tag
  } cases[] = {{0, "3", {3, 0}},        {7, "+7", {7, 1}}, {12, "13", {13, 0}}, {12, "", {}},
               {12, "0", {}},           {12, "-4", {}},    {12, "abc", {}},     {12, "4 ", {}},
               {12, "99999999999", {}}, {12, "4x", {}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.elements) + " elements, column count [" + c.columns + "]");
    yoxhost::StandInProp prop("cam1", "Image");
    imapHw2Vuq& record = prop.addMapping("dpe.pixels", "cam1/Image pixels");
    record.qualifiers.push_back("0");
    record.qualifiers.push_back(c.columns);
    driver->attachConverter(record, "longlong", "stamp");
    qivTag tag("pixels");
    tag.value.assignVector(std::vector<int>(c.elements, 3));
    EXPECT_TRUE(driver->createMapper("xD.array", &prop)->out(&prop, &tag, &record));
    EXPECT_TRUE(tag.valid);  // the converter still adds the time
    EXPECT_EQ(tag.value.getSize(), c.elements);
    const qivTag* dim = prop.tag("dim_pixels");
    EXPECT_EQ(c.dimension, dim ? boost::get<std::vector<int>>(dim->value.variant) : std::vector<int>());
  }
  EXPECT_TRUE(yoxtest::loggedAs(
      "out", "peripheral address [cam1/Image pixels], apm id [" + std::to_string(qivlib_apmInfo("xD.array")) +
                 "] tag [pixels] column count [4x] is not a positive decimal number, no "
                 "dimension tag [dim_pixels] added"));
}

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
