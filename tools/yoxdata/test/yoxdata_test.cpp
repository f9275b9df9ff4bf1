// The sample messages in examples/messages/ (what the yoxdata tool's checks convert) are
// the project encoder's output for the containers of support/SerializerSamples.h: each
// form encodes to the committed bytes and decodes to the sample. fuzz/make_corpus
// rewrites them when the samples change.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "JsonForm.h"
#include "data/Data.h"
#include "data/DataSerializer.h"
#include "support/RandomData.h"
#include "support/SerializerSamples.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::testing;

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Text samples end with the line feed the tool adds.
std::string withoutLineFeed(const std::string& text) {
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
  return text.substr(0, text.size() - 1);
}

TEST(YoxdataSamples, AreTheEncodersOutputInEveryForm) {
  const std::string dir = std::string(YOX_SOURCE_DIR) + "/examples/messages/";
  for (const Sample& sample : samples()) {
    SCOPED_TRACE(sample.name);
    yox::auto_ptr<yox::data::Data> data = sample.make();

    const std::string bin = readFile(dir + sample.name + ".bin");
    const Bytes encoded = encode(*data);
    EXPECT_EQ(std::string(encoded.begin(), encoded.end()), bin);
    EXPECT_TRUE(*decode(Bytes(bin.begin(), bin.end())) == *data);

    const std::string str = withoutLineFeed(readFile(dir + sample.name + ".str"));
    EXPECT_EQ(theSerializer().serializeToString(*data, ','), str);
    EXPECT_TRUE(*theSerializer().deserializeFromString(str, ',') == *data);

    if (sample.csv) {
      const std::string csv = withoutLineFeed(readFile(dir + sample.name + ".csv"));
      EXPECT_EQ(theSerializer().serializeToCsv(*data), csv);
      EXPECT_TRUE(*theSerializer().deserializeFromCsv(csv.c_str()) == *data);
    }
  }
}

// The JSON form keeps every type exactly: special floats with their bits, 64-bit
// integers, nested containers, functions and lists.
TEST(YoxdataJson, RoundTripsEveryType) {
  RandomDataOptions options;
  options.specialFloats = true;
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE(seed);
    yox::auto_ptr<yox::data::Data> data = RandomDataGenerator(seed, options).makeData();
    EXPECT_EQ(data->size(), allDataTypes().size());
    for (int indent : {-1, 2}) {
      const std::string text = yoxdata::toJson(*data, indent);
      // NaNs compare unequal, so compare the exact binary forms.
      EXPECT_EQ(encode(*yoxdata::fromJson(text)), encode(*data)) << text;
    }
  }
}

TEST(YoxdataJson, RefusesWhatIsNotTheForm) {
  struct Row {
    std::string json;
    std::string error;
  };
  std::string deep = "[]";
  for (int level = 0; level < 70; ++level)
    deep = "[{\"name\":\"x\",\"type\":\"data\",\"value\":" + deep + "}]";
  const std::vector<Row> rows = {
      {"{}", "/: a container is a JSON array of entries"},
      {"[{\"name\":\"a\",\"type\":\"int8\",\"value\":128}]", "/0/value: 128 is out of range for the type"},
      {"[{\"name\":\"a\",\"type\":\"int64\",\"value\":\"12x\"}]",
       "/0/value: expected a decimal 64-bit integer"},
      {"[{\"name\":\"a\",\"type\":\"float\",\"value\":1e300}]", "/0/value: out of range for the type"},
      {"[{\"name\":\"a\",\"type\":\"double\",\"value\":\"NaN(0x1)\"}]", "are not a NaN"},
      {"[{\"name\":\"a\",\"type\":\"int32_array_2d\",\"dims\":[2,2],\"value\":[1,2,3]}]",
       "/0: the extents call for 4 elements, the value has 3"},
      {"[{\"name\":\"a\",\"type\":\"int32_array_nd\",\"dims\":[4294967296,4294967296,4294967296],\"value\":[]"
       "}]",
       "/0/dims: the extents overflow"},
      {"[{\"name\":{\"hex\":\"610\"},\"type\":\"bool\",\"value\":true}]", "an even number of digits"},
      {"[{\"name\":{\"hex\":\"6100\"},\"type\":\"bool\",\"value\":true}]", "cannot hold a NUL byte"},
      {"[{\"name\":\"a\",\"type\":\"int33\",\"value\":1}]", "/0/type: 'int33' does not have an equivalent"},
      {"[{\"name\":\"a\",\"type\":\"bool\",\"value\":true,\"unit\":\"V\"}]", "/0/unit: an entry has no key"},
      {"[{\"name\":\"a\",\"type\":\"discreteFunction\",\"value\":{\"x\":[2,1],\"y\":[0,0]}}]", "/0/value: "},
      {"[{\"name\":\"a\",\"type\":\"bool\",\"value\":true},{\"name\":\"a\",\"type\":\"bool\",\"value\":true}"
       "]",
       "/1/name: the name 'a' appears twice"},
      {deep, "Data nested deeper than the limit [64]."},
      {"[1,", "parse error"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.json);
    try {
      yoxdata::fromJson(row.json);
      ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find(row.error), std::string::npos) << e.what();
    }
  }
}

}  // namespace
