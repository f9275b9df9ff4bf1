// The byte-offset mappers on the edges of their byte arrays: every type at every
// offset in both byte orders, hex qualifiers, unusable addresses and sources, targets
// without a fixed size, and addresses that outlive their records.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "apm/byteoffset/apmPlw.h"
#include "host/StandInProp.h"
#include "support/LogRecords.h"
#include "support/PluginFixture.h"

// Expected values are assembled arithmetically and laid out in memory, which assumes
// the little-endian hosts this plug-in runs on.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "expectations assume a little-endian host");

namespace {

using yoxtest::loggedAs;

const std::string kGap(21, ' ');

template <class T>
qivTag target(const std::vector<T>& initial) {
  qivTag tag("field");
  tag.value.assignVector(initial);
  return tag;
}
template <class T>
const std::vector<T>& held(const qivTag& tag) {
  return boost::get<std::vector<T>>(tag.value.variant);
}

class ByteOffsetMapperTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    record = &prop.addMapping("dpe.field", "plc1/RawData field");
  }
  // A mapper of kind name whose record's address is qualifiers.
  apm* mapper(const std::string& name, const std::vector<std::string>& qualifiers) {
    record->qualifiers.assign(qualifiers.begin(), qualifiers.end());
    return driver->createMapper(name, &prop);
  }
  std::string lead(const char* name) {
    return "peripheral address [plc1/RawData field] for apm id [" + std::to_string(qivlib_apmInfo(name)) +
           "]" + kGap;
  }
  // Cuts a T from every legal offset of raw, and from one past the last.
  template <class T>
  void checkEveryOffset(const char* name, bool bigEndian) {
    // Distinct bytes, zeros (bool false) and bytes with the top bit set (sign handling).
    const std::vector<char> raw = {'\x01', '\x82', '\x00', '\x7F', '\x10', '\xFE',
                                   '\x33', '\x80', '\x00', '\xC4', '\x5A', '\x99'};
    prop.setTag("field", raw);
    for (size_t offset = 0; offset + sizeof(T) <= raw.size() + 1; ++offset) {
      SCOPED_TRACE(std::string(name) + " size " + std::to_string(sizeof(T)) + " at " +
                   std::to_string(offset));
      qivTag tag = target(std::vector<T>{T()});
      EXPECT_TRUE(mapper(name, {std::to_string(offset)})->in(&prop, &tag, record));
      const bool inside = offset + sizeof(T) <= raw.size();
      EXPECT_EQ(tag.noData, !inside);
      uint64_t bits = 0;
      for (size_t k = 0; inside && k < sizeof(T); ++k)
        bits |= uint64_t(static_cast<unsigned char>(raw[offset + k]))
                << (8 * (bigEndian ? sizeof(T) - 1 - k : k));
      T expected;
      if constexpr (std::is_same<T, bool>::value) {
        expected = bits != 0;
      } else {
        std::memcpy(&expected, &bits, sizeof(T));
      }
      const T actual = held<T>(tag)[0];
      EXPECT_EQ(std::memcmp(&actual, &expected, sizeof(T)), 0) << "bits 0x" << std::hex << bits;
    }
  }
  yoxhost::StandInProp prop{"plc1", "RawData"};
  imapHw2Vuq* record = nullptr;
};

TEST_F(ByteOffsetMapperTest, CutsEveryFixedSizeTypeFromEveryOffsetInBothByteOrders) {
  for (const auto& m : std::vector<std::pair<const char*, bool>>{{"plw", false}, {"plwm.be", true}}) {
    checkEveryOffset<long>(m.first, m.second);
    checkEveryOffset<int>(m.first, m.second);
    checkEveryOffset<short>(m.first, m.second);
    checkEveryOffset<double>(m.first, m.second);
    checkEveryOffset<float>(m.first, m.second);
    checkEveryOffset<bool>(m.first, m.second);
    checkEveryOffset<char>(m.first, m.second);
  }
}

TEST_F(ByteOffsetMapperTest, BitsCountWithinTheFirstByteAfterOrderingAndKeepTheOtherElements) {
  prop.setTag("field", std::vector<char>{'\x01', '\x00', '\x00', '\x80'});
  // mapper, qualifiers (hex only with a prefix; a negative bit reads the whole field), value afterwards
  const std::vector<std::tuple<const char*, std::vector<std::string>, std::vector<int>>> rows = {
      {"plw", {"0", "0"}, {1, 6}},           {"plw.be", {"0", "0"}, {0, 6}},
      {"plw.be", {"0X0", "0xF"}, {1, 6}},    {"plw", {"0", "15"}, {0, 6}},
      {"plw", {"0", "16"}, {1, 6}},          {"plw", {"0", "10"}, {0, 6}},
      {"plw", {"0x0", "-1"}, {INT_MIN + 1}},
  };
  for (const auto& [name, qualifiers, expected] : rows) {
    qivTag tag = target(std::vector<int>{5, 6});
    EXPECT_TRUE(mapper(name, qualifiers)->in(&prop, &tag, record));
    EXPECT_EQ(expected, held<int>(tag)) << name << " " << qualifiers[0] << " " << qualifiers[1];
  }
}

