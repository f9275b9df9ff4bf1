// Value texts and strict parses (StringUtils) and the bit-exact codec of the string
// format (Converter).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/DataException.h"
#include "data/serialization/Converter.h"
#include "data/StringUtils.h"
#include "support/SerializerTestUtils.h"

namespace {

using yox::data::DataException;
using yox::data::impl::Converter;
using yox::testing::bitsOf;
using yox::testing::fromBits;
using yox::testing::messageOf;
using yox::util::StringUtils;
using yox::util::UtilException;
using Texts = std::vector<std::pair<std::string, std::string>>;

std::string unescape(const char* text) { return std::unique_ptr<char[]>(Converter::strToString(text)).get(); }

TEST(StringUtilsTest, ValuesPrintInFull) {
  const Texts cases = {
      {StringUtils::toString(static_cast<signed char>(-128)), "-128"},
      {StringUtils::toString(static_cast<unsigned char>(255)), "255"},
      {StringUtils::toString(static_cast<short>(-32768)), "-32768"},
      {StringUtils::toString(static_cast<unsigned short>(65535)), "65535"},
      {StringUtils::toString(4294967295u), "4294967295"},
      {StringUtils::toString(std::numeric_limits<long>::min()), "-9223372036854775808"},
      {StringUtils::toString(std::numeric_limits<unsigned long>::max()), "18446744073709551615"},
      {StringUtils::toString(-5LL), "-5"},
      {StringUtils::toString(18446744073709551615ULL), "18446744073709551615"},
      {StringUtils::toString('A'), "A"},
      {StringUtils::toString(static_cast<const char*>(nullptr)), ""},
      {StringUtils::toString(false), "false"},
      {StringUtils::toString(0.1f), "0.100000001"},
      {StringUtils::toString(std::numeric_limits<float>::denorm_min()), "1.40129846e-45"},
      {StringUtils::toString(-std::numeric_limits<float>::infinity()), "-inf"},
      {StringUtils::toString(std::numeric_limits<double>::infinity()), "inf"},
      {StringUtils::toString(fromBits<float>(0xffc00123u)), "-nan"},
      {StringUtils::toString(1e300), "1.0000000000000001e+300"},
      {StringUtils::toString(-0.0), "-0"},
      {StringUtils::toString(std::numeric_limits<double>::quiet_NaN()), "nan"},
      {StringUtils::toString(-0.125f, 2ul), "-0.12"},
      {StringUtils::toString(1.0, 3ul), "1.000"},
      {StringUtils::toUpper("abc-XyZ 09\xc3\xa9"), "ABC-XYZ 09\xc3\xa9"},
      {StringUtils::toLower("ABC-xYz 09\xc3\x89"), "abc-xyz 09\xc3\x89"},
      {StringUtils::format("%s=%d %lld %.2f", "x", -3, 1LL << 40, 0.5), "x=-3 1099511627776 0.50"},
      {StringUtils::format("%s!", std::string(5000, 'b').c_str()), std::string(1023, 'b')},
      {StringUtils::ipToString({static_cast<signed char>(192), static_cast<signed char>(168), 0, 1}),
       "192.168.0.1"},
      {StringUtils::ipToString({10, 0, 0}), "<invalid IP>"},
      {StringUtils::ipToString({1, 2, 3, 4, 5}), "<invalid IP>"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  EXPECT_EQ(StringUtils::toString(0.5, 2000ul).size(), 2002u);            // longer than format()'s limit
  EXPECT_EQ(&StringUtils::toString(true), &StringUtils::toString(true));  // a shared static
  int object = 0;
  EXPECT_EQ(std::strtoull(StringUtils::toString(static_cast<void*>(&object)).c_str(), nullptr, 16),
            reinterpret_cast<std::uintptr_t>(&object));
}

TEST(StringUtilsTest, ParsesAreStrictAndNameTheType) {
  EXPECT_EQ(StringUtils::toByte("+5") + StringUtils::toShort("-32768") + StringUtils::toInt("007"), -32756);
  EXPECT_EQ(StringUtils::toLong("-9223372036854775808"), std::numeric_limits<long>::min());
  EXPECT_TRUE(!StringUtils::toBool("fAlSe") && !StringUtils::toBool("0") && StringUtils::toBool("1") &&
              StringUtils::toBool("True"));
  EXPECT_EQ(StringUtils::toFloat("-2e3"), -2000.0f);
  EXPECT_EQ(StringUtils::toDouble("1e40"), 1e40);
  EXPECT_TRUE(std::isinf(StringUtils::toFloat("INF")) && StringUtils::toDouble("-Infinity") < 0);
  EXPECT_TRUE(std::isnan(StringUtils::toFloat("nan")) && std::isnan(StringUtils::toDouble("NaN")));
  EXPECT_EQ(StringUtils::stringToInt("  13") + StringUtils::stringToInt(""), 13);
  const auto rejected = [](const char* text, auto parse) {
    return messageOf<UtilException>([&] { parse(text); });
  };
  const Texts cases = {
      {rejected("128", StringUtils::toByte), "The value '128' is not a valid int8_t value."},
      {rejected("-129", StringUtils::toByte), "The value '-129' is not a valid int8_t value."},
      {rejected(" 5", StringUtils::toByte), "The value ' 5' is not a valid int8_t value."},
      {rejected("(22004", StringUtils::toShort), "The value '(22004' is not a valid int16_t value."},
      {rejected("x-22004", StringUtils::toShort), "The value 'x-22004' is not a valid int16_t value."},
      {rejected("32768", StringUtils::toShort), "The value '32768' is not a valid int16_t value."},
      {rejected("0x10", StringUtils::toInt), "The value '0x10' is not a valid int32_t value."},
      {rejected("5 ", StringUtils::toInt), "The value '5 ' is not a valid int32_t value."},
      {rejected("9223372036854775808", StringUtils::toLong),
       "The value '9223372036854775808' is not a valid int64_t value."},
      {rejected("01", StringUtils::toBool), "The value '01' is not a valid boolean value."},
      {rejected("1e40", StringUtils::toFloat), "The value '1e40' is not a valid float value."},
      {rejected("1,5", StringUtils::toDouble), "The value '1,5' is not a valid double value."},
      {rejected("2147483648", StringUtils::stringToInt), "Can't convert 2147483648 to integer"},
      {rejected("99999999999999999999", StringUtils::stringToInt),
       "Can't convert 99999999999999999999 to integer"},
      {rejected("12 ", StringUtils::stringToInt), "Can't convert 12  to integer"},
      {messageOf<UtilException>([] { StringUtils::hexStringToByteArray("00 1"); }),
       "Cannot convert character ' ' to uint8_t"},
      {messageOf<UtilException>([] { StringUtils::hexCharToByte('g'); }),
       "Cannot convert character 'g' to uint8_t"},
      {messageOf<UtilException>([] { StringUtils::hexCharToByte('G'); }),
       "Cannot convert character 'G' to uint8_t"},
  };
  for (const auto& [error, expected] : cases) EXPECT_EQ(error, expected);
  EXPECT_EQ(StringUtils::hexStringToByteArray("0aFf7f80abc"),
            (std::vector<signed char>{10, -1, 127, -128, -85}));
}

TEST(StringUtilsTest, TextHelpersCutAndReplaceAsDocumented) {
  const Texts replaced = {{StringUtils::replaceAll("aaa", "aa", "b"), "ba"},
                          {StringUtils::replaceAll("abc", "b", "bb"), "abbc"},
                          {StringUtils::replaceAll("abc", "", "z"), "abc"}};
  for (const auto& [text, expected] : replaced) EXPECT_EQ(text, expected);
  for (const auto& [text, expected] : Texts{{"  a b \t\n", "a b"}, {" \t\n ", ""}, {"\rx\r", "\rx\r"}}) {
    std::string trimmed = text;
    StringUtils::trim(trimmed);
    EXPECT_EQ(trimmed, expected);
  }
  std::vector<std::string> tokens = {"x"};
  StringUtils::tokenize("a,b;;c", tokens, ",;");
  EXPECT_EQ(tokens, (std::vector<std::string>{"x", "a", "b", "c"}));
  // With a limit the rest is the last token; tokens already held count towards it.
  struct Limited {
    std::vector<std::string> before;
    std::string text;
    unsigned long max;
    std::vector<std::string> after;
  };
  for (const Limited& c : std::vector<Limited>{{{}, "a  b   c  d ", 3, {"a", "b", "c  d "}},
                                               {{}, "  abc", 3, {"  abc"}},
                                               {{}, "a b c", 0, {"a b c"}},
                                               {{}, "a   ", 2, {"a"}},
                                               {{}, "a b c", 10, {"a", "b", "c"}},
                                               {{"x"}, "a b c", 3, {"x", "a", "b c"}},
                                               {{"x", "y"}, "a b c", 3, {"x", "y", "a b c"}}}) {
    std::vector<std::string> limited = c.before;
    StringUtils::tokenize(c.text, limited, c.max, " ");
    EXPECT_EQ(limited, c.after) << c.text << " " << c.max;
  }
}

TEST(ConverterTest, WritesBitPatternsHexAndEscapes) {
  const Texts cases = {
      {Converter::toString(static_cast<signed char>(-85)), "AB"},
      {Converter::toString(static_cast<signed char>(10)), "0A"},
      {Converter::toString(false), "false"},
      {Converter::toString(static_cast<short>(-32768)), "-32768"},
      {Converter::toString(std::numeric_limits<long>::min()), "-9223372036854775808"},
      {Converter::toString(18446744073709551615ul), "18446744073709551615"},
      {Converter::toString(0.1f), "1036831949"},
      {Converter::toString(-0.0), "-9223372036854775808"},
      {Converter::toString(' '), "%20"},
      {Converter::toString('0'), "0"},
      {Converter::toString(static_cast<const char*>(nullptr)), ""},
      {Converter::toString("a b,c 100%/:~0Az_\n\t\x01\xc3\xa9\x7f\x80\xff"),
       "a%20b%2Cc%20100%25%2F:~0Az_%0A%09%01%C3%A9\x7f%80%FF"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  std::string all;  // every byte survives escape and unescape
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(unescape(Converter::toString(all.c_str()).c_str()), all);
}

TEST(ConverterTest, FloatsAndDoublesIncludingNanPayloadsRoundTripBitForBit) {
  for (std::uint32_t bits :
       {0u, 0x80000000u, 0x00000001u, 0x7f7fffffu, 0xff800000u, 0x7f800001u, 0xffc0beefu}) {
    EXPECT_EQ(bitsOf(Converter::strToFloat(Converter::toString(fromBits<float>(bits)).c_str())), bits);
  }
  for (std::uint64_t bits : {0x8000000000000000ull, 0x0000000000000001ull, 0x7fefffffffffffffull,
                             0xfff0000000000000ull, 0x7ff0000000000001ull, 0xfff8dead0000beefull}) {
    EXPECT_EQ(bitsOf(Converter::strToDouble(Converter::toString(fromBits<double>(bits)).c_str())), bits);
  }
}

TEST(ConverterTest, ReadsStrictlyAndNamesWhatItCannotRead) {
  const Texts texts = {{unescape("%%41"), "A"},
                       {unescape("a%"), "a"},
                       {unescape("x%4a%4Ay"), "xJJy"},
                       {unescape(nullptr), ""}};
  for (const auto& [text, expected] : texts) EXPECT_EQ(text, expected);
  EXPECT_EQ(Converter::strToByte("7fzz") + Converter::strToShort("70000") + Converter::strToInt("+5"),
            127 + 4464 + 5);
  EXPECT_EQ(Converter::strToLong("9223372036854775807"), std::numeric_limits<long>::max());
  EXPECT_TRUE(Converter::strToBool("true") && !Converter::strToBool("false"));
  const auto error = [](auto read) { return messageOf<DataException>(read); };
  const Texts cases = {
      {error([] { delete[] Converter::strToString("ab%4%41"); }), "Incorrect hex string: '4'"},
      {error([] { delete[] Converter::strToString("%1Gx"); }), "Incorrect hex char: 'G'"},
      {error([] { delete[] Converter::strToString("%G1x"); }), "Incorrect hex char: 'G'"},
      {error([] { delete[] Converter::strToString("%2 "); }), "Incorrect hex char: ' '"},
      {error([] { Converter::strToByte(""); }), "Incorrect hex string: ''"},
      {error([] { Converter::strToByte("0g"); }), "Incorrect hex char: 'g'"},
      {error([] { Converter::strToInt(" 5"); }),
       "boost::lexical_cast() : Can't convert string ' 5' to number."},
      {error([] { Converter::strToDouble("1.0"); }),
       "boost::lexical_cast() : Can't convert string '1.0' to number."},
      {error([] { Converter::strToBool("TRUE"); }),
       "Incorrect value 'TRUE' for boolean data type (true or false)"},
  };
  for (const auto& [message, expected] : cases) EXPECT_EQ(message, expected);
}

}  // namespace
