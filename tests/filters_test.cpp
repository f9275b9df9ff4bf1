#include "filters/Filters.h"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "filters/FilterToYoxDataConverter.h"
#include "host/DataToProp.h"
#include "support/HostLog.h"
#include "support/ValueHelpers.h"

using namespace std::string_literals;
using namespace yoxtest;

namespace {

// A parsed filter as one line: "name|constraint text>tag>type>value>value|...".
std::string shapeOf(const Filters::Filter& filter) {
  std::string shape = filter.getName();
  for (const auto& constraint : filter.getConstraints()) {
    shape += "|" + constraint->getConstraintString() + ">" + constraint->getTagName() + ">" +
             constraint->getDataType();
    for (const std::string& value : constraint->getValues()) shape += ">" + value;
  }
  return shape;
}

std::string parseFailure(const std::string& text) {
  return thrownText<std::runtime_error>([&] { Filters::Filter filter(text); });
}

std::string conversionFailure(const std::string& text) {
  Filters::Filter filter(text);
  return thrownText<std::runtime_error>([&] { filter.getVuqData(); });
}

std::string valueFailure(const std::string& function, const std::string& value, int typeId) {
  return function + " Cannot parse filter " + (typeId == QIV_BOOL ? "bool " : "") + "value string[" + value +
         "] to target VUQ type [" + std::to_string(typeId) + "]. This filter value will be ignored!";
}

const std::string kNameOnly =
    "toYoxData filter [sel] is a name only filter (no constraints specified). Constraints must be loaded "
    "from the ZIV project internal filter dpe. Cannot create valid yox::data::Data object";

using FiltersTest = HostTest;

TEST_F(FiltersTest, ParsesNamedAndInlineTexts) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"sel", "sel"},
      {"", ""},
      {"sel/cycle=int,1,2/mode=string,fast",
       "sel|cycle=int,1,2>cycle>int>1>2|mode=string,fast>mode>string>fast"},
      {"sel/cycle=int,1,", "sel|cycle=int,1,>cycle>int>1>"},
      {"sel/ s = string , a ", "sel| s = string , a > s > string > a "},
      {"/cycle=int,1", "|cycle=int,1>cycle>int>1"},
      // Escaped delimiters stay inside their piece.
      {"sel/path=string,a\\/b", "sel|path=string,a/b>path>string>a/b"},
      {"sel/list=string,x\\,y,z", "sel|list=string,x\\,y,z>list>string>x,y>z"},
      {"sel/a\\=b=string,v", "sel|a\\=b=string,v>a=b>string>v"},
  };
  for (const auto& c : cases) {
    const Filters::Filter filter(c.first);
    EXPECT_EQ(shapeOf(filter), c.second);
    EXPECT_EQ(filter.isNameOnly(), c.first.find('/') == std::string::npos) << c.first;
  }
  EXPECT_EQ(
      parseFailure("sel\\/x"),
      "parseInlineFilter filter name [] filter string [sel\\/x] invalid, split on [/] should return at least "
      "[2] substrings [ <filter_name>/<tag_name>=<data_type>,<value>[,<value>]...[/...] ], returned [1]");
  EXPECT_EQ(
      parseFailure("sel/cycle=int"),
      "FilterConstraint FilterConstraintString [cycle=int] filter values [int] invalid, split on [,] should "
      "return at least [2] substrings [ <data_type>,<value>[,<value>]... ], returned [1]");
  EXPECT_NE(parseFailure("sel/cycle="), "(nothing thrown)");
  for (const auto& [constraint, pieces] :
       std::vector<std::pair<std::string, int>>{{"cycle", 1}, {"a=b=c", 3}, {"", 1}})
    EXPECT_EQ(
        parseFailure("sel/ok=int,1/" + constraint),
        "FilterConstraint FilterConstraintString [" + constraint +
            "] invalid, split on [=] should return at least [2] substrings [ <tag_name>=<data_type>,<value>"
            "[,<value>]... ], returned [" +
            std::to_string(pieces) + "]");

  Filters::Filter filter("sel/a=int,1");  // unchanged when reparsing fails
  EXPECT_THROW(filter.parseInlineFilter("other/b=int,2/broken"), std::runtime_error);
  EXPECT_EQ(shapeOf(filter), "sel|a=int,1>a>int>1");
}

