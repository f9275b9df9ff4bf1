#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <type_traits>
#include <vector>

#include "data/Data.h"
#include "data/DataFactory.h"
#include "host/HostEnvironment.h"
#include "support/LogRecords.h"
#include "values/VUQ_VARS.h"

using yox::data::Data;
using yox::data::DataType;
using yoxtest::messagesOf;
using yoxtest::parsedRecords;

namespace {

// What the typed tests need to know about each fixed-size element type.
template <class T>
struct Traits;

// Readers of a scalar or 1-D array entry as a vector of T.
#define YOX_TRAITS(T, Suffix, Stored, Id, TypeName, Rtti, Scalar, Array, Text, ...)                   \
  template <>                                                                                         \
  struct Traits<T> {                                                                                  \
    static constexpr unsigned int kId = Id;                                                           \
    static constexpr const char* kTypeName = TypeName;                                                \
    static constexpr const char* kRtti = Rtti;                                                        \
    static constexpr DataType kScalar = yox::data::Scalar;                                            \
    static constexpr DataType kArray = yox::data::Array;                                              \
    static constexpr const char* kText = Text;                                                        \
    static std::vector<T> samples() { return {__VA_ARGS__}; }                                         \
    static std::vector<T> read(const Data& data, const std::string& name) {                           \
      if (data.getEntry(name)->getType() == kScalar) return {static_cast<T>(data.get##Suffix(name))}; \
      size_t size = 0;                                                                                \
      const Stored* values = data.getArray##Suffix(name, size);                                       \
      return std::vector<T>(values, values + size);                                                   \
    }                                                                                                 \
  };

YOX_TRAITS(long, Long, long, 1001, "longlong", "l", DT_LONG, DT_LONG_ARRAY,
           "size [3] values [-5, 0, 1234567890123, ]", -5L, 0L, 1234567890123L)
YOX_TRAITS(int, Int, int, 1002, "int", "i", DT_INT, DT_INT_ARRAY, "size [3] values [-1, 7, 2147483647, ]", -1,
           7, 2147483647)
YOX_TRAITS(short, Short, short, 1003, "short", "s", DT_SHORT, DT_SHORT_ARRAY,
           "size [3] values [-32768, 0, 32767, ]", -32768, 0, 32767)
YOX_TRAITS(double, Double, double, 1004, "double", "d", DT_DOUBLE, DT_DOUBLE_ARRAY,
           "size [3] values [2.5, -0.001, 1.23457e+08, ]", 2.5, -0.001, 123456789.0)
YOX_TRAITS(float, Float, float, 1005, "float", "f", DT_FLOAT, DT_FLOAT_ARRAY,
           "size [3] values [1.5, -0.25, 0.1, ]", 1.5f, -0.25f, 0.1f)
YOX_TRAITS(bool, Bool, bool, 1006, "bool", "b", DT_BOOL, DT_BOOL_ARRAY, "size [3] values [1, 0, 1, ]", true,
           false, true)
YOX_TRAITS(char, Byte, signed char, 1008, "byte", "c", DT_BYTE, DT_BYTE_ARRAY, "size [3] values [a, B, 7, ]",
           'a', 'B', '7')

#undef YOX_TRAITS

// Native-order bytes of values (bools one byte each), followed by extra filler bytes.
template <class T>
std::vector<char> bytesOf(const std::vector<T>& values, size_t extra = 0) {
  std::vector<char> bytes;
  for (T value : values) {
    char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
  }
  bytes.insert(bytes.end(), extra, '\x5a');
  return bytes;
}

template <class T>
std::vector<T> elementsOf(const VUQ_VARS& value) {
  return boost::get<std::vector<T>>(value.variant);
}

template <class T>
VUQ_VARS valueOf(const std::vector<T>& values) {
  VUQ_VARS value;
  value.clean();
  value.assignVector(values);
  return value;
}

// The message of the only record logged under function, with its type and mask checked.
std::string onlyMessage(const std::string& function) {
  const std::vector<std::string> messages = messagesOf(function);
  EXPECT_EQ(messages.size(), 1u) << "records under " << function;
  for (const auto& record : parsedRecords()) {
    if (record.function == function) {
      EXPECT_EQ(record.type, 1);
      EXPECT_EQ(record.mask, -1);
    }
  }
  return messages.empty() ? std::string() : messages.front();
}

class TypedValueTest : public ::testing::Test {
 protected:
  void SetUp() override { yoxhost::HostEnvironment::instance().reset(); }
  static void clearLog() { yoxhost::HostEnvironment::instance().clearRecords(); }
};

// ULONG_MAX elements of 1, 2, 4 and 8 bytes.
const std::map<unsigned long, std::string> kMaxCountBytes = {{1, "18446744073709551615"},
                                                             {2, "36893488147419103230"},
                                                             {4, "73786976294838206460"},
                                                             {8, "147573952589676412920"}};

template <class T>
class FixedSizeValueTest : public TypedValueTest {};

using FixedSizeTypes = ::testing::Types<long, int, short, double, float, bool, char>;
TYPED_TEST_SUITE(FixedSizeValueTest, FixedSizeTypes);

TYPED_TEST(FixedSizeValueTest, AttachesExactAndLongerBuffersInNativeOrder) {
  using T = TypeParam;
  const std::vector<T> samples = Traits<T>::samples();
  for (size_t extra : {size_t{0}, size_t{5}}) {
    VUQ_VARS value = valueOf(std::vector<T>{});
    const std::vector<char> bytes = bytesOf(samples, extra);
    ASSERT_TRUE(value.attachByteBuffer(bytes.data(), bytes.size(), samples.size())) << "extra " << extra;
    EXPECT_TRUE(value.isInitialised());
    EXPECT_EQ(value.getType(), Traits<T>::kId);
    EXPECT_EQ(value.getSize(), samples.size());
    EXPECT_EQ(elementsOf<T>(value), samples);
  }
  EXPECT_TRUE(parsedRecords().empty());
}

TYPED_TEST(FixedSizeValueTest, ReplacesPreviousElementsOnAttach) {
  using T = TypeParam;
  const std::vector<T> samples = Traits<T>::samples();
  VUQ_VARS value = valueOf(samples);
  const std::vector<char> bytes = bytesOf(std::vector<T>{samples[2]});
  ASSERT_TRUE(value.attachByteBuffer(bytes.data(), bytes.size(), 1));
  EXPECT_EQ(elementsOf<T>(value), std::vector<T>{samples[2]});
}

TYPED_TEST(FixedSizeValueTest, RefusesBuffersThatCannotHoldTheElements) {
  using T = TypeParam;
  const std::string rtti = Traits<T>::kRtti;
  const std::string id = std::to_string(Traits<T>::kId);
  const unsigned long size = sizeof(T);
  const std::vector<char> bytes = bytesOf(Traits<T>::samples(), 8);
  struct Case {
    const char* buffer;
    unsigned long bufferSize;
    unsigned long count;
    std::string message;
  };
  const std::vector<Case> cases = {
      {nullptr, 24, 3,
       "ERROR - NULL byteBuffer received (and invalid size [24]), cannot convert to type  [" + rtti + "]"},
      {bytes.data(), size - 1, 1,
       "ERROR - received byteBuffer of [" + std::to_string(size - 1) +
           "] bytes, mimimum size for single type  [" + rtti + "] is [" + std::to_string(size) + "]"},
      {bytes.data(), 3 * size, 0,
       "ERROR - attempt to cast [" + std::to_string(3 * size) + "] bytes to invalid array size [0] of type[" +
           rtti + "]"},
      {bytes.data(), 3 * size - 1, 3,
       "ERROR - cannot cast [" + std::to_string(3 * size - 1) + "] bytes to array size [3] of type[" + rtti +
           "], requires (at least) [" + std::to_string(3 * size) + "] bytes of data"},
      // A count whose byte size does not fit 64 bits is refused, and the size shown
      // is the true one.
      {bytes.data(), 3 * size, ULONG_MAX,
       "ERROR - cannot cast [" + std::to_string(3 * size) + "] bytes to array size [" +
           std::to_string(ULONG_MAX) + "] of type[" + rtti + "], requires (at least) [" +
           kMaxCountBytes.at(size) + "] bytes of data"},
  };
  for (const Case& c : cases) {
    this->clearLog();
    VUQ_VARS value = valueOf(Traits<T>::samples());
    EXPECT_FALSE(value.attachByteBuffer(c.buffer, c.bufferSize, c.count)) << c.message;
    EXPECT_EQ(onlyMessage("operator()"), c.message);
    EXPECT_EQ(onlyMessage("attachByteBuffer"),
              "Failed to parse byte buffer into VUQ compatible form: input byteBuffer size [" +
                  std::to_string(c.bufferSize) + "], target VUQ type [" + id + "] element count [" +
                  std::to_string(c.count) + "]");
    EXPECT_FALSE(value.isInitialised());
    EXPECT_EQ(value.getType(), 1000u);
    EXPECT_EQ(value.getSize(), 0u);
    // The element type survives, empty, for the next assignment.
    EXPECT_EQ(value.variant.which() + 1001, static_cast<int>(Traits<T>::kId));
    EXPECT_TRUE(elementsOf<T>(value).empty());
  }
}

TYPED_TEST(FixedSizeValueTest, StaysNotInitialisedAfterFailedAttachUntilAssigned) {
  using T = TypeParam;
  const std::vector<T> samples = Traits<T>::samples();
  const std::vector<char> bytes = bytesOf(samples);
  VUQ_VARS value = valueOf(samples);
  ASSERT_FALSE(value.attachByteBuffer(bytes.data(), bytes.size() - 1, samples.size()));
  this->clearLog();

  EXPECT_FALSE(value.attachByteBuffer(bytes.data(), bytes.size(), samples.size()));
  EXPECT_EQ(
      onlyMessage("attachByteBuffer"),
      "Cannot parse byte buffer into VUQ compatible form: input byteBuffer size [" +
          std::to_string(bytes.size()) +
          "], target VUQ element count [3]. The intermediate buffer has not been allocated with a valid VUQ "
          "type");
  EXPECT_TRUE(messagesOf("operator()").empty());

  value.assignVector(std::vector<T>{});
  EXPECT_TRUE(value.attachByteBuffer(bytes.data(), bytes.size(), samples.size()));
  EXPECT_EQ(elementsOf<T>(value), samples);
}

TYPED_TEST(FixedSizeValueTest, TurnsElementsIntoNativeBytes) {
  using T = TypeParam;
  const std::vector<T> samples = Traits<T>::samples();
  unsigned long size = 99;
  boost::shared_array<char> bytes = valueOf(samples).toByteArray(size);
  const std::vector<char> expected = bytesOf(samples);
  ASSERT_EQ(size, expected.size());
  EXPECT_EQ(std::vector<char>(bytes.get(), bytes.get() + size), expected);

  valueOf(std::vector<T>{}).toByteArray(size);
  EXPECT_EQ(size, 0u);
}

TYPED_TEST(FixedSizeValueTest, ReportsTypeAndText) {
  using T = TypeParam;
  const VUQ_VARS value = valueOf(Traits<T>::samples());
  EXPECT_EQ(value.getType(), Traits<T>::kId);
  EXPECT_EQ(value.getTypeName(), Traits<T>::kTypeName);
  EXPECT_EQ(value.getTypeSize(), sizeof(T));
  EXPECT_EQ(value.toString(), Traits<T>::kText);
  EXPECT_EQ(valueOf(std::vector<T>{}).toString(), "EMPTY");
}

TYPED_TEST(FixedSizeValueTest, AppendsScalarArrayOrNothing) {
  using T = TypeParam;
  const std::vector<T> samples = Traits<T>::samples();
  yox::auto_ptr<Data> data = yox::data::DataFactory::createData();
  valueOf(std::vector<T>{samples[0]}).appendToVuqDataObject("one", *data);
  valueOf(samples).appendToVuqDataObject("many", *data);
  valueOf(std::vector<T>{}).appendToVuqDataObject("none", *data);

  EXPECT_EQ(data->getSize(), 2u);
  EXPECT_FALSE(data->exists("none"));
  EXPECT_EQ(data->getEntry("one")->getType(), Traits<T>::kScalar);
  EXPECT_EQ(Traits<T>::read(*data, "one"), std::vector<T>{samples[0]});
  EXPECT_EQ(data->getEntry("many")->getType(), Traits<T>::kArray);
  EXPECT_EQ(Traits<T>::read(*data, "many"), samples);
}

TYPED_TEST(FixedSizeValueTest, GrowsOnSetAtWithZeroElements) {
  using T = TypeParam;
  VUQ_VARS value = valueOf(std::vector<T>{});
  value.setAt<int>(3, 1);
  std::vector<T> expected(4, T());
  expected[3] = static_cast<T>(1);
  EXPECT_EQ(elementsOf<T>(value), expected);
  if constexpr (!std::is_same<T, short>::value) {  // no element access of short
    EXPECT_EQ(value.getAt<T>(3), static_cast<T>(1));
    EXPECT_EQ(value.getAt<T>(0), T());
  }
}

TEST_F(TypedValueTest, TypeNamesMapToIdsWhateverTheirCase) {
  const std::vector<std::pair<std::string, unsigned int>> cases = {
      {"unk", 1000},  {"longlong", 1001}, {"LongLong", 1001}, {"int", 1002},    {"long", 1002},
      {"LONG", 1002}, {"Long", 1002},     {"short", 1003},    {"double", 1004}, {"float", 1005},
      {"bool", 1006}, {"Boolean", 1006},  {"string", 1007},   {"byte", 1008},   {"BYTE", 1008},
  };
  for (const auto& c : cases) EXPECT_EQ(VUQ_VARS::getTypeFromString(c.first), c.second) << c.first;
  EXPECT_TRUE(parsedRecords().empty());

  for (const std::string unknown : {"", "word", "int "}) {
    clearLog();
    EXPECT_EQ(VUQ_VARS::getTypeFromString(unknown), QIV_UNK);
    EXPECT_EQ(onlyMessage("getTypeFromString"),
              "ERROR, unrecognized data type string [" + unknown + "] returning QIV_UNK as data type");
  }
}

TEST_F(TypedValueTest, TypeIdsGiveTheirFirstNameAndSize) {
  const std::vector<std::tuple<unsigned int, std::string, unsigned long>> cases = {
      {1000, "unk", 0},   {1001, "longlong", 8}, {1002, "int", 4},    {1003, "short", 2}, {1004, "double", 8},
      {1005, "float", 4}, {1006, "bool", 1},     {1007, "string", 8}, {1008, "byte", 1},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(VUQ_VARS::getTypeName(std::get<0>(c)), std::get<1>(c));
    EXPECT_EQ(VUQ_VARS::getTypeSize(std::get<0>(c)), std::get<2>(c));
  }
  EXPECT_TRUE(parsedRecords().empty());
  EXPECT_EQ(g_sDataTypeStringsToDataTypeMap.size(), 11u);
  EXPECT_EQ(g_sDataTypeToDataSizeMap.size(), 9u);
}

TEST_F(TypedValueTest, UnknownTypeIdsDegradeForNamesAndThrowForSizes) {
  EXPECT_EQ(VUQ_VARS::getTypeName(2000), "invalid type id:2000");
  EXPECT_EQ(onlyMessage("getTypeName"),
            "invalid typeId [2000] (outside bounds - min [1000] max [1008]), returning invalid");

  for (unsigned int id : {999u, 1009u}) {
    clearLog();
    try {
      VUQ_VARS::getTypeSize(id);
      ADD_FAILURE() << "no throw for " << id;
    } catch (const char* message) {
      EXPECT_STREQ(message, "invalid typeId");
    }
    EXPECT_EQ(onlyMessage("getTypeSize"), "invalid typeId [" + std::to_string(id) +
                                              "] (outside bounds - min [1000] max [1008]), throwing error");
  }
}

TEST_F(TypedValueTest, DefaultValueIsNotInitialised) {
  VUQ_VARS value;
  EXPECT_EQ(value.getType(), 1000u);
  EXPECT_EQ(value.getSize(), 0u);
  EXPECT_EQ(value.getTypeName(), "unk");
  EXPECT_EQ(value.getTypeSize(), 0u);
  EXPECT_EQ(value.toString(), "NOT INITIALISED");
  EXPECT_EQ(value.variant.which(), 0);

  const char bytes[8] = {};
  EXPECT_FALSE(value.attachByteBuffer(bytes, 8, 1));
  EXPECT_EQ(onlyMessage("attachByteBuffer"),
            "Cannot parse byte buffer into VUQ compatible form: input byteBuffer size [8], target VUQ "
            "element count "
            "[1]. The intermediate buffer has not been allocated with a valid VUQ type");

  clearLog();
  try {
    value.setAt<long>(0, 1);
    ADD_FAILURE() << "setAt on a value that is not initialised";
  } catch (const std::out_of_range& e) {
    const std::string text =
        "VUQ_VAR::setAt element at [0] could not be retrieved, initialised? [N]  size [0] type [1000] "
        "typeName [unk]";
    EXPECT_EQ(e.what(), text);
    EXPECT_EQ(onlyMessage("setAt"), text);
  }
  EXPECT_FALSE(value.isInitialised());
}

TEST_F(TypedValueTest, AttachesTextsFromAnArrayOfPointers) {
  const char* texts[] = {"alpha", "", "gamma"};
  VUQ_VARS value = valueOf(std::vector<std::string>{"old"});
  ASSERT_TRUE(value.attachByteBuffer(reinterpret_cast<const char*>(texts), sizeof(texts), 3));
  EXPECT_EQ(elementsOf<std::string>(value), (std::vector<std::string>{"alpha", "", "gamma"}));
  EXPECT_EQ(value.toString(), "size [3] values [alpha, , gamma, ]");

  unsigned long size = 0;
  boost::shared_array<char> bytes = value.toByteArray(size);
  const char expected[] = "alpha\0\0gamma";
  ASSERT_EQ(size, sizeof(expected));
  EXPECT_EQ(std::memcmp(bytes.get(), expected, size), 0);
}

TEST_F(TypedValueTest, RefusesTextBuffersWithTheirOwnMessages) {
  const char* texts[] = {"alpha", nullptr};
  const char* buffer = reinterpret_cast<const char*>(texts);
  struct Case {
    const char* buffer;
    unsigned long bufferSize;
    unsigned long count;
    std::string message;
  };
  const std::vector<Case> cases = {
      {nullptr, 16, 2,
       "ERROR - NULL byteBuffer received (and invalid size [16]), cannot convert to type  [string]"},
      {buffer, 0, 1, "ERROR - received empty byteBuffer ([0] bytes)"},
      {buffer, 16, 0, "ERROR - attempt to cast [16] bytes to invalid array size [0] of type[string]"},
      // Fewer pointers than elements would read past the buffer.
      {buffer, 8, 2,
       "ERROR - cannot cast [8] bytes to array size [2] of type[string], requires (at least) [16] bytes of "
       "data"},
      {buffer, 16, 2,
       "ERROR - NULL text pointer at index [1] of byteBuffer, cannot convert to type  [string]"},
  };
  for (const Case& c : cases) {
    clearLog();
    VUQ_VARS value = valueOf(std::vector<std::string>{"old"});
    EXPECT_FALSE(value.attachByteBuffer(c.buffer, c.bufferSize, c.count)) << c.message;
    EXPECT_EQ(onlyMessage("operator()"), c.message);
    EXPECT_EQ(onlyMessage("attachByteBuffer"),
              "Failed to parse byte buffer into VUQ compatible form: input byteBuffer size [" +
                  std::to_string(c.bufferSize) + "], target VUQ type [1007] element count [" +
                  std::to_string(c.count) + "]");
    EXPECT_FALSE(value.isInitialised());
    EXPECT_TRUE(elementsOf<std::string>(value).empty());
  }
}

TEST_F(TypedValueTest, AppendsTextsAsStringEntries) {
  yox::auto_ptr<Data> data = yox::data::DataFactory::createData();
  valueOf(std::vector<std::string>{"solo"}).appendToVuqDataObject("one", *data);
  valueOf(std::vector<std::string>{"a", "", "c"}).appendToVuqDataObject("many", *data);
  valueOf(std::vector<std::string>{}).appendToVuqDataObject("none", *data);

  EXPECT_EQ(data->getSize(), 2u);
  EXPECT_EQ(data->getEntry("one")->getType(), yox::data::DT_STRING);
  EXPECT_STREQ(data->getString("one"), "solo");
  size_t size = 0;
  const char** texts = data->getArrayString("many", size);
  ASSERT_EQ(size, 3u);
  EXPECT_STREQ(texts[0], "a");
  EXPECT_STREQ(texts[1], "");
  EXPECT_STREQ(texts[2], "c");
}

TEST_F(TypedValueTest, SetAtConvertsToTheHeldElementType) {
  struct Case {
    const char* what;
    VUQ_VARS value;
    std::function<void(VUQ_VARS&)> set;
    VUQ_VARS expected;
  };
  const std::vector<Case> cases = {
      {"double into int truncates, growing with zeros", valueOf(std::vector<int>{}),
       [](VUQ_VARS& v) { v.setAt<double>(5, 2.9); }, valueOf(std::vector<int>{0, 0, 0, 0, 0, 2})},
      {"negative double into long truncates toward zero", valueOf(std::vector<long>{9}),
       [](VUQ_VARS& v) { v.setAt<double>(0, -2.9); }, valueOf(std::vector<long>{-2})},
      {"bool into string is the character 1", valueOf(std::vector<std::string>{"abc"}),
       [](VUQ_VARS& v) { v.setAt<bool>(0, true); }, valueOf(std::vector<std::string>{"\x01"})},
      {"char into string grows with empty strings", valueOf(std::vector<std::string>{}),
       [](VUQ_VARS& v) { v.setAt<char>(2, 'x'); }, valueOf(std::vector<std::string>{"", "", "x"})},
      {"non-zero double into bool is true", valueOf(std::vector<bool>{}),
       [](VUQ_VARS& v) { v.setAt<double>(1, 0.5); }, valueOf(std::vector<bool>{false, true})},
      {"zero into bool is false", valueOf(std::vector<bool>{true}), [](VUQ_VARS& v) { v.setAt<int>(0, 0); },
       valueOf(std::vector<bool>{false})},
      {"long into float rounds to nearest", valueOf(std::vector<float>{0}),
       [](VUQ_VARS& v) { v.setAt<long>(0, 16777217L); }, valueOf(std::vector<float>{16777216.0f})},
      {"int into char keeps the code", valueOf(std::vector<char>{}), [](VUQ_VARS& v) { v.setAt<int>(0, 65); },
       valueOf(std::vector<char>{'A'})},
      {"int into short", valueOf(std::vector<short>{1, 2}), [](VUQ_VARS& v) { v.setAt<int>(1, -7); },
       valueOf(std::vector<short>{1, -7})},
      {"float into double", valueOf(std::vector<double>{1.0}), [](VUQ_VARS& v) { v.setAt<float>(0, 0.25f); },
       valueOf(std::vector<double>{0.25})},
  };
  for (const Case& c : cases) {
    VUQ_VARS value = c.value;
    c.set(value);
    EXPECT_EQ(value, c.expected) << c.what << ": " << value.toString();
  }
}

TEST_F(TypedValueTest, SetAtRefusesIndexesAndValuesItCannotStore) {
  struct Case {
    VUQ_VARS value;
    std::function<void(VUQ_VARS&)> set;
    std::string text;
  };
  const std::vector<Case> cases = {
      {valueOf(std::vector<int>{4}), [](VUQ_VARS& v) { v.setAt<double>(0, 1e30); },
       "VUQ_VAR::setAt element at [0] could not be retrieved, initialised? [Y]  size [1] type [1002] "
       "typeName [int]"},
      {valueOf(std::vector<long>{4}), [](VUQ_VARS& v) { v.setAt<double>(0, std::nan("")); },
       "VUQ_VAR::setAt element at [0] could not be retrieved, initialised? [Y]  size [1] type [1001] "
       "typeName "
       "[longlong]"},
      {valueOf(std::vector<char>{4}), [](VUQ_VARS& v) { v.setAt<float>(1, 300.0f); },
       "VUQ_VAR::setAt element at [1] could not be retrieved, initialised? [Y]  size [1] type [1008] "
       "typeName [byte]"},
      {valueOf(std::vector<short>{4}), [](VUQ_VARS& v) { v.setAt<long>(ULONG_MAX, 1); },
       "VUQ_VAR::setAt element at [" + std::to_string(ULONG_MAX) +
           "] could not be retrieved, initialised? [Y]  size [1] type [1003] typeName [short]"},
  };
  for (const Case& c : cases) {
    clearLog();
    VUQ_VARS value = c.value;
    try {
      c.set(value);
      ADD_FAILURE() << "no throw: " << c.text;
    } catch (const std::out_of_range& e) {
      EXPECT_EQ(e.what(), c.text);
    }
    EXPECT_EQ(onlyMessage("setAt"), c.text);
    EXPECT_EQ(value, c.value);
  }
}

TEST_F(TypedValueTest, GetAtReadsOnlyTheHeldTypeInRange) {
  const VUQ_VARS value = valueOf(std::vector<long>{11, 22});
  EXPECT_EQ(value.getAt<long>(1), 22);

  try {
    value.getAt<int>(0);
    ADD_FAILURE() << "getAt<int> on a 64-bit vector";
  } catch (const std::out_of_range& e) {
    const std::string text =
        "VUQ_VAR::getAt element at [0] could not be retrieved, initialised? [Y]  size [2] type [1001] "
        "typeName "
        "[longlong]";
    EXPECT_EQ(e.what(), text);
    const std::vector<std::string> messages = messagesOf("getAt");
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rfind(
                  " mismatch between requested type and type held in variant, exception message: ", 0),
              0u);
    EXPECT_GT(messages[0].size(), std::string(" mismatch between requested type and type held in variant, "
                                              "exception message: ")
                                      .size());
    EXPECT_EQ(messages[1], text);
  }

  clearLog();
  EXPECT_THROW(value.getAt<long>(2), std::out_of_range);
  EXPECT_EQ(
      onlyMessage("getAt"),
      "VUQ_VAR::getAt element at [2] could not be retrieved, initialised? [Y]  size [2] type [1001] typeName "
      "[longlong]");

  clearLog();
  VUQ_VARS notInitialised = valueOf(std::vector<long>{5});
  notInitialised.clean();
  EXPECT_THROW(notInitialised.getAt<long>(0), std::out_of_range);
  EXPECT_EQ(
      onlyMessage("getAt"),
      "VUQ_VAR::getAt element at [0] could not be retrieved, initialised? [N]  size [0] type [1000] typeName "
      "[unk]");
}

TEST_F(TypedValueTest, CopiesDeeplyAndKeepsTheTargetTypeForUninitialisedSources) {
  VUQ_VARS source = valueOf(std::vector<int>{1, 2});
  VUQ_VARS copy(source);
  source.setAt<int>(0, 9);
  EXPECT_EQ(copy, valueOf(std::vector<int>{1, 2}));

  VUQ_VARS target = valueOf(std::vector<double>{3.5});
  VUQ_VARS empty;
  target = empty;
  EXPECT_FALSE(target.isInitialised());
  EXPECT_EQ(target.variant.which(), 3);  // still the double alternative, emptied
  EXPECT_TRUE(elementsOf<double>(target).empty());

  target = source;
  EXPECT_EQ(target, source);
  VUQ_VARS& self = target;
  target = self;
  EXPECT_EQ(target, source);
}

TEST_F(TypedValueTest, EqualityNeedsFlagTypeAndElements) {
  VUQ_VARS cleaned = valueOf(std::vector<int>{1});
  cleaned.clean();
  const std::vector<std::pair<VUQ_VARS, VUQ_VARS>> unequal = {
      {valueOf(std::vector<int>{1}), valueOf(std::vector<int>{1, 1})},
      {valueOf(std::vector<int>{}), valueOf(std::vector<long>{})},
      {valueOf(std::vector<int>{}), cleaned},
      {valueOf(std::vector<std::string>{"a"}), valueOf(std::vector<std::string>{"b"})},
  };
  for (const auto& pair : unequal) {
    EXPECT_TRUE(pair.first != pair.second) << pair.first.toString() << " vs " << pair.second.toString();
    EXPECT_FALSE(pair.first == pair.second);
  }
  EXPECT_EQ(valueOf(std::vector<bool>{true, false}), valueOf(std::vector<bool>{true, false}));
}

}  // namespace
