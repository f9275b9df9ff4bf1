#include "data/impl/EntryValidator.h"

#include <cstdint>
#include <cstring>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "data/DataException.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;
constexpr std::uint64_t kLowBits = 0x0101010101010101ULL;

[[noreturn]] void throwForbidden(const std::string& name, const char* value) {
  throw DataException("Invalid String (contains forbidden symbols): \"" + util::boundedEcho(value) +
                      "\" for the field '" + name + "'.");
}

// The length of text up to its first NUL (at most bound, where a NUL is), or bound + 1
// when a byte of 0x80 or more comes first. Eight bytes at a time while none is NUL or
// high; the word holding one is looked at byte by byte.
bool suspect(const char* at) {
  std::uint64_t word;
  std::memcpy(&word, at, 8);
  return ((word | ((word - kLowBits) & ~word)) & kHighBits) != 0;
}

size_t scanText(const char* text, size_t bound) {
  size_t i = 0;
  if (bound >= 8) {
    while (i + 8 <= bound && !suspect(text + i)) i += 8;
    // The last eight bytes, overlapping what was read already.
    if (i + 8 > bound && !suspect(text + bound - 8)) return bound;
  }
  for (; i < bound; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == 0) return i;
    if (c >= 0x80) return bound + 1;
  }
  return bound;
}

}  // namespace

void EntryValidator::validateString(const std::string& name, const char* value) {
  if (value == nullptr) throw DataException("Can't assign null value for the field \"" + name + "\".");
  const size_t length = std::strlen(value);
  if (scanText(value, length) != length) throwForbidden(name, value);
}

size_t EntryValidator::validateText(const char* name, const char* text, size_t bound) {
  const size_t length = scanText(text, bound);
  if (length > bound) throwForbidden(name, text);
  return length;
}

bool EntryValidator::isAscii(const char* bytes, size_t size) {
  size_t i = 0;
#ifdef __SSE2__
  // 64 bytes ORed together per round; the sign bits of the result tell.
  __m128i any = _mm_setzero_si128();
  for (; i + 64 <= size; i += 64) {
    const __m128i* at = reinterpret_cast<const __m128i*>(bytes + i);
    any = _mm_or_si128(any, _mm_or_si128(_mm_or_si128(_mm_loadu_si128(at), _mm_loadu_si128(at + 1)),
                                         _mm_or_si128(_mm_loadu_si128(at + 2), _mm_loadu_si128(at + 3))));
  }
  if (_mm_movemask_epi8(any) != 0) return false;
#endif
  std::uint64_t rest = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    rest |= word;
  }
  for (; i < size; ++i) rest |= static_cast<unsigned char>(bytes[i]);
  return (rest & kHighBits) == 0;
}

void EntryValidator::validateStringArray(const std::string& name, const char* const* values, size_t count) {
  validateObjectArray(name, values, count);
  // Null elements are reported first, whatever the texts hold.
  for (size_t i = 0; i < count; ++i) validateString(name, values[i]);
}

void EntryValidator::throwNullArray(const std::string& name, size_t count) {
  throw DataException("Can't assign null value for array with expected size " + std::to_string(count) +
                      " for the field '" + name + "'.");
}

void EntryValidator::throwNullElement(const std::string& name) {
  throw DataException("Can't assign an array with null elements for the field \"" + name + "\".");
}

}  // namespace impl
}  // namespace data
}  // namespace yox
