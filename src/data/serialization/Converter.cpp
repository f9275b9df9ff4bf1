#include "data/serialization/Converter.h"

#include <cstdint>
#include <cstring>
#include <memory>

#include "data/DataException.h"
#include "data/StringUtils.h"
#include "data/detail/DecimalScan.h"
#include "data/detail/NumberText.h"
#include "data/impl/DataTypeTable.h"

namespace yox {
namespace data {
namespace impl {

namespace {

const char* orEmpty(const char* text) { return text == nullptr ? "" : text; }

constexpr char kUpperHex[] = "0123456789ABCDEF";

template <typename T>
T parseDecimal(std::string_view text) {
  T value;
  if (text::parseDecimal(text, value)) return value;
  throw DataException("boost::lexical_cast() : Can't convert string '" + util::boundedEcho(text) +
                      "' to number.");
}

// The value of a hex digit, -1 for any other character.
int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const char lower = static_cast<char>(c | 0x20);
  return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

// Decodes the two hex digits that start piece (which holds at least two characters).
signed char decodeHexPair(const char* piece) {
  int high = hexDigit(piece[0]);
  int low = hexDigit(piece[1]);
  // hexCharToInt throws the message for the first character that is not a digit.
  if (high < 0 || low < 0) {
    high = Converter::hexCharToInt(piece[0]);
    low = Converter::hexCharToInt(piece[1]);
  }
  return static_cast<signed char>(static_cast<unsigned char>(high * 16 + low));
}

[[noreturn]] void throwShortHex(const char* piece, size_t length) {
  throw DataException("Incorrect hex string: '" + std::string(piece, length) + "'");
}

// The serializer names of the type table in an open-addressed hash table.
class TypeNames {
 public:
  TypeNames() {
    for (const DataTypeInfo& row : kDataTypes) {
      size_t slot = hash(row.textName);
      while (slots_[slot].row != nullptr) slot = (slot + 1) % kSlots;
      slots_[slot] = Slot{&row, std::strlen(row.textName)};
    }
  }

  const DataTypeInfo* find(std::string_view name) const {
    for (size_t slot = hash(name);; slot = (slot + 1) % kSlots) {
      const Slot& at = slots_[slot];
      if (at.row == nullptr) return nullptr;
      if (at.length == name.size() && sameBytes(at.row->textName, name.data(), name.size())) return at.row;
    }
  }

 private:
  static constexpr size_t kSlots = 128;
  // Every name has at least three characters; these factors give each of the 39 a slot
  // of its own (a name added later that collides still finds a free slot further on).
  static size_t hash(std::string_view name) {
    if (name.size() < 3) return 0;
    const auto at = [&](size_t i) { return static_cast<size_t>(static_cast<unsigned char>(name[i])); };
    return (name.size() * 58 + at(0) * 20 + at(1) * 107 + at(name.size() - 1) * 62) % kSlots;
  }

  // Type names are short: compared a word at a time (the last word overlapping the one
  // before) rather than by a call.
  static bool sameBytes(const char* a, const char* b, size_t n) {
    using text::scan_detail::load8;
    if (n >= 8) {
      for (size_t i = 0; i + 8 < n; i += 8) {
        if (load8(a + i) != load8(b + i)) return false;
      }
      return load8(a + n - 8) == load8(b + n - 8);
    }
    if (n >= 4) return load4(a) == load4(b) && load4(a + n - 4) == load4(b + n - 4);
    for (size_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return false;
    }
    return true;
  }
  static std::uint32_t load4(const char* p) {
    std::uint32_t x;
    std::memcpy(&x, p, sizeof x);
    return x;
  }

