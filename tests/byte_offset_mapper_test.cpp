#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "apm/byteoffset/apmPlw.h"
#include "host/StandInProp.h"
#include "hostapi/HostInterface.h"
#include "support/PluginFixture.h"

// Expected values are assembled arithmetically from the array's bytes and then laid
// out in memory, which assumes the little-endian hosts this plug-in runs on.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "expectations assume a little-endian host");

namespace {

const std::string kGap21(21, ' ');
const std::string kGap25(25, ' ');

// Distinct bytes, zeros (bool false) and bytes with the top bit set (sign handling).
const std::vector<char> kRaw = {'\x01', '\x82', '\x00', '\x7F', '\x10', '\xFE',
                                '\x33', '\x80', '\x00', '\xC4', '\x5A', '\x99'};

// Bytes offset .. offset+size-1 as one unsigned number whose most significant byte
// is the first one (bigEndian) or the last one.
uint64_t assemble(const std::vector<char>& raw, size_t offset, size_t size, bool bigEndian) {
  uint64_t bits = 0;
  for (size_t k = 0; k < size; ++k) {
    const uint64_t byte = static_cast<unsigned char>(raw[offset + k]);
    bits |= byte << (8 * (bigEndian ? size - 1 - k : k));
  }
  return bits;
}

template <class T>
qivTag target(const std::string& name, const std::vector<T>& initial) {
  qivTag tag(name);
  tag.value.assignVector(initial);
  return tag;
}

class ByteOffsetMapperTest : public yoxtest::PluginFixture {
 protected:
  void SetUp() override {
    PluginFixture::SetUp();
    driver->filters();  // mappers are initialised only when the host holds a filter registry
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

  // True when a record of the given type reads "<function>:<line>-<message>".
  static bool loggedExactly(const std::string& function, const std::string& message, int type = 2) {
    for (const auto& r : env().records()) {
      if (r.type != type || r.text.compare(0, function.size() + 1, function + ":") != 0) continue;
      const size_t dash = r.text.find('-', function.size() + 1);
      if (dash != std::string::npos && r.text.substr(dash + 1) == message) return true;
    }
    return false;
  }

  // Cuts a T from every legal offset of kRaw, and from one past the last, and checks
  // it against the bytes assembled in the expected order.
  template <class T>
  void checkEveryOffset(apm* mapper, bool bigEndian, const char* typeName) {
    prop->setTag("field", kRaw);
    const size_t size = sizeof(T);
    for (size_t offset = 0; offset + size <= kRaw.size() + 1; ++offset) {
      SCOPED_TRACE(std::string(typeName) + " at offset " + std::to_string(offset));
      qivTag tag = target("field", std::vector<T>{T()});
      address(mapper, {std::to_string(offset)});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      const bool inside = offset + size <= kRaw.size();
      EXPECT_EQ(tag.noData, !inside);
      const auto& held = boost::get<std::vector<T>>(tag.value.variant);
      ASSERT_EQ(held.size(), 1u);
      if (!inside) {
        EXPECT_EQ(held[0], T());
        continue;
      }
      const uint64_t bits = assemble(kRaw, offset, size, bigEndian);
      if constexpr (std::is_same<T, bool>::value) {
        EXPECT_EQ(held[0], bits != 0);
      } else {
        T expected;
        std::memcpy(&expected, &bits, size);
        const T actual = held[0];
        EXPECT_EQ(std::memcmp(&actual, &expected, size), 0) << "bits expected 0x" << std::hex << bits;
      }
    }
  }

  std::unique_ptr<yoxhost::StandInProp> prop;
  imapHw2Vuq* record = nullptr;
};

TEST_F(ByteOffsetMapperTest, CutsEveryFixedSizeTypeFromEveryOffsetInBothByteOrders) {
  const struct {
    const char* name;
    bool bigEndian;
  } mappers[] = {{"plw", false}, {"plwm", false}, {"plw.be", true}, {"plwm.be", true}};
  for (const auto& m : mappers) {
    SCOPED_TRACE(m.name);
    apm* mapper = create(m.name);
    checkEveryOffset<long>(mapper, m.bigEndian, "longlong");
    checkEveryOffset<int>(mapper, m.bigEndian, "int");
    checkEveryOffset<short>(mapper, m.bigEndian, "short");
    checkEveryOffset<double>(mapper, m.bigEndian, "double");
    checkEveryOffset<float>(mapper, m.bigEndian, "float");
    checkEveryOffset<bool>(mapper, m.bigEndian, "bool");
    checkEveryOffset<char>(mapper, m.bigEndian, "byte");
  }
}

TEST_F(ByteOffsetMapperTest, ByteOrderOfAThirtyTwoBitField) {
  prop->setTag("field", std::vector<char>{'\x00', '\x01', '\x02', '\x03', '\x04'});
  const struct {
    const char* mapper;
    int expected;
  } cases[] = {{"plw", 0x04030201}, {"plwm", 0x04030201}, {"plw.be", 0x01020304}, {"plwm.be", 0x01020304}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mapper);
    apm* mapper = create(c.mapper);
    address(mapper, {"1"});
    qivTag tag = target("field", std::vector<int>{0});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_EQ(boost::get<std::vector<int>>(tag.value.variant), std::vector<int>{c.expected});
  }
}

TEST_F(ByteOffsetMapperTest, FieldMustLieWhollyInsideTheArray) {
  prop->setTag("field", std::vector<char>(8, '\x11'));
  apm* mapper = create("plw");

  address(mapper, {"4"});
  qivTag inside = target("field", std::vector<int>{0});
  EXPECT_TRUE(mapper->in(prop.get(), &inside, record));
  EXPECT_FALSE(inside.noData);
  EXPECT_EQ(boost::get<std::vector<int>>(inside.value.variant), std::vector<int>{0x11111111});

  address(mapper, {"5"});
  qivTag outside = target("field", std::vector<int>{7});
  EXPECT_TRUE(mapper->in(prop.get(), &outside, record));
  EXPECT_TRUE(outside.noData);
  EXPECT_EQ(boost::get<std::vector<int>>(outside.value.variant), std::vector<int>{7});
  EXPECT_TRUE(loggedExactly("checkAddressOffset", "peripheral address [plc1/RawData field] apm id [" +
                                                      std::to_string(qivlib_apmInfo("plw")) + "]" + kGap21 +
                                                      "requests invalid byte index [5] tag [field]" + kGap21 +
                                                      "raw byte array size [8 bytes] offset [5]" + kGap21 +
                                                      "target type [int] size [4]." + kGap21 +
                                                      "Invalidating APM tag"));
}

TEST_F(ByteOffsetMapperTest, ReadsQualifiersAsHexOnlyWhenTheHostSaysSo) {
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
      {{"12"}, {'\x0C'}, false},        // decimal-looking: byte 12
      {{"0x0a"}, {'\x0A'}, false},      // hex: byte 10
      {{"0X0C"}, {'\x0C'}, false},      // upper-case prefix
      {{"10", "-1"}, {'\x0A'}, false},  // bit -1: a whole value
      {{"0x10", "3"}, {}, true},        // byte 16, bit 3
      {{"16", "11"}, {}, true},         // bit 11 is bit 3
      {{"0x11", "0x9"}, {}, true},      // byte 17, bit 9 is bit 1
      {{"0x10", "2"}, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.qualifiers[0] + (c.qualifiers.size() > 1 ? " " + c.qualifiers[1] : std::string()));
    address(mapper, c.qualifiers);
    if (!c.whole.empty()) {
      qivTag tag = target("field", std::vector<char>{'\x55'});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      EXPECT_EQ(boost::get<std::vector<char>>(tag.value.variant), c.whole);
    } else {
      qivTag tag = target("field", std::vector<bool>{!c.bitSet});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      EXPECT_EQ(boost::get<std::vector<bool>>(tag.value.variant), std::vector<bool>{c.bitSet});
    }
  }
}