TEST_F(ByteOffsetMapperTest, UnusableAddressSetsNoDataAndKeepsTheValue) {
  prop.setTag("field", std::vector<char>(4, '\x01'));
  for (const auto& qualifiers :
       std::vector<std::vector<std::string>>{{}, {""}, {"abc"}, {"-2"}, {"99999999999"}, {"0xFFFFFFFF"}}) {
    SCOPED_TRACE(qualifiers.empty() ? std::string("no qualifier") : qualifiers[0]);
    qivTag tag = target(std::vector<short>{9});
    EXPECT_TRUE(mapper("plwm", qualifiers)->in(&prop, &tag, record));
    EXPECT_TRUE(tag.noData);
    EXPECT_EQ(held<short>(tag), std::vector<short>{9});
  }
  EXPECT_TRUE(loggedAs(
      "checkAddressOffset",
      lead("plwm") + "requests invalid byte index [-2] from tag [field]." + kGap + "Invalidating APM tag"));
  // A record initialised by another mapper, or by none, has no address for this one.
  apm* first = mapper("plw", {"0"});
  apm* second = mapper("plw", {"0"});
  std::unique_ptr<apm> bare(apmHash.get(qivlib_apmInfo("plw"))->dup());
  for (apm* m : {first, bare.get()}) {
    env().clearRecords();
    qivTag tag = target(std::vector<char>{'\x00'});
    EXPECT_TRUE(m->in(&prop, &tag, record));
    EXPECT_TRUE(tag.noData);
    EXPECT_TRUE(loggedAs("checkAddressOffset", lead("plw") + "is missing a byte index for tag [field]." +
                                                   kGap + "Invalidating APM tag"));
  }
  qivTag tag = target(std::vector<char>{'\x00'});
  EXPECT_TRUE(second->in(&prop, &tag, record));
  EXPECT_EQ(held<char>(tag), std::vector<char>{'\x01'});
}

TEST_F(ByteOffsetMapperTest, MissingSourceOrTargetWithoutAFixedSizeTypeFailsAndKeepsTheValue) {
  qivTag missing = target(std::vector<char>{'\x05'});
  EXPECT_FALSE(mapper("plw", {"0"})->in(&prop, &missing, record));
  EXPECT_EQ(held<char>(missing), std::vector<char>{'\x05'});
  EXPECT_TRUE(loggedAs("checkSrcTag", "peripheral address [plc1/RawData field], apm id [" +
                                          std::to_string(qivlib_apmInfo("plw")) + "] failed to locate tag" +
                                          kGap + "[field] property [RawData], returning false"));
  prop.setTag("field", std::vector<char>(8, '\x01'));
  for (const bool initialised : {false, true}) {  // a value without a type, or a string
    qivTag tag("field");
    if (initialised) tag.value.assignVector(std::vector<std::string>{"keep"});
    const VUQ_VARS before = tag.value;
    EXPECT_FALSE(mapper("plw.be", {"0", initialised ? "1" : "-1"})->in(&prop, &tag, record));
    EXPECT_TRUE(tag.value == before);
  }
  EXPECT_TRUE(loggedAs("convertTargetBytesToDstValue", "Failed to obtain type [string] from byte buffer," +
                                                           std::string(25, ' ') + "returning false"));
}

// The host may free its mapping records before the mapper; the mapper must then only
// free its own addresses (the sanitizer build catches any access to the records).
TEST_F(ByteOffsetMapperTest, MapperOutlivingItsRecordsFreesOnlyItsAddresses) {
  std::unique_ptr<apm> mapper(apmHash.get(qivlib_apmInfo("plw.be"))->dup());
  auto shortLived = std::make_unique<yoxhost::StandInProp>("plc2", "RawData");
  for (int i = 0; i < 3; ++i)
    shortLived->addMapping("dpe." + std::to_string(i), "plc2").qualifiers.push_back("1");
  mapper->initialise(shortLived.get());
  mapper->initialise(shortLived.get());  // replaces (and frees) the first addresses
  for (auto& entry : shortLived->getMapping()) EXPECT_NE(entry.second->apmData, nullptr);
  shortLived.reset();
  mapper.reset();
}

}  // namespace
