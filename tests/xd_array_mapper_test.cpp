// The multi-dimensional array mapper on column counts the golden scenario does not
// use: empty arrays, signs and texts that are not a positive decimal number.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/StandInProp.h"
#include "support/LogRecords.h"
#include "support/PluginFixture.h"

namespace {

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

}  // namespace