TEST_F(ByteOffsetMapperTest, ExtractsEveryBitOfAByte) {
  const char byte = '\xA6';  // 1010 0110
  prop->setTag("field", std::vector<char>{'\x00', byte});
  for (const char* name : {"plw", "plw.be"}) {
    apm* mapper = create(name);
    for (int bit = 0; bit < 8; ++bit) {
      SCOPED_TRACE(std::string(name) + " bit " + std::to_string(bit));
      address(mapper, {"1", std::to_string(bit)});
      qivTag tag = target("field", std::vector<bool>{false});
      EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
      const bool expected = (0xA6 >> bit) & 1;
      EXPECT_EQ(boost::get<std::vector<bool>>(tag.value.variant), std::vector<bool>{expected});
    }
  }
  // The sign bit of the byte itself.
  apm* mapper = create("plw");
  address(mapper, {"0", "7"});
  for (const auto& c : std::vector<std::pair<char, bool>>{{'\x80', true}, {'\x7F', false}}) {
    prop->setTag("field", std::vector<char>{c.first});
    qivTag tag = target("field", std::vector<bool>{!c.second});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_EQ(boost::get<std::vector<bool>>(tag.value.variant), std::vector<bool>{c.second});
  }
}

TEST_F(ByteOffsetMapperTest, BitOfAWiderFieldComesFromItsFirstByteAfterOrdering) {
  prop->setTag("field", std::vector<char>{'\x00', '\x00', '\x00', '\x01'});
  const struct {
    const char* mapper;
    int expected;
  } cases[] = {{"plw", 0}, {"plw.be", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mapper);
    apm* mapper = create(c.mapper);
    address(mapper, {"0", "0"});
    qivTag tag = target("field", std::vector<int>{5, 6});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_EQ(boost::get<std::vector<int>>(tag.value.variant), (std::vector<int>{c.expected, 6}));
  }
}

