#include "filters/FilterToYoxDataConverter.h"

#include <boost/lexical_cast.hpp>
#include <locale>
#include <sstream>
#include <stdexcept>

#include "data/Data.h"
#include "data/DataFactory.h"

namespace {

std::runtime_error unparsable(const char* function, const std::string& value, const VUQ_DATA_TYPE& typeId) {
  std::ostringstream message;
  message << function << " Cannot parse filter value string[" << value << "] to target VUQ type [" << typeId
          << "]. This filter value will be ignored!";
  return std::runtime_error(message.str());
}

template <class T>
T toTagValue(const std::string& value, const VUQ_DATA_TYPE& typeId) {
  try {
    return boost::lexical_cast<T>(value);
  } catch (const boost::bad_lexical_cast&) {
    throw unparsable("toTagValue", value, typeId);
  }
}

// A byte is written as a decimal integer; only its low 8 bits are kept (300 gives 44).
template <>
char toTagValue<char>(const std::string& value, const VUQ_DATA_TYPE& typeId) {
  try {
    const int number = boost::lexical_cast<int>(value);
    return static_cast<char>(static_cast<unsigned char>(number & 0xFF));
  } catch (const boost::bad_lexical_cast&) {
    throw unparsable("toTagValue<char>", value, typeId);
  }
}

// "true" and "false" in any case, and the digit forms 1, +1, 0, +0 and -0; nothing else.
bool toBoolTagValue(const std::string& value, const VUQ_DATA_TYPE& typeId) {
  const std::locale locale;
  std::string lower(value);
  for (char& c : lower) c = std::tolower(c, locale);
  if (lower == "true" || lower == "1" || lower == "+1") return true;
  if (lower == "false" || lower == "0" || lower == "+0" || lower == "-0") return false;
  std::ostringstream message;
  message << "toTagValue<bool>"
          << " Cannot parse filter bool value string[" << value << "] to target VUQ type [" << typeId
          << "]. This filter value will be ignored!";
  throw std::runtime_error(message.str());
}

template <class T>
void appendValues(const std::string& tagName, const std::vector<T>& parsed, yox::data::Data& data) {
  VUQ_VARS value;
  value.clean();
  value.assignVector(parsed);
  value.appendToVuqDataObject(tagName, data);
}

}  // namespace

FilterToYoxDataConverter::FilterToYoxDataConverter(const Filters::Filter& filter) : filter(filter) {}

FilterToYoxDataConverter::~FilterToYoxDataConverter() = default;

template <class T>
void FilterToYoxDataConverter::addTagValuesToYoxDataObject(const std::string& tagName,
                                                           const std::vector<std::string>& values,
                                                           const VUQ_DATA_TYPE& typeId,
                                                           yox::data::Data& data) {
  std::vector<T> parsed;
  parsed.reserve(values.size());
  for (const std::string& value : values) parsed.push_back(toTagValue<T>(value, typeId));
  appendValues(tagName, parsed, data);
}

template YOX_EXPORT void FilterToYoxDataConverter::addTagValuesToYoxDataObject<long>(
    const std::string&, const std::vector<std::string>&, const VUQ_DATA_TYPE&, yox::data::Data&);
template YOX_EXPORT void FilterToYoxDataConverter::addTagValuesToYoxDataObject<int>(
    const std::string&, const std::vector<std::string>&, const VUQ_DATA_TYPE&, yox::data::Data&);
template YOX_EXPORT void FilterToYoxDataConverter::addTagValuesToYoxDataObject<short>(
    const std::string&, const std::vector<std::string>&, const VUQ_DATA_TYPE&, yox::data::Data&);
template YOX_EXPORT void FilterToYoxDataConverter::addTagValuesToYoxDataObject<double>(
    const std::string&, const std::vector<std::string>&, const VUQ_DATA_TYPE&, yox::data::Data&);
template YOX_EXPORT void FilterToYoxDataConverter::addTagValuesToYoxDataObject<float>(
    const std::string&, const std::vector<std::string>&, const VUQ_DATA_TYPE&, yox::data::Data&);
template YOX_EXPORT void FilterToYoxDataConverter::addTagValuesToYoxDataObject<char>(
    const std::string&, const std::vector<std::string>&, const VUQ_DATA_TYPE&, yox::data::Data&);

yox::auto_ptr<yox::data::Data> FilterToYoxDataConverter::toYoxData() {
  if (filter.isNameOnly()) {
    std::ostringstream message;
    message << "toYoxData"
            << " filter [" << filter.getName()
            << "] is a name only filter (no constraints specified). Constraints must be loaded from the ZIV "
               "project internal filter dpe. Cannot create valid yox::data::Data object";
    throw std::runtime_error(message.str());
  }
  // Owned here until returned, so that any failure below frees it.
  yox::auto_ptr<yox::data::Data> data = yox::data::DataFactory::createData();
  for (const auto& constraint : filter.getConstraints()) {
    const std::string& tagName = constraint->getTagName();
    const std::vector<std::string>& values = constraint->getValues();
    const VUQ_DATA_TYPE typeId = VUQ_VARS::getTypeFromString(constraint->getDataType());
    switch (typeId) {
      case QIV_LONGLONG:
        addTagValuesToYoxDataObject<long>(tagName, values, typeId, *data);
        break;
      case QIV_INT:
        addTagValuesToYoxDataObject<int>(tagName, values, typeId, *data);
        break;
      case QIV_SHORT:
        addTagValuesToYoxDataObject<short>(tagName, values, typeId, *data);
        break;
      case QIV_DOUBLE:
        addTagValuesToYoxDataObject<double>(tagName, values, typeId, *data);
        break;
      case QIV_FLOAT:
        addTagValuesToYoxDataObject<float>(tagName, values, typeId, *data);
        break;
      case QIV_BYTE:
        addTagValuesToYoxDataObject<char>(tagName, values, typeId, *data);
        break;
      case QIV_BOOL: {
        std::vector<bool> parsed;
        parsed.reserve(values.size());
        for (const std::string& value : values) parsed.push_back(toBoolTagValue(value, typeId));
        appendValues(tagName, parsed, *data);
        break;
      }
      case QIV_STRING:
        appendValues(tagName, values, *data);
        break;
      default: {
        std::ostringstream message;
        message << "toYoxData"
                << " filter data type string [" << constraint->getDataType()
                << "] does not evaluate to a valid VUQ data type. Filter cannot be processed";
        throw std::runtime_error(message.str());
      }
    }
  }
  return data;
}
