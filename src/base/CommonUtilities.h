// Small stateless helpers shared by the mappers and the filter parser.
#pragma once

#include <string>
#include <vector>

#include "base/Export.h"

class YOX_EXPORT CommonUtilities {
 public:
  // Splits at every character of delimiters, keeping empty pieces, then joins
  // pieces separated by a backslash-escaped delimiter (resolveEscapeCharacters).
  static std::vector<std::string> splitString(const std::string& text, const std::string& delimiters);
  // A token whose first backslash is its last character is joined with the next
  // token, the whole delimiters string standing between them.
  static std::vector<std::string> resolveEscapeCharacters(const std::vector<std::string>& tokens,
                                                          const std::string& delimiters);
  // setenv, then reads the variable back; true when it now holds value. Logs each step.
  static bool setEnvironmentVariable(const std::string& name, const std::string& value, const int& overwrite);
};

// "0x" and two upper-case hex digits of the byte.
YOX_EXPORT std::string toHexString(char byte);
// "byte count [n] values [0x.., 0x..]".
YOX_EXPORT std::string toHexString(const char* buffer, const unsigned long& count);
// Reverses count bytes in place; counts below 2 leave the buffer alone.
YOX_EXPORT void reverseBytes(char* buffer, unsigned long count);