TEST_F(ByteOffsetMapperTest, UnusableAddressSetsNoDataAndKeepsTheValue) {
  prop->setTag("field", std::vector<char>(4, '\x01'));
  const std::string id = std::to_string(qivlib_apmInfo("plwm"));
  const struct {
    std::vector<std::string> qualifiers;
    int shownOffset;
  } cases[] = {
      {{}, -1}, {{""}, -1}, {{"abc"}, -1}, {{"-2"}, -2}, {{"99999999999"}, -1}, {{"0xFFFFFFFF"}, -1}};
  apm* mapper = create("plwm");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.qualifiers.empty() ? std::string("no qualifier") : c.qualifiers[0]);
    env().clearRecords();
    address(mapper, c.qualifiers);
    qivTag tag = target("field", std::vector<short>{9});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_TRUE(tag.noData);
    EXPECT_EQ(boost::get<std::vector<short>>(tag.value.variant), std::vector<short>{9});
    EXPECT_TRUE(loggedExactly("checkAddressOffset",
                              "peripheral address [plc1/RawData field] for apm id [" + id + "]" + kGap21 +
                                  "requests invalid byte index [" + std::to_string(c.shownOffset) +
                                  "] from tag [field]." + kGap21 + "Invalidating APM tag"));
  }
}

TEST_F(ByteOffsetMapperTest, RecordWithoutThisMappersAddressIsMissingAByteIndex) {
  prop->setTag("field", std::vector<char>(4, '\x01'));
  record->qualifiers.push_back("0");
  apm* first = create("plw");
  apm* second = create("plw");  // hangs its own address on the same record
  // A clone that was never initialised has no address either.
  std::unique_ptr<apm> bare(apmHash.get(qivlib_apmInfo("plw"))->dup());
  const std::string message = "peripheral address [plc1/RawData field] for apm id [" +
                              std::to_string(qivlib_apmInfo("plw")) + "]" + kGap21 +
                              "is missing a byte index for tag [field]." + kGap21 + "Invalidating APM tag";
  for (apm* mapper : {first, bare.get()}) {
    env().clearRecords();
    qivTag tag = target("field", std::vector<char>{'\x00'});
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_TRUE(tag.noData);
    EXPECT_TRUE(loggedExactly("checkAddressOffset", message));
  }
  qivTag tag = target("field", std::vector<char>{'\x00'});
  EXPECT_TRUE(second->in(prop.get(), &tag, record));
  EXPECT_FALSE(tag.noData);
  EXPECT_EQ(boost::get<std::vector<char>>(tag.value.variant), std::vector<char>{'\x01'});
}

TEST_F(ByteOffsetMapperTest, TargetWithoutAFixedSizeTypeFailsConversion) {
  prop->setTag("field", std::vector<char>(8, '\x01'));
  apm* mapper = create("plw.be");
  const struct {
    std::vector<std::string> qualifiers;
    bool initialised;  // false: a default value; true: a string vector
    const char* typeName;
  } cases[] = {{{"0"}, false, "unk"},
               {{"0", "1"}, false, "unk"},
               {{"0"}, true, "string"},
               {{"0", "1"}, true, "string"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typeName) + (c.qualifiers.size() > 1 ? " bit" : " whole"));
    env().clearRecords();
    address(mapper, c.qualifiers);
    qivTag tag("field");
    if (c.initialised) tag.value.assignVector(std::vector<std::string>{"keep"});
    const VUQ_VARS before = tag.value;
    EXPECT_FALSE(mapper->in(prop.get(), &tag, record));
    EXPECT_FALSE(tag.noData);
    EXPECT_TRUE(tag.value == before);
    EXPECT_TRUE(loggedExactly("convertTargetBytesToDstValue", std::string("Failed to obtain type [") +
                                                                  c.typeName + "] from byte buffer," +
                                                                  kGap25 + "returning false"));
  }
}

