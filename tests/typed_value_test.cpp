// Typed values: raw host buffers decoded and refused, element access with conversion,
// and the container form. Type names and sizes are checked against each other and the
// C++ types rather than re-listed; the filter tests read the names in every case.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>
#include <typeinfo>
#include <vector>

#include "support/HostLog.h"
#include "support/ValueHelpers.h"

using namespace std::string_literals;
using namespace yoxtest;
using std::to_string;

namespace {

template <class T>
std::vector<T> samples() {  // both signs, and beyond 16 bits where the type has them
  return {static_cast<T>(-5), T(), static_cast<T>(sizeof(T) > 2 ? 70000.5 : 300)};
}

// Native-order bytes of values (bools one byte each), then filler.
template <class T>
std::vector<char> bytesOf(const std::vector<T>& values, size_t extra = 0) {
  std::vector<char> bytes;
  for (T value : values) {
    const char* raw = reinterpret_cast<const char*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
  }
  bytes.insert(bytes.end(), extra, 'Z');
  return bytes;
}

struct Refused {
  const char* buffer;
  unsigned long size, count;
  std::string message;
};

// A refused buffer logs the reason, then a record naming the buffer (its text is checked
// once, with the texts), and leaves the value empty and not initialised, but of its
// element type.
void expectRefused(const VUQ_VARS& start, const Refused& c) {
  yoxhost::HostEnvironment::instance().clearRecords();
  VUQ_VARS value = start;
  EXPECT_FALSE(value.attachByteBuffer(c.buffer, c.size, c.count)) << c.message;
  EXPECT_EQ(onlyError("operator()"), c.message);
  EXPECT_EQ(messagesOf("attachByteBuffer").size(), 1u);
  EXPECT_FALSE(value.isInitialised());
  EXPECT_EQ(value.variant.which(), start.variant.which());
  EXPECT_EQ(boost::apply_visitor([](const auto& v) { return v.size(); }, value.variant), 0u);
}

std::string tooShort(size_t size, size_t count, const std::string& type, const std::string& need) {
  return "ERROR - cannot cast [" + to_string(size) + "] bytes to array size [" + to_string(count) +
         "] of type[" + type + "], requires (at least) [" + need + "] bytes of data";
}
std::string badCount(size_t size, const std::string& type) {
  return "ERROR - attempt to cast [" + to_string(size) + "] bytes to invalid array size [0] of type[" + type +
         "]";
}
std::string nullBuffer(size_t size, const std::string& type) {
  return "ERROR - NULL byteBuffer received (and invalid size [" + to_string(size) +
         "]), cannot convert to type  [" + type + "]";
}

// The value after setAt; when setAt refuses, a default value, once the refusal is seen
// logged with the thrown text and the value unchanged.
template <class T>
VUQ_VARS afterSetAt(VUQ_VARS value, unsigned long index, T element) {
  yoxhost::HostEnvironment::instance().clearRecords();
  const VUQ_VARS start = value;
  const std::string thrown = thrownText<std::out_of_range>([&] { value.setAt<T>(index, element); });
  if (thrown == "(nothing thrown)") return value;
  EXPECT_EQ(value, start);
  EXPECT_EQ(onlyError("setAt"), thrown);
  return VUQ_VARS();
}

using TypedValueTest = HostTest;

template <class T>
class FixedSizeValueTest : public TypedValueTest {};
using FixedSizeTypes = ::testing::Types<long, int, short, double, float, bool, char>;
TYPED_TEST_SUITE(FixedSizeValueTest, FixedSizeTypes);

TYPED_TEST(FixedSizeValueTest, DecodesAndEncodesItsElements) {
  using T = TypeParam;
  const VUQ_VARS value = valueOf(samples<T>()), none = valueOf(std::vector<T>{});
  for (size_t extra : {0, 5}) {  // an exact and a longer buffer
    VUQ_VARS decoded = valueOf({T()});
    const std::vector<char> bytes = bytesOf(samples<T>(), extra);
    EXPECT_TRUE(decoded.attachByteBuffer(bytes.data(), bytes.size(), 3));
    EXPECT_EQ(decoded, value);
  }
  EXPECT_TRUE(parsedRecords().empty());
  unsigned long size = 99;
  const boost::shared_array<char> bytes = value.toByteArray(size);
  EXPECT_EQ(std::vector<char>(bytes.get(), bytes.get() + size), bytesOf(samples<T>()));
  none.toByteArray(size);
  EXPECT_EQ(size, 0u);

  EXPECT_EQ(value.getTypeSize(), sizeof(T));
  EXPECT_EQ(VUQ_VARS::getTypeFromString(value.getTypeName()), value.getType());
  EXPECT_EQ(value.toString().rfind("size [3] values [", 0), 0u) << value.toString();
  EXPECT_EQ(none.toString(), "EMPTY");

  EXPECT_EQ(afterSetAt(none, 2, 1), valueOf({T(), T(), static_cast<T>(1)}));
  if constexpr (!std::is_same<T, short>::value) {  // no element access of short
    EXPECT_EQ(value.getAt<T>(2), samples<T>()[2]);
  }
}

TYPED_TEST(FixedSizeValueTest, RefusesBuffersThatCannotHoldTheElements) {
  using T = TypeParam;
  const std::string type = typeid(T).name();
  const unsigned long size = sizeof(T);
  const std::vector<char> bytes = bytesOf(samples<T>(), 8);
  // A count whose byte size wraps 64 bits to almost nothing: refused, with the true size.
  const unsigned long huge = size == 1 ? ULONG_MAX : ULONG_MAX / size + 1;
  const char* hugeBytes = size == 1 ? "18446744073709551615" : "18446744073709551616";
  for (const Refused& c : std::vector<Refused>{
           {nullptr, 24, 3, nullBuffer(24, type)},
           {bytes.data(), size - 1, 1,
            "ERROR - received byteBuffer of [" + std::to_string(size - 1) +
                "] bytes, mimimum size for single type  [" + type + "] is [" + std::to_string(size) + "]"},
           {bytes.data(), 3 * size, 0, badCount(3 * size, type)},
           {bytes.data(), 3 * size - 1, 3, tooShort(3 * size - 1, 3, type, std::to_string(3 * size))},
           {bytes.data(), 3 * size, huge, tooShort(3 * size, huge, type, hugeBytes)}})
    expectRefused(valueOf(samples<T>()), c);
}

TEST_F(TypedValueTest, DecodesTextsFromAnArrayOfPointers) {
  const char* texts[] = {"alpha", "", "gamma"};
  VUQ_VARS value = valueOf({"old"s});
  ASSERT_TRUE(value.attachByteBuffer(reinterpret_cast<const char*>(texts), sizeof(texts), 3));
  EXPECT_EQ(value.toString(), "size [3] values [alpha, , gamma, ]");
  unsigned long size = 0;
  EXPECT_EQ(std::string(value.toByteArray(size).get(), 13), "alpha\0\0gamma\0"s);
  EXPECT_EQ(size, 13u);

  const char* withNull[] = {"alpha", nullptr};
  const char* buffer = reinterpret_cast<const char*>(withNull);
  for (const Refused& c : std::vector<Refused>{
           {nullptr, 16, 2, nullBuffer(16, "string")},
           {buffer, 0, 1, "ERROR - received empty byteBuffer ([0] bytes)"},
           {buffer, 16, 0, badCount(16, "string")},
           {buffer, 8, 2, tooShort(8, 2, "string", "16")},  // would read past the buffer
           {buffer, 16, 1UL << 61, tooShort(16, 1UL << 61, "string", "18446744073709551616")},
           {buffer, 16, 2,
            "ERROR - NULL text pointer at index [1] of byteBuffer, cannot convert to type  [string]"}})
    expectRefused(valueOf({"old"s}), c);
  EXPECT_EQ(
      onlyError("attachByteBuffer"),
      "Failed to parse byte buffer into VUQ compatible form: input byteBuffer size [16], target VUQ type "
      "[1007] element count [2]");
}

// Names and ids outside the table are logged; a value of none of the types refuses
// buffers and elements.
TEST_F(TypedValueTest, UnknownTypesAreLoggedAndAValueOfNoTypeRefusesEverything) {
  EXPECT_EQ(VUQ_VARS::getTypeFromString("int "), QIV_UNK);
  EXPECT_EQ(onlyError("getTypeFromString"),
            "ERROR, unrecognized data type string [int ] returning QIV_UNK as data type");
  EXPECT_EQ(VUQ_VARS::getTypeName(QIV_BYTE + 1), "invalid type id:1009");
  EXPECT_EQ(onlyError("getTypeName"),
            "invalid typeId [1009] (outside bounds - min [1000] max [1008]), returning invalid");
  EXPECT_EQ(thrownText<const char*>([] { VUQ_VARS::getTypeSize(QIV_UNK - 1); }), "invalid typeId");
  EXPECT_EQ(onlyError("getTypeSize"),
            "invalid typeId [999] (outside bounds - min [1000] max [1008]), throwing error");
  clearLog();
  VUQ_VARS value;
  EXPECT_EQ(value.getType(), QIV_UNK);
  EXPECT_EQ(value.getTypeName(), "unk");
  EXPECT_EQ(value.getTypeSize(), 0u);
  EXPECT_EQ(value.toString(), "NOT INITIALISED");
  const char bytes[8] = {};
  EXPECT_FALSE(value.attachByteBuffer(bytes, 8, 1));
  EXPECT_EQ(
      onlyError("attachByteBuffer"),
      "Cannot parse byte buffer into VUQ compatible form: input byteBuffer size [8], target VUQ element "
      "count [1]. The intermediate buffer has not been allocated with a valid VUQ type");
  EXPECT_EQ(thrownText<std::out_of_range>([&] { value.setAt<long>(0, 1); }),
            "VUQ_VAR::setAt element at [0] could not be retrieved, initialised? [N]  size [0] type [1000] "
            "typeName [unk]");

  // After a refused buffer the value refuses the next one, keeping its type, until assigned.
  VUQ_VARS failed = valueOf({1.5});
  EXPECT_FALSE(failed.attachByteBuffer(bytes, 7, 1));
  EXPECT_FALSE(failed.attachByteBuffer(bytes, 8, 1));
  failed.assignVector(std::vector<double>{});
  EXPECT_TRUE(failed.attachByteBuffer(bytes, 8, 1));
  EXPECT_EQ(failed, valueOf({0.0}));
}

TEST_F(TypedValueTest, SetAtConvertsToTheHeldElementTypeGetAtReadsOnlyIt) {
  EXPECT_EQ(afterSetAt(valueOf({9L}), 0, -2.9), valueOf({-2L}));  // truncates toward zero
  EXPECT_EQ(afterSetAt(valueOf({"abc"s}), 0, true), valueOf({"\x01"s}));
  EXPECT_EQ(afterSetAt(valueOf(std::vector<std::string>{}), 1, 'x'), valueOf({""s, "x"s}));
  EXPECT_EQ(afterSetAt(valueOf(std::vector<bool>{}), 1, 0.5), valueOf({false, true}));
  EXPECT_EQ(afterSetAt(valueOf({true}), 0, 0), valueOf({false}));
  EXPECT_EQ(afterSetAt(valueOf({0.0f}), 0, 16777217L), valueOf({16777216.0f}));  // nearest float
  EXPECT_EQ(afterSetAt(valueOf({'a'}), 0, 65), valueOf({'A'}));
  EXPECT_EQ(afterSetAt(valueOf<short>({1, 2}), 1, -7), valueOf<short>({1, -7}));
  EXPECT_EQ(afterSetAt(valueOf({1.0}), 0, 0.25f), valueOf({0.25}));
  // Floating values that no element truncates to, and an index that cannot be reached.
  EXPECT_EQ(afterSetAt(valueOf({4}), 0, 2147483647.9), valueOf({2147483647}));
  EXPECT_EQ(afterSetAt(valueOf({4}), 0, 2147483648.0), VUQ_VARS());
  EXPECT_EQ(afterSetAt(valueOf({4}), 0, -2147483649.0), VUQ_VARS());
  EXPECT_EQ(afterSetAt(valueOf({4L}), 0, std::nan("")), VUQ_VARS());
  EXPECT_EQ(afterSetAt(valueOf({"s"s}), 0, 300.0f), VUQ_VARS());
  EXPECT_EQ(afterSetAt(valueOf<short>({4}), ULONG_MAX, 1L), VUQ_VARS());
  // getAt reads only the held type, in range.
  VUQ_VARS value = valueOf({11L, 22L});
  EXPECT_THROW(value.getAt<long>(2), std::out_of_range);
  clearLog();
  EXPECT_THROW(value.getAt<int>(0), std::out_of_range);  // logs the mismatch, then the failure
  EXPECT_EQ(messagesOf("getAt").size(), 2u);
  value.clean();
  EXPECT_THROW(value.getAt<long>(0), std::out_of_range);
}

TEST_F(TypedValueTest, CopiesDeeplyAndComparesFlagTypeAndElements) {
  VUQ_VARS source = valueOf({1, 2});
  const VUQ_VARS copy(source);
  source.setAt<int>(0, 9);
  EXPECT_EQ(copy, valueOf({1, 2}));
  // Assigning a value that is not initialised empties the target, keeping its type.
  VUQ_VARS target = valueOf({3.5});
  target = VUQ_VARS();
  EXPECT_FALSE(target.isInitialised());
  EXPECT_TRUE(boost::get<std::vector<double>>(target.variant).empty());
  target = source;
  VUQ_VARS& self = target;
  target = self;
  EXPECT_EQ(target, source);

  VUQ_VARS cleaned = valueOf(std::vector<int>{});
  cleaned.clean();
  EXPECT_NE(valueOf({1}), valueOf({1, 1}));
  EXPECT_NE(valueOf(std::vector<int>{}), valueOf(std::vector<long>{}));
  EXPECT_NE(valueOf(std::vector<int>{}), cleaned);
  EXPECT_NE(valueOf({"a"s}), valueOf({"b"s}));
}

}  // namespace
