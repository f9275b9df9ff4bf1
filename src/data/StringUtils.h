// Text and number conversions shared by the data library: value texts for entry
// dumps and messages, strict number/boolean parsing for the CSV reader, printf-style
// formatting, tokenizing, trimming and small hex/IP helpers. All operations are static
// and re-entrant.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/Export.h"

namespace yox {
namespace util {

// Raised by StringUtils for text that does not convert; carries only its message.
class YOX_EXPORT UtilException : public std::runtime_error {
 public:
  explicit UtilException(const std::string& message);
  ~UtilException() noexcept override;
};

// Input echoed in a message, made safe for a terminal or a log: at most limit bytes of
// text (then "..."), every byte below 0x20, 0x7F and every byte from 0x80 written as
// \xHH, and a backslash as \\ so that the excerpt is unambiguous.
YOX_EXPORT std::string printableExcerpt(std::string_view text, size_t limit = 80);

// Input echoed in a message whose wording is fixed: unchanged up to limit bytes, then cut
// and followed by "...", so that a huge input does not give a huge message.
YOX_EXPORT std::string boundedEcho(std::string_view text, size_t limit = 1023);

class YOX_EXPORT StringUtils {
 public:
  // Copies with every byte passed through the C toupper / tolower.
  static std::string toUpper(const std::string& text);
  static std::string toLower(const std::string& text);

  // printf-style formatting; the result is cut to at most 1023 characters.
  static std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

  // Reference to a static "true" / "false" that lives as long as the library.
  static const std::string& toString(bool value);
  // A one-character string.
  static std::string toString(char value);
  // A copy of the text; a null pointer gives the empty string.
  static std::string toString(const char* value);
  // Plain decimal; the char types print as numbers.
  static std::string toString(signed char value);
  static std::string toString(unsigned char value);
  static std::string toString(short value);
  static std::string toString(unsigned short value);
  static std::string toString(int value);
  static std::string toString(unsigned int value);
  static std::string toString(long value);
  static std::string toString(unsigned long value);
  static std::string toString(long long value);
  static std::string toString(unsigned long long value);
  // "%.*g" with 9 (float) or 17 (double) significant digits; "nan"/"-nan", "inf"/"-inf".
  static std::string toString(float value);
  static std::string toString(double value);
  // "%.*f" with the given number of decimals.
  static std::string toString(float value, unsigned long decimals);
  static std::string toString(double value, unsigned long decimals);
  // The pointer as the standard stream prints it.
  static std::string toString(void* value);

  // "0"/"false" (any case) and "1"/"true" (any case); no trimming. Throws UtilException
  // "The value '<text>' is not a valid boolean value." otherwise.
  static bool toBool(const std::string& text);
  // Strict parses: optional sign, then digits only for the integers; no blanks, no
  // overflow. Each throws UtilException "The value '<text>' is not a valid <type> value."
  static signed char toByte(const std::string& text);
  static short toShort(const std::string& text);
  static int toInt(const std::string& text);
  static long toLong(const std::string& text);
  static float toFloat(const std::string& text);
  static double toDouble(const std::string& text);
  // Lenient base-10 parse (strtol): leading blanks accepted, "" gives 0, the whole text
  // must be consumed and the value must fit an int. Throws UtilException
  // "Can't convert <text> to integer" otherwise.
  static int stringToInt(const std::string& text);

  // Replaces every non-overlapping occurrence of from, scanning left to right; the
  // inserted text is not scanned again. An empty from leaves the text unchanged.
  static std::string replaceAll(const std::string& text, const std::string& from, const std::string& to);
  // Removes leading and trailing blanks, tabs and line feeds in place.
  static void trim(std::string& text);
  // Appends the non-empty pieces of text between delimiters to tokens.
  static void tokenize(const std::string& text, std::vector<std::string>& tokens,
                       const std::string& delimiters);
  // As above, until tokens holds maxTokens - 1 strings (existing ones included); the
  // rest of the text then becomes the last token. With no delimiter after the first
  // piece, or maxTokens below 2, the whole text is appended unchanged.
  static void tokenize(const std::string& text, std::vector<std::string>& tokens, unsigned long maxTokens,
                       const std::string& delimiters);

  // Value 0-15 of one hex digit (either case); throws UtilException
  // "Cannot convert character '<c>' to uint8_t" otherwise.
  static unsigned char hexCharToByte(char c);
  // Two hex digits per byte; an odd last character is ignored.
  static std::vector<signed char> hexStringToByteArray(const std::string& text);
  // Dotted text of exactly four bytes taken as unsigned; "<invalid IP>" otherwise.
  static std::string ipToString(const std::vector<signed char>& bytes);
};

}  // namespace util
}  // namespace yox
