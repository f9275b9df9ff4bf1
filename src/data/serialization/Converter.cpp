#include "data/serialization/Converter.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "data/DataException.h"
#include "data/detail/NumberText.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

namespace {

const char* orEmpty(const char* text) { return text == nullptr ? "" : text; }

template <typename T>
T parseDecimal(const char* text) {
  T value;
  if (text::parseDecimal(text, value)) return value;
  throw DataException("boost::lexical_cast() : Can't convert string '" + util::boundedEcho(text) +
                      "' to number.");
}

// Decodes the two hex digits that start piece (which holds at least two characters).
signed char decodeHexPair(const char* piece) {
  const int value = Converter::hexCharToInt(piece[0]) * 16 + Converter::hexCharToInt(piece[1]);
  return static_cast<signed char>(static_cast<unsigned char>(value));
}

[[noreturn]] void throwShortHex(const char* piece, size_t length) {
  throw DataException("Incorrect hex string: '" + std::string(piece, length) + "'");
}

}  // namespace

std::string Converter::toString(DataType type) {
  switch (type) {
    case DT_BOOL:
      return "bool";
    case DT_BYTE:
      return "byte";
    case DT_SHORT:
      return "short";
    case DT_INT:
      return "int";
    case DT_LONG:
      return "long";
    case DT_FLOAT:
      return "float";
    case DT_DOUBLE:
      return "double";
    case DT_STRING:
      return "string";
    case DT_DATA:
      return "data";
    case DT_BOOL_ARRAY:
      return "bool_array";
    case DT_BYTE_ARRAY:
      return "byte_array";
    case DT_SHORT_ARRAY:
      return "short_array";
    case DT_INT_ARRAY:
      return "int_array";
    case DT_LONG_ARRAY:
      return "long_array";
    case DT_FLOAT_ARRAY:
      return "float_array";
    case DT_DOUBLE_ARRAY:
      return "double_array";
    case DT_STRING_ARRAY:
      return "string_array";
    case DT_BOOL_ARRAY_2D:
      return "bool_array_2d";
    case DT_BYTE_ARRAY_2D:
      return "byte_array_2d";
    case DT_SHORT_ARRAY_2D:
      return "short_array_2d";
    case DT_INT_ARRAY_2D:
      return "int_array_2d";
    case DT_LONG_ARRAY_2D:
      return "long_array_2d";
    case DT_FLOAT_ARRAY_2D:
      return "float_array_2d";
    case DT_DOUBLE_ARRAY_2D:
      return "double_array_2d";
    case DT_STRING_ARRAY_2D:
      return "string_array_2d";
    case DT_BOOL_MULTI_ARRAY:
      return "bool_multi_array";
    case DT_BYTE_MULTI_ARRAY:
      return "byte_multi_array";
    case DT_SHORT_MULTI_ARRAY:
      return "short_multi_array";
    case DT_INT_MULTI_ARRAY:
      return "int_multi_array";
    case DT_LONG_MULTI_ARRAY:
      return "long_multi_array";
    case DT_FLOAT_MULTI_ARRAY:
      return "float_multi_array";
    case DT_DOUBLE_MULTI_ARRAY:
      return "double_multi_array";
    case DT_STRING_MULTI_ARRAY:
      return "string_multi_array";
    case DT_DATA_ARRAY:
      return "data_array";
    case DT_DATA_ARRAY_2D:
      return "data_array_2d";
    case DT_DATA_MULTI_ARRAY:
      return "data_multi_array";
    case DT_DISCRETE_FUNCTION:
      return "discreteFunction";
    case DT_DISCRETE_FUNCTION_ARRAY:
      return "discreteFunction_array";
    case DT_DISCRETE_FUNCTION_LIST:
      return "discreteFunction_list";
  }
  throw DataException("Unexpected data type " + std::to_string(static_cast<std::int32_t>(type)) + ".");
}

