#include "values/VUQ_VARS.h"

#include <boost/assign/list_of.hpp>
#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <type_traits>
#include <typeinfo>

#include "base/LogIt.h"
#include "data/Data.h"

std::map<std::string, VUQ_DATA_TYPE> g_sDataTypeStringsToDataTypeMap =
    boost::assign::map_list_of("unk", QIV_UNK)("longlong", QIV_LONGLONG)("int", QIV_INT)("long", QIV_INT)(
        "short", QIV_SHORT)("double", QIV_DOUBLE)("float", QIV_FLOAT)("bool", QIV_BOOL)("boolean", QIV_BOOL)(
        "string", QIV_STRING)("byte", QIV_BYTE);

std::map<VUQ_DATA_TYPE, unsigned long> g_sDataTypeToDataSizeMap =
    boost::assign::map_list_of(QIV_UNK, 0UL)(QIV_LONGLONG, 8UL)(QIV_INT, 4UL)(QIV_SHORT, 2UL)(
        QIV_DOUBLE, 8UL)(QIV_FLOAT, 4UL)(QIV_BOOL, 1UL)(QIV_STRING, 8UL)(QIV_BYTE, 1UL);

namespace {

// count * size in decimal, exact even where the product does not fit 64 bits.
std::string byteCount(unsigned long count, unsigned long size) {
  unsigned __int128 product = static_cast<unsigned __int128>(count) * size;
  std::string digits;
  do {
    digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(product % 10)));
    product /= 10;
  } while (product != 0);
  return digits;
}

bool isValidTypeId(unsigned int typeId) { return typeId >= QIV_UNK && typeId <= QIV_BYTE; }

// Decodes a raw byte buffer into the held vector. The vector is replaced only when
// every check passes, so a refused buffer never leaves half-decoded elements behind.
class fromByteArray_visitor : public boost::static_visitor<bool> {
 public:
  fromByteArray_visitor(const char* buffer, unsigned long bufferSize, unsigned long elementCount)
      : buffer_(buffer), bufferSize_(bufferSize), elementCount_(elementCount) {}

  template <class T>
  bool operator()(std::vector<T>& target) const {
    const unsigned long elementSize = sizeof(T);
    const char* typeName = typeid(T).name();
    if (buffer_ == nullptr) {
      YOX_LOG(kLogError, -1) << "ERROR - NULL byteBuffer received (and invalid size [" << bufferSize_
                             << "]), cannot convert to type  [" << typeName << "]";
      return false;
    }
    if (bufferSize_ < elementSize) {
      YOX_LOG(kLogError, -1) << "ERROR - received byteBuffer of [" << bufferSize_
                             << "] bytes, mimimum size for single type  [" << typeName << "] is ["
                             << elementSize << "]";
      return false;
    }
    if (elementCount_ == 0) {
      logInvalidCount(typeName);
      return false;
    }
    // Compared by division so that a huge count cannot wrap the product around.
    if (elementCount_ > bufferSize_ / elementSize) {
      logTooShort(typeName, elementSize);
      return false;
    }
    target.resize(elementCount_);
    std::memcpy(target.data(), buffer_, elementCount_ * elementSize);
    return true;
  }

  bool operator()(std::vector<bool>& target) const {
    const char* typeName = typeid(bool).name();
    if (buffer_ == nullptr) {
      YOX_LOG(kLogError, -1) << "ERROR - NULL byteBuffer received (and invalid size [" << bufferSize_
                             << "]), cannot convert to type  [" << typeName << "]";
      return false;
    }
    if (bufferSize_ < 1) {
      YOX_LOG(kLogError, -1) << "ERROR - received byteBuffer of [" << bufferSize_
                             << "] bytes, mimimum size for single type  [" << typeName << "] is [" << 1
                             << "]";
      return false;
    }
    if (elementCount_ == 0) {
      logInvalidCount(typeName);
      return false;
    }
    if (elementCount_ > bufferSize_) {
      logTooShort(typeName, 1);
      return false;
    }
    target.assign(elementCount_, false);
    for (unsigned long i = 0; i < elementCount_; ++i) target[i] = buffer_[i] != 0;
    return true;
  }

