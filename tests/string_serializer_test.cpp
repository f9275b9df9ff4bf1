// The string form: texts the samples under examples/messages/ do not pin, older writers'
// empty tokens, malformed text and the in-place token reader.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/serialization/TokensReader.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using namespace yox::testing;

std::string toText(const Data& data) { return theSerializer().serializeToString(data, ','); }
yox::auto_ptr<Data> fromText(const std::string& text) {
  return theSerializer().deserializeFromString(text, ',');
}

TEST(StringSerializer, WritesTheDocumentedTextAndReadsItBack) {
  const double noPoints[] = {0};
  const std::vector<std::pair<std::function<void(Data&)>, std::string>> cases = {
      {[](Data&) {}, "0"},
      {[](Data& d) { d.append("e", ""); }, "1,e,string,0"},
      {[](Data& d) { d.append("s", "a b,c 100%/:~"); }, "1,s,string,13,a%20b%2Cc%20100%25%2F:~"},
      {[](Data& d) { d.appendArray2D("b", static_cast<const signed char*>(nullptr), 0, 4); },
       "1,b,byte_array_2d,0,4"},
      {[](Data& d) { d.appendMultiArray("n", std::vector<signed char>{10}.data(), std::vector<size_t>()); },
       "1,n,byte_multi_array,0,0A"},
      {[](Data& d) { d.append("n", fromBits<double>(0xfff0000000000123ull)); },
       "1,n,double,-4503599627370205"},
      {[&](Data& d) {  // a list holding a function of no points
         yox::auto_ptr<DiscreteFunctionListBuilder> builder =
             DataFactory::createDiscreteFunctionListBuilder();
         builder->append(yox::auto_ptr<const DiscreteFunction>(
             DataFactory::createDiscreteFunction(noPoints, noPoints, 0, DFSP_COPY).release()));
         d.append("l", *builder->build());
       },
       "1,l,discreteFunction_list,1,2,xArray,double_array,0,yArray,double_array,0"},
  };
  for (const auto& [fill, text] : cases) {
    yox::auto_ptr<Data> data = DataFactory::createData();
    fill(*data);
    EXPECT_EQ(toText(*data), text);
    yox::auto_ptr<Data> decoded = fromText(text);
    EXPECT_EQ(encode(*decoded), encode(*data)) << text;
  }
}

TEST(StringSerializer, ReadsEmptyValuesAtEveryPosition) {
  // An empty text at the very end, an empty array whose dimension part is followed by an
  // empty token (an older writer's form), tokens after the last entry.
  yox::auto_ptr<Data> data = fromText("2,f,int,5,t,string_array,3,x,,");
  size_t size;
  const char* const* texts = data->getArrayString("t", size);
  ASSERT_EQ(size, 3u);
  EXPECT_TRUE(std::strcmp(texts[0], "x") == 0 && *texts[1] == 0 && *texts[2] == 0);
  yox::auto_ptr<Data> old = fromText("3,e,string,0,,n,string_array,0,,z,int,1,junk");
  EXPECT_STREQ(old->getString("e"), "");
  old->getArrayString("n", size);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(old->getInt("z"), 1);
}

std::string nestedText(int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += "1,d,data,";
  return text + "0";
}

TEST(StringSerializer, RefusesMalformedText) {
  const std::string outOfRange = "TokensReader::next(): Out of range";
  const std::string shortBytes = "DefaultLoadPolicy<signed char>::load(): Byte array is too short";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "Data is empty."},
      {"2,a,int,5", outOfRange},
      {"1,b,byte_array,3,01020", shortBytes},
      {"1,b,byte_array,1,0102", shortBytes},
      {"1,a,int32,5", "DataType name 'int32' doesn't exist."},
      {"1,a,int,5x", "boost::lexical_cast() : Can't convert string '5x' to number."},
      {"1,a,bool,TRUE", "Incorrect value 'TRUE' for boolean data type (true or false)"},
      {"1,a,byte,G0", "Incorrect hex char: 'G'"},
      {"-1", "Negative entry count [-1]."},
      {"1,v,int_array,-1", "Negative extent [-1]."},
      {"1,v,int_multi_array,-2", "Negative dimension count [-2]."},
      {"1,v,int_array,2000000000,1,2", outOfRange},  // counts are not trusted
      {"1,v,string_array,2000000000", outOfRange},
      {"1,v,data_array,3,0,0", outOfRange},
      {"1,v,bool_array,2,true", outOfRange},
      {"1,v,int_multi_array,3,1073741824,1073741824,16", "The extents of entry 'v' overflow."},
      {"1,s,string,2,%C3%A9", "Invalid String (contains forbidden symbols): \"\xC3\xA9\" for the field 's'."},
      {"1,f,discreteFunction,2,xArray,double_array,2,4607182418800017408,0,yArray,double_array,2,0,0",
       "Input array has descending X-coordinate: xArray[1] --> 0.000000 ."},
      {nestedText(65), "Data nested deeper than the limit [64]."},
      {"1,a,int," + std::string(2000, '9'),
       "boost::lexical_cast() : Can't convert string '" + std::string(1023, '9') + "...' to number."},
  };
  for (const auto& [text, error] : cases) {
    EXPECT_EQ(messageOf<std::runtime_error>([&] { fromText(text); }), error) << text.substr(0, 40);
  }
  EXPECT_NO_THROW(fromText(nestedText(64)));
}

TEST(TokensReader, SplitsAtTheSeparatorInPlaceOrInACopy) {
  char text[] = "a,,b,";
  yox::data::impl::TokensReader reader(text, ',', false);
  EXPECT_STREQ(reader.next(), "a");
  EXPECT_EQ(reader.peek(), ',');
  EXPECT_STREQ(reader.next(), "");
  EXPECT_EQ(reader.next(), text + 3);  // in place: the token is the caller's text
  EXPECT_TRUE(reader.atEnd());         // a separator that ends the text yields no empty token
  EXPECT_EQ(std::memcmp(text, "a\0\0b\0", 6), 0);

  const std::string original = "x;y";
  yox::data::impl::TokensReader copy(original.c_str(), ';', true);
  EXPECT_STREQ(copy.next(), "x");
  EXPECT_STREQ(copy.next(), "y");
  EXPECT_EQ(original, "x;y");
}

}  // namespace
