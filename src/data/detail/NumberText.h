// Number text of the machine formats, independent of the process locale: whatever C or
// C++ locale the host sets, numbers print with a decimal point and no grouping, and
// parse by the classic rules. Internal to the data library.
#pragma once

#include <charconv>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

namespace yox {
namespace data {
namespace impl {
namespace text {

// An optional "+" or "-" followed by decimal digits only, within the range of T.
template <class T>
bool parseDecimal(std::string_view text, T& value) {
  static_assert(std::is_integral<T>::value, "integers only");
  size_t at = 0;
  if (!text.empty() && text[0] == '+')
    at = 1;
  else if (!text.empty() && text[0] == '-' && std::is_signed<T>::value)
    at = 1;
  if (at >= text.size()) return false;
  for (size_t i = at; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  // from_chars takes the minus sign but not the plus.
  const char* first = text.data() + (text[0] == '+' ? 1 : 0);
  const char* last = text.data() + text.size();
  T parsed;
  const std::from_chars_result result = std::from_chars(first, last, parsed, 10);
  if (result.ec != std::errc() || result.ptr != last) return false;
  value = parsed;
  return true;
}

// Floating text as the classic C++ stream reads it, with the stricter edges the format
// has always had: "inf", "infinity" and "nan" (optionally "nan(...)") in any letter case
// with an optional sign; otherwise [+-] digits [. digits] [e [+-] digits] (either side of
// the point may be empty, not both). Overflow fails; underflow gives zero or a denormal.
bool parseFloating(std::string_view text, float& value);
bool parseFloating(std::string_view text, double& value);

// printf "%.*g" of the C locale, with "nan", "-nan", "inf" and "-inf" for the special values.
std::string formatGeneral(double value, int significantDigits);
// printf "%.*f" of the C locale.
std::string formatFixed(double value, unsigned long decimals);

}  // namespace text
}  // namespace impl
}  // namespace data
}  // namespace yox