  struct Slot {
    const DataTypeInfo* row;
    size_t length;
  };
  Slot slots_[kSlots] = {};
};

}  // namespace

std::string Converter::toString(DataType type) {
  const DataTypeInfo* row = findDataType(type);
  if (row == nullptr)
    throw DataException("Unexpected data type " + std::to_string(static_cast<std::int32_t>(type)) + ".");
  return row->textName;
}

DataType Converter::strToType(const char* name) { return strToType(std::string_view(orEmpty(name))); }

namespace {

[[noreturn, gnu::cold, gnu::noinline]] void throwUnknownType(std::string_view name) {
  if (name.empty()) throw DataException("DataType name '' is too short.");
  throw DataException("DataType name '" + util::boundedEcho(name) + "' doesn't exist.");
}

}  // namespace

DataType Converter::strToType(std::string_view name) {
  static const TypeNames names;
  // The empty name finds nothing either.
  const DataTypeInfo* row = names.find(name);
  if (row == nullptr) throwUnknownType(name);
  return row->type;
}

std::string Converter::toString(bool value) { return value ? "true" : "false"; }

std::string Converter::toString(signed char value) {
  const unsigned char byte = static_cast<unsigned char>(value);
  return std::string{kUpperHex[byte >> 4], kUpperHex[byte & 15]};
}

std::string Converter::toString(short value) { return std::to_string(value); }
std::string Converter::toString(int value) { return std::to_string(value); }
std::string Converter::toString(long value) { return std::to_string(value); }
std::string Converter::toString(unsigned long value) { return std::to_string(value); }

std::string Converter::toString(float value) {
  std::int32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return std::to_string(bits);
}

std::string Converter::toString(double value) {
  std::int64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return std::to_string(bits);
}

std::string Converter::toString(char value) {
  char buffer[3];
  return std::string(buffer, escape(&value, 1, buffer));
}

std::string Converter::toString(const char* value) {
  const char* text = orEmpty(value);
  const size_t length = std::strlen(text);
  std::string result(3 * length, '\0');
  result.resize(static_cast<size_t>(escape(text, length, &result[0]) - result.data()));
  return result;
}

char* Converter::escape(const char* text, size_t length, char* out) {
  using namespace text::scan_detail;
  const char* const end = text + length;
  while (text != end) {
    // Eight characters from '0' to 127 at once: none of them is escaped.
    if (kSwar && end - text >= 8) {
      const std::uint64_t x = load8(text);
      if (((x | ~((x & kLow7) + 0x5050505050505050ULL)) & kHigh) == 0) {
        std::memcpy(out, text, 8);
        out += 8;
        text += 8;
        continue;
      }
    }
    const char c = *text++;
    if (static_cast<signed char>(c) >= '0') {
      *out++ = c;
    } else {
      const unsigned char byte = static_cast<unsigned char>(c);
      out[0] = '%';
      out[1] = kUpperHex[byte >> 4];
      out[2] = kUpperHex[byte & 15];
      out += 3;
    }
  }
  return out;
}

bool Converter::strToBool(const char* text) { return strToBool(std::string_view(orEmpty(text))); }

bool Converter::strToBool(std::string_view text) {
  if (text == "true") return true;
  if (text == "false") return false;
  throw DataException("Incorrect value '" + util::boundedEcho(text) +
                      "' for boolean data type (true or false)");
}

signed char Converter::strToByte(const char* text) { return strToByte(std::string_view(orEmpty(text))); }

signed char Converter::strToByte(std::string_view text) {
  if (text.size() < 2) throwShortHex(text.data(), text.size());
  return decodeHexPair(text.data());
}

short Converter::strToShort(const char* text) {
  // Wider input is accepted and cut to 16 bits, as the format has always done.
  return static_cast<short>(parseDecimal<int>(orEmpty(text)));
}

int Converter::strToInt(const char* text) { return parseDecimal<int>(orEmpty(text)); }
int Converter::strToInt(std::string_view text) { return parseDecimal<int>(text); }

long Converter::strToLong(const char* text) { return parseDecimal<long>(orEmpty(text)); }
long Converter::strToLong(std::string_view text) { return parseDecimal<long>(text); }

float Converter::strToFloat(const char* text) {
  const std::int32_t bits = parseDecimal<std::int32_t>(orEmpty(text));
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

double Converter::strToDouble(const char* text) {
  const std::int64_t bits = parseDecimal<std::int64_t>(orEmpty(text));
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

char* Converter::strToString(const char* text) { return strToString(std::string_view(orEmpty(text))); }

char* Converter::strToString(std::string_view text) {
  std::unique_ptr<char[]> result(new char[text.size() + 1]);
  result[unescape(text, result.get())] = '\0';
  return result.release();
}

size_t Converter::unescape(std::string_view text, char* out) {
  const char* const end = text.data() + text.size();
  // The text before the first '%' is literal; each later piece starts with two hex digits.
  const char* percent = static_cast<const char*>(std::memchr(text.data(), '%', text.size()));
  size_t length = static_cast<size_t>((percent == nullptr ? end : percent) - text.data());
  std::memcpy(out, text.data(), length);
  while (percent != nullptr) {
    const char* piece = percent + 1;
    percent = static_cast<const char*>(std::memchr(piece, '%', static_cast<size_t>(end - piece)));
    const size_t pieceLength = static_cast<size_t>((percent == nullptr ? end : percent) - piece);
    if (pieceLength == 0) continue;
    if (pieceLength < 2) throwShortHex(piece, pieceLength);
    out[length++] = static_cast<char>(decodeHexPair(piece));
    std::memcpy(out + length, piece + 2, pieceLength - 2);
    length += pieceLength - 2;
  }
  return length;
}

int Converter::hexCharToInt(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  throw DataException(std::string("Incorrect hex char: '") + c + "'");
}

}  // namespace impl
}  // namespace data
}  // namespace yox