  // The buffer is an array of elementCount pointers to NUL-terminated texts.
  bool operator()(std::vector<std::string>& target) const {
    if (buffer_ == nullptr) {
      YOX_LOG(kLogError, -1) << "ERROR - NULL byteBuffer received (and invalid size [" << bufferSize_
                             << "]), cannot convert to type  [string]";
      return false;
    }
    if (bufferSize_ == 0) {
      YOX_LOG(kLogError, -1) << "ERROR - received empty byteBuffer ([" << bufferSize_ << "] bytes)";
      return false;
    }
    if (elementCount_ == 0) {
      logInvalidCount("string");
      return false;
    }
    // Not every caller is trusted to size the pointer array right: refuse a buffer that
    // cannot hold elementCount pointers instead of reading past its end.
    const unsigned long pointerSize = sizeof(const char*);
    if (elementCount_ > bufferSize_ / pointerSize) {
      logTooShort("string", pointerSize);
      return false;
    }
    std::vector<std::string> texts;
    texts.reserve(elementCount_);
    for (unsigned long i = 0; i < elementCount_; ++i) {
      const char* text = nullptr;
      std::memcpy(&text, buffer_ + i * pointerSize, pointerSize);
      if (text == nullptr) {
        YOX_LOG(kLogError, -1) << "ERROR - NULL text pointer at index [" << i
                               << "] of byteBuffer, cannot convert to type  [string]";
        return false;
      }
      texts.emplace_back(text);
    }
    target.swap(texts);
    return true;
  }

 private:
  void logInvalidCount(const char* typeName) const {
    if (LogIt::isLoggable(kLogError, -1)) {
      LogIt(kLogError, -1, "operator()", __LINE__).getStream()
          << "ERROR - attempt to cast [" << bufferSize_ << "] bytes to invalid array size [" << elementCount_
          << "] of type[" << typeName << "]";
    }
  }
  void logTooShort(const char* typeName, unsigned long elementSize) const {
    if (LogIt::isLoggable(kLogError, -1)) {
      LogIt(kLogError, -1, "operator()", __LINE__).getStream()
          << "ERROR - cannot cast [" << bufferSize_ << "] bytes to array size [" << elementCount_
          << "] of type[" << typeName << "], requires (at least) [" << byteCount(elementCount_, elementSize)
          << "] bytes of data";
    }
  }

  const char* buffer_;
  unsigned long bufferSize_;
  unsigned long elementCount_;
};

// The elements as bytes in native order; bools one byte each, strings NUL-terminated.
class toByteArray_visitor : public boost::static_visitor<boost::shared_array<char>> {
 public:
  explicit toByteArray_visitor(unsigned long& outSize) : outSize_(outSize) {}

  template <class T>
  boost::shared_array<char> operator()(const std::vector<T>& values) const {
    outSize_ = values.size() * sizeof(T);
    boost::shared_array<char> bytes(new char[outSize_]());
    if (outSize_ > 0) std::memcpy(bytes.get(), values.data(), outSize_);
    return bytes;
  }

  boost::shared_array<char> operator()(const std::vector<bool>& values) const {
    outSize_ = values.size();
    boost::shared_array<char> bytes(new char[outSize_]());
    for (unsigned long i = 0; i < outSize_; ++i) bytes[i] = values[i] ? 1 : 0;
    return bytes;
  }

  boost::shared_array<char> operator()(const std::vector<std::string>& values) const {
    outSize_ = 0;
    for (const std::string& text : values) outSize_ += text.size() + 1;
    boost::shared_array<char> bytes(new char[outSize_]());
    unsigned long offset = 0;
    for (const std::string& text : values) {
      std::memcpy(bytes.get() + offset, text.c_str(), text.size() + 1);
      offset += text.size() + 1;
    }
    return bytes;
  }

