// Decimal digits of the machine formats, read eight characters at a time and written
// eight at a time. A run of up to 19 digits always fits an unsigned 64-bit value, so it
// is read without overflow checks; longer runs (leading zeros, or out of range anyway)
// are left to the exact parse of NumberText. Writing splits a value into 8-digit groups
// that are formatted independently, instead of one long chain of divisions.
// Internal to the data library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace yox {
namespace data {
namespace impl {
namespace text {

struct DigitRun {
  // Just past the last digit read.
  const char* end;
  // The value of the digits read.
  std::uint64_t value;
  // Digits read; kTooLong when the run is longer than kMaxDigits (value is then unusable).
  size_t count;
  static constexpr size_t kMaxDigits = 19;
  static constexpr size_t kTooLong = kMaxDigits + 1;
};

namespace scan_detail {

inline bool isDigit(char c) { return static_cast<unsigned char>(c - '0') < 10; }

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kSwar = true;
#else
constexpr bool kSwar = false;
#endif

constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;

inline std::uint64_t load8(const char* p) {
  std::uint64_t x;
  std::memcpy(&x, p, sizeof x);
  return x;
}

// The high bit of every byte of x that is not an ASCII digit. The 7-bit sums cannot carry
// into the next byte.
inline std::uint64_t nonDigits(std::uint64_t x) {
  const std::uint64_t low = x & kLow7;
  const std::uint64_t above = low + 0x4646464646464646ULL;    // sets the high bit above '9'
  const std::uint64_t atLeast = low + 0x5050505050505050ULL;  // sets the high bit from '0'
  return (x | above | ~atLeast) & kHigh;
}

// The value of eight digits, the first in the lowest byte; bytes of value 0 count as
// leading zeros.
inline std::uint64_t eightDigits(std::uint64_t x) {
  x = ((x & 0x0F0F0F0F0F0F0F0FULL) * 2561) >> 8;
  x = ((x & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
  return ((x & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
}

constexpr std::uint64_t kPowers10[9] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

}  // namespace scan_detail

#if defined(__SSE2__)
namespace scan_detail {

// Which of the sixteen bytes at p are ASCII digits (bit i for byte i), and the digit
// values of them (the bytes minus '0').
inline unsigned digitMask(const char* p, __m128i& digits) {
  digits = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi8('0'));
  const __m128i nine = _mm_set1_epi8(9);
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_max_epu8(digits, nine), nine)));
}

// The value of sixteen digit values, the first the most significant: pairs, then groups
// of four, then of eight, each by one multiply-add across the lanes.
inline std::uint64_t sixteenDigits(__m128i digits) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i tens = _mm_set_epi16(1, 10, 1, 10, 1, 10, 1, 10);
  const __m128i pairs = _mm_packs_epi32(_mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), tens),
                                        _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), tens));
  const __m128i fours = _mm_madd_epi16(pairs, _mm_set_epi16(1, 100, 1, 100, 1, 100, 1, 100));
  const __m128i eights =
      _mm_madd_epi16(_mm_packs_epi32(fours, fours), _mm_set_epi16(1, 10000, 1, 10000, 1, 10000, 1, 10000));
  const std::uint64_t high = static_cast<std::uint32_t>(_mm_cvtsi128_si32(eights));
  const std::uint64_t low = static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 4)));
  return high * 100000000 + low;
}

}  // namespace scan_detail
#endif

