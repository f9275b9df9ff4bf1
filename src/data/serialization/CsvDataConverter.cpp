#include "data/serialization/CsvDataConverter.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>

#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/detail/NumberText.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

using util::StringUtils;

const char* const CsvDataConverter::ENTRIES_SEPARATOR = "\n";
const char* const CsvDataConverter::COLUMNS_SEPARATOR = ",";
const char* const CsvDataConverter::VALUES_SEPARATOR = ":";
const char* const CsvDataConverter::POINT_COORDINATES_SEPARATOR = ";";

namespace {

// Elements of a string array are separated by quote-colon-quote, and quotes inside a text
// are escaped but backslashes are not, so a text ending with a quote and a colon cannot be
// told apart from its successor: such elements are refused both ways.
bool endsWithQuoteColon(std::string_view text) {
  return text.size() >= 2 && text.substr(text.size() - 2) == "\":";
}

// The text between the quotes of a quoted value.
std::string_view unquoted(std::string_view quoted) {
  if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"') {
    throw SerializerException("The text value '" + util::printableExcerpt(quoted) +
                              "' is not enclosed in double quotes.");
  }
  return quoted.substr(1, quoted.size() - 2);
}

// Most rows written for an array of no elements.
constexpr size_t kMaxEmptyGroups = size_t(1) << 24;

const char* const kElementSeparator = "\":\"";

[[noreturn]] void throwNoPoints() {
  throw SerializerException("a discrete function of no points cannot stand in a list or an array");
}

template <class T>
T strict(std::string_view text, const char* typeName, bool (*parse)(std::string_view, T&)) {
  T value;
  if (parse(text, value)) return value;
  throw util::UtilException(
      StringUtils::format("The value '%s' is not a valid %s value.", std::string(text).c_str(), typeName));
}

template <class Narrow>
bool parseNarrow(std::string_view text, Narrow& value) {
  int wide;
  if (!text::parseDecimal(text, wide) || wide < std::numeric_limits<Narrow>::min() ||
      wide > std::numeric_limits<Narrow>::max())
    return false;
  value = static_cast<Narrow>(wide);
  return true;
}

bool parseFloat(std::string_view text, float& value) { return text::parseFloating(text, value); }
bool parseDouble(std::string_view text, double& value) { return text::parseFloating(text, value); }

bool equalsIgnoringCase(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lower[i]) return false;
  }
  return true;
}

template <class T>
std::string elementText(T value) {
  return StringUtils::toString(value);
}
template <>
std::string elementText<char*>(char* value) {
  if (endsWithQuoteColon(value)) {
    throw SerializerException("the string array element '" + util::printableExcerpt(value) +
                              "' ends with '\":' and would merge with the next one");
  }
  return CsvDataConverter::toCsv(value);
}

std::string pointText(const double* xs, const double* ys, size_t i) {
  double x, y;
  std::memcpy(&x, xs + i, sizeof x);
  std::memcpy(&y, ys + i, sizeof y);
  return StringUtils::toString(x) + CsvDataConverter::POINT_COORDINATES_SEPARATOR + StringUtils::toString(y);
}

}  // namespace

std::string CsvDataConverter::join(const std::vector<std::string>& strings, const std::string& separator,
                                   const std::string& prefix, const std::string& suffix) {
  std::string out = prefix;
  for (size_t i = 0; i < strings.size(); ++i) {
    if (i != 0) out += separator;
    out += strings[i];
  }
  return out + suffix;
}

std::string CsvDataConverter::escapeCharacters(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == ',') continue;
    if (c == '\n') {
      out += "\\n";
    } else if (c == '"') {
      out += "\\\"";
    } else {
      out += c;
    }
  }
  return out;
}

std::string CsvDataConverter::toCsv(const char* text) {
  for (const char* p = std::strchr(text, '\\'); p != nullptr; p = std::strchr(p + 1, '\\')) {
    if (p[1] == 'n' || p[1] == '"') {
      throw SerializerException(
          "the text '" + util::printableExcerpt(text) +
          "' holds a backslash before 'n' or a double quote, which would not read back");
    }
  }
  return "\"" + escapeCharacters(text) + "\"";
}

