#include "data/serialization/CsvDataDeserializer.h"

#include <memory>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DiscreteFunction.h"
#include "data/impl/DataImpl.h"
#include "data/serialization/CsvDataConverter.h"
#include "data/serialization/SerializerSupport.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

using namespace serialization;

namespace {

// One line being read: its number (from 1) for messages, its columns and its entry.
struct Line {
  size_t number;
  std::string name;
  std::string typeColumn;
  std::vector<std::string> values;

  [[noreturn]] void fail(const std::string& what) const {
    throw SerializerException("Malformed CSV line [" + std::to_string(number) + "] of entry '" + name +
                              "': " + what + ".");
  }

  // Runs parse, turning a value that StringUtils cannot parse into the format message.
  template <class Parse>
  auto parsing(Parse parse) const -> decltype(parse()) {
    try {
      return parse();
    } catch (const util::UtilException&) {
      std::string message = "Serialized value has inappropriate number format: ";
      for (const std::string& value : values) message += value + "\n";
      throw DataException(message);
    }
  }
};

template <class T>
void appendNumbers(DataImpl& data, const Line& line, StorageType storage, const std::vector<size_t>& dims,
                   T (*parse)(const std::string&)) {
  const std::vector<std::string> texts = CsvDataConverter::getFlatVectorOfStringValues(line.values);
  const size_t expected = elementCount(dims, line.name);
  if (texts.size() != expected) {
    line.fail("it holds [" + std::to_string(texts.size()) + "] values where its extents call for [" +
              std::to_string(expected) + "]");
  }
  std::unique_ptr<T[]> values(new T[texts.size()]);
  line.parsing([&] {
    for (size_t i = 0; i < texts.size(); ++i) values[i] = parse(texts[i]);
    return 0;
  });
  appendShaped(data, line.name, values.get(), storage, dims, Ownership::kMove);
  values.release();
}

void appendTexts(DataImpl& data, const Line& line, StorageType storage, const std::vector<size_t>& dims) {
  const std::vector<std::string> texts =
      CsvDataConverter::getFlatVectorOfStringValuesOfStringType(line.values);
  const size_t expected = elementCount(dims, line.name);
  if (texts.size() != expected) {
    line.fail("it holds [" + std::to_string(texts.size()) + "] values where its extents call for [" +
              std::to_string(expected) + "]");
  }
  std::vector<const char*> pointers;
  pointers.reserve(texts.size());
  for (const std::string& text : texts) pointers.push_back(text.c_str());
  appendShaped(data, line.name, pointers.data(), storage, dims, Ownership::kCopy);
}

void appendScalar(DataImpl& data, const Line& line, DataType type) {
  if (type == DT_DISCRETE_FUNCTION_LIST) {
    yox::auto_ptr<DiscreteFunctionList> list =
        line.parsing([&] { return CsvDataConverter::toDiscreteFunctionList(line.values); });
    return data.appendMove(line.name, yox::auto_ptr<const DiscreteFunctionList>(list.release()));
  }
  if (type == DT_DISCRETE_FUNCTION) {
    const std::string points = line.values.empty() ? std::string() : line.values[0];
    yox::auto_ptr<DiscreteFunction> function =
        line.parsing([&] { return CsvDataConverter::toDiscreteFunction(points); });
    return data.appendMove(line.name, yox::auto_ptr<const DiscreteFunction>(function.release()));
  }
  if (line.values.empty()) line.fail("it has no value");
  if (type == DT_STRING) {
    std::unique_ptr<char[]> text(CsvDataConverter::toString(line.values));
    data.appendMove(line.name, text.get());
    text.release();
    return;
  }
  const std::string& value = line.values[0];
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
  if (line.values.size() != dims[0]) {
    line.fail("it holds [" + std::to_string(line.values.size()) + "] functions where its extent calls for [" +
              std::to_string(dims[0]) + "]");
  }
  std::unique_ptr<DiscreteFunction*[]> functions(
      line.parsing([&] { return CsvDataConverter::toDiscreteFunctionArray(line.values); }));
  const size_t count = line.values.size();
  try {
    data.appendArrayMove(line.name, const_cast<const DiscreteFunction**>(functions.get()), count);
  } catch (...) {
    for (size_t i = 0; i < count; ++i) delete functions[i];
    throw;
  }
  functions.release();
}

}  // namespace

DataType CsvDataDeserializer::getDataType(const std::string& typeColumn) const {
  return DataTypeUtils::toDataType(typeColumn.substr(0, typeColumn.find('[')));
}

boost::optional<std::vector<size_t>> CsvDataDeserializer::getDimsInfo(const std::string& typeColumn) const {
  const size_t open = typeColumn.find('[');
  if (open == std::string::npos) return boost::none;
  if (typeColumn.back() != ']') {
    throw SerializerException("The type column '" + typeColumn + "' does not end with ']'.");
  }
  std::vector<size_t> dims;
  const std::string inside = typeColumn.substr(open + 1, typeColumn.size() - open - 2);
  if (inside.empty()) return dims;
  size_t start = 0;
  for (;;) {
    const size_t colon = inside.find(CsvDataConverter::VALUES_SEPARATOR, start);
    const int extent = util::StringUtils::toInt(inside.substr(start, colon - start));
    if (extent < 0)
      throw SerializerException("Negative extent [" + std::to_string(extent) + "] in '" + typeColumn + "'.");
    dims.push_back(static_cast<size_t>(extent));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return dims;
}

yox::auto_ptr<Data> CsvDataDeserializer::deserialize(const char* text) const {
  if (text == nullptr) throw DataException("Input string for deserialization is null.");
  std::unique_ptr<DataImpl> data(new DataImpl());
  const std::string all(text);
  size_t number = 0;
  for (size_t start = 0; start <= all.size();) {
    size_t end = all.find(CsvDataConverter::ENTRIES_SEPARATOR, start);
    if (end == std::string::npos) end = all.size();
    const std::vector<std::string> columns =
        CsvDataConverter::splitWithRegex(all.substr(start, end - start), CsvDataConverter::COLUMNS_SEPARATOR);
    start = end + 1;
    Line line{++number, columns.empty() ? std::string() : columns[0], std::string(), {}};
    if (columns.size() < 2) line.fail("it has fewer than two columns");
    line.typeColumn = columns[1];
    line.values.assign(columns.begin() + 2, columns.end());

    const DataType type = getDataType(line.typeColumn);
    const StorageType storage = DataTypeUtils::getStorageType(type);
    if (type == DT_DATA || (storage != ST_SCALAR && elementKindOf(type) == ElementKind::kData)) {
      throw SerializerException("Data type '" + line.typeColumn + "' is not supported.");
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