// The run of decimal digits starting at p (never reading at or past end). Inlined into
// the readers' loops: a call would cost a fifth of a 19-digit scan.
__attribute__((always_inline)) inline DigitRun scanDigits(const char* p, const char* end) {
  using namespace scan_detail;
  std::uint64_t value = 0;
  size_t count = 0;
  if (kSwar && end - p >= 24) {
    // Up to three words without a bounds check: the common case of a 64-bit value.
    const auto partial = [](std::uint64_t x, size_t digits) { return eightDigits(x << (8 * (8 - digits))); };
#if defined(__SSE2__)
    __m128i values;
    const unsigned mask = digitMask(p, values);
    if (mask != 0xFFFF) {
      const size_t lead = static_cast<size_t>(__builtin_ctz(~mask));
      if (lead == 0) return {p, 0, 0};
      if (lead <= 8) return {p + lead, partial(load8(p), lead), lead};
      return {p + lead, eightDigits(load8(p)) * kPowers10[lead - 8] + partial(load8(p + 8), lead - 8), lead};
    }
    value = sixteenDigits(values);
#else
    std::uint64_t x = load8(p);
    std::uint64_t other = nonDigits(x);
    if (other != 0) {
      const size_t digits = static_cast<size_t>(__builtin_ctzll(other)) / 8;
      return {p + digits, digits == 0 ? 0 : partial(x, digits), digits};
    }
    value = eightDigits(x);
    x = load8(p + 8);
    other = nonDigits(x);
    if (other != 0) {
      const size_t digits = static_cast<size_t>(__builtin_ctzll(other)) / 8;
      if (digits == 0) return {p + 8, value, 8};
      return {p + 8 + digits, value * kPowers10[digits] + partial(x, digits), 8 + digits};
    }
    value = value * kPowers10[8] + eightDigits(x);
#endif
    const std::uint64_t x3 = load8(p + 16);
    const std::uint64_t other3 = nonDigits(x3);
    const size_t tail = other3 == 0 ? 8 : static_cast<size_t>(__builtin_ctzll(other3)) / 8;
    if (tail > DigitRun::kMaxDigits - 16) return {p + 16, 0, DigitRun::kTooLong};
    if (tail == 0) return {p + 16, value, 16};
    return {p + 16 + tail, value * kPowers10[tail] + partial(x3, tail), 16 + tail};
  }
  if (kSwar) {
    while (end - p >= 8) {
      const std::uint64_t x = load8(p);
      const std::uint64_t other = nonDigits(x);
      const size_t digits = other == 0 ? 8 : static_cast<size_t>(__builtin_ctzll(other)) / 8;
      if (count + digits > DigitRun::kMaxDigits) return {p, 0, DigitRun::kTooLong};
      if (digits == 0) return {p, value, count};
      value = value * kPowers10[digits] + eightDigits(x << (8 * (8 - digits)));
      p += digits;
      count += digits;
      if (digits != 8) return {p, value, count};
    }
  }
  for (; p != end && isDigit(*p); ++p) {
    if (++count > DigitRun::kMaxDigits) return {p, 0, DigitRun::kTooLong};
    value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  return {p, value, count};
}

namespace format_detail {

inline const char* digitPairs() {
  return "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
         "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
         "8081828384858687888990919293949596979899";
}

// Exactly four digits of value (below 10000).
inline char* fourDigits(char* at, std::uint32_t value) {
  std::memcpy(at, digitPairs() + 2 * (value / 100), 2);
  std::memcpy(at + 2, digitPairs() + 2 * (value % 100), 2);
  return at + 4;
}

// Exactly eight digits of value (below 10^8).
inline char* eightDigits(char* at, std::uint32_t value) {
  return fourDigits(fourDigits(at, value / 10000), value % 10000);
}

// The digits of value (below 10000) without leading zeros.
inline char* upToFourDigits(char* at, std::uint32_t value) {
  if (value < 10) {
    *at = static_cast<char>('0' + value);
    return at + 1;
  }
  if (value < 100) {
    std::memcpy(at, digitPairs() + 2 * value, 2);
    return at + 2;
  }
  if (value < 1000) {
    *at = static_cast<char>('0' + value / 100);
    std::memcpy(at + 1, digitPairs() + 2 * (value % 100), 2);
    return at + 3;
  }
  return fourDigits(at, value);
}

// The digits of value (below 10^8) without leading zeros.
inline char* upToEightDigits(char* at, std::uint32_t value) {
  if (value < 10000) return upToFourDigits(at, value);
  return fourDigits(upToFourDigits(at, value / 10000), value % 10000);
}

}  // namespace format_detail

// Writes the decimal digits of value at at (room for 20 characters); returns their end.
inline char* writeDecimal(char* at, std::uint64_t value) {
  using namespace format_detail;
  constexpr std::uint64_t kGroup = 100000000;
  if (value < kGroup) return upToEightDigits(at, static_cast<std::uint32_t>(value));
  const std::uint64_t high = value / kGroup;
  const std::uint32_t low = static_cast<std::uint32_t>(value % kGroup);
  if (high < kGroup) {
    at = upToEightDigits(at, static_cast<std::uint32_t>(high));
  } else {
    at = upToFourDigits(at, static_cast<std::uint32_t>(high / kGroup));
    at = format_detail::eightDigits(at, static_cast<std::uint32_t>(high % kGroup));
  }
  return format_detail::eightDigits(at, low);
}

// The same with a leading '-' for a negative value (room for 21 characters).
template <class T>
char* writeDecimal(char* at, T value) {
  static_assert(std::is_integral<T>::value && sizeof(T) <= 8, "integers only");
  if constexpr (std::is_signed<T>::value) {
    if (value < 0) {
      *at++ = '-';
      return writeDecimal(at, static_cast<std::uint64_t>(0) - static_cast<std::uint64_t>(value));
    }
  }
  return writeDecimal(at, static_cast<std::uint64_t>(value));
}

}  // namespace text
}  // namespace impl
}  // namespace data
}  // namespace yox