size_t CsvDataConverter::unescape(std::string_view text, char* out) {
  size_t length = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == 'n')) {
      out[length++] = text[i + 1] == 'n' ? '\n' : '"';
      ++i;
    } else {
      out[length++] = text[i];
    }
  }
  out[length] = '\0';
  return length;
}

std::string CsvDataConverter::toCsv(const DiscreteFunction& function) {
  std::vector<std::string> points;
  points.reserve(function.getSize());
  for (size_t i = 0; i < function.getSize(); ++i) {
    points.push_back(pointText(function.getXArray(), function.getYArray(), i));
  }
  return join(points, VALUES_SEPARATOR, "", "");
}

std::string CsvDataConverter::toCsv(const DiscreteFunctionList& list) {
  std::vector<std::string> functions;
  for (const DiscreteFunction* function : list.getFunctions()) {
    if (function->getSize() == 0) throwNoPoints();
    functions.push_back(toCsv(*function));
  }
  return join(functions, COLUMNS_SEPARATOR, "", "");
}

std::string CsvDataConverter::arrayToCsv(const DiscreteFunction* const* functions, size_t count) {
  std::vector<std::string> texts;
  texts.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const DiscreteFunction* function;
    std::memcpy(&function, functions + i, sizeof function);
    if (function->getSize() == 0) throwNoPoints();
    texts.push_back(toCsv(*function));
  }
  return join(texts, COLUMNS_SEPARATOR, "", "");
}

template <class T>
std::string CsvDataConverter::arrayToCsv(const Array<T>* array, std::vector<size_t>& index,
                                         unsigned dimension) {
  const std::vector<size_t>& dims = array->getDims();
  if (array->getElementCount() == 0) {
    // One empty group per row above the first extent of 0, joined by ",". Extents of a
    // hostile message could ask for more commas than memory holds.
    size_t groups = 1;
    for (size_t k = dimension; k + 1 < dims.size() && dims[k] != 0; ++k) {
      if (dims[k] > kMaxEmptyGroups / groups) {
        throw SerializerException("an array of no elements with more than [" +
                                  std::to_string(kMaxEmptyGroups) + "] rows is refused");
      }
      groups *= dims[k];
    }
    return dims.empty() || dims[dimension] == 0 ? std::string() : std::string(groups - 1, ',');
  }
  index.resize(dims.size(), 0);
  // Row-major offset of the position and element count of the block below it.
  size_t offset = 0;
  size_t count = 1;
  for (size_t k = 0; k < dims.size(); ++k) {
    offset = offset * dims[k] + (k < dimension ? index[k] : 0);
    if (k >= dimension) count *= dims[k];
  }
  const size_t rowLength = dimension < dims.size() ? dims.back() : 1;
  std::string out;
  for (size_t i = 0; i < count; ++i) {
    if (i != 0) out += i % rowLength == 0 ? COLUMNS_SEPARATOR : VALUES_SEPARATOR;
    out += elementText<T>(array->element(offset + i));
  }
  return out;
}

template std::string CsvDataConverter::arrayToCsv(const Array<bool>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<signed char>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<short>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<int>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<long>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<float>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<double>*, std::vector<size_t>&, unsigned);
template std::string CsvDataConverter::arrayToCsv(const Array<char*>*, std::vector<size_t>&, unsigned);

