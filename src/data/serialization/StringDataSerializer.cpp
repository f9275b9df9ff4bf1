#include "data/serialization/StringDataSerializer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DiscreteFunction.h"
#include "data/StringUtils.h"
#include "data/detail/DecimalScan.h"
#include "data/impl/DataImpl.h"
#include "data/impl/DataTypeTable.h"
#include "data/impl/DiscreteFunctionImpl.h"
#include "data/impl/EntryValidator.h"
#include "data/serialization/Converter.h"
#include "data/serialization/SerializerSupport.h"
#include "data/serialization/TokensReader.h"

namespace yox {
namespace data {
namespace impl {

using namespace serialization;

namespace {

// ---------------------------------------------------------------- writing

// The longest text of one element of each kind, its separator included.
size_t maxElementText(ElementKind kind) {
  switch (kind) {
    case ElementKind::kBool:
      return 6;  // ",false"
    case ElementKind::kByte:
      return 2;  // two hex digits, no separator
    case ElementKind::kShort:
      return 7;
    case ElementKind::kInt:
    case ElementKind::kFloat:
      return 12;
    default:
      return 21;  // long and double: sign and 19 digits
  }
}

// Numeric arrays are written in runs of this many elements, each with one room check.
constexpr size_t kRun = 1024;
// Room made ahead for at most this many elements of an array.
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
    out_.resize(1000);
    at_ = &out_[0];
    end_ = at_ + out_.size();
  }

  // Cuts the text to what was written.
  void finish() {
    out_.resize(static_cast<size_t>(at_ - out_.data()));
    if (out_.capacity() > 2 * out_.size() + 4096) out_.shrink_to_fit();
  }

  void block(const Data& data, int depth) {
    if (depth > StringDataSerializer::kMaxNestingDepth) throwTooDeep(StringDataSerializer::kMaxNestingDepth);
    if (const DataImpl* impl = dynamic_cast<const DataImpl*>(&data)) {
      number(impl->entryList().size());
      for (const EntryImpl* entry : impl->entryList()) this->entry(*entry, depth);
      return;
    }
    const std::vector<const Entry*> entries = data.getEntries();
    number(entries.size());
    for (const Entry* entry : entries) this->entry(*entry, depth);
  }

 private:
  // Makes room for n more characters.
  void room(size_t n) {
    if (static_cast<size_t>(end_ - at_) >= n) return;
    const size_t used = static_cast<size_t>(at_ - out_.data());
    out_.resize(std::max(2 * out_.size(), used + n));
    at_ = &out_[0] + used;
    end_ = out_.data() + out_.size();
  }

  void put(char c) {
    room(1);
    *at_++ = c;
  }

  void put(const char* text, size_t length) {
    room(length);
    std::memcpy(at_, text, length);
    at_ += length;
  }

  template <class T>
  void number(T value) {
    room(24);
    at_ = text::writeDecimal(at_, value);
  }

  // The element texts below are written into room made beforehand.
  static char* text(char* at, bool value) {
    if (value) {
      std::memcpy(at, "true", 4);
      return at + 4;
    }
    std::memcpy(at, "false", 5);
    return at + 5;
  }
  static char* text(char* at, signed char value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const unsigned char byte = static_cast<unsigned char>(value);
    at[0] = kHex[byte >> 4];
    at[1] = kHex[byte & 15];
    return at + 2;
  }
  template <class T>
  static char* text(char* at, T value) {
    if constexpr (std::is_same_v<T, float>) {
      std::int32_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      return text::writeDecimal(at, bits);
    } else if constexpr (std::is_same_v<T, double>) {
      std::int64_t bits;
      std::memcpy(&bits, &value, sizeof bits);
      return text::writeDecimal(at, bits);
    } else {
      return text::writeDecimal(at, value);
    }
  }

  void escaped(const char* value, size_t length) {
    room(3 * length);
    at_ = Converter::escape(value, length, at_);
  }

  // Names are written unescaped: one holding the separator would read back as other
  // tokens, and a line feed would break the one-line form.
  void name(const char* name, size_t length) {
    if (!plainName(name, length)) {
      for (size_t i = 0; i < length; ++i) {
        if (name[i] == separator_ || name[i] == '\n') {
          throw SerializerException(
              "Entry '" + util::printableExcerpt(name) +
              "' cannot be written in the string format: its name holds the separator '" +
              util::printableExcerpt(std::string(1, separator_)) + "' or a line feed.");
        }
      }
    }
    put(name, length);
  }