 private:
  unsigned long& outSize_;
};

// "size [n] values [a, b, ]"; the caller handles the not-initialised and empty forms.
class toString_visitor : public boost::static_visitor<std::string> {
 public:
  template <class T>
  std::string operator()(const std::vector<T>& values) const {
    std::ostringstream text;
    text << "size [" << values.size() << "] values [";
    for (const auto& value : values) write(text, value);
    text << "]";
    return text.str();
  }

 private:
  template <class T>
  static void write(std::ostream& text, const T& value) {
    text << value << ", ";
  }
  static void write(std::ostream& text, bool value) { text << value << ", "; }
  static void write(std::ostream& text, float value) { text << static_cast<double>(value) << ", "; }
};

// Appends the elements to a container: nothing when empty, a scalar for one element,
// a 1-D array otherwise.
class toVuqData_visitor : public boost::static_visitor<void> {
 public:
  toVuqData_visitor(const std::string& name, yox::data::Data& data) : name_(name), data_(data) {}

  template <class T>
  void operator()(const std::vector<T>& values) const {
    if (values.empty()) return;
    if (values.size() == 1) {
      data_.append(name_, values[0]);
    } else {
      data_.appendArray(name_, values.data(), values.size());
    }
  }

  void operator()(const std::vector<bool>& values) const {
    if (values.empty()) return;
    if (values.size() == 1) {
      data_.append(name_, static_cast<bool>(values[0]));
      return;
    }
    std::unique_ptr<bool[]> flags(new bool[values.size()]);
    for (size_t i = 0; i < values.size(); ++i) flags[i] = values[i];
    data_.appendArray(name_, flags.get(), values.size());
  }

  void operator()(const std::vector<std::string>& values) const {
    if (values.empty()) return;
    if (values.size() == 1) {
      data_.append(name_, values[0].c_str());
      return;
    }
    std::vector<const char*> texts;
    texts.reserve(values.size());
    for (const std::string& text : values) texts.push_back(text.c_str());
    data_.appendArray(name_, texts.data(), texts.size());
  }

  // The container's byte type is signed char.
  void operator()(const std::vector<char>& values) const {
    if (values.empty()) return;
    if (values.size() == 1) {
      data_.append(name_, static_cast<signed char>(values[0]));
      return;
    }
    std::vector<signed char> bytes(values.begin(), values.end());
    data_.appendArray(name_, bytes.data(), bytes.size());
  }

 private:
  const std::string& name_;
  yox::data::Data& data_;
};

// Whether value, converted to an element of type Target, has a defined result. Only a
// floating value that does not fit an integer target has none.
template <class Target, class Source>
bool convertible(Source value) {
  if constexpr (std::is_floating_point<Source>::value && std::is_integral<Target>::value &&
                !std::is_same<Target, bool>::value) {
    const long double v = static_cast<long double>(value);
    // Truncation toward zero keeps values strictly between min - 1 and max + 1.
    return v > static_cast<long double>(std::numeric_limits<Target>::min()) - 1.0L &&
           v < static_cast<long double>(std::numeric_limits<Target>::max()) + 1.0L;
  } else {
    (void)value;
    return true;
  }
}

// Stores one value, converted to the held element type, growing the vector as needed.
// Returns false (nothing changed) when the index or the value cannot be stored.
template <class T>
class setAt_visitor : public boost::static_visitor<bool> {
 public:
  setAt_visitor(unsigned long index, T value) : index_(index), value_(value) {}

  template <class E>
  bool operator()(std::vector<E>& values) const {
    if (!convertible<E>(value_) || !grow(values)) return false;
    values[index_] = static_cast<E>(value_);
    return true;
  }

