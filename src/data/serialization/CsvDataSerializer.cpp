#include "data/serialization/CsvDataSerializer.h"

#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DiscreteFunction.h"
#include "data/Entry.h"
#include "data/serialization/CsvDataConverter.h"
#include "data/serialization/SerializerSupport.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

using namespace serialization;
using util::StringUtils;

namespace {

[[noreturn]] void throwNested() { throw DataException("Nested data is not supported by CSV serialization."); }

template <class T>
std::string elementsToCsv(const Entry& entry) {
  std::vector<size_t> index;
  return CsvDataConverter::arrayToCsv(&arrayOf<T>(entry), index, 0);
}

}  // namespace

std::string CsvDataSerializer::serialize(const Data& data) const {
  std::vector<std::string> lines;
  for (const Entry* entry : data.getEntries()) lines.push_back(buildEntryString(*entry));
  return CsvDataConverter::join(lines, CsvDataConverter::ENTRIES_SEPARATOR, "", "");
}

std::string CsvDataSerializer::buildEntryString(const Entry& entry) const {
  const std::string name = entry.getName();
  // The reader splits at commas and line feeds and drops empty columns, so such a name
  // would read back as other columns or entries.
  if (name.empty() || name.find_first_of(",\n") != std::string::npos) {
    throw SerializerException(
        "Entry '" + util::printableExcerpt(name) +
        "' cannot be written as CSV: its name is empty or holds a comma or a line feed.");
  }
  try {
    return entryLine(entry);
  } catch (const SerializerException& e) {
    throw SerializerException("Entry '" + util::printableExcerpt(name) +
                              "' cannot be written as CSV: " + e.what() + ".");
  }
}

std::string CsvDataSerializer::entryLine(const Entry& entry) const {
  const DataType type = entry.getType();
  std::string line =
      std::string(entry.getName()) + CsvDataConverter::COLUMNS_SEPARATOR + DataTypeUtils::toString(type);
  if (DataTypeUtils::getStorageType(type) == ST_SCALAR) {
    return line + CsvDataConverter::COLUMNS_SEPARATOR + scalarToCsv(entry);
  }
  const std::string values = arrayToCsv(entry);
  return line + "[" + readDims(entry) + "]" + CsvDataConverter::COLUMNS_SEPARATOR + values;
}

std::string CsvDataSerializer::scalarToCsv(const Entry& entry) const {
  switch (entry.getType()) {
    case DT_BOOL:
      return StringUtils::toString(entry.getBool());
    case DT_BYTE:
      return StringUtils::toString(entry.getByte());
    case DT_SHORT:
      return StringUtils::toString(entry.getShort());
    case DT_INT:
      return StringUtils::toString(entry.getInt());
    case DT_LONG:
      return StringUtils::toString(entry.getLong());
    case DT_FLOAT:
      return StringUtils::toString(entry.getFloat());
    case DT_DOUBLE:
      return StringUtils::toString(entry.getDouble());
    case DT_STRING:
      return CsvDataConverter::toCsv(entry.getString());
    case DT_DISCRETE_FUNCTION:
      return CsvDataConverter::toCsv(entry.getDiscreteFunction());
    case DT_DISCRETE_FUNCTION_LIST:
      return CsvDataConverter::toCsv(entry.getDiscreteFunctionList());
    case DT_DATA:
      throwNested();
    default:
      throw DataException("Unexpected DataType " + std::to_string(static_cast<int>(entry.getType())) + ".");
  }
}

std::string CsvDataSerializer::arrayToCsv(const Entry& entry) const {
  switch (elementKindOf(entry.getType())) {
    case ElementKind::kBool:
      return elementsToCsv<bool>(entry);
    case ElementKind::kByte:
      return elementsToCsv<signed char>(entry);
    case ElementKind::kShort:
      return elementsToCsv<short>(entry);
    case ElementKind::kInt:
      return elementsToCsv<int>(entry);
    case ElementKind::kLong:
      return elementsToCsv<long>(entry);
    case ElementKind::kFloat:
      return elementsToCsv<float>(entry);
    case ElementKind::kDouble:
      return elementsToCsv<double>(entry);
    case ElementKind::kString:
      return elementsToCsv<char*>(entry);
    case ElementKind::kFunction: {
      const Array<DiscreteFunction*>& array = arrayOf<DiscreteFunction*>(entry);
      return CsvDataConverter::arrayToCsv(array.getElements(), array.getElementCount());
    }
    case ElementKind::kData:
      break;
  }
  throwNested();
}

std::string CsvDataSerializer::readDims(const Entry& entry) const {
  const ArrayBase* holder = entryImplOf(entry).getArrayHolder();
  checkArray(entry, holder != nullptr);
  std::vector<std::string> extents;
  for (size_t extent : holder->getDims()) extents.push_back(std::to_string(extent));
  return CsvDataConverter::join(extents, CsvDataConverter::VALUES_SEPARATOR, "", "");
}

}  // namespace impl
}  // namespace data
}  // namespace yox
