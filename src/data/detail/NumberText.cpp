#include "data/detail/NumberText.h"

#include <locale.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace yox {
namespace data {
namespace impl {
namespace text {

namespace {

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lower[i]) return false;
  }
  return true;
}

template <class T>
bool parseSpecial(std::string_view text, T& value) {
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  T special;
  if (text.size() >= 3 && equalsIgnoringCase(text.substr(0, 3), "nan")) {
    const std::string_view rest = text.substr(3);
    if (!rest.empty() && (rest.size() < 2 || rest.front() != '(' || rest.back() != ')')) return false;
    special = std::numeric_limits<T>::quiet_NaN();
  } else if (equalsIgnoringCase(text, "inf") || equalsIgnoringCase(text, "infinity")) {
    special = std::numeric_limits<T>::infinity();
  } else {
    return false;
  }
  value = negative ? -special : special;
  return true;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// [+-] digits [. digits] [e [+-] digits], at least one mantissa digit.
bool hasFloatingSyntax(std::string_view text) {
  size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  size_t digits = 0;
  while (at < text.size() && isDigit(text[at])) ++at, ++digits;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && isDigit(text[at])) ++at, ++digits;
  }
  if (digits == 0) return false;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t exponent = 0;
    while (at < text.size() && isDigit(text[at])) ++at, ++exponent;
    if (exponent == 0) return false;
  }
  return at == text.size();
}

// The C locale for strtod_l: created once, never freed.
locale_t classicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  return locale;
}

template <class T, class Parse>
bool parseFloatingText(std::string_view text, T& value, Parse parse) {
  if (parseSpecial(text, value)) return true;
  if (!hasFloatingSyntax(text)) return false;
  // Short texts need no allocation; the syntax check leaves no NUL inside.
  char local[64];
  std::string heap;
  const char* terminated;
  if (text.size() < sizeof local) {
    text.copy(local, text.size());
    local[text.size()] = '\0';
    terminated = local;
  } else {
    heap.assign(text);
    terminated = heap.c_str();
  }
  char* end = nullptr;
  const T parsed = parse(terminated, &end, classicLocale());
  if (end != terminated + text.size() || std::isinf(parsed)) return false;
  value = parsed;
  return true;
}

std::string specialText(double value) {
  if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
  return value < 0 ? "-inf" : "inf";
}

}  // namespace

bool parseFloating(std::string_view text, float& value) { return parseFloatingText(text, value, strtof_l); }

bool parseFloating(std::string_view text, double& value) { return parseFloatingText(text, value, strtod_l); }

std::string formatGeneral(double value, int significantDigits) {
  if (!std::isfinite(value)) return specialText(value);
  char buffer[64];
  const std::to_chars_result result =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, significantDigits);
  return std::string(buffer, result.ptr);
}

std::string formatFixed(double value, unsigned long decimals) {
  if (!std::isfinite(value)) return specialText(value);
  const int precision = decimals > static_cast<unsigned long>(std::numeric_limits<int>::max())
                            ? std::numeric_limits<int>::max()
                            : static_cast<int>(decimals);
  // The integral part of a double has at most 309 digits, plus sign and point.
  std::string text(static_cast<size_t>(precision) + 320, '\0');
  const std::to_chars_result result =
      std::to_chars(&text[0], &text[0] + text.size(), value, std::chars_format::fixed, precision);
  text.resize(static_cast<size_t>(result.ptr - text.data()));
  return text;
}

}  // namespace text
}  // namespace impl
}  // namespace data
}  // namespace yox
