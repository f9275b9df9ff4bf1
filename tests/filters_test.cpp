#include "filters/Filters.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "filters/FilterToYoxDataConverter.h"
#include "host/HostEnvironment.h"
#include "support/LogRecords.h"

using yox::data::Data;
using yoxtest::messagesOf;
using yoxtest::parsedRecords;

namespace {

// The std::runtime_error text that f throws, or "" when it throws nothing.
template <class F>
std::string runtimeMessage(F&& f) {
  try {
    f();
  } catch (const std::runtime_error& e) {
    return e.what();
  }
  return "";
}

const std::string kInlineShape =
    "] should return at least [2] substrings [ "
    "<filter_name>/<tag_name>=<data_type>,<value>[,<value>]...[/...] ], "
    "returned [";

std::string equalsFailure(const std::string& constraint, size_t pieces) {
  return "FilterConstraint FilterConstraintString [" + constraint +
         "] invalid, split on [=] should return at least [2] substrings [ "
         "<tag_name>=<data_type>,<value>[,<value>]... "
         "], returned [" +
         std::to_string(pieces) + "]";
}

std::string commaFailure(const std::string& constraint, const std::string& values, size_t pieces) {
  return "FilterConstraint FilterConstraintString [" + constraint + "] filter values [" + values +
         "] invalid, split on [,] should return at least [2] substrings [ <data_type>,<value>[,<value>]... "
         "], "
         "returned [" +
         std::to_string(pieces) + "]";
}

std::string valueFailure(const std::string& function, const std::string& value, int typeId) {
  return function + " Cannot parse filter value string[" + value + "] to target VUQ type [" +
         std::to_string(typeId) + "]. This filter value will be ignored!";
}

std::string boolFailure(const std::string& value) {
  return "toTagValue<bool> Cannot parse filter bool value string[" + value +
         "] to target VUQ type [1006]. This filter value will be ignored!";
}

std::string nameOnlyFailure(const std::string& name) {
  return "toYoxData filter [" + name +
         "] is a name only filter (no constraints specified). Constraints must be loaded from the ZIV "
         "project "
         "internal filter dpe. Cannot create valid yox::data::Data object";
}

class FiltersTest : public ::testing::Test {
 protected:
  void SetUp() override { yoxhost::HostEnvironment::instance().reset(); }
};

struct ExpectedConstraint {
  std::string text;
  std::string tag;
  std::string type;
  std::vector<std::string> values;
};

TEST_F(FiltersTest, ParsesNamedAndInlineTexts) {
  struct Case {
    std::string text;
    std::string name;
    bool nameOnly;
    std::vector<ExpectedConstraint> constraints;
  };
  const std::vector<Case> cases = {
      {"sel", "sel", true, {}},
      {"", "", true, {}},
      {"sel/cycle=int,1,2/mode=string,fast",
       "sel",
       false,
       {{"cycle=int,1,2", "cycle", "int", {"1", "2"}}, {"mode=string,fast", "mode", "string", {"fast"}}}},
      {"sel/cycle=LONG,5", "sel", false, {{"cycle=LONG,5", "cycle", "LONG", {"5"}}}},
      {"sel/cycle=int,1,", "sel", false, {{"cycle=int,1,", "cycle", "int", {"1", ""}}}},
      {"sel/ s = string , a ", "sel", false, {{" s = string , a ", " s ", " string ", {" a "}}}},
      {"/cycle=int,1", "", false, {{"cycle=int,1", "cycle", "int", {"1"}}}},
      // Escaped delimiters stay inside their piece.
      {"sel/path=string,a\\/b", "sel", false, {{"path=string,a/b", "path", "string", {"a/b"}}}},
      {"sel/list=string,x\\,y,z", "sel", false, {{"list=string,x\\,y,z", "list", "string", {"x,y", "z"}}}},
      {"sel/a\\=b=string,v", "sel", false, {{"a\\=b=string,v", "a=b", "string", {"v"}}}},
  };
  for (const Case& c : cases) {
    const Filters::Filter filter(c.text);
    EXPECT_EQ(filter.getFilterString(), c.text);
    EXPECT_EQ(filter.getName(), c.name) << c.text;
    EXPECT_EQ(filter.isNameOnly(), c.nameOnly) << c.text;
    EXPECT_EQ(Filters::Filter::isFilterNameOnly(c.text), c.nameOnly) << c.text;
    ASSERT_EQ(filter.getConstraints().size(), c.constraints.size()) << c.text;
    for (size_t i = 0; i < c.constraints.size(); ++i) {
      const Filters::Filter::FilterConstraint& got = *filter.getConstraints()[i];
      const ExpectedConstraint& want = c.constraints[i];
      EXPECT_EQ(got.getConstraintString(), want.text) << c.text;
      EXPECT_EQ(got.getTagName(), want.tag) << c.text;
      EXPECT_EQ(got.getDataType(), want.type) << c.text;
      EXPECT_EQ(got.getValues(), want.values) << c.text;
    }
  }
}

TEST_F(FiltersTest, RefusesMalformedTextsWithTheirMessages) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"sel\\/x",
       "parseInlineFilter filter name [] filter string [sel\\/x] invalid, split on [/" + kInlineShape + "1]"},
      {"sel/cycle", equalsFailure("cycle", 1)},
      {"sel/a=b=c", equalsFailure("a=b=c", 3)},
      {"sel/", equalsFailure("", 1)},
      {"sel/cycle=int", commaFailure("cycle=int", "int", 1)},
      {"sel/cycle=", commaFailure("cycle=", "", 1)},
      {"sel/ok=int,1/bad", equalsFailure("bad", 1)},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(runtimeMessage([&] { Filters::Filter filter(c.first); }), c.second) << c.first;
  }
}

