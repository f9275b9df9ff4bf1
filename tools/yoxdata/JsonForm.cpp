#include "JsonForm.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <vector>

#include "data/DataFactory.h"
#include "data/DataType.h"
#include "data/DiscreteFunction.h"
#include "data/Entry.h"

namespace yoxdata {

namespace {

using json = nlohmann::ordered_json;
using yox::data::Data;
using yox::data::DataType;
using yox::data::DiscreteFunction;
using yox::data::DiscreteFunctionList;
using yox::data::Entry;

// Nested containers deeper than this are refused, as the binary and string readers do.
constexpr int kMaxDepth = 64;

bool isUtf8(const std::string& text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t more = 0;
    unsigned long code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      more = 1;
      code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      more = 2;
      code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      more = 3;
      code = c & 0x07;
    } else {
      return false;
    }
    if (i + more >= text.size()) return false;
    for (size_t k = 1; k <= more; ++k) {
      const unsigned char d = static_cast<unsigned char>(text[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    const unsigned long least[] = {0, 0x80, 0x800, 0x10000};
    if (code < least[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += more + 1;
  }
  return true;
}

json textToJson(const std::string& text) {
  if (isUtf8(text)) return text;
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char c : text) {
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return json{{"hex", hex}};
}

// ---- writing ----

json toJsonData(const Data& data, int depth);

// The bits of a NaN other than the usual quiet one are kept: "NaN(0x7ff8000000000001)".
std::string nanText(unsigned long long bits, unsigned long long usual) {
  if (bits == usual) return "NaN";
  char text[40];
  std::snprintf(text, sizeof text, "NaN(0x%llx)", bits);
  return text;
}
std::string nanText(float value) {
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return nanText(bits, 0x7fc00000u);
}
std::string nanText(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return nanText(bits, 0x7ff8000000000000ull);
}

template <class T>
json number(T value) {
  if (std::isnan(value)) return nanText(value);
  if (std::isinf(value)) return value < 0 ? "-Infinity" : "Infinity";
  return static_cast<double>(value);
}

// Decoded function points may sit at any alignment too.
double at(const double* values, size_t i) {
  double value;
  std::memcpy(&value, reinterpret_cast<const char*>(values) + i * sizeof value, sizeof value);
  return value;
}

json functionToJson(const DiscreteFunction& function) {
  json x = json::array(), y = json::array();
  for (size_t i = 0; i < function.getSize(); ++i) {
    x.push_back(number(at(function.getXArray(), i)));
    y.push_back(number(at(function.getYArray(), i)));
  }
  return json{{"x", x}, {"y", y}};
}

json functionListToJson(const DiscreteFunctionList& list) {
  json functions = json::array();
  for (size_t i = 0; i < list.getSize(); ++i) functions.push_back(functionToJson(list.getFunction(i)));
  return functions;
}

json element(signed char v, int) { return static_cast<int>(v); }
json element(short v, int) { return v; }
json element(int v, int) { return v; }
json element(long v, int) { return std::to_string(v); }
json element(float v, int) { return number(v); }
json element(double v, int) { return number(v); }
json element(const char* v, int) { return textToJson(v); }
json element(const Data* v, int depth) { return toJsonData(*v, depth + 1); }
json element(const DiscreteFunction* v, int) { return functionToJson(*v); }

// Arrays decoded from a binary message are views into it, at any alignment: elements
// are copied out byte by byte.
template <class T>
json elements(const T* values, size_t count, int depth) {
  json out = json::array();
  const char* bytes = reinterpret_cast<const char*>(values);
  for (size_t i = 0; i < count; ++i) {
    T value;
    std::memcpy(&value, bytes + i * sizeof(T), sizeof(T));
    out.push_back(element(value, depth));
  }
  return out;
}

// A bool element is any byte; not zero is true.
json elements(const bool* values, size_t count, int) {
  json out = json::array();
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(values);
  for (size_t i = 0; i < count; ++i) out.push_back(bytes[i] != 0);
  return out;
}

size_t product(const std::vector<size_t>& dims) {
  size_t count = 1;
  for (size_t d : dims) count *= d;
  return count;
}

// Sets the value (and the extents of 2-D and N-D arrays) of an array entry; false when
// the type is not an array.
bool arrayToJson(const Entry& entry, json& out, int depth) {
  size_t n = 0, rows = 0, cols = 0;
  std::vector<size_t> dims;
  switch (entry.getType()) {
#define YOX_JSON_ARRAY_1D(S, CT, MT, D1, ...)  \
  case yox::data::D1: {                        \
    const auto* values = entry.getArray##S(n); \
    out["value"] = elements(values, n, depth); \
    return true;                               \
  }
#define YOX_JSON_ARRAY_ND(S, CT, MT, D1, D2, DN, ...)       \
  case yox::data::D2: {                                     \
    const auto* values = entry.getArray##S##2D(rows, cols); \
    out["dims"] = {rows, cols};                             \
    out["value"] = elements(values, rows * cols, depth);    \
    return true;                                            \
  }                                                         \
  case yox::data::DN: {                                     \
    const auto* values = entry.getMultiArray##S(dims);      \
    out["dims"] = dims;                                     \
    out["value"] = elements(values, product(dims), depth);  \
    return true;                                            \
  }
    YOX_ARRAY_TYPES(YOX_JSON_ARRAY_1D, )
    YOX_ARRAY_TYPES_ND(YOX_JSON_ARRAY_ND, )
#undef YOX_JSON_ARRAY_1D
#undef YOX_JSON_ARRAY_ND
    default:
      return false;
  }
}

json entryToJson(const Entry& entry, int depth) {
  json out;
  out["name"] = textToJson(entry.getName());
  out["type"] = yox::data::DataTypeUtils::toString(entry.getType());
  switch (entry.getType()) {
    case yox::data::DT_BOOL:
      out["value"] = entry.getBool();
      break;
    case yox::data::DT_BYTE:
      out["value"] = element(entry.getByte(), depth);
      break;
    case yox::data::DT_SHORT:
      out["value"] = entry.getShort();
      break;
    case yox::data::DT_INT:
      out["value"] = entry.getInt();
      break;
    case yox::data::DT_LONG:
      out["value"] = element(entry.getLong(), depth);
      break;
    case yox::data::DT_FLOAT:
      out["value"] = number(entry.getFloat());
      break;
    case yox::data::DT_DOUBLE:
      out["value"] = number(entry.getDouble());
      break;
    case yox::data::DT_STRING:
      out["value"] = textToJson(entry.getString());
      break;
    case yox::data::DT_DATA:
      out["value"] = toJsonData(entry.getData(), depth + 1);
      break;
    case yox::data::DT_DISCRETE_FUNCTION:
      out["value"] = functionToJson(entry.getDiscreteFunction());
      break;
    case yox::data::DT_DISCRETE_FUNCTION_LIST:
      out["value"] = functionListToJson(entry.getDiscreteFunctionList());
      break;
    default:
      if (!arrayToJson(entry, out, depth)) throw std::runtime_error("an entry of unknown type");
  }
  return out;
}

json toJsonData(const Data& data, int depth) {
  if (depth > kMaxDepth) throw std::runtime_error("Data nested deeper than the limit [64].");
  json entries = json::array();
  for (const Entry* entry : data.getEntries()) entries.push_back(entryToJson(*entry, depth));
  return entries;
}

// ---- reading ----

class Reader {
 public:
  [[noreturn]] static void fail(const std::string& where, const std::string& problem) {
    throw std::runtime_error((where.empty() ? std::string("/") : where) + ": " + problem);
  }

  static std::string text(const json& j, const std::string& where) {
    if (j.is_string()) return j.get<std::string>();
    if (!j.is_object() || j.size() != 1 || !j.contains("hex") || !j["hex"].is_string())
      fail(where, "expected a string or {\"hex\": \"...\"}");
    const std::string hex = j["hex"].get<std::string>();
    if (hex.size() % 2 != 0) fail(where, "a hex text needs an even number of digits");
    std::string out;
    for (size_t i = 0; i < hex.size(); i += 2) {
      const int high = digit(hex[i]), low = digit(hex[i + 1]);
      if (high < 0 || low < 0) fail(where, "not a hex digit in '" + hex.substr(i, 2) + "'");
      out += static_cast<char>(high * 16 + low);
    }
    if (out.find('\0') != std::string::npos) fail(where, "a name or string cannot hold a NUL byte");
    return out;
  }

  static void read(const json& j, bool& out, const std::string& where) {
    if (!j.is_boolean()) fail(where, "expected true or false");
    out = j.get<bool>();
  }
  template <class T>
  static void readInteger(const json& j, T& out, const std::string& where) {
    long long value = 0;
    if (j.is_number_integer()) {
      value = j.get<long long>();
    } else if (j.is_string() && sizeof(T) == 8) {
      const std::string digits = j.get<std::string>();
      size_t used = 0;
      try {
        value = std::stoll(digits, &used, 10);
      } catch (const std::exception&) {
        used = 0;
      }
      if (used == 0 || used != digits.size() || digits[0] == ' ' || digits[0] == '+')
        fail(where, "expected a decimal 64-bit integer, not \"" + digits.substr(0, 40) + "\"");
    } else {
      fail(where, sizeof(T) == 8 ? "expected a 64-bit integer (a decimal string)" : "expected an integer");
    }
    if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max())
      fail(where, std::to_string(value) + " is out of range for the type");
    out = static_cast<T>(value);
  }
  static void read(const json& j, signed char& out, const std::string& where) { readInteger(j, out, where); }
  static void read(const json& j, short& out, const std::string& where) { readInteger(j, out, where); }
  static void read(const json& j, int& out, const std::string& where) { readInteger(j, out, where); }
  static void read(const json& j, long& out, const std::string& where) { readInteger(j, out, where); }
  template <class T, class Bits>
  static void readFloating(const json& j, T& out, const std::string& where) {
    if (j.is_number()) {
      const double value = j.get<double>();
      if (std::fabs(value) > std::numeric_limits<T>::max()) fail(where, "out of range for the type");
      out = static_cast<T>(value);
      return;
    }
    const std::string text = j.is_string() ? j.get<std::string>() : std::string();
    if (text == "NaN") {
      out = std::numeric_limits<T>::quiet_NaN();
    } else if (text == "Infinity" || text == "-Infinity") {
      out = text[0] == '-' ? -std::numeric_limits<T>::infinity() : std::numeric_limits<T>::infinity();
    } else if (text.size() > 7 && text.compare(0, 6, "NaN(0x") == 0 && text.back() == ')') {
      const std::string hex = text.substr(6, text.size() - 7);
      char* end = nullptr;
      errno = 0;
      const unsigned long long bits = std::strtoull(hex.c_str(), &end, 16);
      const Bits narrow = static_cast<Bits>(bits);
      if (errno != 0 || hex.empty() || *end != '\0' || hex[0] == '-' || narrow != bits)
        fail(where, "a NaN is written NaN(0xBITS), not \"" + text.substr(0, 40) + "\"");
      std::memcpy(&out, &narrow, sizeof out);
      if (!std::isnan(out)) fail(where, "the bits of \"" + text + "\" are not a NaN");
    } else {
      fail(where, "expected a number, \"NaN\", \"Infinity\" or \"-Infinity\"");
    }
  }
  static void read(const json& j, double& out, const std::string& where) {
    readFloating<double, std::uint64_t>(j, out, where);
  }
  static void read(const json& j, float& out, const std::string& where) {
    readFloating<float, std::uint32_t>(j, out, where);
  }

  static yox::auto_ptr<DiscreteFunction> function(const json& j, const std::string& where) {
    if (!j.is_object() || j.size() != 2 || !j.contains("x") || !j.contains("y") || !j["x"].is_array() ||
        !j["y"].is_array() || j["x"].size() != j["y"].size()) {
      fail(where, "a discrete function is {\"x\": [...], \"y\": [...]} with as many x as y");
    }
    // A function of no points still needs arrays to copy from.
    const size_t size = j["x"].size();
    std::vector<double> x(size ? size : 1), y(size ? size : 1);
    for (size_t i = 0; i < size; ++i) {
      read(j["x"][i], x[i], where + "/x/" + std::to_string(i));
      read(j["y"][i], y[i], where + "/y/" + std::to_string(i));
    }
    try {
      return yox::data::DataFactory::createDiscreteFunction(x.data(), y.data(), size, yox::data::DFSP_COPY);
    } catch (const std::exception& e) {
      fail(where, e.what());
    }
  }

  static yox::auto_ptr<Data> container(const json& j, const std::string& where, int depth);

 private:
  static int digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
};

// The elements of an array entry, kept alive while the container copies them.
template <class T>
struct Numbers {
  std::unique_ptr<T[]> values;
  void read(const json& list, const std::string& where, int) {
    values.reset(new T[list.size() ? list.size() : 1]);
    for (size_t i = 0; i < list.size(); ++i)
      Reader::read(list[i], values[i], where + "/" + std::to_string(i));
  }
  const T* data() const { return values.get(); }
};

struct Strings {
  std::vector<std::string> texts;
  std::vector<const char*> pointers;
  void read(const json& list, const std::string& where, int) {
    for (size_t i = 0; i < list.size(); ++i)
      texts.push_back(Reader::text(list[i], where + "/" + std::to_string(i)));
    for (const std::string& t : texts) pointers.push_back(t.c_str());
  }
  const char** data() { return pointers.data(); }
};

struct Containers {
  std::vector<std::unique_ptr<Data>> owned;
  std::vector<const Data*> pointers;
  void read(const json& list, const std::string& where, int depth) {
    for (size_t i = 0; i < list.size(); ++i) {
      owned.emplace_back(Reader::container(list[i], where + "/" + std::to_string(i), depth + 1).release());
      pointers.push_back(owned.back().get());
    }
  }
  const Data** data() { return pointers.data(); }
};

std::vector<size_t> extents(const json& entry, yox::data::StorageType shape, size_t count,
                            const std::string& where) {
  if (shape == yox::data::ST_ARRAY) {
    if (entry.contains("dims")) Reader::fail(where + "/dims", "a one-dimensional array has no \"dims\"");
    return {count};
  }
  if (!entry.contains("dims") || !entry["dims"].is_array())
    Reader::fail(where, "a 2-D or N-D array needs \"dims\", a list of extents");
  std::vector<size_t> dims;
  size_t total = 1;
  for (size_t i = 0; i < entry["dims"].size(); ++i) {
    const json& d = entry["dims"][i];
    if (!d.is_number_unsigned()) Reader::fail(where + "/dims/" + std::to_string(i), "an extent is a count");
    dims.push_back(d.get<size_t>());
    if (dims.back() != 0 && total > std::numeric_limits<size_t>::max() / dims.back())
      Reader::fail(where + "/dims", "the extents overflow");
    total *= dims.back();
  }
  if (shape == yox::data::ST_ARRAY_2D && dims.size() != 2)
    Reader::fail(where + "/dims", "a 2-D array has two extents");
  if (total != count)
    Reader::fail(where, "the extents call for " + std::to_string(total) + " elements, the value has " +
                            std::to_string(count));
  return dims;
}

template <class Holder>
void appendArray(Data& data, const std::string& name, yox::data::StorageType shape, const json& entry,
                 const std::string& where, int depth) {
  const json& value = entry["value"];
  if (!value.is_array()) Reader::fail(where + "/value", "an array's value is a JSON array");
  const std::vector<size_t> dims = extents(entry, shape, value.size(), where);
  Holder holder;
  holder.read(value, where + "/value", depth);
  if (shape == yox::data::ST_ARRAY) {
    data.appendArray(name, holder.data(), value.size());
  } else if (shape == yox::data::ST_ARRAY_2D) {
    data.appendArray2D(name, holder.data(), dims[0], dims[1]);
  } else {
    data.appendMultiArray(name, holder.data(), dims);
  }
}

template <class T>
void appendScalar(Data& data, const std::string& name, const json& value, const std::string& where) {
  T v{};
  Reader::read(value, v, where + "/value");
  data.append(name, v);
}

void appendFunctions(Data& data, const std::string& name, DataType type, const json& entry,
                     const std::string& where) {
  const json& value = entry["value"];
  if (!value.is_array()) Reader::fail(where + "/value", "expected a list of discrete functions");
  extents(entry, yox::data::ST_ARRAY, value.size(), where);
  std::vector<std::unique_ptr<const DiscreteFunction>> functions;
  for (size_t i = 0; i < value.size(); ++i)
    functions.emplace_back(Reader::function(value[i], where + "/value/" + std::to_string(i)).release());
  if (type == yox::data::DT_DISCRETE_FUNCTION_ARRAY) {
    std::vector<const DiscreteFunction*> pointers;
    for (const auto& f : functions) pointers.push_back(f.get());
    data.appendArray(name, pointers.data(), pointers.size());
    return;
  }
  yox::auto_ptr<yox::data::DiscreteFunctionListBuilder> builder =
      yox::data::DataFactory::createDiscreteFunctionListBuilder();
  for (auto& f : functions) builder->append(yox::auto_ptr<const DiscreteFunction>(f.release()));
  data.append(name, *builder->build());
}

// The entry's type, once its keys are checked.
DataType entryType(const json& entry, const std::string& where) {
  if (!entry.is_object() || !entry.contains("name") || !entry.contains("type") || !entry.contains("value"))
    Reader::fail(where, "an entry is {\"name\": ..., \"type\": ..., \"value\": ...}");
  for (auto it = entry.begin(); it != entry.end(); ++it) {
    if (it.key() != "name" && it.key() != "type" && it.key() != "value" && it.key() != "dims")
      Reader::fail(where + "/" + it.key(), "an entry has no key \"" + it.key() + "\"");
  }
  if (!entry["type"].is_string()) Reader::fail(where + "/type", "a type is a type name like \"int32\"");
  DataType type;
  try {
    type = yox::data::DataTypeUtils::toDataType(entry["type"].get<std::string>());
  } catch (const std::exception& e) {
    Reader::fail(where + "/type", e.what());
  }
  if (yox::data::DataTypeUtils::getStorageType(type) == yox::data::ST_SCALAR && entry.contains("dims"))
    Reader::fail(where + "/dims", "a scalar has no \"dims\"");
  return type;
}

// Appends an entry of a scalar type, or of a function array or list; false for the
// other arrays.
bool appendSingle(Data& data, const std::string& name, DataType type, const json& entry,
                  const std::string& where, int depth) {
  const json& value = entry["value"];
  switch (type) {
    case yox::data::DT_BOOL:
      appendScalar<bool>(data, name, value, where);
      break;
    case yox::data::DT_BYTE:
      appendScalar<signed char>(data, name, value, where);
      break;
    case yox::data::DT_SHORT:
      appendScalar<short>(data, name, value, where);
      break;
    case yox::data::DT_INT:
      appendScalar<int>(data, name, value, where);
      break;
    case yox::data::DT_LONG:
      appendScalar<long>(data, name, value, where);
      break;
    case yox::data::DT_FLOAT:
      appendScalar<float>(data, name, value, where);
      break;
    case yox::data::DT_DOUBLE:
      appendScalar<double>(data, name, value, where);
      break;
    case yox::data::DT_STRING:
      data.append(name, Reader::text(value, where + "/value").c_str());
      break;
    case yox::data::DT_DATA:
      data.append(name, *Reader::container(value, where + "/value", depth + 1));
      break;
    case yox::data::DT_DISCRETE_FUNCTION:
      data.append(name, *Reader::function(value, where + "/value"));
      break;
    case yox::data::DT_DISCRETE_FUNCTION_ARRAY:
    case yox::data::DT_DISCRETE_FUNCTION_LIST:
      appendFunctions(data, name, type, entry, where);
      break;
    default:
      return false;
  }
  return true;
}

void appendEntry(Data& data, const json& entry, const std::string& where, int depth) {
  const DataType type = entryType(entry, where);
  const std::string name = Reader::text(entry["name"], where + "/name");
  if (name.empty()) Reader::fail(where + "/name", "an entry needs a name");
  if (data.exists(name)) Reader::fail(where + "/name", "the name '" + name + "' appears twice");
  if (appendSingle(data, name, type, entry, where, depth)) return;
  const yox::data::StorageType shape = yox::data::DataTypeUtils::getStorageType(type);
#define YOX_JSON_READ(S, CT, MT, D1, D2, DN, HOLDER) \
  case yox::data::D1:                                \
  case yox::data::D2:                                \
  case yox::data::DN:                                \
    return appendArray<HOLDER>(data, name, shape, entry, where, depth);
  switch (type) {
    YOX_JSON_READ(Bool, , , DT_BOOL_ARRAY, DT_BOOL_ARRAY_2D, DT_BOOL_MULTI_ARRAY, Numbers<bool>)
    YOX_JSON_READ(Byte, , , DT_BYTE_ARRAY, DT_BYTE_ARRAY_2D, DT_BYTE_MULTI_ARRAY, Numbers<signed char>)
    YOX_JSON_READ(Short, , , DT_SHORT_ARRAY, DT_SHORT_ARRAY_2D, DT_SHORT_MULTI_ARRAY, Numbers<short>)
    YOX_JSON_READ(Int, , , DT_INT_ARRAY, DT_INT_ARRAY_2D, DT_INT_MULTI_ARRAY, Numbers<int>)
    YOX_JSON_READ(Long, , , DT_LONG_ARRAY, DT_LONG_ARRAY_2D, DT_LONG_MULTI_ARRAY, Numbers<long>)
    YOX_JSON_READ(Float, , , DT_FLOAT_ARRAY, DT_FLOAT_ARRAY_2D, DT_FLOAT_MULTI_ARRAY, Numbers<float>)
    YOX_JSON_READ(Double, , , DT_DOUBLE_ARRAY, DT_DOUBLE_ARRAY_2D, DT_DOUBLE_MULTI_ARRAY, Numbers<double>)
    YOX_JSON_READ(String, , , DT_STRING_ARRAY, DT_STRING_ARRAY_2D, DT_STRING_MULTI_ARRAY, Strings)
    YOX_JSON_READ(Data, , , DT_DATA_ARRAY, DT_DATA_ARRAY_2D, DT_DATA_MULTI_ARRAY, Containers)
    default:
      Reader::fail(where + "/type", "an entry of unknown type");
  }
#undef YOX_JSON_READ
}

yox::auto_ptr<Data> Reader::container(const json& j, const std::string& where, int depth) {
  if (depth > kMaxDepth) fail(where, "Data nested deeper than the limit [64].");
  if (!j.is_array()) fail(where, "a container is a JSON array of entries");
  yox::auto_ptr<Data> data = yox::data::DataFactory::createData();
  for (size_t i = 0; i < j.size(); ++i) appendEntry(*data, j[i], where + "/" + std::to_string(i), depth);
  return data;
}

}  // namespace

std::string toJson(const Data& data, int indent) { return toJsonData(data, 0).dump(indent); }

yox::auto_ptr<Data> fromJson(const std::string& text) {
  json document;
  try {
    document = json::parse(text);
  } catch (const json::parse_error& e) {
    throw std::runtime_error(e.what());
  }
  return Reader::container(document, "", 0);
}

}  // namespace yoxdata