DataType Converter::strToType(const char* name) {
  const std::string text = orEmpty(name);
  if (text.empty()) throw DataException("DataType name '' is too short.");
  switch (text[0]) {
    case 'b':
      if (text == "bool") return DT_BOOL;
      if (text == "byte") return DT_BYTE;
      if (text == "bool_array") return DT_BOOL_ARRAY;
      if (text == "byte_array") return DT_BYTE_ARRAY;
      if (text == "bool_array_2d") return DT_BOOL_ARRAY_2D;
      if (text == "byte_array_2d") return DT_BYTE_ARRAY_2D;
      if (text == "bool_multi_array") return DT_BOOL_MULTI_ARRAY;
      if (text == "byte_multi_array") return DT_BYTE_MULTI_ARRAY;
      break;
    case 'd':
      if (text == "double") return DT_DOUBLE;
      if (text == "data") return DT_DATA;
      if (text == "discreteFunction") return DT_DISCRETE_FUNCTION;
      if (text == "discreteFunction_list") return DT_DISCRETE_FUNCTION_LIST;
      if (text == "double_array") return DT_DOUBLE_ARRAY;
      if (text == "data_array") return DT_DATA_ARRAY;
      if (text == "discreteFunction_array") return DT_DISCRETE_FUNCTION_ARRAY;
      if (text == "double_array_2d") return DT_DOUBLE_ARRAY_2D;
      if (text == "data_array_2d") return DT_DATA_ARRAY_2D;
      if (text == "double_multi_array") return DT_DOUBLE_MULTI_ARRAY;
      if (text == "data_multi_array") return DT_DATA_MULTI_ARRAY;
      break;
    case 'f':
      if (text == "float") return DT_FLOAT;
      if (text == "float_array") return DT_FLOAT_ARRAY;
      if (text == "float_array_2d") return DT_FLOAT_ARRAY_2D;
      if (text == "float_multi_array") return DT_FLOAT_MULTI_ARRAY;
      break;
    case 'i':
      if (text == "int") return DT_INT;
      if (text == "int_array") return DT_INT_ARRAY;
      if (text == "int_array_2d") return DT_INT_ARRAY_2D;
      if (text == "int_multi_array") return DT_INT_MULTI_ARRAY;
      break;
    case 'l':
      if (text == "long") return DT_LONG;
      if (text == "long_array") return DT_LONG_ARRAY;
      if (text == "long_array_2d") return DT_LONG_ARRAY_2D;
      if (text == "long_multi_array") return DT_LONG_MULTI_ARRAY;
      break;
    case 's':
      if (text == "short") return DT_SHORT;
      if (text == "string") return DT_STRING;
      if (text == "short_array") return DT_SHORT_ARRAY;
      if (text == "string_array") return DT_STRING_ARRAY;
      if (text == "short_array_2d") return DT_SHORT_ARRAY_2D;
      if (text == "string_array_2d") return DT_STRING_ARRAY_2D;
      if (text == "short_multi_array") return DT_SHORT_MULTI_ARRAY;
      if (text == "string_multi_array") return DT_STRING_MULTI_ARRAY;
      break;
    default:
      break;
  }
  throw DataException("DataType name '" + util::boundedEcho(text) + "' doesn't exist.");
}

std::string Converter::toString(bool value) { return value ? "true" : "false"; }

std::string Converter::toString(signed char value) {
  char buffer[3];
  std::snprintf(buffer, sizeof buffer, "%02X", static_cast<unsigned>(static_cast<unsigned char>(value)));
  return buffer;
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
  if (static_cast<signed char>(value) >= '0') return std::string(1, value);
  char buffer[4];
  std::snprintf(buffer, sizeof buffer, "%%%02X", static_cast<unsigned>(static_cast<unsigned char>(value)));
  return buffer;
}

std::string Converter::toString(const char* value) {
  std::string result;
  for (const char* p = orEmpty(value); *p != '\0'; ++p) {
    if (static_cast<signed char>(*p) >= '0') {
      result.push_back(*p);
    } else {
      result.append(toString(*p));
    }
  }
  return result;
}

bool Converter::strToBool(const char* text) {
  const char* value = orEmpty(text);
  if (std::strcmp(value, "true") == 0) return true;
  if (std::strcmp(value, "false") == 0) return false;
  throw DataException("Incorrect value '" + util::boundedEcho(value) +
                      "' for boolean data type (true or false)");
}

signed char Converter::strToByte(const char* text) {
  const char* value = orEmpty(text);
  const size_t length = std::strlen(value);
  if (length < 2) throwShortHex(value, length);
  return decodeHexPair(value);
}

short Converter::strToShort(const char* text) {
  // Wider input is accepted and cut to 16 bits, as the format has always done.
  return static_cast<short>(parseDecimal<int>(orEmpty(text)));
}

int Converter::strToInt(const char* text) { return parseDecimal<int>(orEmpty(text)); }

long Converter::strToLong(const char* text) { return parseDecimal<long>(orEmpty(text)); }

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

char* Converter::strToString(const char* text) {
  const char* input = orEmpty(text);
  const size_t length = std::strlen(input);
  std::unique_ptr<char[]> result(new char[length + 1]);
  size_t out = 0;

  // The text before the first '%' is literal; each later piece starts with two hex digits.
  const char* percent = std::strchr(input, '%');
  const size_t literal = percent == nullptr ? length : static_cast<size_t>(percent - input);
  std::memcpy(result.get() + out, input, literal);
  out += literal;

  while (percent != nullptr) {
    const char* piece = percent + 1;
    percent = std::strchr(piece, '%');
    const size_t pieceLength = percent == nullptr ? std::strlen(piece) : static_cast<size_t>(percent - piece);
    if (pieceLength == 0) continue;
    if (pieceLength < 2) throwShortHex(piece, pieceLength);
    result[out++] = static_cast<char>(decodeHexPair(piece));
    std::memcpy(result.get() + out, piece + 2, pieceLength - 2);
    out += pieceLength - 2;
  }
  result[out] = '\0';
  return result.release();
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
