// The byte-offset mappers on the edges of their byte arrays: every type at every
// offset in both byte orders, hex qualifiers, unusable addresses and sources, targets
// without a fixed size, and addresses that outlive their records.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
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

// Distinct bytes, zeros (bool false) and bytes with the top bit set (sign handling).
const std::vector<char> kRaw = {'\x01', '\x82', '\x00', '\x7F', '\x10', '\xFE',
                                '\x33', '\x80', '\x00', '\xC4', '\x5A', '\x99'};

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
    prop = std::make_unique<yoxhost::StandInProp>("plc1", "RawData");
    record = &prop->addMapping("dpe.field", "plc1/RawData field");
  }
  apm* create(const std::string& name) { return driver->createMapper(name, prop.get()); }
  // Sets the record's qualifiers and initialises mapper again with the property.
  void address(apm* mapper, const std::vector<std::string>& qualifiers) {
    record->qualifiers.clear();
    for (const auto& q : qualifiers) record->qualifiers.push_back(q);
    mapper->initialise(prop.get());
  }
  std::string lead(const char* mapper) {
    return "peripheral address [plc1/RawData field] for apm id [" + std::to_string(qivlib_apmInfo(mapper)) +
           "]" + kGap;
  }
  // Cuts a T from every legal offset of kRaw, and from one past the last.
  template <class T>
  void checkEveryOffset(apm* mapper, bool bigEndian) {
    prop->setTag("field", kRaw);
    for (size_t offset = 0; offset + sizeof(T) <= kRaw.size() + 1; ++offset) {
      SCOPED_TRACE(std::string(typeid(T).name()) + " at offset " + std::to_string(offset));
      qivTag tag = target(std::vector<T>{T()});
      address(mapper, {std::to_string(offset)});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      const bool inside = offset + sizeof(T) <= kRaw.size();
      EXPECT_EQ(tag.noData, !inside);
      if (!inside) {
        EXPECT_EQ(held<T>(tag)[0], T());
        continue;
      }
      uint64_t bits = 0;
      for (size_t k = 0; k < sizeof(T); ++k)
        bits |= uint64_t(static_cast<unsigned char>(kRaw[offset + k]))
                << (8 * (bigEndian ? sizeof(T) - 1 - k : k));
      if constexpr (std::is_same<T, bool>::value) {
        EXPECT_EQ(held<T>(tag)[0], bits != 0);
      } else {
        T expected;
        std::memcpy(&expected, &bits, sizeof(T));
        const T actual = held<T>(tag)[0];
        EXPECT_EQ(std::memcmp(&actual, &expected, sizeof(T)), 0) << "bits expected 0x" << std::hex << bits;
      }
    }
  }
  std::unique_ptr<yoxhost::StandInProp> prop;
  imapHw2Vuq* record = nullptr;
};

TEST_F(ByteOffsetMapperTest, CutsEveryFixedSizeTypeFromEveryOffsetInBothByteOrders) {
  for (const auto& m : std::vector<std::pair<const char*, bool>>{{"plw", false}, {"plwm.be", true}}) {
    SCOPED_TRACE(m.first);
    apm* mapper = create(m.first);
    checkEveryOffset<long>(mapper, m.second);
    checkEveryOffset<int>(mapper, m.second);
    checkEveryOffset<short>(mapper, m.second);
    checkEveryOffset<double>(mapper, m.second);
    checkEveryOffset<float>(mapper, m.second);
    checkEveryOffset<bool>(mapper, m.second);
    checkEveryOffset<char>(mapper, m.second);
  }
  EXPECT_TRUE(loggedAs("checkAddressOffset", "peripheral address [plc1/RawData field] apm id [" +
                                                 std::to_string(qivlib_apmInfo("plwm.be")) + "]" + kGap +
                                                 "requests invalid byte index [5] tag [field]" + kGap +
                                                 "raw byte array size [12 bytes] offset [5]" + kGap +
                                                 "target type [longlong] size [8]." + kGap +
                                                 "Invalidating APM tag"));
}

TEST_F(ByteOffsetMapperTest, QualifiersAreHexOnlyWithAPrefixAndBitsCountWithinTheFirstByte) {
  std::vector<char> raw(20, '\0');
  raw[10] = '\x0A';
  raw[12] = '\x0C';
  raw[16] = '\x08';  // only bit 3 set
  raw[17] = '\x02';  // only bit 1 set
  prop->setTag("field", raw);
  apm* mapper = create("plw");
  const struct {
    std::vector<std::string> qualifiers;
    std::vector<char> whole;  // expected byte when the field is a whole value
    bool bitSet;              // expected bit otherwise
  } cases[] = {
      {{"12"}, {'\x0C'}, false},  {{"0X0C"}, {'\x0C'}, false}, {{"10", "-1"}, {'\x0A'}, false},
      {{"0x10", "3"}, {}, true},  {{"16", "11"}, {}, true},    {{"0x11", "0x9"}, {}, true},
      {{"0x10", "2"}, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.qualifiers[0] + (c.qualifiers.size() > 1 ? " " + c.qualifiers[1] : std::string()));
    address(mapper, c.qualifiers);
    if (!c.whole.empty()) {
      qivTag tag = target(std::vector<char>{'\x55'});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      EXPECT_EQ(held<char>(tag), c.whole);
    } else {
      qivTag tag = target(std::vector<bool>{!c.bitSet});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      EXPECT_EQ(held<bool>(tag), std::vector<bool>{c.bitSet});
    }
  }
  // A bit of a wider field comes from its first byte after ordering; other elements stay.
  prop->setTag("field", std::vector<char>{'\x00', '\x00', '\x00', '\x01'});
  for (const auto& c : std::vector<std::pair<const char*, int>>{{"plw", 0}, {"plw.be", 1}}) {
    apm* m = create(c.first);
    address(m, {"0", "0"});
    qivTag tag = target(std::vector<int>{5, 6});
    EXPECT_TRUE(m->in(prop.get(), &tag, record));
    EXPECT_EQ(held<int>(tag), (std::vector<int>{c.second, 6})) << c.first;
  }
}