TEST_F(FiltersTest, RegistryReplacesByNameAndLeavesHoldersTheirCopy) {
  Filters filters;
  filters.setFilter("sel/cycle=int,1");
  const boost::shared_ptr<Filters::Filter> first = filters.getFilter("sel");
  filters.setFilter("sel/cycle=int,2");
  EXPECT_THROW(filters.setFilter("sel/cycle"), std::runtime_error);
  filters.setFilter("other");
  EXPECT_EQ(filters.getFilterCount(), 2u);
  EXPECT_EQ(shapeOf(*first), "sel|cycle=int,1>cycle>int>1");
  EXPECT_EQ(shapeOf(*filters.getFilter("sel")), "sel|cycle=int,2>cycle>int>2");
  for (const char* missing : {"never", "SEL", "sel/cycle=int,2"}) EXPECT_FALSE(filters.getFilter(missing));
  EXPECT_EQ(filters.getFilterCount(), 2u);
}

TEST_F(FiltersTest, ConvertsEachTypeWordToItsEntryOnce) {
  const std::vector<std::pair<std::string, VUQ_VARS>> cases = {
      {"int,1,2,3", valueOf({1, 2, 3})},
      {"LongLong,-9223372036854775808,9223372036854775807", valueOf({LONG_MIN, LONG_MAX})},
      {"short,-3", valueOf<short>({-3})},
      {"double,1,-0.5", valueOf({1.0, -0.5})},
      {"float,0.25", valueOf({0.25f})},
      {"Boolean,TRUE", valueOf({true})},
      {"bool,FaLsE,1,+1,0,+0,-0,true", valueOf({false, true, true, false, false, false, true})},
      {"byte,65", valueOf({'A'})},
      {"byte,300,-1,255,128", valueOf({',', '\xff', '\xff', '\x80'})},  // the low 8 bits
      {"STRING,a,,b", valueOf({"a"s, ""s, "b"s})},
      {"int,1/t=string,x", valueOf({"x"s})},  // the last constraint of a tag wins
  };
  for (const auto& c : cases) {
    Filters::Filter filter("sel/t=" + c.first);
    const yox::data::Data* data = filter.getVuqData();
    ASSERT_EQ(data->getSize(), 1u) << c.first;
    EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("t")), c.second) << c.first;
    EXPECT_EQ(filter.getVuqData(), data);
  }
  EXPECT_TRUE(parsedRecords().empty());
}

TEST_F(FiltersTest, RefusesValuesAndTypeWords) {
  const std::string unknown = "] does not evaluate to a valid VUQ data type. Filter cannot be processed";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"byte,A", valueFailure("toTagValue<char>", "A", QIV_BYTE)},
      {"byte,1.0", valueFailure("toTagValue<char>", "1.0", QIV_BYTE)},
      {"int,1,2,1.5", valueFailure("toTagValue", "1.5", QIV_INT)},
      {"long,2147483648", valueFailure("toTagValue", "2147483648", QIV_INT)},
      {"short,40000", valueFailure("toTagValue", "40000", QIV_SHORT)},
      {"longlong,9223372036854775808", valueFailure("toTagValue", "9223372036854775808", QIV_LONGLONG)},
      {"double,1.5x", valueFailure("toTagValue", "1.5x", QIV_DOUBLE)},
      {"float, 2", valueFailure("toTagValue", " 2", QIV_FLOAT)},
      {"word,1", "toYoxData filter data type string [word" + unknown},
      {"unk,1", "toYoxData filter data type string [unk" + unknown},
  };
  for (const auto& c : cases) EXPECT_EQ(conversionFailure("sel/t=" + c.first), c.second);
  for (const std::string bad : {"yes", "01", "-1", "2", " 1", ""})  // only true, false, 1, +1, 0, +0 and -0
    EXPECT_EQ(conversionFailure("sel/t=bool,true," + bad), valueFailure("toTagValue<bool>", bad, QIV_BOOL));

  // A failure is logged, with the line log scanners key on, and thrown on every attempt.
  Filters::Filter filter("sel");
  for (int attempt = 0; attempt < 2; ++attempt) {
    clearLog();
    EXPECT_EQ(thrownText<std::runtime_error>([&] { filter.getVuqData(); }), kNameOnly);
    const ParsedRecord record = onlyRecord("getVuqData");
    EXPECT_TRUE(record.type == 2 && record.mask == -1 && record.line == 140);
    EXPECT_EQ(record.message,
              "getVuqData filter name [sel] could not be parsed into a YOX Data representation, message " +
                  kNameOnly);
  }
}

TEST_F(FiltersTest, ConverterLeavesTheContainerAsItWasOnFailure) {
  Filters::Filter good("sel/a=int,1,2");
  FilterToYoxDataConverter converter(good);
  yox::auto_ptr<yox::data::Data> data = converter.toYoxData();
  EXPECT_THROW(converter.addTagValuesToYoxDataObject<short>("b", {"1", "x"}, QIV_SHORT, *data),
               std::runtime_error);
  EXPECT_EQ(data->getSize(), 1u);
  EXPECT_EQ(yoxhost::entryToValue(*data->getEntry("a")), valueOf({1, 2}));
}

}  // namespace
