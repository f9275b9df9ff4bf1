#include "data/StringUtils.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <locale>
#include <sstream>

#include "data/detail/NumberText.h"

namespace yox {
namespace util {

UtilException::UtilException(const std::string& message) : std::runtime_error(message) {}
UtilException::~UtilException() noexcept = default;

namespace {

// Reached through functions so that static initialisers elsewhere may already use them.
const std::string& trueText() {
  static const std::string text("true");
  return text;
}
const std::string& falseText() {
  static const std::string text("false");
  return text;
}
// Created while the library loads.
[[maybe_unused]] const bool kTextsCreated = !trueText().empty() && !falseText().empty();

const char* const kTrimmed = " \t\n";

// Runs one strict parse and reports every failure (syntax or range) with one message.
template <typename T, typename Parse>
T strictParse(const std::string& text, const char* typeName, Parse parse) {
  T value;
  if (parse(text, value)) return value;
  throw UtilException(StringUtils::format("The value '%s' is not a valid %s value.", text.c_str(), typeName));
}

template <typename Narrow>
bool parseNarrow(const std::string& text, Narrow& value) {
  int wide;
  if (!data::impl::text::parseDecimal(text, wide)) return false;
  if (wide < std::numeric_limits<Narrow>::min() || wide > std::numeric_limits<Narrow>::max()) return false;
  value = static_cast<Narrow>(wide);
  return true;
}

}  // namespace

std::string StringUtils::toUpper(const std::string& text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return result;
}

std::string StringUtils::toLower(const std::string& text) {
  std::string result(text);
  for (char& c : result) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return result;
}

std::string StringUtils::format(const char* fmt, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, fmt);
  const int written = std::vsnprintf(buffer, sizeof buffer, fmt, args);
  va_end(args);
  if (written < 0) return std::string();
  return buffer;
}

std::string printableExcerpt(std::string_view text, size_t limit) {
  static const char kHex[] = "0123456789ABCDEF";
  const std::string_view shown = text.substr(0, limit);
  std::string out;
  out.reserve(shown.size() + 3);
  for (char c : shown) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte >= 0x7F) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  if (text.size() > limit) out += "...";
  return out;
}

std::string boundedEcho(std::string_view text, size_t limit) {
  if (text.size() <= limit) return std::string(text);
  return std::string(text.substr(0, limit)) + "...";
}

const std::string& StringUtils::toString(bool value) { return value ? trueText() : falseText(); }

std::string StringUtils::toString(char value) { return std::string(1, value); }

std::string StringUtils::toString(const char* value) { return value == nullptr ? std::string() : value; }

std::string StringUtils::toString(signed char value) { return std::to_string(static_cast<int>(value)); }
std::string StringUtils::toString(unsigned char value) {
  return std::to_string(static_cast<unsigned>(value));
}
std::string StringUtils::toString(short value) { return std::to_string(value); }
std::string StringUtils::toString(unsigned short value) { return std::to_string(value); }
std::string StringUtils::toString(int value) { return std::to_string(value); }
std::string StringUtils::toString(unsigned int value) { return std::to_string(value); }
std::string StringUtils::toString(long value) { return std::to_string(value); }
std::string StringUtils::toString(unsigned long value) { return std::to_string(value); }
std::string StringUtils::toString(long long value) { return std::to_string(value); }
std::string StringUtils::toString(unsigned long long value) { return std::to_string(value); }

std::string StringUtils::toString(float value) { return data::impl::text::formatGeneral(value, 9); }
std::string StringUtils::toString(double value) { return data::impl::text::formatGeneral(value, 17); }

std::string StringUtils::toString(float value, unsigned long decimals) {
  return data::impl::text::formatFixed(static_cast<double>(value), decimals);
}
std::string StringUtils::toString(double value, unsigned long decimals) {
  return data::impl::text::formatFixed(value, decimals);
}

std::string StringUtils::toString(void* value) {
  std::ostringstream stream;
  stream.imbue(std::locale::classic());
  stream << value;
  return stream.str();
}

bool StringUtils::toBool(const std::string& text) {
  if (text == "0") return false;
  const std::string lower = toLower(text);
  if (lower == "false") return false;
  if (text == "1") return true;
  if (lower == "true") return true;
  throw UtilException(format("The value '%s' is not a valid boolean value.", text.c_str()));
}

