// Value texts and strict parses (StringUtils) and the bit-exact codec of the string
// format (Converter).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "data/DataException.h"
#include "data/serialization/Converter.h"
#include "data/StringUtils.h"

namespace yox {
namespace {

using data::DataException;
using data::impl::Converter;
using util::StringUtils;
using util::UtilException;

template <typename Exception, typename Call>
std::string errorOf(Call call) {
  try {
    call();
  } catch (const Exception& e) {
    return e.what();
  }
  return "<no exception>";
}

float floatFromBits(std::uint32_t bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double doubleFromBits(std::uint64_t bits) {
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::uint32_t bitsOf(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::uint64_t bitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

std::string unescape(const char* text) {
  std::unique_ptr<char[]> owned(Converter::strToString(text));
  return owned.get();
}

// ---- StringUtils: texts ----

TEST(StringUtilsTest, IntegersPrintAsPlainDecimal) {
  EXPECT_EQ(StringUtils::toString(static_cast<signed char>(-128)), "-128");
  EXPECT_EQ(StringUtils::toString(static_cast<signed char>(65)), "65");
  EXPECT_EQ(StringUtils::toString(static_cast<unsigned char>(255)), "255");
  EXPECT_EQ(StringUtils::toString(static_cast<short>(-32768)), "-32768");
  EXPECT_EQ(StringUtils::toString(static_cast<unsigned short>(65535)), "65535");
  EXPECT_EQ(StringUtils::toString(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(StringUtils::toString(4294967295u), "4294967295");
  EXPECT_EQ(StringUtils::toString(std::numeric_limits<long>::min()), "-9223372036854775808");
  EXPECT_EQ(StringUtils::toString(std::numeric_limits<unsigned long>::max()), "18446744073709551615");
  EXPECT_EQ(StringUtils::toString(-5LL), "-5");
  EXPECT_EQ(StringUtils::toString(18446744073709551615ULL), "18446744073709551615");
}

TEST(StringUtilsTest, CharactersBoolsAndTextsPrintAsThemselves) {
  EXPECT_EQ(StringUtils::toString('A'), "A");
  EXPECT_EQ(StringUtils::toString("a b"), "a b");
  EXPECT_EQ(StringUtils::toString(static_cast<const char*>(nullptr)), "");
  EXPECT_EQ(StringUtils::toString(true), "true");
  EXPECT_EQ(StringUtils::toString(false), "false");
  // The bool texts are shared statics, not temporaries.
  EXPECT_EQ(&StringUtils::toString(true), &StringUtils::toString(true));
}

TEST(StringUtilsTest, FloatingValuesPrintWithNineOrSeventeenDigits) {
  const std::vector<std::pair<float, std::string>> floats = {
      {1.5f, "1.5"},
      {0.1f, "0.100000001"},
      {-0.0f, "-0"},
      {16777216.0f, "16777216"},
      {std::numeric_limits<float>::max(), "3.40282347e+38"},
      {std::numeric_limits<float>::denorm_min(), "1.40129846e-45"},
      {std::numeric_limits<float>::infinity(), "inf"},
      {-std::numeric_limits<float>::infinity(), "-inf"},
      {std::numeric_limits<float>::quiet_NaN(), "nan"},
      {-std::numeric_limits<float>::quiet_NaN(), "-nan"},
      {floatFromBits(0xffc00123u), "-nan"},
  };
  for (const auto& c : floats) EXPECT_EQ(StringUtils::toString(c.first), c.second);

  const std::vector<std::pair<double, std::string>> doubles = {
      {1.0 / 3.0, "0.33333333333333331"},
      {0.1, "0.10000000000000001"},
      {2.0, "2"},
      {-0.0, "-0"},
      {1e300, "1.0000000000000001e+300"},
      {std::numeric_limits<double>::infinity(), "inf"},
      {-std::numeric_limits<double>::infinity(), "-inf"},
      {std::numeric_limits<double>::quiet_NaN(), "nan"},
      {doubleFromBits(0xfff8000000000001ull), "-nan"},
  };
  for (const auto& c : doubles) EXPECT_EQ(StringUtils::toString(c.first), c.second);
}

TEST(StringUtilsTest, FixedDecimalsFollowPrintf) {
  EXPECT_EQ(StringUtils::toString(3.14159, 2ul), "3.14");
  EXPECT_EQ(StringUtils::toString(1.0, 3ul), "1.000");
  EXPECT_EQ(StringUtils::toString(2.5f, 0ul), "2");
  EXPECT_EQ(StringUtils::toString(-0.125f, 2ul), "-0.12");
  // Longer than format()'s 1023 characters: still complete.
  EXPECT_EQ(StringUtils::toString(0.5, 2000ul).size(), 2002u);
}

TEST(StringUtilsTest, PointerPrintsAsTheStreamDoes) {
  int object = 0;
  const std::string text = StringUtils::toString(static_cast<void*>(&object));
  ASSERT_EQ(text.rfind("0x", 0), 0u);
  EXPECT_EQ(std::strtoull(text.c_str(), nullptr, 16), reinterpret_cast<std::uintptr_t>(&object));
}

TEST(StringUtilsTest, CaseMappingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(StringUtils::toUpper("abc-XyZ 09\xc3\xa9"), "ABC-XYZ 09\xc3\xa9");
  EXPECT_EQ(StringUtils::toLower("ABC-xYz 09\xc3\x89"), "abc-xyz 09\xc3\x89");
  EXPECT_EQ(StringUtils::toUpper(""), "");
}

TEST(StringUtilsTest, FormatIsPrintfCutAt1023Characters) {
  EXPECT_EQ(StringUtils::format("%s=%d %lld %.2f", "x", -3, 1LL << 40, 0.5), "x=-3 1099511627776 0.50");
  EXPECT_EQ(StringUtils::format("%s", std::string(1023, 'a').c_str()), std::string(1023, 'a'));
  EXPECT_EQ(StringUtils::format("%s!", std::string(5000, 'b').c_str()), std::string(1023, 'b'));
}

// ---- StringUtils: strict parses ----

TEST(StringUtilsTest, ToBoolAcceptsDigitsAndWordsInAnyCase) {
  const std::vector<std::pair<std::string, bool>> accepted = {
      {"1", true},  {"true", true},   {"TRUE", true},   {"True", true},
      {"0", false}, {"false", false}, {"FALSE", false}, {"fAlSe", false},
  };
  for (const auto& c : accepted) EXPECT_EQ(StringUtils::toBool(c.first), c.second) << c.first;
  for (const std::string text : {"yes", " true", "true ", "", "2", "01", "+1", "t"}) {
    EXPECT_EQ(errorOf<UtilException>([&] { StringUtils::toBool(text); }),
              "The value '" + text + "' is not a valid boolean value.");
  }
}

TEST(StringUtilsTest, IntegerParsesAreStrict) {
  EXPECT_EQ(StringUtils::toByte("127"), 127);
  EXPECT_EQ(StringUtils::toByte("-128"), -128);
  EXPECT_EQ(StringUtils::toByte("+5"), 5);
  EXPECT_EQ(StringUtils::toShort("-32768"), -32768);
  EXPECT_EQ(StringUtils::toShort("32767"), 32767);
  EXPECT_EQ(StringUtils::toInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(StringUtils::toInt("007"), 7);
  EXPECT_EQ(StringUtils::toLong("9223372036854775807"), std::numeric_limits<long>::max());
  EXPECT_EQ(StringUtils::toLong("-9223372036854775808"), std::numeric_limits<long>::min());

  struct Rejected {
    const char* text;
    std::string (*parse)(const std::string&);
    const char* typeName;
  };
  const auto byteParse = [](const std::string& t) { return std::to_string(StringUtils::toByte(t)); };
  const auto shortParse = [](const std::string& t) { return std::to_string(StringUtils::toShort(t)); };
  const auto intParse = [](const std::string& t) { return std::to_string(StringUtils::toInt(t)); };
  const auto longParse = [](const std::string& t) { return std::to_string(StringUtils::toLong(t)); };
  const std::vector<Rejected> rejected = {
      {"128", byteParse, "int8_t"},        {"-129", byteParse, "int8_t"},
      {" 5", byteParse, "int8_t"},         {"", byteParse, "int8_t"},
      {"32768", shortParse, "int16_t"},    {"1.0", shortParse, "int16_t"},
      {"2147483648", intParse, "int32_t"}, {"1e3", intParse, "int32_t"},
      {"5 ", intParse, "int32_t"},         {"0x10", intParse, "int32_t"},
      {"-", intParse, "int32_t"},          {"9223372036854775808", longParse, "int64_t"},
      {"12a", longParse, "int64_t"},
  };
  for (const Rejected& c : rejected) {
    EXPECT_EQ(errorOf<UtilException>([&] { c.parse(c.text); }),
              std::string("The value '") + c.text + "' is not a valid " + c.typeName + " value.");
  }
}

TEST(StringUtilsTest, FloatingParsesAcceptNumbersAndSpecialWords) {
  EXPECT_EQ(StringUtils::toFloat("1.5"), 1.5f);
  EXPECT_EQ(StringUtils::toFloat("-2e3"), -2000.0f);
  EXPECT_EQ(StringUtils::toDouble("0.1"), 0.1);
  EXPECT_EQ(StringUtils::toDouble("1e300"), 1e300);
  EXPECT_TRUE(std::isinf(StringUtils::toFloat("INF")));
  EXPECT_TRUE(std::isinf(StringUtils::toDouble("-Infinity")));
  EXPECT_LT(StringUtils::toDouble("-inf"), 0);
  EXPECT_EQ(StringUtils::toDouble("1e40"), 1e40);
  EXPECT_EQ(errorOf<UtilException>([] { StringUtils::toFloat("1e40"); }),
            "The value '1e40' is not a valid float value.");
  EXPECT_TRUE(std::isnan(StringUtils::toFloat("nan")));
  EXPECT_TRUE(std::isnan(StringUtils::toDouble("NaN")));
  for (const std::string text : {"", "abc", "1.5x", " 1.5", "1,5"}) {
    EXPECT_EQ(errorOf<UtilException>([&] { StringUtils::toFloat(text); }),
              "The value '" + text + "' is not a valid float value.");
    EXPECT_EQ(errorOf<UtilException>([&] { StringUtils::toDouble(text); }),
              "The value '" + text + "' is not a valid double value.");
  }
}

TEST(StringUtilsTest, StringToIntIsLenientStrtol) {
  const std::vector<std::pair<std::string, int>> accepted = {
      {"", 0}, {"42", 42}, {"-7", -7}, {"  13", 13}, {"+3", 3}, {"2147483647", 2147483647}};
  for (const auto& c : accepted) EXPECT_EQ(StringUtils::stringToInt(c.first), c.second) << c.first;
  for (const std::string text : {"12a", "12 ", "abc", "2147483648", "99999999999999999999", "1.5"}) {
    EXPECT_EQ(errorOf<UtilException>([&] { StringUtils::stringToInt(text); }),
              "Can't convert " + text + " to integer");
  }
}

// ---- StringUtils: text helpers ----

TEST(StringUtilsTest, ReplaceAllNeverRescansInsertedText) {
  struct Case {
    const char* text;
    const char* from;
    const char* to;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"a.b.c", ".", "::", "a::b::c"}, {"aaa", "aa", "b", "ba"}, {"abc", "b", "bb", "abbc"},
      {"abc", "x", "y", "abc"},        {"", "a", "b", ""},       {"xx", "x", "", ""},
      {"abc", "", "z", "abc"},
  };
  for (const Case& c : cases) EXPECT_EQ(StringUtils::replaceAll(c.text, c.from, c.to), c.expected) << c.text;
}

TEST(StringUtilsTest, TrimRemovesBlanksTabsAndLineFeedsOnly) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"  a b \t\n", "a b"}, {" \t\n ", ""}, {"", ""}, {"\rx\r", "\rx\r"}, {"x", "x"}, {"\n\nx", "x"}};
  for (const auto& c : cases) {
    std::string text = c.first;
    StringUtils::trim(text);
    EXPECT_EQ(text, c.second);
  }
}

TEST(StringUtilsTest, TokenizeAppendsNonEmptyPieces) {
  struct Case {
    std::vector<std::string> before;
    std::string text;
    std::string delimiters;
    std::vector<std::string> after;
  };
  const std::vector<Case> cases = {
      {{}, "  a  b ", " ", {"a", "b"}},
      {{}, "a,b;;c", ",;", {"a", "b", "c"}},
      {{}, "", " ", {}},
      {{}, "   ", " ", {}},
      {{"x"}, "a b", " ", {"x", "a", "b"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> tokens = c.before;
    StringUtils::tokenize(c.text, tokens, c.delimiters);
    EXPECT_EQ(tokens, c.after) << c.text;
  }
}

TEST(StringUtilsTest, TokenizeWithLimitKeepsTheRestAsLastToken) {
  struct Case {
    std::vector<std::string> before;
    std::string text;
    unsigned long maxTokens;
    std::vector<std::string> after;
  };
  const std::vector<Case> cases = {
      {{}, "a b c d", 2, {"a", "b c d"}},
      {{}, "a b c d", 3, {"a", "b", "c d"}},
      {{}, "a  b   c  d ", 3, {"a", "b", "c  d "}},
      {{}, "a b c", 10, {"a", "b", "c"}},
      {{}, "abc", 3, {"abc"}},
      {{}, "  abc", 3, {"  abc"}},
      {{}, "a b c", 1, {"a b c"}},
      {{}, "a b c", 0, {"a b c"}},
      {{}, "a b ", 2, {"a", "b "}},
      {{}, "a   ", 2, {"a"}},
      // Strings already held count towards the limit.
      {{"x"}, "a b c", 3, {"x", "a", "b c"}},
      {{"x", "y"}, "a b c", 3, {"x", "y", "a b c"}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> tokens = c.before;
    StringUtils::tokenize(c.text, tokens, c.maxTokens, " ");
    EXPECT_EQ(tokens, c.after) << "'" << c.text << "' max " << c.maxTokens;
  }
}

TEST(StringUtilsTest, HexDecodingAcceptsBothCasesAndNamesTheBadCharacter) {
  EXPECT_EQ(StringUtils::hexCharToByte('0'), 0);
  EXPECT_EQ(StringUtils::hexCharToByte('a'), 10);
  EXPECT_EQ(StringUtils::hexCharToByte('F'), 15);
  EXPECT_EQ(StringUtils::hexStringToByteArray("0aFf7f80"), (std::vector<signed char>{10, -1, 127, -128}));
  EXPECT_EQ(StringUtils::hexStringToByteArray("abc"), (std::vector<signed char>{-85}));
  EXPECT_TRUE(StringUtils::hexStringToByteArray("").empty());
  EXPECT_EQ(errorOf<UtilException>([] { StringUtils::hexCharToByte('g'); }),
            "Cannot convert character 'g' to uint8_t");
  EXPECT_EQ(errorOf<UtilException>([] { StringUtils::hexStringToByteArray("00 1"); }),
            "Cannot convert character ' ' to uint8_t");
}

TEST(StringUtilsTest, IpToStringNeedsExactlyFourBytes) {
  EXPECT_EQ(StringUtils::ipToString({static_cast<signed char>(192), static_cast<signed char>(168), 0, 1}),
            "192.168.0.1");
  EXPECT_EQ(StringUtils::ipToString({-1, -1, -1, -1}), "255.255.255.255");
  EXPECT_EQ(StringUtils::ipToString({10, 0, 0}), "<invalid IP>");
  EXPECT_EQ(StringUtils::ipToString({1, 2, 3, 4, 5}), "<invalid IP>");
  EXPECT_EQ(StringUtils::ipToString({}), "<invalid IP>");
}

// ---- Converter: writing side ----

TEST(ConverterTest, BytesAreTwoUpperCaseHexDigits) {
  const std::vector<std::pair<int, std::string>> cases = {{0, "00"},    {10, "0A"},  {-1, "FF"},
                                                          {-128, "80"}, {127, "7F"}, {-85, "AB"}};
  for (const auto& c : cases) {
    EXPECT_EQ(Converter::toString(static_cast<signed char>(c.first)), c.second);
    EXPECT_EQ(Converter::strToByte(c.second.c_str()), c.first);
  }
}

TEST(ConverterTest, IntegersAndBoolsArePlainTexts) {
  EXPECT_EQ(Converter::toString(true), "true");
  EXPECT_EQ(Converter::toString(false), "false");
  EXPECT_EQ(Converter::toString(static_cast<short>(-32768)), "-32768");
  EXPECT_EQ(Converter::toString(-7), "-7");
  EXPECT_EQ(Converter::toString(std::numeric_limits<long>::min()), "-9223372036854775808");
  EXPECT_EQ(Converter::toString(18446744073709551615ul), "18446744073709551615");
}

TEST(ConverterTest, FloatingValuesAreWrittenAsTheirBitPatterns) {
  EXPECT_EQ(Converter::toString(1.0f), "1065353216");
  EXPECT_EQ(Converter::toString(0.1f), "1036831949");
  EXPECT_EQ(Converter::toString(-0.0f), "-2147483648");
  EXPECT_EQ(Converter::toString(1.0), "4607182418800017408");
  EXPECT_EQ(Converter::toString(-0.0), "-9223372036854775808");
  EXPECT_EQ(Converter::strToFloat("1036831949"), 0.1f);
  EXPECT_EQ(Converter::strToDouble("4607182418800017408"), 1.0);
}

TEST(ConverterTest, FloatsAndDoublesIncludingNanPayloadsRoundTripBitForBit) {
  const std::vector<std::uint32_t> floatBits = {
      0u,          0x80000000u, 0x3f800000u, 0x00000001u, 0x807fffffu, 0x7f7fffffu,
      0x7f800000u, 0xff800000u, 0x7fc00000u, 0x7f800001u, 0xffc0beefu, 0x7fbfffffu,
  };
  for (std::uint32_t bits : floatBits) {
    const float value = floatFromBits(bits);
    EXPECT_EQ(bitsOf(Converter::strToFloat(Converter::toString(value).c_str())), bits) << std::hex << bits;
  }
  const std::vector<std::uint64_t> doubleBits = {
      0ull,
      0x8000000000000000ull,
      0x3ff0000000000000ull,
      0x0000000000000001ull,
      0x7fefffffffffffffull,
      0x7ff0000000000000ull,
      0xfff0000000000000ull,
      0x7ff8000000000000ull,
      0x7ff0000000000001ull,
      0xfff8dead0000beefull,
      0x7ff7ffffffffffffull,
  };
  for (std::uint64_t bits : doubleBits) {
    const double value = doubleFromBits(bits);
    EXPECT_EQ(bitsOf(Converter::strToDouble(Converter::toString(value).c_str())), bits) << std::hex << bits;
  }
}

TEST(ConverterTest, TextsArePercentEscapedBelowTheDigitZero) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"a b,c", "a%20b%2Cc"},
      {"100%", "100%25"},
      {"/", "%2F"},
      {":~", ":~"},
      {"0Az_", "0Az_"},
      {"\n\t\x01", "%0A%09%01"},
      {"\xc3\xa9", "%C3%A9"},
      {"\x7f\x80\xff", "\x7f%80%FF"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Converter::toString(c.first.c_str()), c.second) << c.first;
    EXPECT_EQ(unescape(c.second.c_str()), c.first) << c.second;
  }
  EXPECT_EQ(Converter::toString(' '), "%20");
  EXPECT_EQ(Converter::toString('0'), "0");
  EXPECT_EQ(Converter::toString(static_cast<const char*>(nullptr)), "");
}

TEST(ConverterTest, EveryByteSurvivesEscapeAndUnescape) {
  std::string all;
  for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
  const std::string escaped = Converter::toString(all.c_str());
  EXPECT_EQ(escaped.find_first_of(std::string(" ,\n\0", 4)), std::string::npos);
  EXPECT_EQ(unescape(escaped.c_str()), all);
}

// ---- Converter: reading side ----

TEST(ConverterTest, UnescapeSkipsEmptyPiecesAndKeepsLiteralText) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"%41BC", "ABC"}, {"abc", "abc"},       {"", ""}, {"a%", "a"}, {"%%41", "A"},
      {"%4a%4A", "JJ"}, {"x%41%42y", "xABy"},
  };
  for (const auto& c : cases) EXPECT_EQ(unescape(c.first.c_str()), c.second) << c.first;
  EXPECT_EQ(unescape(nullptr), "");
}

TEST(ConverterTest, MalformedHexIsReportedWithTheOffendingPieceOrCharacter) {
  const std::vector<std::pair<std::string, std::string>> unescapeCases = {
      {"%4", "Incorrect hex string: '4'"}, {"ab%4%41", "Incorrect hex string: '4'"},
      {"%G1x", "Incorrect hex char: 'G'"}, {"%1Gx", "Incorrect hex char: 'G'"},
      {"%2 ", "Incorrect hex char: ' '"},
  };
  for (const auto& c : unescapeCases) {
    EXPECT_EQ(errorOf<DataException>([&] { delete[] Converter::strToString(c.first.c_str()); }), c.second);
  }
  const std::vector<std::pair<std::string, std::string>> byteCases = {
      {"8", "Incorrect hex string: '8'"},
      {"", "Incorrect hex string: ''"},
      {"G0", "Incorrect hex char: 'G'"},
      {"0g", "Incorrect hex char: 'g'"},
  };
  for (const auto& c : byteCases) {
    EXPECT_EQ(errorOf<DataException>([&] { Converter::strToByte(c.first.c_str()); }), c.second);
  }
  // Only the first two characters count.
  EXPECT_EQ(Converter::strToByte("7fzz"), 127);
}

TEST(ConverterTest, DecimalReadersAreStrictLexicalCasts) {
  EXPECT_EQ(Converter::strToShort("70000"), 4464);
  EXPECT_EQ(Converter::strToShort("-1"), -1);
  EXPECT_EQ(Converter::strToInt("+5"), 5);
  EXPECT_EQ(Converter::strToInt("-2147483648"), -2147483647 - 1);
  EXPECT_EQ(Converter::strToLong("9223372036854775807"), std::numeric_limits<long>::max());

  struct Rejected {
    const char* text;
    void (*parse)(const char*);
  };
  const std::vector<Rejected> rejected = {
      {"1e3", [](const char* t) { Converter::strToInt(t); }},
      {" 5", [](const char* t) { Converter::strToInt(t); }},
      {"", [](const char* t) { Converter::strToInt(t); }},
      {"2147483648", [](const char* t) { Converter::strToInt(t); }},
      {"2147483648", [](const char* t) { Converter::strToShort(t); }},
      {"2147483648", [](const char* t) { Converter::strToFloat(t); }},
      {"9223372036854775808", [](const char* t) { Converter::strToLong(t); }},
      {"1.0", [](const char* t) { Converter::strToDouble(t); }},
  };
  for (const Rejected& c : rejected) {
    EXPECT_EQ(errorOf<DataException>([&] { c.parse(c.text); }),
              std::string("boost::lexical_cast() : Can't convert string '") + c.text + "' to number.");
  }
}

TEST(ConverterTest, BoolReaderAcceptsExactlyTrueAndFalse) {
  EXPECT_TRUE(Converter::strToBool("true"));
  EXPECT_FALSE(Converter::strToBool("false"));
  for (const std::string text : {"TRUE", "1", "", "true "}) {
    EXPECT_EQ(errorOf<DataException>([&] { Converter::strToBool(text.c_str()); }),
              "Incorrect value '" + text + "' for boolean data type (true or false)");
  }
}

}  // namespace
}  // namespace yox

// Boost's lexical_cast<short> overflowed a signed intermediate on these texts.
TEST(StringUtilsRegression, ShortParseOfMalformedTextFailsCleanly) {
  for (const char* text : {"(22004", "x-22004", "40000"}) {
    try {
      yox::util::StringUtils::toShort(text);
      ADD_FAILURE() << "accepted " << text;
    } catch (const yox::util::UtilException& e) {
      EXPECT_EQ(std::string(e.what()), std::string("The value '") + text + "' is not a valid int16_t value.");
    }
  }
}
