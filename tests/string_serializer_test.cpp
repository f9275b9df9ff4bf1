#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/serialization/TokensReader.h"
#include "support/RandomData.h"
#include "support/SerializerSamples.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using namespace yox::testing;

yox::auto_ptr<Data> newData() { return DataFactory::createData(); }

std::string toText(const Data& data, char separator = ',') {
  return theSerializer().serializeToString(data, separator);
}

yox::auto_ptr<Data> fromText(const std::string& text, char separator = ',') {
  return theSerializer().deserializeFromString(text, separator);
}

yox::auto_ptr<DiscreteFunction> function(std::vector<double> x, std::vector<double> y) {
  const size_t size = x.size();
  x.push_back(0);  // never a null array, also for no points
  y.push_back(0);
  return DataFactory::createDiscreteFunction(x.data(), y.data(), size, DFSP_COPY);
}

struct TextCase {
  const char* what;
  std::function<void(Data&)> fill;
  std::string text;
};

TEST(StringSerializer, WritesTheDocumentedTextAndReadsItBack) {
  const std::vector<TextCase> cases = {
      {"empty container", [](Data&) {}, "0"},
      {"int", [](Data& d) { d.append("a", 5); }, "1,a,int,5"},
      {"string", [](Data& d) { d.append("s", "hi"); }, "1,s,string,2,hi"},
      {"empty string", [](Data& d) { d.append("e", ""); }, "1,e,string,0"},
      {"string holding the separator", [](Data& d) { d.append("s", "a,b"); }, "1,s,string,3,a%2Cb"},
      {"escaped characters", [](Data& d) { d.append("s", "a b,c 100%/:~"); },
       "1,s,string,13,a%20b%2Cc%20100%25%2F:~"},
      {"int array",
       [](Data& d) {
         const int v[] = {1, 2};
         d.appendArray("v", v, 2);
       },
       "1,v,int_array,2,1,2"},
      {"2 x 3 int array",
       [](Data& d) {
         const int v[] = {1, 2, 3, 4, 5, 6};
         d.appendArray2D("m", v, 2, 3);
       },
       "1,m,int_array_2d,2,3,1,2,3,4,5,6"},
      {"N-D int array 2 x 1 x 2",
       [](Data& d) {
         const int v[] = {1, 2, 3, 4};
         d.appendMultiArray("n", v, std::vector<size_t>{2, 1, 2});
       },
       "1,n,int_multi_array,3,2,1,2,1,2,3,4"},
      {"N-D array without extents",
       [](Data& d) {
         const int v[] = {7};
         d.appendMultiArray("n", v, std::vector<size_t>());
       },
       "1,n,int_multi_array,0,7"},
      {"N-D byte array without extents",
       [](Data& d) {
         const signed char v[] = {10};
         d.appendMultiArray("n", v, std::vector<size_t>());
       },
       "1,n,byte_multi_array,0,0A"},
      {"byte array",
       [](Data& d) {
         const signed char v[] = {1, -1};
         d.appendArray("b", v, 2);
       },
       "1,b,byte_array,2,01FF"},
      {"empty byte array",
       [](Data& d) { d.appendArray2D("b", static_cast<const signed char*>(nullptr), 0, 4); },
       "1,b,byte_array_2d,0,4"},
      {"float and double bit patterns",
       [](Data& d) {
         d.append("f", 1.0f);
         d.append("g", 1.0);
         d.append("h", 0.1f);
       },
       "3,f,float,1065353216,g,double,4607182418800017408,h,float,1036831949"},
      {"string array with an empty element",
       [](Data& d) {
         const char* v[] = {"x", "", "y"};
         d.appendArray("t", v, 3);
       },
       "1,t,string_array,3,x,,y"},
      {"bool, short and long",
       [](Data& d) {
         d.append("a", true);
         d.append("b", static_cast<short>(-3));
         d.append("c", -9000000000L);
       },
       "3,a,bool,true,b,short,-3,c,long,-9000000000"},
      {"nested container",
       [](Data& d) {
         yox::auto_ptr<Data> inner = DataFactory::createData();
         inner->append("x", 1);
         d.append("d", *inner);
         d.append("e", 2);
       },
       "2,d,data,1,x,int,1,e,int,2"},
      {"discrete function list of two",
       [](Data& d) {
         yox::auto_ptr<DiscreteFunctionListBuilder> builder =
             DataFactory::createDiscreteFunctionListBuilder();
         builder->append(yox::auto_ptr<const DiscreteFunction>(function({0}, {1}).release()));
         builder->append(yox::auto_ptr<const DiscreteFunction>(function({}, {}).release()));
         d.append("l", *builder->build());
       },
       "1,l,discreteFunction_list,2,2,xArray,double_array,1,0,yArray,double_array,1,4607182418800017408,"
       "2,xArray,double_array,0,yArray,double_array,0"},
      {"discrete function array",
       [](Data& d) {
         yox::auto_ptr<DiscreteFunction> f = function({0}, {1});
         const DiscreteFunction* v[] = {f.get()};
         d.appendArray("f", v, 1);
       },
       "1,f,discreteFunction_array,1,2,xArray,double_array,1,0,yArray,double_array,1,4607182418800017408"},
  };
  for (const TextCase& c : cases) {
    yox::auto_ptr<Data> data = newData();
    c.fill(*data);
    EXPECT_EQ(toText(*data), c.text) << c.what;
    yox::auto_ptr<Data> decoded = fromText(c.text);
    EXPECT_TRUE(*decoded == *data) << c.what << decoded->toString();
  }
}