signed char StringUtils::toByte(const std::string& text) {
  return strictParse<signed char>(text, "int8_t", parseNarrow<signed char>);
}

short StringUtils::toShort(const std::string& text) {
  return strictParse<short>(text, "int16_t", parseNarrow<short>);
}

int StringUtils::toInt(const std::string& text) {
  return strictParse<int>(text, "int32_t", data::impl::text::parseDecimal<int>);
}

long StringUtils::toLong(const std::string& text) {
  return strictParse<long>(text, "int64_t", data::impl::text::parseDecimal<long>);
}

float StringUtils::toFloat(const std::string& text) {
  return strictParse<float>(
      text, "float", [](const std::string& t, float& v) { return data::impl::text::parseFloating(t, v); });
}

double StringUtils::toDouble(const std::string& text) {
  return strictParse<double>(
      text, "double", [](const std::string& t, double& v) { return data::impl::text::parseFloating(t, v); });
}

int StringUtils::stringToInt(const std::string& text) {
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  const long value = std::strtol(begin, &end, 10);
  // The size check also refuses texts with an embedded NUL, which strtol cannot see.
  if (errno == ERANGE || value < INT_MIN || value > INT_MAX ||
      static_cast<size_t>(end - begin) != text.size()) {
    throw UtilException("Can't convert " + text + " to integer");
  }
  return static_cast<int>(value);
}

std::string StringUtils::replaceAll(const std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return text;
  std::string result;
  result.reserve(text.size());
  size_t position = 0;
  for (size_t found = text.find(from); found != std::string::npos; found = text.find(from, position)) {
    result.append(text, position, found - position);
    result.append(to);
    position = found + from.size();
  }
  result.append(text, position, std::string::npos);
  return result;
}

void StringUtils::trim(std::string& text) {
  const size_t first = text.find_first_not_of(kTrimmed);
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  const size_t last = text.find_last_not_of(kTrimmed);
  text = text.substr(first, last - first + 1);
}

void StringUtils::tokenize(const std::string& text, std::vector<std::string>& tokens,
                           const std::string& delimiters) {
  size_t start = text.find_first_not_of(delimiters);
  while (start != std::string::npos) {
    const size_t end = text.find_first_of(delimiters, start);
    tokens.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? std::string::npos : text.find_first_not_of(delimiters, end);
  }
}

void StringUtils::tokenize(const std::string& text, std::vector<std::string>& tokens, unsigned long maxTokens,
                           const std::string& delimiters) {
  size_t start = text.find_first_not_of(delimiters);
  const size_t firstEnd =
      start == std::string::npos ? std::string::npos : text.find_first_of(delimiters, start);
  if (firstEnd == std::string::npos || maxTokens < 2) {
    tokens.push_back(text);
    return;
  }
  while (start != std::string::npos && tokens.size() < maxTokens - 1) {
    const size_t end = text.find_first_of(delimiters, start);
    tokens.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? std::string::npos : text.find_first_not_of(delimiters, end);
  }
  if (start != std::string::npos) tokens.push_back(text.substr(start));
}

unsigned char StringUtils::hexCharToByte(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned char>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned char>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<unsigned char>(c - 'A' + 10);
  throw UtilException(std::string("Cannot convert character '") + c + "' to uint8_t");
}

std::vector<signed char> StringUtils::hexStringToByteArray(const std::string& text) {
  std::vector<signed char> bytes;
  bytes.reserve(text.size() / 2);
  for (size_t i = 0; i + 1 < text.size(); i += 2) {
    const unsigned value = hexCharToByte(text[i]) * 16u + hexCharToByte(text[i + 1]);
    bytes.push_back(static_cast<signed char>(static_cast<unsigned char>(value)));
  }
  return bytes;
}

std::string StringUtils::ipToString(const std::vector<signed char>& bytes) {
  if (bytes.size() != 4) return "<invalid IP>";
  return format("%d.%d.%d.%d", static_cast<unsigned char>(bytes[0]), static_cast<unsigned char>(bytes[1]),
                static_cast<unsigned char>(bytes[2]), static_cast<unsigned char>(bytes[3]));
}

}  // namespace util
}  // namespace yox