  // True when name holds neither the separator nor a line feed, looked at a word at a
  // time (the last word overlapping the one before); false also when it cannot tell.
  bool plainName(const char* name, size_t length) const {
    using namespace text::scan_detail;
    if (!kSwar || length < 8) return false;
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t separators = kOnes * static_cast<unsigned char>(separator_);
    const std::uint64_t feeds = kOnes * static_cast<unsigned char>('\n');
    const auto clean = [&](const char* at) {
      const std::uint64_t x = load8(at);
      const std::uint64_t a = x ^ separators;
      const std::uint64_t b = x ^ feeds;
      return ((((a - kOnes) & ~a) | ((b - kOnes) & ~b)) & kHigh) == 0;
    };
    for (size_t i = 0; i + 8 <= length; i += 8) {
      if (!clean(name + i)) return false;
    }
    return length % 8 == 0 || clean(name + length - 8);
  }

  static size_t nameLength(const EntryImpl& entry) { return entry.getNameLength(); }
  static size_t nameLength(const Entry& entry) { return std::strlen(entry.getName()); }

  template <class E>
  void entry(const E& entry, int depth) {
    const DataType type = entry.getType();
    const DataTypeInfo* info = findDataType(type);
    const char* const entryName = entry.getName();
    const size_t length = nameLength(entry);
    room(length + 32);
    *at_++ = separator_;
    name(entryName, length);
    put(separator_);
    if (info == nullptr) Converter::toString(type);  // throws its message
    put(info->textName, std::strlen(info->textName));
    put(separator_);
    switch (info->value) {
      case ValueKind::kScalar:
        room(24);
        return visitElementKind(info->element, [&](auto element) {
          using T = typename decltype(element)::type;
          if constexpr (std::is_arithmetic_v<T>) at_ = text(at_, scalarOf<T>(entry));
        });
      case ValueKind::kString: {
        const char* value = entry.getString();
        const size_t size = std::strlen(value);
        number(size);
        if (size == 0) return;
        put(separator_);
        return escaped(value, size);
      }
      case ValueKind::kData:
        return block(entry.getData(), depth + 1);
      case ValueKind::kFunction:
        return block(functionData(entry.getDiscreteFunction()), depth + 1);
      case ValueKind::kFunctionList: {
        const DiscreteFunctionList& list = entry.getDiscreteFunctionList();
        number(list.getSize());
        for (const DiscreteFunction* function : list.getFunctions()) {
          put(separator_);
          block(functionData(*function), depth + 1);
        }
        return;
      }
      case ValueKind::kArray:
        return array(entry, *info, depth);
    }
  }

  // The extents (after their count for N-D types), then one separator when the
  // elements follow as a single token (bytes).
  void dimensions(const Extents& dims, size_t count, bool nd, bool bytes) {
    if (nd) {
      number(dims.size());
      for (size_t extent : dims) {
        put(separator_);
        number(extent);
      }
    } else {
      for (size_t i = 0; i < dims.size(); ++i) {
        if (i != 0) put(separator_);
        number(dims[i]);
      }
    }
    if (count != 0 && bytes) put(separator_);
  }

  template <class T>
  void numbers(const Entry& entry, ElementKind kind) {
    const Array<T>& array = arrayOf<T>(entry);
    const T* values = array.getElements();
    const size_t count = array.getElementCount();
    const size_t longest = maxElementText(kind);
    // One allocation for the text of a large array, instead of a chain of doublings.
    room(std::min(count, kMaxReservedElements) * longest);
    for (size_t first = 0; first < count; first += kRun) {
      const size_t last = std::min(count, first + kRun);
      room((last - first) * longest);
      char* at = at_;
      for (size_t i = first; i < last; ++i) {
        if constexpr (!std::is_same_v<T, signed char>) *at++ = separator_;
        at = text(at, Elements<T>::load(values, i));
      }
      at_ = at;
    }
  }