TEST_F(FiltersTest, KeepsAFilterUnchangedWhenReparsingFails) {
  Filters::Filter filter("sel/a=int,1");
  EXPECT_THROW(filter.parseInlineFilter("other/b=int,2/broken"), std::runtime_error);
  EXPECT_EQ(filter.getName(), "sel");
  ASSERT_EQ(filter.getConstraints().size(), 1u);
  EXPECT_EQ(filter.getConstraints()[0]->getTagName(), "a");
}

TEST_F(FiltersTest, RegistryReplacesByNameAndLeavesHoldersTheirCopy) {
  Filters filters;
  EXPECT_EQ(filters.getFilterCount(), 0u);
  filters.setFilter("sel/cycle=int,1");
  const boost::shared_ptr<Filters::Filter> first = filters.getFilter("sel");
  ASSERT_TRUE(first);

  filters.setFilter("sel/cycle=int,2");
  EXPECT_EQ(filters.getFilterCount(), 1u);
  EXPECT_EQ(filters.getFilter("sel")->getConstraints()[0]->getValues(), std::vector<std::string>{"2"});
  EXPECT_EQ(first->getConstraints()[0]->getValues(), std::vector<std::string>{"1"});

  filters.setFilter("other");
  EXPECT_EQ(filters.getFilterCount(), 2u);
  EXPECT_TRUE(filters.getFilter("other")->isNameOnly());
}

TEST_F(FiltersTest, RegistryLookupIsExactAndAddsNothing) {
  Filters filters;
  filters.setFilter("sel/cycle=int,1");
  EXPECT_FALSE(filters.getFilter("never"));
  EXPECT_FALSE(filters.getFilter("SEL"));
  EXPECT_FALSE(filters.getFilter("sel/cycle=int,1"));
  EXPECT_EQ(filters.getFilterCount(), 1u);
}

TEST_F(FiltersTest, RegistryIsUnchangedByARefusedText) {
  Filters filters;
  filters.setFilter("sel/cycle=int,1");
  EXPECT_THROW(filters.setFilter("sel/cycle"), std::runtime_error);
  EXPECT_EQ(filters.getFilterCount(), 1u);
  EXPECT_EQ(filters.getFilter("sel")->getFilterString(), "sel/cycle=int,1");
}

