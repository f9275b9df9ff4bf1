// Checks applied to strings and arrays before the container stores them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/DataException.h"
#include "data/impl/EntryValidator.h"

namespace yox {
namespace data {
namespace impl {
namespace {

// Returns the DataException message of call, or "" when it passes.
template <typename Call>
std::string failureOf(Call call) {
  try {
    call();
  } catch (const DataException& e) {
    return e.what();
  }
  return "";
}

const std::string kNullElement = "Can't assign an array with null elements for the field \"v\".";

std::string nullArray(size_t count) {
  return "Can't assign null value for array with expected size " + std::to_string(count) +
         " for the field 'v'.";
}

TEST(EntryValidatorTest, StringsMustExistAndBeSevenBitAscii) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"plain", ""},
      {"", ""},
      {"\x01\x02\t\n\x7f", ""},
      {nullptr, "Can't assign null value for the field \"v\"."},
      {"caf\xc3\xa9", "Invalid String (contains forbidden symbols): \"caf\xc3\xa9\" for the field 'v'."},
      {"\x80", "Invalid String (contains forbidden symbols): \"\x80\" for the field 'v'."},
      // Texts are checked eight bytes at a time: a bad byte at either end of a word.
      {"abcdefgh", ""},
      {"abcdefghijklmnopq", ""},
      {"abcdefg\xff", "Invalid String (contains forbidden symbols): \"abcdefg\xff\" for the field 'v'."},
      {"abcdefgh\xffijk",
       "Invalid String (contains forbidden symbols): \"abcdefgh\xffijk\" for the field 'v'."},
      {"abcdefghijklmnop\x80",
       "Invalid String (contains forbidden symbols): \"abcdefghijklmnop\x80\" for the field 'v'."},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(failureOf([&] { EntryValidator::validateString("v", c.first); }), c.second);
  }
}

TEST(EntryValidatorTest, EntryNameAppearsVerbatimInMessages) {
  EXPECT_EQ(failureOf([] { EntryValidator::validateString("", nullptr); }),
            "Can't assign null value for the field \"\".");
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<int>("a b'c", nullptr, 1); }),
            "Can't assign null value for array with expected size 1 for the field 'a b'c'.");
}

TEST(EntryValidatorTest, NumericArraysMayBeNullOnlyWhenEmpty) {
  const int ints[] = {1, 2, 3};
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<int>("v", nullptr, 0); }), "");
  EXPECT_EQ(failureOf([&] { EntryValidator::validateArraySize("v", ints, 3); }), "");
  EXPECT_EQ(failureOf([&] { EntryValidator::validateArraySize("v", ints, 0); }), "");
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<int>("v", nullptr, 3); }), nullArray(3));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<bool>("v", nullptr, 1); }), nullArray(1));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<signed char>("v", nullptr, 2); }), nullArray(2));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<short>("v", nullptr, 4); }), nullArray(4));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<long>("v", nullptr, 5); }), nullArray(5));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<float>("v", nullptr, 6); }), nullArray(6));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<double>("v", nullptr, 7); }), nullArray(7));
  EXPECT_EQ(failureOf([] { EntryValidator::validateArraySize<double>("v", nullptr, SIZE_MAX); }),
            nullArray(SIZE_MAX));
}

TEST(EntryValidatorTest, StringArraysCheckAllNullsBeforeAnyText) {
  const char* ascii[] = {"a", "", "\x1f"};
  const char* nullThenNonAscii[] = {"a", nullptr, "\xc3\xa9"};
  const char* nonAsciiThenNull[] = {"\xc3\xa9", "a", nullptr};
  const char* nonAscii[] = {"ok", "\xff"};
  struct Case {
    const char* const* values;
    size_t count;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {nullptr, 0, ""},
      {ascii, 0, ""},
      {ascii, 3, ""},
      {nullptr, 2, nullArray(2)},
      {nullThenNonAscii, 3, kNullElement},
      {nonAsciiThenNull, 3, kNullElement},
      {nullThenNonAscii, 1, ""},  // only the first count elements are looked at
      {nonAscii, 2, "Invalid String (contains forbidden symbols): \"\xff\" for the field 'v'."},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(failureOf([&] { EntryValidator::validateStringArray("v", c.values, c.count); }), c.expected);
  }
}

TEST(EntryValidatorTest, ObjectArraysMayNotHoldNulls) {
  // Only the pointers are looked at, so any address stands in for an object.
  int storage[2] = {0, 0};
  const Data* data[] = {reinterpret_cast<const Data*>(&storage[0]), nullptr};
  const DiscreteFunction* functions[] = {reinterpret_cast<const DiscreteFunction*>(&storage[1]), nullptr};

  EXPECT_EQ(failureOf([&] { EntryValidator::validateObjectArray("v", data, 1); }), "");
  EXPECT_EQ(failureOf([&] { EntryValidator::validateObjectArray("v", data, 2); }), kNullElement);
  EXPECT_EQ(failureOf([] { EntryValidator::validateObjectArray<const Data*>("v", nullptr, 0); }), "");
  EXPECT_EQ(failureOf([] { EntryValidator::validateObjectArray<const Data*>("v", nullptr, 4); }),
            nullArray(4));

  EXPECT_EQ(failureOf([&] { EntryValidator::validateObjectArray("v", functions, 1); }), "");
  EXPECT_EQ(failureOf([&] { EntryValidator::validateObjectArray("v", functions, 2); }), kNullElement);
  EXPECT_EQ(failureOf([] { EntryValidator::validateObjectArray<const DiscreteFunction*>("v", nullptr, 1); }),
            nullArray(1));
}

}  // namespace
}  // namespace impl
}  // namespace data
}  // namespace yox
