// Value codec of the one-line string format: every value is written in a form that
// reads back bit for bit (floats as their bit pattern, bytes as two hex digits, texts
// percent-escaped), plus the serializer's type names. Failures throw DataException.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "data/DataType.h"

namespace yox {
namespace data {
namespace impl {

class Converter {
 public:
  // Serializer name of a type ("byte", "short_array_2d", "double_multi_array", ...).
  // Throws DataException "Unexpected data type <n>." for a value outside the enumeration.
  static std::string toString(DataType type);
  // Exact inverse of toString(DataType). Throws DataException
  // "DataType name '' is too short." for an empty or null name and
  // "DataType name '<name>' doesn't exist." when nothing matches.
  static DataType strToType(const char* name);
  static DataType strToType(std::string_view name);

  static std::string toString(bool value);           // "true" / "false"
  static std::string toString(signed char value);    // two upper-case hex digits
  static std::string toString(short value);          // decimal
  static std::string toString(int value);            // decimal
  static std::string toString(long value);           // decimal
  static std::string toString(unsigned long value);  // decimal
  static std::string toString(float value);          // bit pattern as a signed 32-bit decimal
  static std::string toString(double value);         // bit pattern as a signed 64-bit decimal
  // The character itself when its signed value is 48 ('0') or more, else "%XX".
  static std::string toString(char value);
  // Every character escaped as toString(char); a null text gives "".
  static std::string toString(const char* value);

  // Each reader takes a NUL-terminated text (null is treated as ""), throws DataException.
  // Exactly "true" or "false".
  static bool strToBool(const char* text);
  // The first two characters as hex digits (either case); the rest is ignored.
  static signed char strToByte(const char* text);
  // Decimal in 32-bit range, cut to 16 bits.
  static short strToShort(const char* text);
  static int strToInt(const char* text);
  static long strToLong(const char* text);
  // The float / double whose bit pattern is the decimal integer.
  static float strToFloat(const char* text);
  static double strToDouble(const char* text);
  // Undoes the percent escape. Returns a new[] array (NUL-terminated) that the caller
  // owns and frees with delete[].
  static char* strToString(const char* text);

  // The same readers on a token that need not be terminated (the string reader's tokens
  // stay inside the text), with the same results and messages.
  static bool strToBool(std::string_view text);
  static signed char strToByte(std::string_view text);
  static int strToInt(std::string_view text);
  static long strToLong(std::string_view text);
  static char* strToString(std::string_view text);
  // Undoes the percent escape of text into out, which has room for text.size()
  // characters; returns the unescaped length (no NUL is written).
  static size_t unescape(std::string_view text, char* out);
  // Writes the escape of the length characters at text to out, which has room for
  // 3 * length characters; returns the end of what was written.
  static char* escape(const char* text, size_t length, char* out);

  // Value 0-15 of one hex digit (either case); throws DataException
  // "Incorrect hex char: '<c>'" otherwise.
  static int hexCharToInt(char c);
};

}  // namespace impl
}  // namespace data
}  // namespace yox