  template <class E>
  void array(const E& entry, const DataTypeInfo& info, int depth) {
    const ArrayBase* holder = entryImplOf(entry).getArrayHolder();
    checkArray(entry, holder != nullptr);
    dimensions(holder->getDims(), holder->getElementCount(), info.storage == ST_MULTI_ARRAY,
               info.element == ElementKind::kByte);
    switch (info.element) {
      case ElementKind::kBool:
        return numbers<bool>(entry, info.element);
      case ElementKind::kByte:
        return numbers<signed char>(entry, info.element);
      case ElementKind::kShort:
        return numbers<short>(entry, info.element);
      case ElementKind::kInt:
        return numbers<int>(entry, info.element);
      case ElementKind::kLong:
        return numbers<long>(entry, info.element);
      case ElementKind::kFloat:
        return numbers<float>(entry, info.element);
      case ElementKind::kDouble:
        return numbers<double>(entry, info.element);
      case ElementKind::kString: {
        const Array<char*>& array = arrayOf<char*>(entry);
        for (size_t i = 0; i < array.getElementCount(); ++i) {
          const char* value = array.element(i);
          const size_t size = value == nullptr ? 0 : std::strlen(value);
          put(separator_);
          escaped(value, size);
        }
        return;
      }
      case ElementKind::kData: {
        const Array<Data*>& array = arrayOf<Data*>(entry);
        for (size_t i = 0; i < array.getElementCount(); ++i) {
          put(separator_);
          block(*array.element(i), depth + 1);
        }
        return;
      }
      case ElementKind::kFunction: {
        const Array<DiscreteFunction*>& array = arrayOf<DiscreteFunction*>(entry);
        for (size_t i = 0; i < array.getElementCount(); ++i) {
          put(separator_);
          block(functionData(*array.element(i)), depth + 1);
        }
        return;
      }
    }
  }

  std::string& out_;
  char separator_;
  // The next character to write and the end of the room in out_.
  char* at_ = nullptr;
  char* end_ = nullptr;
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

// The extents of one array entry: up to two in place, more (N-D) in a vector.
struct Shape {
  explicit Shape(StorageType type) : storage(type) {}

  StorageType storage;
  size_t few[2] = {0, 0};
  std::vector<size_t> many;
  size_t count = 0;

  const size_t* dims() const { return storage == ST_MULTI_ARRAY ? many.data() : few; }
  size_t rank() const { return storage == ST_MULTI_ARRAY ? many.size() : storage == ST_ARRAY_2D ? 2 : 1; }
};

// Hands values (new[], owned from here on when the append succeeds) to the container
// with the shape of its type.
template <class P>
void appendMoved(DataImpl& data, const std::string& name, P values, const Shape& shape) {
  switch (shape.storage) {
    case ST_ARRAY:
      return data.appendArrayMove(name, values, shape.few[0]);
    case ST_ARRAY_2D:
      if constexpr (!std::is_same_v<P, const DiscreteFunction**>)
        return data.appendArray2DMove(name, values, shape.few[0], shape.few[1]);
      break;
    case ST_MULTI_ARRAY:
      if constexpr (!std::is_same_v<P, const DiscreteFunction**>)
        return data.appendMultiArrayMove(name, values, shape.many);
      break;
    default:
      break;
  }
  throwUnexpectedStorage(name);
}

// Arrays up to this size go to the arena; larger ones get their own allocation, so that
// the arena's blocks stay small and nothing large is allocated twice.
constexpr size_t kArenaArrayBytes = 16 * 1024;
// Every entry but the last takes at least seven characters ("n,int,5,").
constexpr size_t kMinEntryText = 7;
// What a block's arena starts with for names, texts and arrays, per entry at most.
constexpr size_t kTextPerEntry = 48;

// Reads the text at the reader's position in place (nothing is written into it); tokens
// are views of the text. Numbers are scanned where they stand, the separator after them
// ending the scan, unless the separator could be part of a number.
class Reader {
 public:
  explicit Reader(const TokensReader& in)
      : begin_(in.getBuffer()),
        at_(begin_ + in.getPosition()),
        end_(begin_ + in.getLength()),
        separator_(in.getSeparator()),
        scanNumbers_(!text::scan_detail::isDigit(separator_) && separator_ != '+' && separator_ != '-') {}

