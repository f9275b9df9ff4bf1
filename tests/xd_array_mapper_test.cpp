// The multi-dimensional array mapper on column counts the golden scenario does not
// use: remainders, empty arrays and texts that are not a positive decimal number.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "host/StandInProp.h"
#include "support/LogRecords.h"
#include "support/PluginFixture.h"

namespace {

using XdArrayMapperTest = yoxtest::PluginFixture;

TEST_F(XdArrayMapperTest, DimensionTagHoldsColumnsAndWholeRowsOrIsRefusedWithAWarning) {
  const std::string id = std::to_string(qivlib_apmInfo("xD.array"));
  const struct {
    size_t elements;
    std::vector<std::string> qualifiers;
    std::vector<int> dimension;  // empty: no dimension tag
  } cases[] = {{12, {"0", "5"}, {5, 2}}, {12, {"0", "13"}, {13, 0}},
               {0, {"0", "3"}, {3, 0}},  {7, {"0", "+7"}, {7, 1}},
               {12, {"4"}, {}},          {12, {"4", ""}, {}},
               {12, {"0", "0"}, {}},     {12, {"0", "-4"}, {}},
               {12, {"0", "4x"}, {}},    {12, {"0", "abc"}, {}},
               {12, {"0", "4 "}, {}},    {12, {"0", "99999999999"}, {}}};
  for (const auto& c : cases) {
    const std::string columns = c.qualifiers.back();
    SCOPED_TRACE(std::to_string(c.elements) + " elements, qualifiers ending [" + columns + "]");
    env().clearRecords();
    yoxhost::StandInProp prop("cam1", "Image");
    imapHw2Vuq& record = prop.addMapping("dpe.pixels", "cam1/Image pixels");
    for (const auto& q : c.qualifiers) record.qualifiers.push_back(q);
    driver->attachConverter(record, "longlong", "stamp");
    apm* mapper = driver->createMapper("xD.array", &prop);
    qivTag tag("pixels");
    tag.value.assignVector(std::vector<int>(c.elements, 3));
    EXPECT_TRUE(mapper->out(&prop, &tag, &record));
    EXPECT_TRUE(tag.valid);  // the converter still adds the time
    EXPECT_EQ(tag.value.getSize(), c.elements);
    const qivTag* dim = prop.tag("dim_pixels");
    EXPECT_EQ(c.dimension.empty(), dim == nullptr);
    if (dim != nullptr) {
      EXPECT_EQ(boost::get<std::vector<int>>(dim->value.variant), c.dimension);
    }
    const bool refused = c.dimension.empty() && c.qualifiers.size() > 1 && !columns.empty();
    EXPECT_EQ(refused, yoxtest::loggedAs("out", "peripheral address [cam1/Image pixels], apm id [" + id +
                                                    "] tag [pixels] column count [" + columns +
                                                    "] is not a positive decimal number, no dimension tag "
                                                    "[dim_pixels] added"));
  }
}

}  // namespace
