#include "base/CommonUtilities.h"

#include <cstdlib>
#include <utility>

#include "base/LogIt.h"

std::vector<std::string> CommonUtilities::splitString(const std::string& text,
                                                      const std::string& delimiters) {
  std::vector<std::string> tokens;
  std::string::size_type start = 0;
  for (;;) {
    const std::string::size_type pos = text.find_first_of(delimiters, start);
    if (pos == std::string::npos) {
      tokens.push_back(text.substr(start));
      break;
    }
    tokens.push_back(text.substr(start, pos - start));
    start = pos + 1;
  }
  return resolveEscapeCharacters(tokens, delimiters);
}

std::vector<std::string> CommonUtilities::resolveEscapeCharacters(const std::vector<std::string>& tokens,
                                                                  const std::string& delimiters) {
  std::vector<std::string> result;
  result.reserve(tokens.size());
  for (size_t i = 0; i < tokens.size(); ++i) {
    const std::string& token = tokens[i];
    const std::string::size_type firstBackslash = token.find('\\');
    const bool escapedEnd = firstBackslash != std::string::npos && firstBackslash == token.size() - 1;
    if (escapedEnd && i + 1 < tokens.size()) {
      result.push_back(token.substr(0, token.size() - 1) + delimiters + tokens[i + 1]);
      ++i;
    } else {
      result.push_back(token);
    }
  }
  return result;
}

bool CommonUtilities::setEnvironmentVariable(const std::string& name, const std::string& value,
                                             const int& overwrite) {
  YOX_LOG(kLogProgress, -1) << "setEnvironmentVariable called with name [" << name << "] value [" << value
                            << "] overwrite [" << overwrite << "], calling setenv...";
  const int rc = setenv(name.c_str(), value.c_str(), overwrite);
  if (rc != 0) {
    YOX_LOG(kLogWarning, -1) << "setEnvironmentVariable Call to set environment variable name [" << name
                             << "] value [" << value << "] overwrite [" << overwrite
                             << "] failed, setenv returned [" << rc << "]";
  }
  const char* actual = getenv(name.c_str());
  if (actual == nullptr) {
    YOX_LOG(kLogError, -1) << "setEnvironmentVariable Call to set environment variable name [" << name
                           << "] value [" << value << "] overwrite [" << overwrite
                           << "] failed, environment value is [NULL]";
    return false;
  }
  if (value == actual) {
    YOX_LOG(kLogProgress, -1) << "setEnvironmentVariable environment variable name [" << name << "] value ["
                              << value << "] overwrite [" << overwrite << "] is set";
    return true;
  }
  YOX_LOG(kLogError, -1) << "setEnvironmentVariable Call to set environment variable name [" << name
                         << "] value [" << value << "] overwrite [" << overwrite
                         << "] failed, environment value is [" << actual << "]";
  return false;
}

std::string toHexString(char byte) {
  static const char kDigits[] = "0123456789ABCDEF";
  const unsigned char b = static_cast<unsigned char>(byte);
  return std::string("0x") + kDigits[b >> 4] + kDigits[b & 0x0F];
}

std::string toHexString(const char* buffer, const unsigned long& count) {
  std::string text = "byte count [" + std::to_string(count) + "] values [";
  for (unsigned long i = 0; i < count; ++i) {
    if (i != 0) text += ", ";
    text += toHexString(buffer[i]);
  }
  return text + "]";
}

void reverseBytes(char* buffer, unsigned long count) {
  if (count < 2) return;
  for (unsigned long front = 0, back = count - 1; front < back; ++front, --back) {
    std::swap(buffer[front], buffer[back]);
  }
}