  bool operator()(std::vector<bool>& values) const {
    if (!grow(values)) return false;
    values[index_] = static_cast<bool>(value_);
    return true;
  }

  // A string element becomes the one character that the value converts to.
  bool operator()(std::vector<std::string>& values) const {
    if (!convertible<char>(value_) || !grow(values)) return false;
    values[index_] = std::string(1, static_cast<char>(value_));
    return true;
  }

 private:
  template <class V>
  bool grow(V& values) const {
    if (index_ < values.size()) return true;
    if (index_ >= values.max_size()) return false;
    values.resize(index_ + 1);
    return true;
  }

  unsigned long index_;
  T value_;
};

class deletion_visitor : public boost::static_visitor<void> {
 public:
  template <class T>
  void operator()(std::vector<T>& values) const {
    values.clear();
  }
};

class size_visitor : public boost::static_visitor<unsigned long> {
 public:
  template <class T>
  unsigned long operator()(const std::vector<T>& values) const {
    return values.size();
  }
};

}  // namespace

VUQ_VARS::VUQ_VARS() : initialised(false) {}

VUQ_VARS::VUQ_VARS(const VUQ_VARS& other) : initialised(false) { *this = other; }

VUQ_VARS& VUQ_VARS::operator=(const VUQ_VARS& other) {
  if (this == &other) return *this;
  clean();
  initialised = other.initialised;
  if (!other.initialised) return *this;
  variant = other.variant;
  return *this;
}

VUQ_VARS::~VUQ_VARS() = default;

void VUQ_VARS::clean() {
  boost::apply_visitor(deletion_visitor(), variant);
  initialised = false;
}

unsigned int VUQ_VARS::getType() const {
  if (!initialised) return QIV_UNK;
  return QIV_LONGLONG + static_cast<unsigned int>(variant.which());
}

unsigned long VUQ_VARS::getSize() const {
  if (!initialised) return 0;
  return boost::apply_visitor(size_visitor(), variant);
}

unsigned long VUQ_VARS::getTypeSize() const { return getTypeSize(getType()); }

std::string VUQ_VARS::getTypeName() const { return getTypeName(getType()); }

VUQ_DATA_TYPE VUQ_VARS::getTypeFromString(const std::string& name) {
  const std::locale locale;
  std::string lower(name);
  for (char& c : lower) c = std::tolower(c, locale);
  const auto it = g_sDataTypeStringsToDataTypeMap.find(lower);
  if (it != g_sDataTypeStringsToDataTypeMap.end()) return it->second;
  YOX_LOG(kLogError, -1) << "ERROR, unrecognized data type string [" << name
                         << "] returning QIV_UNK as data type";
  return QIV_UNK;
}

unsigned long VUQ_VARS::getTypeSize(const unsigned int& typeId) {
  if (!isValidTypeId(typeId)) {
    YOX_LOG(kLogError, -1) << "invalid typeId [" << typeId << "] (outside bounds - min [" << QIV_UNK
                           << "] max [" << QIV_BYTE << "]), throwing error";
    throw "invalid typeId";
  }
  return g_sDataTypeToDataSizeMap.at(static_cast<VUQ_DATA_TYPE>(typeId));
}

std::string VUQ_VARS::getTypeName(const unsigned int& typeId) {
  if (isValidTypeId(typeId)) {
    // Names ascend, so each id finds its first name ("int" before "long").
    for (const auto& entry : g_sDataTypeStringsToDataTypeMap) {
      if (static_cast<unsigned int>(entry.second) == typeId) return entry.first;
    }
  }
  YOX_LOG(kLogError, -1) << "invalid typeId [" << typeId << "] (outside bounds - min [" << QIV_UNK
                         << "] max [" << QIV_BYTE << "]), returning invalid";
  return "invalid type id:" + std::to_string(typeId);
}