TEST_F(ByteOffsetMapperTest, SourceMustBeAByteArray) {
  apm* mapper = create("plw");
  address(mapper, {"0"});
  const std::string lead =
      "peripheral address [plc1/RawData field], apm id [" + std::to_string(qivlib_apmInfo("plw")) + "]";

  qivTag missing = target("field", std::vector<char>{'\x05'});
  EXPECT_FALSE(mapper->in(prop.get(), &missing, record));
  EXPECT_TRUE(loggedExactly("checkSrcTag", lead + " failed to locate tag" + kGap21 +
                                               "[field] property [RawData], returning false"));

  prop->setTag("field", std::vector<int>{1, 2});
  qivTag wrongType = target("field", std::vector<char>{'\x05'});
  EXPECT_FALSE(mapper->in(prop.get(), &wrongType, record));
  EXPECT_TRUE(loggedExactly("checkSrcTag", lead + " tag [field]" + kGap21 +
                                               "property [RawData], expected data type [byte]" + kGap21 +
                                               "received data type [int], returning false"));

  for (const qivTag* tag : {&missing, &wrongType}) {
    EXPECT_FALSE(tag->noData);
    EXPECT_EQ(boost::get<std::vector<char>>(tag->value.variant), std::vector<char>{'\x05'});
  }
}

TEST_F(ByteOffsetMapperTest, LeavesValidityAndTimeStampToTheCycle) {
  prop->setTag("field", std::vector<char>{'\x2A'});
  apm* mapper = create("plw");
  address(mapper, {"0"});
  for (bool valid : {false, true}) {
    qivTag tag = target("field", std::vector<char>{'\x00'});
    tag.valid = valid;
    tag.seconds = 17;
    tag.millis = 250;
    EXPECT_TRUE(mapper->in(prop.get(), &tag, record));
    EXPECT_EQ(boost::get<std::vector<char>>(tag.value.variant), std::vector<char>{'\x2A'});
    EXPECT_EQ(tag.valid, valid);
    EXPECT_EQ(tag.seconds, 17);
    EXPECT_EQ(tag.millis, 250);
  }
}

TEST_F(ByteOffsetMapperTest, EachNameClonesItsOwnClassWithItsIndex) {
  const struct {
    const char* name;
    bool plwM, bigEndian, plwMBigEndian;
  } cases[] = {{"plw", false, false, false},
               {"plwm", true, false, false},
               {"plw.be", false, true, false},
               {"plwm.be", false, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int index = qivlib_apmInfo(c.name);
    ASSERT_GE(index, 0);
    std::unique_ptr<apm> clone(apmHash.get(index)->dup());
    EXPECT_EQ(clone->index, index);
    EXPECT_NE(dynamic_cast<apmPlw*>(clone.get()), nullptr);
    EXPECT_EQ(dynamic_cast<apmPlwM*>(clone.get()) != nullptr, c.plwM);
    EXPECT_EQ(dynamic_cast<apmPlwBigEndian*>(clone.get()) != nullptr, c.bigEndian);
    EXPECT_EQ(dynamic_cast<apmPlwMBigEndian*>(clone.get()) != nullptr, c.plwMBigEndian);
  }
}

// The host may free its mapping records before the mapper; the mapper must then only
// free its own addresses (the sanitizer build catches any access to the records).
TEST_F(ByteOffsetMapperTest, MapperOutlivingItsRecordsFreesOnlyItsAddresses) {
  std::unique_ptr<apm> mapper(apmHash.get(qivlib_apmInfo("plw.be"))->dup());
  auto shortLived = std::make_unique<yoxhost::StandInProp>("plc2", "RawData");
  for (int i = 0; i < 3; ++i) {
    imapHw2Vuq& r = shortLived->addMapping("dpe." + std::to_string(i), "plc2");
    r.qualifiers.push_back(std::to_string(i));
  }
  mapper->initialise(shortLived.get());
  mapper->initialise(shortLived.get());  // replaces (and frees) the first addresses
  for (auto& entry : shortLived->getMapping()) EXPECT_NE(entry.second->apmData, nullptr);
  shortLived.reset();
  mapper.reset();
}

}  // namespace