TEST(StringSerializer, ReadsEmptyValuesAtEveryPosition) {
  // An empty string followed by more entries, an empty text at the very end, an empty
  // array whose dimension part is followed by an empty token (an older writer's form).
  yox::auto_ptr<Data> data = fromText("3,e,string,0,f,int,5,t,string_array,3,x,,");
  EXPECT_STREQ(data->getString("e"), "");
  EXPECT_EQ(data->getInt("f"), 5);
  size_t size;
  const char* const* texts = data->getArrayString("t", size);
  ASSERT_EQ(size, 3u);
  EXPECT_STREQ(texts[0], "x");
  EXPECT_STREQ(texts[1], "");
  EXPECT_STREQ(texts[2], "");

  yox::auto_ptr<Data> old = fromText("3,e,string,0,,n,string_array,0,,z,int,1");
  EXPECT_STREQ(old->getString("e"), "");
  old->getArrayString("n", size);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(old->getInt("z"), 1);
  // Tokens after the last entry are ignored.
  EXPECT_EQ(fromText("1,a,int,5,junk,more")->getInt("a"), 5);
}

TEST(StringSerializer, RoundTripsRandomContainersWithAnyUsableSeparator) {
  const char separators[] = {',', ' ', '/', '#', '!'};
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    RandomDataGenerator generator(seed);
    yox::auto_ptr<Data> data = generator.makeData();
    const char separator = separators[seed % sizeof separators];
    const std::string text = toText(*data, separator);
    yox::auto_ptr<Data> decoded = fromText(text, separator);
    ASSERT_TRUE(*decoded == *data) << "seed " << seed << "\n" << text;
    EXPECT_EQ(toText(*decoded, separator), text);
  }
}

TEST(StringSerializer, KeepsFloatingPointBitsIncludingNanPayloads) {
  RandomDataOptions options;
  options.specialFloats = true;
  for (uint32_t seed = 1; seed <= 10; ++seed) {
    RandomDataGenerator generator(seed, options);
    yox::auto_ptr<Data> data = generator.makeData();
    // NaNs compare unequal, so compare the exact binary forms.
    EXPECT_EQ(encode(*fromText(toText(*data))), encode(*data)) << "seed " << seed;
  }
  yox::auto_ptr<Data> data = newData();
  data->append("n", fromBits<double>(0xfff0000000000123ull));
  EXPECT_EQ(toText(*data), "1,n,double,-4503599627370205");
  EXPECT_EQ(bitsOf(fromText("1,n,double,-4503599627370205")->getDouble("n")), 0xfff0000000000123ull);
}

struct FailureCase {
  const char* what;
  std::string text;
  std::string error;
};

std::string nestedText(int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += "1,d,data,";
  return text + "0";
}