  size_t position() const { return static_cast<size_t>(at_ - begin_); }

  std::unique_ptr<DataImpl> block(int depth) {
    if (depth > StringDataSerializer::kMaxNestingDepth) throwTooDeep(StringDataSerializer::kMaxNestingDepth);
    const int count = readCount("entry count");
    // Each container keeps its own names, texts and arrays, so that one taken out of
    // its parent stays whole.
    const size_t entries = std::min(static_cast<size_t>(count), remaining() / kMinEntryText + 1);
    std::unique_ptr<DataImpl> data =
        DataImpl::forDecodedText(entries, std::min(remaining(), entries * kTextPerEntry));
    for (int i = 0; i < count; ++i) entry(*data, depth);
    return data;
  }

 private:
  bool atEnd() const { return at_ >= end_; }
  char peek() const { return atEnd() ? '\0' : *at_; }
  size_t remaining() const { return atEnd() ? 0 : static_cast<size_t>(end_ - at_); }

  [[noreturn]] static void throwOutOfRange() {
    throw SerializerException("TokensReader::next(): Out of range");
  }

  // The first separator from p on, or the end of the text. Short tokens (names, type
  // names) are searched a word at a time here, longer ones by memchr.
  const char* findSeparator(const char* p) const {
    using namespace text::scan_detail;
    if (kSwar) {
      constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
      const std::uint64_t pattern = kOnes * static_cast<unsigned char>(separator_);
      for (int word = 0; word < 2 && end_ - p >= 8; ++word, p += 8) {
        const std::uint64_t x = load8(p) ^ pattern;
        // The lowest byte flagged is the first one equal to the separator.
        const std::uint64_t equal = (x - kOnes) & ~x & kHigh;
        if (equal != 0) return p + __builtin_ctzll(equal) / 8;
      }
    }
    const void* found = std::memchr(p, separator_, static_cast<size_t>(end_ - p));
    return found == nullptr ? end_ : static_cast<const char*>(found);
  }

  // The next token, up to the next separator or the end of the text; the position moves
  // past that separator.
  std::string_view next() {
    if (atEnd()) throwOutOfRange();
    const char* const token = at_;
    const char* const separator = findSeparator(token);
    at_ = separator == end_ ? end_ : separator + 1;
    return std::string_view(token, static_cast<size_t>(separator - token));
  }

  // A decimal token in the range of T (int or long), as Converter reads it.
  template <class T>
  T integer() {
    if (scanNumbers_ && !atEnd()) {
      const bool negative = *at_ == '-';
      const char* digits = negative || *at_ == '+' ? at_ + 1 : at_;
      const text::DigitRun run = text::scanDigits(digits, end_);
      if (run.count != 0 && run.count <= text::DigitRun::kMaxDigits &&
          (run.end == end_ || *run.end == separator_)) {
        const std::uint64_t limit =
            static_cast<std::uint64_t>(std::numeric_limits<T>::max()) + (negative ? 1 : 0);
        if (run.value <= limit) {
          at_ = run.end == end_ ? end_ : run.end + 1;
          return static_cast<T>(negative ? 0 - run.value : run.value);
        }
      }
    }
    // Long runs (leading zeros), other characters and the messages are Converter's.
    if constexpr (std::is_same_v<T, int>)
      return Converter::strToInt(next());
    else
      return Converter::strToLong(next());
  }

  template <class T>
  T value() {
    if constexpr (std::is_same_v<T, bool>) {
      return Converter::strToBool(next());
    } else if constexpr (std::is_same_v<T, signed char>) {
      return Converter::strToByte(next());
    } else if constexpr (std::is_same_v<T, short>) {
      // Wider input is accepted and cut to 16 bits, as the format has always done.
      return static_cast<short>(integer<int>());
    } else if constexpr (std::is_same_v<T, float>) {
      const std::int32_t bits = integer<int>();
      float value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    } else if constexpr (std::is_same_v<T, double>) {
      const std::int64_t bits = integer<long>();
      double value;
      std::memcpy(&value, &bits, sizeof value);
      return value;
    } else {
      return integer<T>();
    }
  }

  int readCount(const char* what) {
    const int value = integer<int>();
    if (value < 0)
      throw SerializerException(std::string("Negative ") + what + " [" + std::to_string(value) + "].");
    return value;
  }

