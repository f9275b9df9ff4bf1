// VUQ_VARS: the value every host tag carries. A vector of exactly one of eight
// element types plus a flag telling whether it has been given a type and content.
// The element type (the variant's alternative) survives clean() and failed
// conversions, so a tag keeps its configured type while its content is refreshed.
#pragma once

#include <boost/shared_array.hpp>
#include <boost/variant.hpp>
#include <map>
#include <string>
#include <vector>

#include "base/Export.h"

namespace yox {
namespace data {
class Data;
}
}  // namespace yox

enum VUQ_DATA_TYPE {
  QIV_UNK = 1000,
  QIV_LONGLONG = 1001,
  QIV_INT = 1002,
  QIV_SHORT = 1003,
  QIV_DOUBLE = 1004,
  QIV_FLOAT = 1005,
  QIV_BOOL = 1006,
  QIV_STRING = 1007,
  QIV_BYTE = 1008
};

// Type names (lower case) -> type id, and type id -> element size in bytes. Built at
// library load, read-only afterwards.
extern YOX_EXPORT std::map<std::string, VUQ_DATA_TYPE> g_sDataTypeStringsToDataTypeMap;
extern YOX_EXPORT std::map<VUQ_DATA_TYPE, unsigned long> g_sDataTypeToDataSizeMap;

class YOX_EXPORT VUQ_VARS {
 public:
  // Alternative i holds type id 1001 + i.
  typedef boost::variant<std::vector<long>, std::vector<int>, std::vector<short>, std::vector<double>,
                         std::vector<float>, std::vector<bool>, std::vector<std::string>, std::vector<char>>
      Variant;

  VUQ_VARS();
  // Deep copies. A source that is not initialised leaves this value empty and not
  // initialised, keeping this value's own element type.
  VUQ_VARS(const VUQ_VARS& other);
  VUQ_VARS& operator=(const VUQ_VARS& other);
  virtual ~VUQ_VARS();

  // Holds a copy of values (alternative chosen by T) and becomes initialised.
  template <class T>
  void assignVector(const std::vector<T>& values) {
    variant = values;
    initialised = true;
  }

  bool isInitialised() const { return initialised; }
  // Empties the vector, keeping its element type, and clears the initialised flag.
  void clean();
  // 1000 when not initialised, else 1001 + alternative.
  unsigned int getType() const;
  // Element count; 0 when not initialised.
  unsigned long getSize() const;
  unsigned long getTypeSize() const;
  std::string getTypeName() const;

  // Lower-cases the name and looks it up; unknown names log and give QIV_UNK.
  static VUQ_DATA_TYPE getTypeFromString(const std::string& name);
  // Element size of a type id; throws the C string "invalid typeId" outside 1000..1008.
  static unsigned long getTypeSize(const unsigned int& typeId);
  // Name of a type id; "invalid type id:<id>" outside 1000..1008.
  static std::string getTypeName(const unsigned int& typeId);

  // Replaces the elements by elementCount elements decoded (native byte order) from
  // buffer, keeping the element type. For strings, buffer holds elementCount pointers
  // to NUL-terminated texts (none null). False, with a log record, when the value is
  // not initialised or the buffer cannot hold them; the value is then not initialised.
  bool attachByteBuffer(const char* buffer, const unsigned long& bufferSize,
                        const unsigned long& elementCount);
  // The elements as bytes (bools one byte each, strings NUL-terminated one after another).
  boost::shared_array<char> toByteArray(unsigned long& outSize) const;
  // "NOT INITIALISED", "EMPTY" or "size [n] values [a, b, ]".
  std::string toString() const;
  // Appends the elements as one entry: nothing when empty, a scalar for one element,
  // an array otherwise.
  void appendToVuqDataObject(std::string name, yox::data::Data& data) const;

  // Element index of exactly type T (long, int, double, float, bool, char); throws
  // std::out_of_range otherwise. Explicitly instantiated for those six types.
  template <class T>
  const T getAt(const unsigned long index) const;
  // Stores value converted to the held element type, growing the vector with zero
  // elements as needed. Throws std::out_of_range (value unchanged) when not
  // initialised, when index cannot be reached, or when a floating value has no
  // integer (or character) element that it truncates to.
  template <class T>
  void setAt(const unsigned long index, T value);

  bool operator==(const VUQ_VARS& other) const;
  bool operator!=(const VUQ_VARS& other) const { return !(*this == other); }

  Variant variant;
  bool initialised;
};