TEST_F(ByteOffsetMapperTest, UnusableAddressSetsNoDataAndKeepsTheValue) {
  prop->setTag("field", std::vector<char>(4, '\x01'));
  const std::vector<std::pair<std::vector<std::string>, int>> cases = {
      {{}, -1}, {{""}, -1}, {{"abc"}, -1}, {{"-2"}, -2}, {{"99999999999"}, -1}, {{"0xFFFFFFFF"}, -1}};
  apm* mapper = create("plwm");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.first.empty() ? std::string("no qualifier") : c.first[0]);
    env().clearRecords();
    address(mapper, c.first);
    qivTag tag = target(std::vector<short>{9});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_TRUE(tag.noData);
    EXPECT_EQ(held<short>(tag), std::vector<short>{9});
    EXPECT_TRUE(loggedAs("checkAddressOffset", lead("plwm") + "requests invalid byte index [" +
                                                   std::to_string(c.second) + "] from tag [field]." + kGap +
                                                   "Invalidating APM tag"));
  }
}

TEST_F(ByteOffsetMapperTest, RecordWithoutThisMappersAddressIsMissingAByteIndex) {
  prop->setTag("field", std::vector<char>(4, '\x01'));
  record->qualifiers.push_back("0");
  apm* first = create("plw");
  apm* second = create("plw");  // hangs its own address on the same record
  std::unique_ptr<apm> bare(apmHash.get(qivlib_apmInfo("plw"))->dup());  // never initialised
  for (apm* mapper : {first, bare.get()}) {
    env().clearRecords();
    qivTag tag = target(std::vector<char>{'\x00'});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_TRUE(tag.noData);
    EXPECT_TRUE(loggedAs("checkAddressOffset", lead("plw") + "is missing a byte index for tag [field]." +
                                                   kGap + "Invalidating APM tag"));
  }
  qivTag tag = target(std::vector<char>{'\x00'});
  EXPECT_TRUE(second->in(prop.get(), &tag, record));
  EXPECT_EQ(held<char>(tag), std::vector<char>{'\x01'});
}

TEST_F(ByteOffsetMapperTest, TargetWithoutAFixedSizeTypeFailsConversion) {
  prop->setTag("field", std::vector<char>(8, '\x01'));
  apm* mapper = create("plw.be");
  for (const auto& qualifiers : std::vector<std::vector<std::string>>{{"0"}, {"0", "1"}}) {
    for (bool initialised : {false, true}) {
      env().clearRecords();
      address(mapper, qualifiers);
      qivTag tag("field");
      if (initialised) tag.value.assignVector(std::vector<std::string>{"keep"});
      const VUQ_VARS before = tag.value;
      EXPECT_FALSE(mapper->in(prop.get(), &tag, record));
      EXPECT_TRUE(tag.value == before);
      EXPECT_TRUE(loggedAs("convertTargetBytesToDstValue",
                           std::string("Failed to obtain type [") + (initialised ? "string" : "unk") +
                               "] from byte buffer," + std::string(25, ' ') + "returning false"));
    }
  }
}

TEST_F(ByteOffsetMapperTest, SourceMustBeAByteArray) {
  apm* mapper = create("plw");
  address(mapper, {"0"});
  const std::string head =
      "peripheral address [plc1/RawData field], apm id [" + std::to_string(qivlib_apmInfo("plw")) + "]";
  qivTag missing = target(std::vector<char>{'\x05'});
  EXPECT_FALSE(mapper->in(prop.get(), &missing, record));
  EXPECT_TRUE(loggedAs(
      "checkSrcTag", head + " failed to locate tag" + kGap + "[field] property [RawData], returning false"));
  prop->setTag("field", std::vector<int>{1, 2});
  qivTag wrongType = target(std::vector<char>{'\x05'});
  EXPECT_FALSE(mapper->in(prop.get(), &wrongType, record));
  EXPECT_TRUE(loggedAs("checkSrcTag", head + " tag [field]" + kGap +
                                          "property [RawData], expected data type [byte]" + kGap +
                                          "received data type [int], returning false"));
  for (const qivTag* tag : {&missing, &wrongType}) EXPECT_EQ(held<char>(*tag), std::vector<char>{'\x05'});
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