  // Refuses, before anything is allocated, more elements than the text left can hold:
  // every element takes at least minLength characters and all but the last a separator
  // after it (a string-array element may be empty, so minLength 0 allows one more).
  void checkAvailable(size_t count, size_t minLength) {
    const size_t left = remaining();
    if (minLength == 0 ? count > left + 1 : count > (left + 1) / (minLength + 1)) throwOutOfRange();
  }

  // A name kept in data's arena, which its entries borrow: terminated, and its length
  // up to its first NUL (where every reader of the name stops).
  struct Name {
    const char* text;
    size_t length;
  };
  static Name keep(DataImpl& data, std::string_view name) {
    const char* const from = name.data();
    const size_t size = name.size();
    char* copy = data.allocateInArena<char>(size + 1);
    copy[size] = '\0';
    bool hasNul = false;
    // Most names take one or two words: copied (the second overlapping the first) and
    // searched for a NUL without a call; shorter ones two half words.
    if (text::scan_detail::kSwar && size >= 8 && size <= 16) {
      using text::scan_detail::load8;
      constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
      const std::uint64_t first = load8(from);
      const std::uint64_t last = load8(from + size - 8);
      std::memcpy(copy, &first, 8);
      std::memcpy(copy + size - 8, &last, 8);
      hasNul = (((first - kOnes) & ~first) | ((last - kOnes) & ~last)) & text::scan_detail::kHigh;
    } else if (size >= 4 && size < 8) {
      constexpr std::uint32_t kOnes = 0x01010101U;
      std::uint32_t first;
      std::uint32_t last;
      std::memcpy(&first, from, 4);
      std::memcpy(&last, from + size - 4, 4);
      std::memcpy(copy, &first, 4);
      std::memcpy(copy + size - 4, &last, 4);
      hasNul = (((first - kOnes) & ~first) | ((last - kOnes) & ~last)) & 0x80808080U;
    } else if (size < 8) {
      for (size_t i = 0; i < size; ++i) {
        copy[i] = from[i];
        hasNul |= from[i] == '\0';
      }
    } else {
      std::memcpy(copy, from, size);
      hasNul = std::memchr(from, '\0', size) != nullptr;
    }
    return Name{copy, hasNul ? std::strlen(copy) : size};
  }

  // An entry for holder, made in data's arena (which it owns from here on, also on
  // failure).
  static void add(DataImpl& data, Name name, DataType type, ArrayBase* holder) {
    // Extents of up to two dimensions free nothing: the entry need not be destroyed.
    if (holder->getDims().size() <= 2)
      data.appendDecoded(name.text, name.length, type, ScalarPrimitiveValue::of<ArrayBase*>(holder));
    else
      data.appendDecodedHolder(name.text, type, holder);
  }

  // The unescaped next token, terminated, in out (room for the token and its NUL); the
  // length up to the NUL written after it (an escaped NUL inside ends it earlier for
  // every reader of the text).
  size_t unescapeInto(std::string_view token, char* out) {
    const size_t length = Converter::unescape(token, out);
    out[length] = '\0';
    return length;
  }

  // The unescaped next token as a new[] text.
  char* unescapedText() {
    const std::string_view token = next();
    std::unique_ptr<char[]> text(new char[token.size() + 1]);
    unescapeInto(token, text.get());
    return text.release();
  }

  // The unescaped next token as a text in data's arena.
  char* unescapedText(DataImpl& data) {
    const std::string_view token = next();
    char* text = data.allocateInArena<char>(token.size() + 1);
    unescapeInto(token, text);
    return text;
  }

  template <class T>
  ScalarPrimitiveValue scalar() {
    return ScalarPrimitiveValue::of(value<T>());
  }

  yox::auto_ptr<const DiscreteFunction> function(int depth) {
    std::unique_ptr<DataImpl> points = block(depth);
    return yox::auto_ptr<const DiscreteFunction>(
        new DiscreteFunctionImpl(yox::auto_ptr<Data>(points.release())));
  }

