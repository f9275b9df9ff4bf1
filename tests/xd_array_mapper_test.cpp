#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "apm/apmXdArray.h"
#include "host/StandInProp.h"
#include "hostapi/HostInterface.h"
#include "support/PluginFixture.h"

namespace {

class XdArrayMapperTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    driver->filters();
    prop = std::make_unique<yoxhost::StandInProp>("cam1", "Image");
    record = &prop->addMapping("dpe.pixels", "cam1/Image pixels");
    mapper = driver->createMapper("xD.array", prop.get());
  }

  void qualify(const std::vector<std::string>& qualifiers) {
    record->qualifiers.clear();
    for (const auto& q : qualifiers) record->qualifiers.push_back(q);
  }

  static qivTag arrayTag(size_t elements) {
    qivTag tag("pixels");
    tag.value.assignVector(std::vector<int>(elements, 3));
    return tag;
  }

  // The [columns, rows] of the dimension tag, or empty when there is none.
  std::vector<int> dimension() const {
    qivTag* dim = prop->tag("dim_pixels");
    if (dim == nullptr) return {};
    EXPECT_TRUE(dim->value.isInitialised());
    return boost::get<std::vector<int>>(dim->value.variant);
  }

  void removeTag(const std::string& name) {
    auto it = prop->tags.find(name);
    if (it == prop->tags.end()) return;
    delete it->second;
    prop->tags.erase(it);
  }

  size_t recordsOfType(int type) const {
    size_t count = 0;
    for (const auto& r : env().records()) count += r.type == type;
    return count;
  }

  std::unique_ptr<yoxhost::StandInProp> prop;
  imapHw2Vuq* record = nullptr;
  apm* mapper = nullptr;
};

TEST_F(XdArrayMapperTest, DimensionTagHoldsColumnsAndWholeRows) {
  const struct {
    size_t elements;
    const char* columns;
    std::vector<int> expected;
  } cases[] = {{12, "4", {4, 3}},   {12, "5", {5, 2}}, {12, "12", {12, 1}},
               {12, "13", {13, 0}}, {0, "3", {3, 0}},  {7, "+7", {7, 1}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.elements) + " elements, columns " + c.columns);
    qualify({"0", c.columns});
    qivTag tag = arrayTag(c.elements);
    EXPECT_TRUE(mapper->out(prop.get(), &tag, record));
    EXPECT_EQ(dimension(), c.expected);
    EXPECT_EQ(tag.value.getSize(), c.elements);  // the flat list itself is untouched
  }
}

TEST_F(XdArrayMapperTest, NoDimensionTagWithoutASecondQualifier) {
  for (const auto& qualifiers : std::vector<std::vector<std::string>>{{}, {"4"}, {"4", ""}}) {
    SCOPED_TRACE(qualifiers.size());
    env().clearRecords();
    qualify(qualifiers);
    qivTag tag = arrayTag(12);
    EXPECT_TRUE(mapper->out(prop.get(), &tag, record));
    EXPECT_TRUE(dimension().empty());
    EXPECT_EQ(recordsOfType(2), 0u);
  }
}

TEST_F(XdArrayMapperTest, RefusesAColumnCountThatIsNotAPositiveNumber) {
  driver->attachConverter(*record, "longlong", "stamp");
  const std::string id = std::to_string(qivlib_apmInfo("xD.array"));
  for (const char* columns : {"0", "-4", "abc", "4x", "4 ", "2.5", "99999999999"}) {
    SCOPED_TRACE(columns);
    env().clearRecords();
    removeTag("stamp");
    qualify({"0", columns});
    qivTag tag = arrayTag(12);
    EXPECT_TRUE(mapper->out(prop.get(), &tag, record));
    EXPECT_TRUE(dimension().empty());
    ASSERT_EQ(recordsOfType(2), 1u);
    std::string text;
    for (const auto& r : env().records()) {
      if (r.type == 2) text = r.text;
    }
    const std::string expected = "peripheral address [cam1/Image pixels], apm id [" + id +
                                 "] tag [pixels] column count [" + columns +
                                 "] is not a positive decimal number, no dimension tag [dim_pixels] added";
    EXPECT_EQ(text.substr(text.find('-') + 1), expected);
    EXPECT_EQ(text.compare(0, 4, "out:"), 0);
    // The converters still add the time and the tag is valid.
    EXPECT_NE(prop->tag("stamp"), nullptr);
    EXPECT_TRUE(tag.valid);
  }
}

TEST_F(XdArrayMapperTest, OutRunsEveryConverterAndIsValidOnlyWithOne) {
  qualify({"0", "4"});
  qivTag bare = arrayTag(8);
  bare.valid = true;
  EXPECT_TRUE(mapper->out(prop.get(), &bare, record));
  EXPECT_FALSE(bare.valid);

  driver->attachConverter(*record, "longlong", "stamp");
  driver->attachConverter(*record, "double", "stampDouble");
  qivTag stamped = arrayTag(8);
  EXPECT_TRUE(mapper->out(prop.get(), &stamped, record));
  EXPECT_TRUE(stamped.valid);
  ASSERT_NE(prop->tag("stamp"), nullptr);
  ASSERT_NE(prop->tag("stampDouble"), nullptr);
  EXPECT_EQ(prop->tag("stamp")->value.getAt<long>(0), kNow);
  EXPECT_EQ(dimension(), (std::vector<int>{4, 2}));
}

TEST_F(XdArrayMapperTest, InLogsTheBannerAndStampsLikeTheDefaultMapper) {
  const std::string stars(30, '*');
  prop->setTag("stamp", std::vector<long>{1234567});
  qivTag tag = arrayTag(4);
  tag.valid = true;
  EXPECT_TRUE(mapper->in(prop.get(), &tag, record));  // no converter yet
  EXPECT_FALSE(tag.valid);

  ASSERT_EQ(env().records().size(), 3u);
  const std::vector<std::string> banner = {stars, "xD.array apm not yet supported", stars};
  for (size_t i = 0; i < 3; ++i) {
    const auto& r = env().records()[i];
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(r.mask, -1);
    EXPECT_EQ(r.text.compare(0, 3, "in:"), 0) << r.text;
    EXPECT_EQ(r.text.substr(r.text.find('-') + 1), banner[i]);
  }

  driver->attachConverter(*record, "longlong", "stamp");
  EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
  EXPECT_TRUE(tag.valid);
  EXPECT_EQ(tag.seconds, 1234);
  EXPECT_EQ(tag.millis, 567);
  EXPECT_EQ(env().records().size(), 6u);

  removeTag("stamp");
  EXPECT_TRUE(mapper->in(prop.get(), &tag, record));  // the converter fails
  EXPECT_FALSE(tag.valid);
}

}  // namespace
