// What every codec (binary, string, CSV) must do alike: give back what it was given, bit
// for bit, also from a decoded binary message's views, and refuse a cut message.
#include <gtest/gtest.h>

#include <string>

#include "data/Data.h"
#include "data/DataException.h"
#include "support/RandomData.h"
#include "support/SerializerSamples.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using namespace yox::testing;

// kNested: carries nested containers and NaN payloads; kCutsFail: every proper prefix of
// the nested sample is refused (a CSV prefix is often a valid shorter message).
struct BinaryCodec {
  static constexpr bool kNested = true, kCutsFail = true;
  static std::string write(const Data& d) {
    const Bytes b = encode(d);
    return std::string(b.begin(), b.end());
  }
  static yox::auto_ptr<Data> read(const std::string& s) { return decode(Bytes(s.begin(), s.end())); }
};
struct StringCodec {
  static constexpr bool kNested = true, kCutsFail = true;
  static std::string write(const Data& d) { return theSerializer().serializeToString(d, ','); }
  static yox::auto_ptr<Data> read(const std::string& s) {
    return theSerializer().deserializeFromString(s, ',');
  }
};
struct CsvCodec {
  static constexpr bool kNested = false, kCutsFail = false;
  static std::string write(const Data& d) { return theSerializer().serializeToCsv(d); }
  static yox::auto_ptr<Data> read(const std::string& s) {
    return theSerializer().deserializeFromCsv(s.c_str());
  }
};

template <class C>
class Codec : public ::testing::Test {};
using Codecs = ::testing::Types<BinaryCodec, StringCodec, CsvCodec>;
TYPED_TEST_SUITE(Codec, Codecs);

TYPED_TEST(Codec, RoundTripsRandomContainersBitForBit) {
  for (uint32_t seed = 1; seed <= 30; ++seed) {
    RandomDataOptions options;
    options.csvSafe = !TypeParam::kNested;
    options.specialFloats = seed % 2 == 0;  // NaNs compare unequal: then only the bytes can tell
    yox::auto_ptr<Data> data = RandomDataGenerator(seed, options).makeData();
    const std::string text = TypeParam::write(*data);
    yox::auto_ptr<Data> decoded = TypeParam::read(text);
    ASSERT_EQ(encode(*decoded), encode(*data)) << "seed " << seed;
    EXPECT_TRUE(options.specialFloats || *decoded == *data) << "seed " << seed;
    EXPECT_EQ(TypeParam::write(*decoded), text) << "seed " << seed;
    // A decoded binary message holds unaligned views; every writer reads them alike.
    EXPECT_EQ(TypeParam::write(*decode(encode(*data))), text) << "seed " << seed;
  }
}

// A decoded container holds views into its message; it writes every form exactly as the
// container it was decoded from (whose bytes examples/messages/ pins).
TYPED_TEST(Codec, DecodedSamplesWriteTheSameForm) {
  for (const Sample& sample : samples()) {
    yox::auto_ptr<Data> data = sample.make();
    if (sample.csv || TypeParam::kNested) {
      EXPECT_EQ(TypeParam::write(*decode(encode(*data))), TypeParam::write(*data)) << sample.name;
    }
  }
}

TYPED_TEST(Codec, EveryCutOfAMessageFailsCleanly) {
  const std::string text =
      TypeParam::write(*(TypeParam::kNested ? makeNestedProperty() : makeTypicalProperty()));
  for (size_t length = 0; length < text.size(); ++length) {
    try {
      TypeParam::read(text.substr(0, length));
      EXPECT_FALSE(TypeParam::kCutsFail)
          << "a message cut to " << length << " of " << text.size() << " decoded";
    } catch (const SerializerException&) {
    } catch (const DataException&) {  // e.g. a cut x array no longer matches its y array
    }
  }
}

}  // namespace
