#include "data/serialization/StringDataSerializer.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DiscreteFunction.h"
#include "data/impl/DataImpl.h"
#include "data/impl/DiscreteFunctionImpl.h"
#include "data/serialization/Converter.h"
#include "data/serialization/SerializerSupport.h"
#include "data/StringUtils.h"
#include "data/serialization/TokensReader.h"

namespace yox {
namespace data {
namespace impl {

using namespace serialization;

namespace {

// ---------------------------------------------------------------- writing

// Text reserved ahead is 20 characters per element, for at most this many elements.
constexpr size_t kMaxReservedElements = size_t(1) << 22;

class Writer {
 public:
  Writer(std::string& out, char separator) : out_(out), separator_(separator) {
    // Tokens hold digits, letters, '_' (type names), '-' (signs), '%' (escapes) and any
    // unescaped byte of '0' and above; every other byte below '0' is escaped in texts.
    // '+' and '.' stay reserved for number texts.
    const unsigned char byte = static_cast<unsigned char>(separator);
    if (byte == 0 || byte >= '0' || separator == '%' || separator == '-' || separator == '+' ||
        separator == '.') {
      throw SerializerException("The separator '" + util::printableExcerpt(std::string(1, separator)) +
                                "' cannot be used: it can occur inside a token.");
    }
  }

  void block(const Data& data, int depth) {
    if (depth > StringDataSerializer::kMaxNestingDepth) throwTooDeep(StringDataSerializer::kMaxNestingDepth);
    out_ += std::to_string(data.getSize());
    for (const Entry* entry : data.getEntries()) {
      checkName(entry->getName());
      out_ += separator_;
      out_ += entry->getName();
      out_ += separator_;
      out_ += Converter::toString(entry->getType());
      out_ += separator_;
      entryValueToString(*entry, depth);
    }
  }

 private:
  // Names are written unescaped: one holding the separator would read back as other
  // tokens, and a line feed would break the one-line form.
  void checkName(const char* name) const {
    for (const char* p = name; *p != '\0'; ++p) {
      if (*p == separator_ || *p == '\n') {
        throw SerializerException("Entry '" + util::printableExcerpt(name) +
                                  "' cannot be written in the string format: its name holds the separator '" +
                                  util::printableExcerpt(std::string(1, separator_)) + "' or a line feed.");
      }
    }
  }

  void entryValueToString(const Entry& entry, int depth) {
    if (DataTypeUtils::getStorageType(entry.getType()) == ST_SCALAR) {
      scalarToString(entry, depth);
    } else {
      arrayToString(entry, depth);
    }
  }

  void serializeDiscreteFunction(const DiscreteFunction& function, int depth) {
    block(functionData(function), depth);
  }

  void scalarToString(const Entry& entry, int depth) {
    switch (entry.getType()) {
      case DT_BOOL:
        out_ += Converter::toString(entry.getBool());
        return;
      case DT_BYTE:
        out_ += Converter::toString(entry.getByte());
        return;
      case DT_SHORT:
        out_ += Converter::toString(entry.getShort());
        return;
      case DT_INT:
        out_ += Converter::toString(entry.getInt());
        return;
      case DT_LONG:
        out_ += Converter::toString(entry.getLong());
        return;
      case DT_FLOAT:
        out_ += Converter::toString(entry.getFloat());
        return;
      case DT_DOUBLE:
        out_ += Converter::toString(entry.getDouble());
        return;
      case DT_STRING: {
        const char* text = entry.getString();
        const size_t length = std::strlen(text);
        printArrayDimensions(std::vector<size_t>{length}, length, false, false);
        out_ += Converter::toString(text);
        return;
      }
      case DT_DATA:
        return block(entry.getData(), depth + 1);
      case DT_DISCRETE_FUNCTION:
        return serializeDiscreteFunction(entry.getDiscreteFunction(), depth + 1);
      default: {  // DT_DISCRETE_FUNCTION_LIST
        const DiscreteFunctionList& list = entry.getDiscreteFunctionList();
        out_ += std::to_string(list.getSize());
        for (const DiscreteFunction* function : list.getFunctions()) {
          out_ += separator_;
          serializeDiscreteFunction(*function, depth + 1);
        }
      }
    }
  }

