// Checks applied to strings and arrays before the container stores them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "data/DataException.h"
#include "data/impl/EntryValidator.h"
#include "support/SerializerTestUtils.h"

namespace {

using namespace yox::data;
using impl::EntryValidator;
using yox::testing::messageOf;

const std::string kNullElement = "Can't assign an array with null elements for the field \"v\".";
const std::string kNotAscii = "Invalid String (contains forbidden symbols): \"";

std::string nullArray(size_t count) {
  return "Can't assign null value for array with expected size " + std::to_string(count) +
         " for the field 'v'.";
}

TEST(EntryValidatorTest, StringsMustExistAndBeSevenBitAscii) {
  // Texts are checked eight bytes at a time: a bad byte at either end of a word.
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"", ""},
      {"\x01\x02\t\n\x7f", ""},
      {"abcdefghijklmnopq", ""},
      {nullptr, "Can't assign null value for the field \"v\"."},
      {"\x80", kNotAscii + "\x80\" for the field 'v'."},
      {"abcdefg\xff", kNotAscii + "abcdefg\xff\" for the field 'v'."},
      {"abcdefgh\xffijk", kNotAscii + "abcdefgh\xffijk\" for the field 'v'."},
      {"abcdefghijklmnop\x80", kNotAscii + "abcdefghijklmnop\x80\" for the field 'v'."},
  };
  for (const auto& [text, error] : cases) {
    EXPECT_EQ(messageOf<DataException>([&] { EntryValidator::validateString("v", text); }), error);
  }
}

TEST(EntryValidatorTest, ArraysMayBeNullOnlyWhenEmptyAndHoldNoNulls) {
  const int ints[] = {1, 2, 3};
  EXPECT_EQ(messageOf<DataException>([] { EntryValidator::validateArraySize<int>("v", nullptr, 0); }), "");
  EXPECT_EQ(messageOf<DataException>([&] { EntryValidator::validateArraySize("v", ints, 3); }), "");
  EXPECT_EQ(
      messageOf<DataException>([] { EntryValidator::validateArraySize<double>("v", nullptr, SIZE_MAX); }),
      nullArray(SIZE_MAX));
  const char* nullThenNonAscii[] = {"a", nullptr, "\xc3\xa9"};
  const char* nonAsciiThenNull[] = {"\xc3\xa9", "a", nullptr};
  const char* nonAscii[] = {"ok", "\xff"};
  const std::vector<std::pair<std::pair<const char* const*, size_t>, std::string>> texts = {
      {{nullptr, 0}, ""},
      {{nullptr, 2}, nullArray(2)},
      {{nullThenNonAscii, 3}, kNullElement},  // every null is found before any text is read
      {{nonAsciiThenNull, 3}, kNullElement},
      {{nullThenNonAscii, 1}, ""},  // only the first count elements are looked at
      {{nonAscii, 2}, kNotAscii + "\xff\" for the field 'v'."},
  };
  for (const auto& [array, error] : texts) {
    EXPECT_EQ(messageOf<DataException>(
                  [&] { EntryValidator::validateStringArray("v", array.first, array.second); }),
              error);
  }
  // Only the pointers are looked at, so any address stands in for an object.
  int storage[2] = {0, 0};
  const Data* data[] = {reinterpret_cast<const Data*>(&storage[0]), nullptr};
  const DiscreteFunction* functions[] = {reinterpret_cast<const DiscreteFunction*>(&storage[1]), nullptr};
  EXPECT_EQ(messageOf<DataException>([&] { EntryValidator::validateObjectArray("v", data, 1); }), "");
  EXPECT_EQ(messageOf<DataException>([&] { EntryValidator::validateObjectArray("v", data, 2); }),
            kNullElement);
  EXPECT_EQ(messageOf<DataException>([&] { EntryValidator::validateObjectArray("v", functions, 2); }),
            kNullElement);
  EXPECT_EQ(
      messageOf<DataException>([] { EntryValidator::validateObjectArray<const Data*>("v", nullptr, 4); }),
      nullArray(4));
}

}  // namespace