bool VUQ_VARS::attachByteBuffer(const char* buffer, const unsigned long& bufferSize,
                                const unsigned long& elementCount) {
  if (!initialised) {
    YOX_LOG(kLogError, -1) << "Cannot parse byte buffer into VUQ compatible form: input byteBuffer size ["
                           << bufferSize << "], target VUQ element count [" << elementCount
                           << "]. The intermediate buffer has not been allocated with a valid VUQ type";
    return false;
  }
  const unsigned int typeId = QIV_LONGLONG + static_cast<unsigned int>(variant.which());
  clean();
  initialised = boost::apply_visitor(fromByteArray_visitor(buffer, bufferSize, elementCount), variant);
  if (!initialised) {
    YOX_LOG(kLogError, -1) << "Failed to parse byte buffer into VUQ compatible form: input byteBuffer size ["
                           << bufferSize << "], target VUQ type [" << typeId << "] element count ["
                           << elementCount << "]";
  }
  return initialised;
}

boost::shared_array<char> VUQ_VARS::toByteArray(unsigned long& outSize) const {
  return boost::apply_visitor(toByteArray_visitor(outSize), variant);
}

std::string VUQ_VARS::toString() const {
  if (!initialised) return "NOT INITIALISED";
  if (getSize() == 0) return "EMPTY";
  return boost::apply_visitor(toString_visitor(), variant);
}

void VUQ_VARS::appendToVuqDataObject(std::string name, yox::data::Data& data) const {
  boost::apply_visitor(toVuqData_visitor(name, data), variant);
}

namespace {

// "VUQ_VAR::<operation> element at [i] could not be retrieved, ..." for a failed access.
std::string accessFailure(const char* operation, unsigned long index, const VUQ_VARS& value) {
  std::ostringstream text;
  text << "VUQ_VAR::" << operation << " element at [" << index << "] could not be retrieved, initialised? ["
       << (value.isInitialised() ? "Y" : "N") << "]  size [" << value.getSize() << "] type ["
       << value.getType() << "] typeName [" << value.getTypeName() << "]";
  return text.str();
}

}  // namespace

template <class T>
const T VUQ_VARS::getAt(const unsigned long index) const {
  try {
    const std::vector<T>& values = boost::get<std::vector<T>>(variant);
    if (initialised && index < values.size()) return values[index];
  } catch (const boost::bad_get& e) {
    YOX_LOG(kLogError, -1) << " mismatch between requested type and type held in variant, exception message: "
                           << e.what();
  }
  const std::string text = accessFailure("getAt", index, *this);
  YOX_LOG(kLogError, -1) << text;
  throw std::out_of_range(text);
}

template <class T>
void VUQ_VARS::setAt(const unsigned long index, T value) {
  if (initialised && boost::apply_visitor(setAt_visitor<T>(index, value), variant)) return;
  const std::string text = accessFailure("setAt", index, *this);
  YOX_LOG(kLogError, -1) << text;
  throw std::out_of_range(text);
}

// getAt returns const T as the host interface declares it; for scalars that const has
// no effect, which GCC reports on each explicit instantiation.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"
#define YOX_VUQ_ELEMENT_ACCESS(T)                                            \
  template YOX_EXPORT const T VUQ_VARS::getAt<T>(const unsigned long) const; \
  template YOX_EXPORT void VUQ_VARS::setAt<T>(const unsigned long, T);

YOX_VUQ_ELEMENT_ACCESS(long)
YOX_VUQ_ELEMENT_ACCESS(int)
YOX_VUQ_ELEMENT_ACCESS(double)
YOX_VUQ_ELEMENT_ACCESS(float)
YOX_VUQ_ELEMENT_ACCESS(bool)
YOX_VUQ_ELEMENT_ACCESS(char)

#undef YOX_VUQ_ELEMENT_ACCESS
#pragma GCC diagnostic pop

bool VUQ_VARS::operator==(const VUQ_VARS& other) const {
  return initialised == other.initialised && variant == other.variant;
}