  // The extents (after their count for N-D types), then one separator when elements
  // follow as a single token (noTrailingSeparator clear).
  // count is the element count (the product of the extents).
  void printArrayDimensions(const std::vector<size_t>& dims, size_t count, bool noTrailingSeparator,
                            bool withDimensionCount) {
    out_.reserve(out_.size() + 20 * std::min(count, kMaxReservedElements));
    if (withDimensionCount) {
      out_ += std::to_string(dims.size());
      for (size_t extent : dims) (out_ += separator_) += std::to_string(extent);
    } else {
      for (size_t i = 0; i < dims.size(); ++i) {
        if (i != 0) out_ += separator_;
        out_ += std::to_string(dims[i]);
      }
    }
    if (count != 0 && !noTrailingSeparator) out_ += separator_;
  }

  template <class T>
  void elements(const Entry& entry) {
    const Array<T>& array = arrayOf<T>(entry);
    for (size_t i = 0; i < array.getElementCount(); ++i) {
      out_ += separator_;
      out_ += Converter::toString(array.element(i));
    }
  }

  void bytes(const Entry& entry) {
    const Array<signed char>& array = arrayOf<signed char>(entry);
    for (size_t i = 0; i < array.getElementCount(); ++i) out_ += Converter::toString(array.element(i));
  }

  void arrayToString(const Entry& entry, int depth) {
    const ElementKind kind = elementKindOf(entry.getType());
    const ArrayBase* holder = entryImplOf(entry).getArrayHolder();
    checkArray(entry, holder != nullptr);
    const bool nd = DataTypeUtils::getStorageType(entry.getType()) == ST_MULTI_ARRAY;
    printArrayDimensions(holder->getDims(), holder->getElementCount(), kind != ElementKind::kByte, nd);
    switch (kind) {
      case ElementKind::kBool:
        return elements<bool>(entry);
      case ElementKind::kByte:
        return bytes(entry);
      case ElementKind::kShort:
        return elements<short>(entry);
      case ElementKind::kInt:
        return elements<int>(entry);
      case ElementKind::kLong:
        return elements<long>(entry);
      case ElementKind::kFloat:
        return elements<float>(entry);
      case ElementKind::kDouble:
        return elements<double>(entry);
      case ElementKind::kString: {
        const Array<char*>& array = arrayOf<char*>(entry);
        for (size_t i = 0; i < array.getElementCount(); ++i) {
          out_ += separator_;
          out_ += Converter::toString(static_cast<const char*>(array.element(i)));
        }
        return;
      }
      case ElementKind::kData: {
        const Array<Data*>& array = arrayOf<Data*>(entry);
        for (size_t i = 0; i < array.getElementCount(); ++i) {
          out_ += separator_;
          block(*array.element(i), depth + 1);
        }
        return;
      }
      case ElementKind::kFunction: {
        const Array<DiscreteFunction*>& array = arrayOf<DiscreteFunction*>(entry);
        for (size_t i = 0; i < array.getElementCount(); ++i) {
          out_ += separator_;
          serializeDiscreteFunction(*array.element(i), depth + 1);
        }
        return;
      }
    }
  }

  std::string& out_;
  char separator_;
};

// ---------------------------------------------------------------- reading

// A new[] array of count element pointers, each owned (a text or an object) until the
// array is handed to a container; the array itself is what the container adopts, so no
// second list of the elements is built while they are read.
template <class T>
class OwnedElements {
 public:
  explicit OwnedElements(size_t count) : count_(count), elements_(new T*[count]()) {}
  ~OwnedElements() {
    if (elements_ == nullptr) return;
    for (size_t i = 0; i < count_; ++i) destroy(elements_[i]);
    delete[] elements_;
  }
  OwnedElements(const OwnedElements&) = delete;
  OwnedElements& operator=(const OwnedElements&) = delete;

  void set(size_t i, T* element) { elements_[i] = element; }
  T** get() const { return elements_; }
  void release() { elements_ = nullptr; }

 private:
  static void destroy(char* text) { delete[] text; }
  template <class U>
  static void destroy(U* object) {
    delete object;
  }

  size_t count_;
  T** elements_;
};

class Reader {
 public:
  explicit Reader(TokensReader& in) : in_(in) {}