TEST(StringSerializer, RefusesMalformedText) {
  const std::vector<FailureCase> cases = {
      {"empty text", "", "Data is empty."},
      {"fewer entries than counted", "2,a,int,5", "TokensReader::next(): Out of range"},
      {"missing value", "1,a,int", "TokensReader::next(): Out of range"},
      {"byte token too short", "1,b,byte_array,3,01020",
       "DefaultLoadPolicy<signed char>::load(): Byte array is too short"},
      {"byte token too long", "1,b,byte_array,1,0102",
       "DefaultLoadPolicy<signed char>::load(): Byte array is too short"},
      {"unknown type", "1,a,integer,5", "DataType name 'integer' doesn't exist."},
      {"canonical instead of serializer name", "1,a,int32,5", "DataType name 'int32' doesn't exist."},
      {"bad count", "x", "boost::lexical_cast() : Can't convert string 'x' to number."},
      {"bad number", "1,a,int,5x", "boost::lexical_cast() : Can't convert string '5x' to number."},
      {"bad bool", "1,a,bool,TRUE", "Incorrect value 'TRUE' for boolean data type (true or false)"},
      {"bad hex", "1,a,byte,G0", "Incorrect hex char: 'G'"},
      {"negative entry count", "-1", "Negative entry count [-1]."},
      {"negative extent", "1,v,int_array,-1", "Negative extent [-1]."},
      {"negative dimension count", "1,v,int_multi_array,-2", "Negative dimension count [-2]."},
      {"two billion ints announced by a short text", "1,v,int_array,2000000000,1,2",
       "TokensReader::next(): Out of range"},
      {"two billion texts at the end of the text", "1,v,string_array,2000000000",
       "TokensReader::next(): Out of range"},
      {"extents whose product overflows", "1,v,int_multi_array,3,1073741824,1073741824,16",
       "The extents of entry 'v' overflow."},
      {"non-ASCII text", "1,s,string,2,%C3%A9",
       "Invalid String (contains forbidden symbols): \"\xC3\xA9\" for the field 's'."},
      {"descending function",
       "1,f,discreteFunction,2,xArray,double_array,2,4607182418800017408,0,yArray,double_array,2,0,0",
       "Input array has descending X-coordinate: xArray[1] --> 0.000000 ."},
      {"nesting one level too deep", nestedText(65), "Data nested deeper than the limit [64]."},
      {"more data blocks than the text holds", "1,v,data_array,3,0,0", "TokensReader::next(): Out of range"},
      {"more bools than the text holds", "1,v,bool_array,2,true", "TokensReader::next(): Out of range"},
      {"long number", "1,a,int," + std::string(2000, '9'),
       "boost::lexical_cast() : Can't convert string '" + std::string(1023, '9') + "...' to number."},
  };
  for (const FailureCase& c : cases) {
    try {
      fromText(c.text);
      ADD_FAILURE() << c.what << ": decoded";
    } catch (const std::runtime_error& error) {
      EXPECT_EQ(error.what(), c.error) << c.what;
    }
  }
  EXPECT_NO_THROW(fromText(nestedText(64)));
}

TEST(StringSerializer, EveryTruncationFailsCleanly) {
  // The sample ends with a one-character token, so every proper prefix lacks tokens.
  const std::string text = toText(*makeNestedProperty());
  ASSERT_EQ(text.substr(text.size() - 2), ",2");
  for (size_t length = 1; length < text.size(); ++length) {
    try {
      fromText(text.substr(0, length));
      ADD_FAILURE() << "a text cut to " << length << " characters decoded";
    } catch (const SerializerException&) {
    } catch (const DataException&) {
    }
  }
}

TEST(TokensReader, SplitsAtTheSeparatorInPlace) {
  char text[] = "a,,b,";
  yox::data::impl::TokensReader reader(text, ',', false);
  EXPECT_STREQ(reader.next(), "a");
  EXPECT_EQ(reader.peek(), ',');
  EXPECT_STREQ(reader.next(), "");
  char* b = reader.next();
  EXPECT_EQ(b, text + 3);  // in place: the token is the caller's text
  EXPECT_STREQ(b, "b");
  EXPECT_TRUE(reader.atEnd());  // a separator that ends the text yields no empty token
  try {
    reader.next();
    ADD_FAILURE() << "read past the end";
  } catch (const SerializerException& error) {
    EXPECT_STREQ(error.what(), "TokensReader::next(): Out of range");
  }
  EXPECT_EQ(std::memcmp(text, "a\0\0b\0", 6), 0);

  const std::string original = "x;y";
  yox::data::impl::TokensReader copy(original.c_str(), ';', true);
  EXPECT_STREQ(copy.next(), "x");
  EXPECT_STREQ(copy.next(), "y");
  EXPECT_EQ(original, "x;y");  // a copying reader leaves the caller's text alone
}

}  // namespace
