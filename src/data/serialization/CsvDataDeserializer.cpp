#include "data/serialization/CsvDataDeserializer.h"

#include <memory>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DiscreteFunction.h"
#include "data/impl/DataImpl.h"
#include "data/serialization/CsvDataConverter.h"
#include "data/serialization/SerializerSupport.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

using namespace serialization;

namespace {

// Echoed value text of the number-format message: the columns as the text holds them,
// each followed by a line feed, cut after this many characters.
constexpr size_t kEchoLimit = 1023;

// One line being read: its number (from 1) for messages, its name, its type column and
// the rest of the line, which holds the value columns. Views point into the caller's text.
struct Line {
  size_t number;
  std::string name;
  std::string_view typeColumn;
  std::string_view values;

  [[noreturn]] void fail(const std::string& what) const {
    throw SerializerException("Malformed CSV line [" + std::to_string(number) + "] of entry '" +
                              util::printableExcerpt(name) + "': " + what + ".");
  }

  size_t columnCount() const {
    size_t count = 0;
    std::string_view rest = values;
    for (std::string_view column; CsvDataConverter::nextColumn(rest, column);) ++count;
    return count;
  }

  std::string_view firstValue() const {
    std::string_view rest = values;
    std::string_view column;
    if (!CsvDataConverter::nextColumn(rest, column)) fail("it has no value");
    if (CsvDataConverter::nextColumn(rest, column)) fail("its type takes one value column");
    return column;
  }

  // what: "values where its extents call", "functions where its extent calls".
  void checkCount(size_t count, size_t expected, const char* what) const {
    if (count != expected) {
      fail("it holds [" + std::to_string(count) + "] " + what + " for [" + std::to_string(expected) + "]");
    }
  }

  // Runs parse, turning a value that StringUtils cannot parse into the format message.
  template <class Parse>
  auto parsing(Parse parse) const -> decltype(parse()) {
    try {
      return parse();
    } catch (const util::UtilException&) {
      std::string echoed;
      std::string_view rest = values;
      for (std::string_view column;
           echoed.size() <= kEchoLimit && CsvDataConverter::nextColumn(rest, column);) {
        echoed.append(column.substr(0, kEchoLimit + 1)).append("\n");
      }
      throw DataException("Serialized value has inappropriate number format: " +
                          util::boundedEcho(echoed, kEchoLimit));
    }
  }
};

template <class T>
void appendNumbers(DataImpl& data, const Line& line, StorageType storage, const std::vector<size_t>& dims,
                   T (*parse)(std::string_view)) {
  const size_t count = CsvDataConverter::countValues(line.values);
  line.checkCount(count, elementCount(dims, line.name), "values where its extents call");
  std::unique_ptr<T[]> values(new T[count]);
  line.parsing([&] {
    size_t i = 0;
    CsvDataConverter::getFlatVectorOfStringValues(line.values,
                                                  [&](std::string_view text) { values[i++] = parse(text); });
    return 0;
  });
  appendShaped(data, line.name, values.get(), storage, dims, Ownership::kMove);
  values.release();
}

void appendTexts(DataImpl& data, const Line& line, StorageType storage, const std::vector<size_t>& dims) {
  const size_t count = CsvDataConverter::countTexts(line.values);
  line.checkCount(count, elementCount(dims, line.name), "values where its extents call");
  std::unique_ptr<char*[]> texts(
      CsvDataConverter::getFlatVectorOfStringValuesOfStringType(line.values, count));
  try {
    appendShaped(data, line.name, const_cast<const char**>(texts.get()), storage, dims, Ownership::kMove);
  } catch (...) {
    for (size_t i = 0; i < count; ++i) delete[] texts[i];
    throw;
  }
  texts.release();
}

void appendScalar(DataImpl& data, const Line& line, DataType type) {
  if (type == DT_DISCRETE_FUNCTION_LIST) {
    yox::auto_ptr<DiscreteFunctionList> list =
        line.parsing([&] { return CsvDataConverter::toDiscreteFunctionList(line.values); });
    return data.appendMove(line.name, yox::auto_ptr<const DiscreteFunctionList>(list.release()));
  }
  if (type == DT_DISCRETE_FUNCTION) {
    const std::string_view points = line.columnCount() == 0 ? std::string_view() : line.firstValue();
    yox::auto_ptr<DiscreteFunction> function =
        line.parsing([&] { return CsvDataConverter::toDiscreteFunction(points); });
    return data.appendMove(line.name, yox::auto_ptr<const DiscreteFunction>(function.release()));
  }
  const std::string_view value = line.firstValue();
  if (type == DT_STRING) {
    std::unique_ptr<char[]> text(CsvDataConverter::toString(value));
    data.appendMove(line.name, text.get());
    text.release();
    return;
  }
  line.parsing([&] {
    switch (type) {
      case DT_BOOL:
        data.append(line.name, CsvDataConverter::toBoolean(value));
        break;
      case DT_BYTE:
        data.append(line.name, CsvDataConverter::toByte(value));
        break;
      case DT_SHORT:
        data.append(line.name, CsvDataConverter::toShort(value));
        break;
      case DT_INT:
        data.append(line.name, CsvDataConverter::toInt(value));
        break;
      case DT_LONG:
        data.append(line.name, CsvDataConverter::toLong(value));
        break;
      case DT_FLOAT:
        data.append(line.name, CsvDataConverter::toFloat(value));
        break;
      default:
        data.append(line.name, CsvDataConverter::toDouble(value));
        break;
    }
    return 0;
  });
}

void appendFunctions(DataImpl& data, const Line& line, const std::vector<size_t>& dims) {
  const size_t count = line.columnCount();
  line.checkCount(count, dims[0], "functions where its extent calls");
  std::unique_ptr<DiscreteFunction*[]> functions(
      line.parsing([&] { return CsvDataConverter::toDiscreteFunctionArray(line.values, count); }));
  try {
    data.appendArrayMove(line.name, const_cast<const DiscreteFunction**>(functions.get()), count);
  } catch (...) {
    for (size_t i = 0; i < count; ++i) delete functions[i];
    throw;
  }
  functions.release();
}

}  // namespace