  std::unique_ptr<DataImpl> loadFromTokensReader(int depth) {
    if (depth > StringDataSerializer::kMaxNestingDepth) throwTooDeep(StringDataSerializer::kMaxNestingDepth);
    std::unique_ptr<DataImpl> data(new DataImpl());
    const int count = readCount("entry count");
    for (int i = 0; i < count; ++i) loadEntry(*data, depth);
    return data;
  }

 private:
  int readCount(const char* what) {
    const int value = Converter::strToInt(in_.next());
    if (value < 0)
      throw SerializerException(std::string("Negative ") + what + " [" + std::to_string(value) + "].");
    return value;
  }

  // Refuses, before anything is allocated, more elements than the text left can hold:
  // every element takes at least minLength characters and all but the last a separator
  // after it (a string-array element may be empty, so minLength 0 allows one more).
  void checkAvailable(size_t count, size_t minLength) {
    const size_t left = in_.remaining();
    if (minLength == 0 ? count > left + 1 : count > (left + 1) / (minLength + 1)) {
      throw SerializerException("TokensReader::next(): Out of range");
    }
  }

  yox::auto_ptr<const DiscreteFunction> loadDiscreteFunction(int depth) {
    std::unique_ptr<DataImpl> block = loadFromTokensReader(depth);
    return yox::auto_ptr<const DiscreteFunction>(
        new DiscreteFunctionImpl(yox::auto_ptr<Data>(block.release())));
  }

  void loadEntry(DataImpl& data, int depth) {
    const std::string name = in_.next();
    const DataType type = Converter::strToType(in_.next());
    switch (type) {
      case DT_DATA: {
        std::unique_ptr<DataImpl> nested = loadFromTokensReader(depth + 1);
        return data.appendMove(name, yox::auto_ptr<Data>(nested.release()));
      }
      case DT_DISCRETE_FUNCTION:
        return data.appendMove(name, loadDiscreteFunction(depth + 1));
      case DT_BOOL:
        return data.append(name, Converter::strToBool(in_.next()));
      case DT_BYTE:
        return data.append(name, Converter::strToByte(in_.next()));
      case DT_SHORT:
        return data.append(name, Converter::strToShort(in_.next()));
      case DT_INT:
        return data.append(name, Converter::strToInt(in_.next()));
      case DT_LONG:
        return data.append(name, Converter::strToLong(in_.next()));
      case DT_FLOAT:
        return data.append(name, Converter::strToFloat(in_.next()));
      case DT_DOUBLE:
        return data.append(name, Converter::strToDouble(in_.next()));
      default:
        break;
    }
    const StorageType storage = DataTypeUtils::getStorageType(type);
    std::vector<size_t> dims;
    if (storage == ST_ARRAY_2D) {
      dims.push_back(static_cast<size_t>(readCount("extent")));
      dims.push_back(static_cast<size_t>(readCount("extent")));
    } else if (storage == ST_MULTI_ARRAY) {
      // No reservation: the extents are pushed as their tokens arrive.
      for (int n = readCount("dimension count"); n > 0; --n)
        dims.push_back(static_cast<size_t>(readCount("extent")));
    } else {
      dims.push_back(static_cast<size_t>(readCount(type == DT_STRING ? "length" : "extent")));
    }
    const size_t count = elementCount(dims, name);
    if (type == DT_STRING) return loadString(data, name, dims[0]);
    if (type == DT_DISCRETE_FUNCTION_LIST) return loadDiscreteFunctionList(data, name, count, depth);
    const ElementKind kind = elementKindOf(type);
    // Bytes travel as one token (its own length check names the fault), so one character
    // per byte is all that is asked here.
    checkAvailable(count, kind == ElementKind::kString || kind == ElementKind::kByte ? 0
                          : kind == ElementKind::kBool                               ? 4
                                                                                     : 1);
    switch (kind) {
      case ElementKind::kBool:
        return loadArray<bool>(data, name, storage, dims, count, Converter::strToBool);
      case ElementKind::kByte:
        return loadArrayByte(data, name, storage, dims, count);
      case ElementKind::kShort:
        return loadArray<short>(data, name, storage, dims, count, Converter::strToShort);
      case ElementKind::kInt:
        return loadArray<int>(data, name, storage, dims, count, Converter::strToInt);
      case ElementKind::kLong:
        return loadArray<long>(data, name, storage, dims, count, Converter::strToLong);
      case ElementKind::kFloat:
        return loadArray<float>(data, name, storage, dims, count, Converter::strToFloat);
      case ElementKind::kDouble:
        return loadArray<double>(data, name, storage, dims, count, Converter::strToDouble);
      case ElementKind::kString:
        return loadArrayString(data, name, storage, dims, count);
      case ElementKind::kData:
        return loadObjects<const Data>(data, name, storage, dims, count,
                                       [&] { return loadFromTokensReader(depth + 1).release(); });
      case ElementKind::kFunction:
        return loadObjects<const DiscreteFunction>(data, name, storage, dims, count,
                                                   [&] { return loadDiscreteFunction(depth + 1).release(); });
    }
  }

