#include "host/DataToProp.h"

#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataType.h"
#include "data/Entry.h"

namespace yoxhost {

namespace {

template <class Element, class Stored>
Element toElement(Stored value) {
  return static_cast<Element>(value);
}

template <>
std::string toElement<std::string, const char*>(const char* value) {
  return value != nullptr ? std::string(value) : std::string();
}

// count elements from values, converted to the tag's element type. A decoded array is a
// view into the message and may sit at any offset, so elements are copied out bytewise.
template <class Element, class Stored>
VUQ_VARS valueOf(const Stored* values, size_t count) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(values);
  std::vector<Element> elements;
  elements.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    Stored stored;
    std::memcpy(&stored, bytes + i * sizeof(Stored), sizeof(Stored));
    elements.push_back(toElement<Element, Stored>(stored));
  }
  VUQ_VARS value;
  value.assignVector(elements);
  return value;
}

template <class Element, class Stored>
VUQ_VARS scalarOf(Stored value) {
  return valueOf<Element, Stored>(&value, 1);
}

std::string typeText(yox::data::DataType type) {
  try {
    return yox::data::DataTypeUtils::toString(type);
  } catch (const yox::data::DataException&) {
    return std::to_string(static_cast<int>(type));
  }
}

}  // namespace

// Each family reads its 1-D, 2-D and N-D arrays flat: Entry::getSize() is the element
// count whatever the shape.
#define YOX_ENTRY_FAMILY(Suffix, Element, Scalar, Array1D, Array2D, ArrayND) \
  case yox::data::Scalar:                                                    \
    return scalarOf<Element>(entry.get##Suffix());                           \
  case yox::data::Array1D: {                                                 \
    size_t size = 0;                                                         \
    const auto* values = entry.getArray##Suffix(size);                       \
    return valueOf<Element>(values, size);                                   \
  }                                                                          \
  case yox::data::Array2D: {                                                 \
    size_t rows = 0, cols = 0;                                               \
    const auto* values = entry.getArray##Suffix##2D(rows, cols);             \
    return valueOf<Element>(values, entry.getSize());                        \
  }                                                                          \
  case yox::data::ArrayND: {                                                 \
    std::vector<size_t> dims;                                                \
    const auto* values = entry.getMultiArray##Suffix(dims);                  \
    return valueOf<Element>(values, entry.getSize());                        \
  }

VUQ_VARS entryToValue(const yox::data::Entry& entry) {
  switch (entry.getType()) {
    YOX_ENTRY_FAMILY(Bool, bool, DT_BOOL, DT_BOOL_ARRAY, DT_BOOL_ARRAY_2D, DT_BOOL_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(Byte, char, DT_BYTE, DT_BYTE_ARRAY, DT_BYTE_ARRAY_2D, DT_BYTE_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(Short, short, DT_SHORT, DT_SHORT_ARRAY, DT_SHORT_ARRAY_2D, DT_SHORT_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(Int, int, DT_INT, DT_INT_ARRAY, DT_INT_ARRAY_2D, DT_INT_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(Long, long, DT_LONG, DT_LONG_ARRAY, DT_LONG_ARRAY_2D, DT_LONG_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(Float, float, DT_FLOAT, DT_FLOAT_ARRAY, DT_FLOAT_ARRAY_2D, DT_FLOAT_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(Double, double, DT_DOUBLE, DT_DOUBLE_ARRAY, DT_DOUBLE_ARRAY_2D, DT_DOUBLE_MULTI_ARRAY)
    YOX_ENTRY_FAMILY(String, std::string, DT_STRING, DT_STRING_ARRAY, DT_STRING_ARRAY_2D,
                     DT_STRING_MULTI_ARRAY)
    default:
      break;
  }
  throw std::invalid_argument(std::string("entry '") + entry.getName() + "' of type [" +
                              typeText(entry.getType()) +
                              "] cannot be carried by a tag: only bool, numeric and string entries can");
}

#undef YOX_ENTRY_FAMILY

void addDataTags(const yox::data::Data& data, iqivProp& prop) {
  std::vector<std::unique_ptr<qivTag>> tags;
  for (const yox::data::Entry* entry : data.getEntries()) {
    std::unique_ptr<qivTag> tag(new qivTag(entry->getName()));
    tag->value = entryToValue(*entry);
    tags.push_back(std::move(tag));
  }
  for (auto& tag : tags) prop.add(tag.release());
}

}  // namespace yoxhost