std::vector<std::string_view> CsvDataConverter::splitWithRegex(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    if (end != start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

size_t CsvDataConverter::countValues(std::string_view values) {
  size_t count = 0;
  for (std::string_view column; nextColumn(values, column);) {
    count += 1 + static_cast<size_t>(std::count(column.begin(), column.end(), ':'));
  }
  return count;
}

size_t CsvDataConverter::countTexts(std::string_view values) {
  size_t count = 0;
  for (std::string_view column; nextColumn(values, column);) {
    const std::string_view inner = unquoted(column);
    ++count;
    for (size_t at = inner.find(kElementSeparator); at != std::string_view::npos;
         at = inner.find(kElementSeparator, at + 3)) {
      ++count;
    }
  }
  return count;
}

char** CsvDataConverter::getFlatVectorOfStringValuesOfStringType(std::string_view values, size_t count) {
  std::unique_ptr<char*[]> texts(new char*[count]());
  size_t made = 0;
  try {
    for (std::string_view column; nextColumn(values, column);) {
      const std::string_view inner = unquoted(column);
      for (size_t start = 0; made < count;) {
        const size_t at = inner.find(kElementSeparator, start);
        const std::string_view quoted =
            inner.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start);
        texts[made] = new char[quoted.size() + 1];
        const size_t length = unescape(quoted, texts[made++]);
        if (endsWithQuoteColon(std::string_view(texts[made - 1], length))) {
          throw SerializerException("A string array element ending with '\":' is ambiguous in CSV: '" +
                                    util::printableExcerpt(std::string_view(texts[made - 1], length)) + "'.");
        }
        if (at == std::string_view::npos) break;
        start = at + 3;
      }
    }
  } catch (...) {
    for (size_t i = 0; i < made; ++i) delete[] texts[i];
    throw;
  }
  return texts.release();
}

bool CsvDataConverter::toBoolean(std::string_view text) {
  if (text == "0" || equalsIgnoringCase(text, "false")) return false;
  if (text == "1" || equalsIgnoringCase(text, "true")) return true;
  throw util::UtilException(
      StringUtils::format("The value '%s' is not a valid boolean value.", std::string(text).c_str()));
}
signed char CsvDataConverter::toByte(std::string_view text) {
  return strict<signed char>(text, "int8_t", parseNarrow<signed char>);
}
short CsvDataConverter::toShort(std::string_view text) {
  return strict<short>(text, "int16_t", parseNarrow<short>);
}
int CsvDataConverter::toInt(std::string_view text) {
  return strict<int>(text, "int32_t", text::parseDecimal<int>);
}
long CsvDataConverter::toLong(std::string_view text) {
  return strict<long>(text, "int64_t", text::parseDecimal<long>);
}
float CsvDataConverter::toFloat(std::string_view text) { return strict<float>(text, "float", parseFloat); }
double CsvDataConverter::toDouble(std::string_view text) {
  return strict<double>(text, "double", parseDouble);
}

char* CsvDataConverter::toString(std::string_view quoted) {
  const std::string_view inner = unquoted(quoted);
  std::unique_ptr<char[]> text(new char[inner.size() + 1]);
  unescape(inner, text.get());
  return text.release();
}

yox::auto_ptr<DiscreteFunction> CsvDataConverter::toDiscreteFunction(std::string_view text) {
  const size_t count = text.empty() ? 0 : 1 + static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
  std::unique_ptr<double[]> x(new double[count]);
  std::unique_ptr<double[]> y(new double[count]);
  for (size_t i = 0, start = 0; i < count; ++i) {
    const size_t colon = text.find(':', start);
    const std::string_view point =
        text.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
    start = colon + 1;
    const size_t semicolon = point.find(';');
    if (semicolon == std::string_view::npos || point.find(';', semicolon + 1) != std::string_view::npos) {
      throw util::UtilException("The value '" + util::printableExcerpt(point) + "' is not a valid point.");
    }
    x[i] = toDouble(point.substr(0, semicolon));
    y[i] = toDouble(point.substr(semicolon + 1));
  }
  yox::auto_ptr<DiscreteFunction> function =
      DataFactory::createDiscreteFunction(x.get(), y.get(), count, DFSP_MOVE);
  x.release();
  y.release();
  return function;
}

yox::auto_ptr<DiscreteFunctionList> CsvDataConverter::toDiscreteFunctionList(std::string_view values) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  for (std::string_view column; nextColumn(values, column);) {
    builder->append(yox::auto_ptr<const DiscreteFunction>(toDiscreteFunction(column).release()));
  }
  return builder->build();
}

DiscreteFunction** CsvDataConverter::toDiscreteFunctionArray(std::string_view values, size_t count) {
  std::unique_ptr<DiscreteFunction*[]> functions(new DiscreteFunction*[count]());
  size_t made = 0;
  try {
    for (std::string_view column; made < count && nextColumn(values, column);) {
      functions[made++] = toDiscreteFunction(column).release();
    }
  } catch (...) {
    for (size_t i = 0; i < made; ++i) delete functions[i];
    throw;
  }
  return functions.release();
}

}  // namespace impl
}  // namespace data
}  // namespace yox
