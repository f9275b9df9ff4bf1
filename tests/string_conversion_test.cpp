// Value texts and strict parses (StringUtils) and the bit-exact value codec of the string
// format (Converter).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "data/DataException.h"
#include "data/StringUtils.h"
#include "data/serialization/Converter.h"
#include "support/SerializerTestUtils.h"

namespace {

using yox::data::DataException;
using yox::data::impl::Converter;
using yox::util::StringUtils;
using yox::util::UtilException;
using namespace yox::testing;
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
      {StringUtils::replaceAll("aaa", "aa", "b"), "ba"},
      {StringUtils::replaceAll("abc", "b", "bb"), "abbc"},
      {StringUtils::replaceAll("abc", "", "z"), "abc"},
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
  EXPECT_EQ(StringUtils::hexStringToByteArray("0aFf7f80abc"),
            (std::vector<signed char>{10, -1, 127, -128, -85}));
  const std::vector<
      std::tuple<std::function<void(const std::string&)>, std::string, std::vector<std::string>>>
      strict = {
          {StringUtils::toByte, "int8_t", {"128", "-129", " 5"}},
          {StringUtils::toShort, "int16_t", {"(22004", "x-22004", "32768"}},
          {StringUtils::toInt, "int32_t", {"0x10", "5 "}},
          {StringUtils::toLong, "int64_t", {"9223372036854775808"}},
          {StringUtils::toBool, "boolean", {"01"}},
          {StringUtils::toFloat, "float", {"1e40"}},
          {StringUtils::toDouble, "double", {"1,5"}},
      };
  for (const auto& [parse, type, texts] : strict) {
    for (const std::string& text : texts) {
      EXPECT_EQ(messageOf<UtilException>([&, &parse = parse] { parse(text); }),
                "The value '" + text + "' is not a valid " + type + " value.");
    }
  }
  for (const char* text : {"2147483648", "99999999999999999999", "12 "}) {
    EXPECT_EQ(messageOf<UtilException>([&] { StringUtils::stringToInt(text); }),
              "Can't convert " + std::string(text) + " to integer");
  }
  for (const auto& [text, bad] :
       std::vector<std::pair<std::string, char>>{{"00 1", ' '}, {"g0", 'g'}, {"G0", 'G'}}) {
    EXPECT_EQ(messageOf<UtilException>([&, &text = text] { StringUtils::hexStringToByteArray(text); }),
              "Cannot convert character '" + std::string(1, bad) + "' to uint8_t");
  }
}

TEST(StringUtilsTest, TextHelpersCutAndTokenize) {
  for (const auto& [text, expected] : Texts{{"  a b \t\n", "a b"}, {" \t\n ", ""}, {"\rx\r", "\rx\r"}}) {
    std::string trimmed = text;
    StringUtils::trim(trimmed);
    EXPECT_EQ(trimmed, expected);
  }
  std::vector<std::string> tokens = {"x"};
  StringUtils::tokenize("a,b;;c", tokens, ",;");
  EXPECT_EQ(tokens, (std::vector<std::string>{"x", "a", "b", "c"}));
  // With a limit the rest is the last token; tokens already held count towards it.
  using Tokens = std::vector<std::string>;
  const std::vector<std::tuple<Tokens, std::string, unsigned long, Tokens>> limited = {
      {{}, "a  b   c  d ", 3, {"a", "b", "c  d "}},
      {{}, "  abc", 3, {"  abc"}},
      {{}, "a b c", 0, {"a b c"}},
      {{}, "a   ", 2, {"a"}},
      {{}, "a b c", 10, {"a", "b", "c"}},
      {{"x"}, "a b c", 3, {"x", "a", "b c"}},
      {{"x", "y"}, "a b c", 3, {"x", "y", "a b c"}},
  };
  for (const auto& [before, text, max, after] : limited) {
    Tokens result = before;
    StringUtils::tokenize(text, result, max, " ");
    EXPECT_EQ(result, after) << text << " " << max;
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
      {unescape("%%41"), "A"},
      {unescape("a%"), "a"},
      {unescape("x%4a%4Ay"), "xJJy"},
      {unescape(nullptr), ""},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(text, expected);
  std::string all;  // every byte survives escape and unescape
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  EXPECT_EQ(unescape(Converter::toString(all.c_str()).c_str()), all);
}

TEST(ConverterTest, ReadsStrictlyAndNamesWhatItCannotRead) {
  EXPECT_EQ(Converter::strToByte("7fzz") + Converter::strToShort("70000") + Converter::strToInt("+5"),
            127 + 4464 + 5);
  EXPECT_EQ(Converter::strToLong("9223372036854775807"), std::numeric_limits<long>::max());
  EXPECT_TRUE(Converter::strToBool("true") && !Converter::strToBool("false"));
  const Texts escapes = {{"ab%4%41", "Incorrect hex string: '4'"},
                         {"%1Gx", "Incorrect hex char: 'G'"},
                         {"%G1x", "Incorrect hex char: 'G'"},
                         {"%2 ", "Incorrect hex char: ' '"}};
  for (const auto& [text, error] : escapes)
    EXPECT_EQ(messageOf<DataException>([&] { unescape(text.c_str()); }), error);
  const auto error = [](auto read) { return messageOf<DataException>(read); };
  const Texts cases = {
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
