// The sample messages in examples/messages/ (what the yoxdata tool's checks convert) are
// the project encoder's output for the containers of support/SerializerSamples.h: each
// form encodes to the committed bytes and decodes to the sample. fuzz/make_corpus
// rewrites them when the samples change.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "data/Data.h"
#include "data/DataSerializer.h"
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
    // A decoded container holds views into its message; it must write the same forms.
    yox::auto_ptr<yox::data::Data> decoded = decode(Bytes(bin.begin(), bin.end()));
    EXPECT_TRUE(*decoded == *data);
    const Bytes reencoded = encode(*decoded);
    EXPECT_EQ(std::string(reencoded.begin(), reencoded.end()), bin);

    const std::string str = withoutLineFeed(readFile(dir + sample.name + ".str"));
    EXPECT_EQ(theSerializer().serializeToString(*data, ','), str);
    EXPECT_TRUE(*theSerializer().deserializeFromString(str, ',') == *data);
    EXPECT_EQ(theSerializer().serializeToString(*decoded, ','), str);

    if (sample.csv) {
      const std::string csv = withoutLineFeed(readFile(dir + sample.name + ".csv"));
      EXPECT_EQ(theSerializer().serializeToCsv(*data), csv);
      EXPECT_TRUE(*theSerializer().deserializeFromCsv(csv.c_str()) == *data);
      EXPECT_EQ(theSerializer().serializeToCsv(*decoded), csv);
    }
  }
}

}  // namespace
