#include "data/serialization/CsvDataConverter.h"

#include <cstring>
#include <memory>

#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

using util::StringUtils;

const char* const CsvDataConverter::ENTRIES_SEPARATOR = "\n";
const char* const CsvDataConverter::COLUMNS_SEPARATOR = ",";
const char* const CsvDataConverter::VALUES_SEPARATOR = ":";
const char* const CsvDataConverter::POINT_COORDINATES_SEPARATOR = ";";

namespace {

// Every piece between occurrences of separator, empty ones included.
std::vector<std::string> splitKeepingEmpty(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size()) {
    pieces.push_back(text.substr(start, at - start));
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

// Elements of a string array are separated by quote-colon-quote, and quotes inside a text
// are escaped but backslashes are not, so a text ending with a quote and a colon cannot be
// told apart from its successor: such elements are refused both ways.
void checkArrayText(const std::string& text, const char* what) {
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\":") == 0) {
    throw SerializerException("A string array element ending with '\":' " + std::string(what) + ": '" + text +
                              "'.");
  }
}

template <class T>
std::string elementText(T value) {
  return StringUtils::toString(value);
}
template <>
std::string elementText<char*>(char* value) {
  checkArrayText(value, "cannot be written as CSV");
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

std::string CsvDataConverter::toCsv(const char* text) { return "\"" + escapeCharacters(text) + "\""; }

char* CsvDataConverter::toString(const std::string& text) {
  const std::string unescaped =
      StringUtils::replaceAll(StringUtils::replaceAll(text, "\\\"", "\""), "\\n", "\n");
  char* out = new char[unescaped.size() + 1];
  std::memcpy(out, unescaped.c_str(), unescaped.size() + 1);
  return out;
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
  for (const DiscreteFunction* function : list.getFunctions()) functions.push_back(toCsv(*function));
  return join(functions, COLUMNS_SEPARATOR, "", "");
}

std::string CsvDataConverter::arrayToCsv(const DiscreteFunction* const* functions, size_t count) {
  std::vector<std::string> texts;
  texts.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const DiscreteFunction* function;
    std::memcpy(&function, functions + i, sizeof function);
    texts.push_back(toCsv(*function));
  }
  return join(texts, COLUMNS_SEPARATOR, "", "");
}

template <class T>
std::string CsvDataConverter::arrayToCsv(const Array<T>* array, std::vector<size_t>& index,
                                         unsigned dimension) {
  const std::vector<size_t>& dims = array->getDims();
  if (array->getElementCount() == 0) return "";
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

std::vector<std::string> CsvDataConverter::splitWithRegex(const std::string& text,
                                                          const std::string& separator) {
  std::vector<std::string> pieces;
  for (std::string& piece : splitKeepingEmpty(text, separator)) {
    if (!piece.empty()) pieces.push_back(std::move(piece));
  }
  return pieces;
}

std::vector<std::string> CsvDataConverter::getFlatVectorOfStringValues(
    const std::vector<std::string>& columns) {
  std::vector<std::string> values;
  for (const std::string& column : columns) {
    for (std::string& value : splitKeepingEmpty(column, VALUES_SEPARATOR)) values.push_back(std::move(value));
  }
  return values;
}

std::vector<std::string> CsvDataConverter::getFlatVectorOfStringValuesOfStringType(
    const std::vector<std::string>& columns) {
  std::vector<std::string> values;
  for (const std::string& column : columns) {
    if (column.size() < 2) throw SerializerException("The text value '" + column + "' lacks its quotes.");
    for (const std::string& quoted : splitKeepingEmpty(column.substr(1, column.size() - 2), "\":\"")) {
      std::unique_ptr<char[]> text(toString(quoted));
      values.push_back(text.get());
      checkArrayText(values.back(), "is ambiguous in CSV");
    }
  }
  return values;
}

bool CsvDataConverter::toBoolean(const std::string& text) { return StringUtils::toBool(text); }
signed char CsvDataConverter::toByte(const std::string& text) { return StringUtils::toByte(text); }
short CsvDataConverter::toShort(const std::string& text) { return StringUtils::toShort(text); }
int CsvDataConverter::toInt(const std::string& text) { return StringUtils::toInt(text); }
long CsvDataConverter::toLong(const std::string& text) { return StringUtils::toLong(text); }
float CsvDataConverter::toFloat(const std::string& text) { return StringUtils::toFloat(text); }
double CsvDataConverter::toDouble(const std::string& text) { return StringUtils::toDouble(text); }

char* CsvDataConverter::toString(const std::vector<std::string>& columns) {
  if (columns.empty()) throw SerializerException("The text value is missing.");
  const std::string& column = columns[0];
  if (column.size() < 2) throw SerializerException("The text value '" + column + "' lacks its quotes.");
  return toString(column.substr(1, column.size() - 2));
}

yox::auto_ptr<DiscreteFunction> CsvDataConverter::toDiscreteFunction(const std::string& text) {
  const std::vector<std::string> points =
      text.empty() ? std::vector<std::string>() : splitKeepingEmpty(text, VALUES_SEPARATOR);
  std::unique_ptr<double[]> x(new double[points.size()]);
  std::unique_ptr<double[]> y(new double[points.size()]);
  for (size_t i = 0; i < points.size(); ++i) {
    const std::vector<std::string> coordinates = splitKeepingEmpty(points[i], POINT_COORDINATES_SEPARATOR);
    if (coordinates.size() != 2)
      throw util::UtilException("The value '" + points[i] + "' is not a valid point.");
    x[i] = StringUtils::toDouble(coordinates[0]);
    y[i] = StringUtils::toDouble(coordinates[1]);
  }
  yox::auto_ptr<DiscreteFunction> function =
      DataFactory::createDiscreteFunction(x.get(), y.get(), points.size(), DFSP_MOVE);
  x.release();
  y.release();
  return function;
}

yox::auto_ptr<DiscreteFunctionList> CsvDataConverter::toDiscreteFunctionList(
    const std::vector<std::string>& columns) {
  yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
  for (const std::string& column : columns) {
    builder->append(yox::auto_ptr<const DiscreteFunction>(toDiscreteFunction(column).release()));
  }
  return builder->build();
}

DiscreteFunction** CsvDataConverter::toDiscreteFunctionArray(const std::vector<std::string>& columns) {
  std::vector<std::unique_ptr<DiscreteFunction>> owned;
  for (const std::string& column : columns) owned.emplace_back(toDiscreteFunction(column).release());
  DiscreteFunction** functions = new DiscreteFunction*[owned.size()];
  for (size_t i = 0; i < owned.size(); ++i) functions[i] = owned[i].release();
  return functions;
}

}  // namespace impl
}  // namespace data
}  // namespace yox