  void entry(DataImpl& data, int depth) {
    const std::string_view name = next();
    const DataType type = Converter::strToType(next());
    const DataTypeInfo& info = dataTypeInfo(type);
    switch (info.value) {
      case ValueKind::kScalar: {
        // Scalars hold one of the seven number kinds; the others never reach here.
        const ScalarPrimitiveValue value = visitElementKind(info.element, [&](auto element) {
          using T = typename decltype(element)::type;
          if constexpr (std::is_arithmetic_v<T>)
            return scalar<T>();
          else
            return scalar<double>();
        });
        const Name kept = keep(data, name);
        return data.appendDecoded(kept.text, kept.length, type, value);
      }
      case ValueKind::kData: {
        std::unique_ptr<DataImpl> nested = block(depth + 1);
        return data.appendDecodedData(keep(data, name).text, std::move(nested));
      }
      case ValueKind::kFunction:
        return data.appendMove(std::string(name), function(depth + 1));
      case ValueKind::kString:
        return string(data, name, static_cast<size_t>(readCount("length")));
      case ValueKind::kFunctionList: {
        const size_t count = static_cast<size_t>(readCount("extent"));
        yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
        for (size_t i = 0; i < count; ++i) builder->append(function(depth + 1));
        return data.appendMove(std::string(name),
                               yox::auto_ptr<const DiscreteFunctionList>(builder->build().release()));
      }
      case ValueKind::kArray:
        return array(data, name, info, depth);
    }
  }

  // A zero length may be followed by the empty token an older writer left. The text is
  // in the arena, still owned by the entry (a release hands out a copy); a large one is
  // its own new[] array, which a release hands out as it is.
  void string(DataImpl& data, std::string_view name, size_t length) {
    std::string_view token;
    if (length == 0) {
      if (peek() == separator_) next();
    } else {
      token = next();
    }
    if (token.size() > kArenaArrayBytes) {
      std::unique_ptr<char[]> text(new char[token.size() + 1]);
      length = unescapeInto(token, text.get());
      const Name kept = keep(data, name);
      length = EntryValidator::validateText(kept.text, text.get(), length);
      ArrayBase* holder = data.makeInArena<ArrayImpl<char, MovePolicy>>(Extents{length}, length, text.get());
      text.release();  // the holder's from here on
      return data.appendDecodedHolder(kept.text, DT_STRING, holder);
    }
    char* text = data.allocateInArena<char>(token.size() + 1);
    text[0] = '\0';
    length = token.empty() ? 0 : unescapeInto(token, text);
    const Name kept = keep(data, name);
    length = EntryValidator::validateText(kept.text, text, length);
    add(data, kept, DT_STRING,
        data.makeInArena<ArrayImpl<char, ArenaArrayPolicy>>(Extents{length}, length, text));
  }

  void array(DataImpl& data, std::string_view name, const DataTypeInfo& info, int depth) {
    Shape shape(info.storage);
    if (info.storage == ST_ARRAY_2D) {
      shape.few[0] = static_cast<size_t>(readCount("extent"));
      shape.few[1] = static_cast<size_t>(readCount("extent"));
    } else if (info.storage == ST_MULTI_ARRAY) {
      // No reservation: the extents are pushed as their tokens arrive.
      for (int n = readCount("dimension count"); n > 0; --n)
        shape.many.push_back(static_cast<size_t>(readCount("extent")));
    } else {
      shape.few[0] = static_cast<size_t>(readCount("extent"));
    }
    const Name kept = keep(data, name);
    shape.count = elementCount(shape.dims(), shape.rank(), kept.text);
    const ElementKind kind = info.element;
    // Bytes travel as one token (its own length check names the fault), so one character
    // per byte is all that is asked here.
    checkAvailable(shape.count, kind == ElementKind::kString || kind == ElementKind::kByte ? 0
                                : kind == ElementKind::kBool                               ? 4
                                                                                           : 1);
    switch (kind) {
      case ElementKind::kBool:
        return numbers<bool>(data, name, kept, info, shape);
      case ElementKind::kByte:
        return numbers<signed char>(data, name, kept, info, shape);
      case ElementKind::kShort:
        return numbers<short>(data, name, kept, info, shape);
      case ElementKind::kInt:
        return numbers<int>(data, name, kept, info, shape);
      case ElementKind::kLong:
        return numbers<long>(data, name, kept, info, shape);
      case ElementKind::kFloat:
        return numbers<float>(data, name, kept, info, shape);
      case ElementKind::kDouble:
        return numbers<double>(data, name, kept, info, shape);
      case ElementKind::kString:
        return strings(data, name, kept, info, shape);
      case ElementKind::kData:
        return objects<const Data>(data, std::string(name), shape,
                                   [&] { return block(depth + 1).release(); });
      case ElementKind::kFunction:
        return objects<const DiscreteFunction>(data, std::string(name), shape,
                                               [&] { return function(depth + 1).release(); });
    }
  }