TEST_F(FiltersTest, CachesTheDataForm) {
  Filters::Filter filter("sel/cycle=int,1,2/mode=string,fast");
  Data* data = filter.getVuqData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(filter.getVuqData(), data);
  EXPECT_EQ(data->getSize(), 2u);
  EXPECT_STREQ(data->getString("mode"), "fast");
  EXPECT_TRUE(parsedRecords().empty());
}

TEST_F(FiltersTest, LogsAndRethrowsAFailedConversionEveryTime) {
  Filters::Filter filter("sel");
  for (int attempt = 1; attempt <= 2; ++attempt) {
    EXPECT_EQ(runtimeMessage([&] { filter.getVuqData(); }), nameOnlyFailure("sel"));
    const auto records = parsedRecords();
    ASSERT_EQ(records.size(), static_cast<size_t>(attempt));
    EXPECT_EQ(records.back().type, 2);
    EXPECT_EQ(records.back().mask, -1);
    EXPECT_EQ(records.back().function, "getVuqData");
    EXPECT_EQ(records.back().line, 140);
    EXPECT_EQ(records.back().message,
              "getVuqData filter name [sel] could not be parsed into a YOX Data representation, message " +
                  nameOnlyFailure("sel"));
  }
}

TEST_F(FiltersTest, ConvertsEachTypeWordToItsEntry) {
  struct Case {
    std::string constraint;
    std::function<void(Data&)> expected;
  };
  const std::vector<Case> cases = {
      {"cycle=int,1", [](Data& d) { d.append("cycle", 1); }},
      {"cycle=int,1,2,3",
       [](Data& d) {
         const int v[] = {1, 2, 3};
         d.appendArray("cycle", v, 3);
       }},
      {"cycle=LONG,5", [](Data& d) { d.append("cycle", 5); }},
      {"cycle=longlong,5", [](Data& d) { d.append("cycle", 5L); }},
      {"cycle=LongLong,-9223372036854775808,9223372036854775807",
       [](Data& d) {
         const long v[] = {-9223372036854775807L - 1, 9223372036854775807L};
         d.appendArray("cycle", v, 2);
       }},
      {"s=short,-3", [](Data& d) { d.append("s", static_cast<short>(-3)); }},
      {"d=double,2.5", [](Data& d) { d.append("d", 2.5); }},
      {"d=double,1,-0.5",
       [](Data& d) {
         const double v[] = {1.0, -0.5};
         d.appendArray("d", v, 2);
       }},
      {"f=float,0.25", [](Data& d) { d.append("f", 0.25f); }},
      {"flag=Boolean,TRUE", [](Data& d) { d.append("flag", true); }},
      {"flag=bool,FaLsE,1,+1,0,+0,-0,true",
       [](Data& d) {
         const bool v[] = {false, true, true, false, false, false, true};
         d.appendArray("flag", v, 7);
       }},
      {"b=byte,65", [](Data& d) { d.append("b", static_cast<signed char>(65)); }},
      {"b=byte,300", [](Data& d) { d.append("b", static_cast<signed char>(44)); }},
      {"b=byte,-1,255,128",
       [](Data& d) {
         const signed char v[] = {-1, -1, -128};
         d.appendArray("b", v, 3);
       }},
      {"s=string,a,,b",
       [](Data& d) {
         const char* v[] = {"a", "", "b"};
         d.appendArray("s", v, 3);
       }},
      {"s=STRING,x", [](Data& d) { d.append("s", "x"); }},
      {"a=int,1/a=string,x", [](Data& d) { d.append("a", "x"); }},
  };
  for (const Case& c : cases) {
    Filters::Filter filter("sel/" + c.constraint);
    yox::auto_ptr<Data> expected = yox::data::DataFactory::createData();
    c.expected(*expected);
    const Data* got = filter.getVuqData();
    ASSERT_NE(got, nullptr);
    EXPECT_TRUE(*got == *expected) << c.constraint << "\ngot:" << got->toString()
                                   << "\nexpected:" << expected->toString();
    for (const yox::data::Entry* entry : expected->getEntries()) {
      ASSERT_NE(got->getEntry(entry->getName()), nullptr) << c.constraint;
      EXPECT_EQ(got->getEntry(entry->getName())->getType(), entry->getType()) << c.constraint;
    }
  }
}