DataType CsvDataDeserializer::getDataType(std::string_view typeColumn) const {
  return DataTypeUtils::toDataType(std::string(typeColumn.substr(0, typeColumn.find('['))));
}

boost::optional<std::vector<size_t>> CsvDataDeserializer::getDimsInfo(std::string_view typeColumn) const {
  const size_t open = typeColumn.find('[');
  if (open == std::string_view::npos) return boost::none;
  if (typeColumn.back() != ']') {
    throw SerializerException("The type column '" + util::printableExcerpt(typeColumn) +
                              "' does not end with ']'.");
  }
  std::vector<size_t> dims;
  const std::string_view inside = typeColumn.substr(open + 1, typeColumn.size() - open - 2);
  if (inside.empty()) return dims;
  size_t start = 0;
  for (;;) {
    const size_t colon = inside.find(CsvDataConverter::VALUES_SEPARATOR, start);
    const int extent = util::StringUtils::toInt(std::string(inside.substr(start, colon - start)));
    if (extent < 0) {
      throw SerializerException("Negative extent [" + std::to_string(extent) + "] in '" +
                                util::printableExcerpt(typeColumn) + "'.");
    }
    dims.push_back(static_cast<size_t>(extent));
    if (colon == std::string_view::npos) break;
    start = colon + 1;
  }
  return dims;
}

yox::auto_ptr<Data> CsvDataDeserializer::deserialize(const char* text) const {
  if (text == nullptr) throw DataException("Input string for deserialization is null.");
  std::unique_ptr<DataImpl> data(new DataImpl());
  const std::string_view all(text);
  size_t number = 0;
  for (size_t start = 0; start <= all.size();) {
    size_t end = all.find(CsvDataConverter::ENTRIES_SEPARATOR, start);
    if (end == std::string_view::npos) end = all.size();
    std::string_view rest = all.substr(start, end - start);
    start = end + 1;
    std::string_view name;
    Line line{++number, std::string(), std::string_view(), std::string_view()};
    if (CsvDataConverter::nextColumn(rest, name)) line.name.assign(name.data(), name.size());
    if (!CsvDataConverter::nextColumn(rest, line.typeColumn)) line.fail("it has fewer than two columns");
    line.values = rest;

    const DataType type = getDataType(line.typeColumn);
    const StorageType storage = DataTypeUtils::getStorageType(type);
    if (type == DT_DATA || (storage != ST_SCALAR && elementKindOf(type) == ElementKind::kData)) {
      throw SerializerException("Data type '" + util::boundedEcho(line.typeColumn) + "' is not supported.");
    }
    const boost::optional<std::vector<size_t>> dims = getDimsInfo(line.typeColumn);
    if (storage == ST_SCALAR) {
      if (dims) line.fail("its type takes no extents");
      appendScalar(*data, line, type);
      continue;
    }
    if (!dims) line.fail("its type column lacks the extents");
    const int required = requiredExtents(storage);
    if (required >= 0 && dims->size() != static_cast<size_t>(required)) {
      line.fail("its type takes [" + std::to_string(required) + "] extents, not [" +
                std::to_string(dims->size()) + "]");
    }
    switch (elementKindOf(type)) {
      case ElementKind::kBool:
        appendNumbers<bool>(*data, line, storage, *dims, CsvDataConverter::toBoolean);
        break;
      case ElementKind::kByte:
        appendNumbers<signed char>(*data, line, storage, *dims, CsvDataConverter::toByte);
        break;
      case ElementKind::kShort:
        appendNumbers<short>(*data, line, storage, *dims, CsvDataConverter::toShort);
        break;
      case ElementKind::kInt:
        appendNumbers<int>(*data, line, storage, *dims, CsvDataConverter::toInt);
        break;
      case ElementKind::kLong:
        appendNumbers<long>(*data, line, storage, *dims, CsvDataConverter::toLong);
        break;
      case ElementKind::kFloat:
        appendNumbers<float>(*data, line, storage, *dims, CsvDataConverter::toFloat);
        break;
      case ElementKind::kDouble:
        appendNumbers<double>(*data, line, storage, *dims, CsvDataConverter::toDouble);
        break;
      case ElementKind::kString:
        appendTexts(*data, line, storage, *dims);
        break;
      case ElementKind::kFunction:
        appendFunctions(*data, line, *dims);
        break;
      case ElementKind::kData:
        break;
    }
  }
  return yox::auto_ptr<Data>(data.release());
}

}  // namespace impl
}  // namespace data
}  // namespace yox