  // Bytes come as one token of hex pairs; every other kind one token per element.
  template <class T>
  void fill(T* values, size_t count) {
    if constexpr (std::is_same_v<T, signed char>) {
      if (count == 0) return;
      const std::string_view token = next();
      if (token.size() != 2 * count) {
        throw SerializerException("DefaultLoadPolicy<signed char>::load(): Byte array is too short");
      }
      for (size_t i = 0; i < count; ++i) values[i] = Converter::strToByte(token.substr(2 * i, 2));
    } else {
      for (size_t i = 0; i < count; ++i) values[i] = value<T>();
    }
  }

  // kept is name's copy in the arena, for an array placed there.
  template <class T>
  void numbers(DataImpl& data, std::string_view name, Name kept, const DataTypeInfo& info,
               const Shape& shape) {
    if (shape.count > kArenaArrayBytes / sizeof(T)) {
      std::unique_ptr<T[]> values(new T[shape.count]);
      fill(values.get(), shape.count);
      appendMoved(data, std::string(name), static_cast<const T*>(values.get()), shape);
      values.release();
      return;
    }
    T* values = data.allocateInArena<T>(shape.count);
    fill(values, shape.count);
    add(data, kept, info.type,
        data.makeInArena<ArrayImpl<T, ArenaArrayPolicy>>(Extents(shape.dims(), shape.rank()), shape.count,
                                                         values));
  }

  // Missing trailing elements are empty texts.
  void strings(DataImpl& data, std::string_view name, Name kept, const DataTypeInfo& info,
               const Shape& shape) {
    if (shape.count > kArenaArrayBytes / sizeof(char*)) {
      OwnedElements<char> texts(shape.count);
      for (size_t i = 0; i < shape.count; ++i) texts.set(i, atEnd() ? new char[1]() : unescapedText());
      appendMoved(data, std::string(name), const_cast<const char**>(texts.get()), shape);
      texts.release();
      return;
    }
    char** texts = data.allocateInArena<char*>(shape.count);
    if (shape.count == 0 && peek() == separator_) next();
    for (size_t i = 0; i < shape.count; ++i) {
      if (atEnd()) {
        texts[i] = data.allocateInArena<char>(1);
        texts[i][0] = '\0';
      } else {
        texts[i] = unescapedText(data);
      }
    }
    for (size_t i = 0; i < shape.count; ++i)
      EntryValidator::validateText(kept.text, texts[i], std::strlen(texts[i]));
    add(data, kept, info.type,
        data.makeInArena<ArrayImpl<char*, ArenaTextsPolicy>>(Extents(shape.dims(), shape.rank()), shape.count,
                                                             texts));
  }

  template <class T, class Load>
  void objects(DataImpl& data, const std::string& name, const Shape& shape, Load load) {
    OwnedElements<T> elements(shape.count);
    for (size_t i = 0; i < shape.count; ++i) elements.set(i, load());
    appendMoved(data, name, elements.get(), shape);
    elements.release();
  }

  const char* const begin_;
  const char* at_;
  const char* const end_;
  const char separator_;
  const bool scanNumbers_;
};

}  // namespace

std::string StringDataSerializer::serializeToString(const Data& data, char separator) const {
  std::string out;
  Writer writer(out, separator);
  writer.block(data, 0);
  writer.finish();
  return out;
}

yox::auto_ptr<Data> StringDataSerializer::deserializeFromTokensReader(TokensReader& reader) const {
  Reader decoder(reader);
  std::unique_ptr<DataImpl> data = decoder.block(0);
  reader.skipTo(decoder.position());
  return yox::auto_ptr<Data>(data.release());
}

}  // namespace impl
}  // namespace data
}  // namespace yox