TEST_F(FiltersTest, RefusesValuesAndTypeWordsWithTheirMessages) {
  const std::string unknownType = "] does not evaluate to a valid VUQ data type. Filter cannot be processed";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"flag=bool,yes", boolFailure("yes")},
      {"flag=bool,YES", boolFailure("YES")},
      {"flag=bool,true,01", boolFailure("01")},
      {"flag=bool,-1", boolFailure("-1")},
      {"flag=bool,2", boolFailure("2")},
      {"flag=bool, 1", boolFailure(" 1")},
      {"flag=bool,", boolFailure("")},
      {"b=byte,A", valueFailure("toTagValue<char>", "A", 1008)},
      {"b=byte,1.0", valueFailure("toTagValue<char>", "1.0", 1008)},
      {"x=int,1.5", valueFailure("toTagValue", "1.5", 1002)},
      {"x=int,", valueFailure("toTagValue", "", 1002)},
      {"x=int,1,2,x", valueFailure("toTagValue", "x", 1002)},
      {"x=long,2147483648", valueFailure("toTagValue", "2147483648", 1002)},
      {"x=short,40000", valueFailure("toTagValue", "40000", 1003)},
      {"x=longlong,9223372036854775808", valueFailure("toTagValue", "9223372036854775808", 1001)},
      {"x=double,1.5x", valueFailure("toTagValue", "1.5x", 1004)},
      {"x=float, 2", valueFailure("toTagValue", " 2", 1005)},
      {"t=word,1", "toYoxData filter data type string [word" + unknownType},
      {"t=unk,1", "toYoxData filter data type string [unk" + unknownType},
      {"ok=int,1/t=Word,1", "toYoxData filter data type string [Word" + unknownType},
  };
  for (const auto& c : cases) {
    yoxhost::HostEnvironment::instance().clearRecords();
    Filters::Filter filter("sel/" + c.first);
    EXPECT_EQ(runtimeMessage([&] { filter.getVuqData(); }), c.second) << c.first;
    const std::vector<std::string> logged = messagesOf("getVuqData");
    ASSERT_EQ(logged.size(), 1u) << c.first;
    EXPECT_EQ(logged[0],
              "getVuqData filter name [sel] could not be parsed into a YOX Data representation, message " +
                  c.second);
  }
}

TEST_F(FiltersTest, LogsAnUnknownTypeWordBeforeRefusingIt) {
  Filters::Filter filter("sel/t=word,1");
  EXPECT_THROW(filter.getVuqData(), std::runtime_error);
  const auto records = parsedRecords();
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].function, "getTypeFromString");
  EXPECT_EQ(records[0].message, "ERROR, unrecognized data type string [word] returning QIV_UNK as data type");
  EXPECT_EQ(records[1].function, "getVuqData");
}

TEST_F(FiltersTest, ConverterBuildsNothingOnFailure) {
  Filters::Filter named("sel");
  FilterToYoxDataConverter namedConverter(named);
  EXPECT_EQ(runtimeMessage([&] { namedConverter.toYoxData(); }), nameOnlyFailure("sel"));

  Filters::Filter good("sel/a=int,1,2");
  FilterToYoxDataConverter converter(good);
  yox::auto_ptr<Data> data = converter.toYoxData();
  ASSERT_EQ(data->getSize(), 1u);

  // A failing value list leaves the container as it was.
  EXPECT_THROW(converter.addTagValuesToYoxDataObject<short>("b", {"1", "x"}, QIV_SHORT, *data),
               std::runtime_error);
  EXPECT_THROW(converter.addTagValuesToYoxDataObject<double>("a", {"nope"}, QIV_DOUBLE, *data),
               std::runtime_error);
  EXPECT_EQ(data->getSize(), 1u);
  EXPECT_EQ(data->getEntry("a")->getType(), yox::data::DT_INT_ARRAY);

  converter.addTagValuesToYoxDataObject<char>("b", {"66"}, QIV_BYTE, *data);
  EXPECT_EQ(data->getByte("b"), 66);
}

}  // namespace