  // A zero length may be followed by the empty token an older writer left.
  void loadString(DataImpl& data, const std::string& name, size_t length) {
    if (length == 0) {
      if (in_.peek() == in_.getSeparator()) in_.next();
      return data.append(name, "");
    }
    std::unique_ptr<char[]> text(Converter::strToString(in_.next()));
    data.appendMove(name, text.get());
    text.release();
  }

  void loadDiscreteFunctionList(DataImpl& data, const std::string& name, size_t count, int depth) {
    yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
    for (size_t i = 0; i < count; ++i) builder->append(loadDiscreteFunction(depth + 1));
    data.appendMove(name, yox::auto_ptr<const DiscreteFunctionList>(builder->build().release()));
  }

  template <class T>
  void adopt(DataImpl& data, const std::string& name, std::unique_ptr<T[]>& values, StorageType storage,
             const std::vector<size_t>& dims) {
    appendShaped(data, name, values.get(), storage, dims, Ownership::kMove);
    values.release();
  }

  template <class T>
  void loadArray(DataImpl& data, const std::string& name, StorageType storage,
                 const std::vector<size_t>& dims, size_t count, T (*parse)(const char*)) {
    std::unique_ptr<T[]> values(new T[count]);
    for (size_t i = 0; i < count; ++i) values[i] = parse(in_.next());
    adopt(data, name, values, storage, dims);
  }

  void loadArrayByte(DataImpl& data, const std::string& name, StorageType storage,
                     const std::vector<size_t>& dims, size_t count) {
    std::unique_ptr<signed char[]> values(new signed char[count]);
    if (count != 0) {
      const char* token = in_.next();
      if (std::strlen(token) != 2 * count) {
        throw SerializerException("DefaultLoadPolicy<signed char>::load(): Byte array is too short");
      }
      for (size_t i = 0; i < count; ++i) values[i] = Converter::strToByte(token + 2 * i);
    }
    adopt(data, name, values, storage, dims);
  }

  void loadArrayString(DataImpl& data, const std::string& name, StorageType storage,
                       const std::vector<size_t>& dims, size_t count) {
    OwnedElements<char> texts(count);
    if (count == 0 && in_.peek() == in_.getSeparator()) in_.next();
    for (size_t i = 0; i < count; ++i) {
      texts.set(i, in_.atEnd() ? new char[1]() : Converter::strToString(in_.next()));
    }
    appendShaped(data, name, const_cast<const char**>(texts.get()), storage, dims, Ownership::kMove);
    texts.release();
  }

  template <class T, class Load>
  void loadObjects(DataImpl& data, const std::string& name, StorageType storage,
                   const std::vector<size_t>& dims, size_t count, Load load) {
    OwnedElements<T> elements(count);
    for (size_t i = 0; i < count; ++i) elements.set(i, load());
    appendShaped(data, name, const_cast<const T**>(elements.get()), storage, dims, Ownership::kMove);
    elements.release();
  }

  TokensReader& in_;
};

}  // namespace

std::string StringDataSerializer::serializeToString(const Data& data, char separator) const {
  std::string out;
  out.reserve(1000);
  Writer(out, separator).block(data, 0);
  return out;
}

yox::auto_ptr<Data> StringDataSerializer::deserializeFromTokensReader(TokensReader& reader) const {
  std::unique_ptr<DataImpl> data = Reader(reader).loadFromTokensReader(0);
  return yox::auto_ptr<Data>(data.release());
}

}  // namespace impl
}  // namespace data
}  // namespace yox
