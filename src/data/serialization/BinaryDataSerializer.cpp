#include "data/serialization/BinaryDataSerializer.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DiscreteFunction.h"
#include "data/StringUtils.h"
#include "data/impl/BufferHandlerImpl.h"
#include "data/impl/DataImpl.h"
#include "data/impl/DataTypeTable.h"
#include "data/impl/DiscreteFunctionImpl.h"
#include "data/impl/EntryValidator.h"
#include "data/serialization/SerializerSupport.h"
#include "data/serialization/UnsafeBuffer.h"

namespace yox {
namespace data {
namespace impl {

using namespace serialization;

namespace {

[[noreturn]] void throwUnfitted(size_t value, const char* what, const char* name) {
  throw SerializerException(util::StringUtils::format(
      "The %s [%zu] of entry '%s' does not fit the binary format.", what, value, name));
}

// A count, length or extent about to be written into an int32 field.
inline size_t fitted(size_t value, const char* what, const char* name) {
  if (value > static_cast<size_t>(INT_MAX)) throwUnfitted(value, what, name);
  return value;
}

// Calls f with every entry of data in name order; the one implementation's entries are
// read in place (as EntryImpl), any other container's through getEntries().
template <class F>
void forEachEntry(const Data& data, F&& f) {
  // DataImpl is final: comparing the dynamic type is enough, and cheaper than a cast.
  if (typeid(data) == typeid(DataImpl)) {
    for (const EntryImpl* entry : static_cast<const DataImpl&>(data).entryList()) f(*entry);
  } else {
    for (const Entry* entry : data.getEntries()) {
      if (const EntryImpl* impl = dynamic_cast<const EntryImpl*>(entry))
        f(*impl);
      else
        f(*entry);
    }
  }
}

// The holder of a string or array entry, whose element type the entry's type fixes.
template <class T>
const Array<T>& holderOf(const EntryImpl& entry) {
  const Array<T>* array = static_cast<const Array<T>*>(entry.slot().array);
  checkArray(entry, array != nullptr && (array->getElements() != nullptr || array->getElementCount() == 0));
  return *array;
}
template <class T>
const Array<T>& holderOf(const Entry& entry) {
  return holderOf<T>(entryImplOf(entry));
}

// The wire width of a scalar type, 0 for any other. The widths of DT_BOOL ... DT_DOUBLE
// are packed four bits a code: the decoder's next position then waits for a shift, not
// for a load.
constexpr size_t scalarWidth(DataType type) {
  return static_cast<std::uint32_t>(type) <= DT_DOUBLE ? (0x8484211u >> (4 * type)) & 0xF : 0;
}
static_assert(scalarWidth(DT_BOOL) == 1 && scalarWidth(DT_BYTE) == 1 && scalarWidth(DT_SHORT) == 2 &&
                  scalarWidth(DT_INT) == 4 && scalarWidth(DT_LONG) == 8 && scalarWidth(DT_FLOAT) == 4 &&
                  scalarWidth(DT_DOUBLE) == 8 && scalarWidth(DT_STRING) == 0,
              "one width a scalar code");
// The value masks of the scalar types, by code.
constexpr std::uint64_t kScalarMasks[] = {
    0xFF, 0xFF, 0xFFFF, 0xFFFFFFFF, ~std::uint64_t(0), 0xFFFFFFFF, ~std::uint64_t(0)};
static_assert(DT_BOOL == 0 && DT_DOUBLE == 6 && sizeof(ScalarPrimitiveValue) == 8, "scalar codes 0 to 6");

// Whether the first NUL of text is text[length]; readable bytes from text lie inside
// the message (more than length).
inline bool firstNulAt(const char* text, size_t length, size_t readable) {
#if defined(__SSE2__)
  // A short name is checked with its NUL in one 16-byte compare.
  if (readable >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const unsigned zeros =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    const unsigned first = static_cast<unsigned>(__builtin_ctz(zeros | 0x10000u));
    if (length < 16 || first < 16) return first == length;
  }
#else
  (void)readable;
#endif
  return text[length] == 0 && std::memchr(text, 0, length) == nullptr;
}

// Whether the wireLength bytes at text (a text and its NUL; readable bytes from text lie
// inside the message) are at most 16, hold no byte of 0x80 or more and no earlier NUL:
// a short text is then checked with one 16-byte load instead of a call.
inline bool shortAsciiText(const char* text, size_t wireLength, size_t readable) {
#if defined(__SSE2__)
  if (wireLength <= 16 && readable >= 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text));
    const unsigned zeros =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_setzero_si128())));
    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(bytes));
    const unsigned inText = (1u << wireLength) - 1;
    return (zeros & inText) == 1u << (wireLength - 1) && (high & inText) == 0;
  }
#else
  (void)text;
  (void)wireLength;
  (void)readable;
#endif
  return false;
}

// The first and last sizeof(Word) bytes of size (at least that many) bytes.
template <class Word>
void copyEnds(signed char* to, const char* from, size_t size) {
  Word head;
  Word tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + size - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + size - sizeof tail, &tail, sizeof tail);
}

// Copies size bytes; those of a name or short text without a call, in two overlapping
// moves.
inline void copyBytes(signed char* to, const char* from, size_t size) {
  if (size > 16) {
    std::memcpy(to, from, size);
  } else if (size >= 8) {
    copyEnds<std::uint64_t>(to, from, size);
  } else if (size >= 4) {
    copyEnds<std::uint32_t>(to, from, size);
  } else if (size != 0) {
    to[0] = static_cast<signed char>(from[0]);
    to[size / 2] = static_cast<signed char>(from[size / 2]);
    to[size - 1] = static_cast<signed char>(from[size - 1]);
  }
}

// One traversal that sizes a block and writes what fits of it into out[0, capacity)
// (nothing when out is null).
class BlockWalker {
 public:
  BlockWalker(signed char* out, size_t capacity) : out_(out), capacity_(out != nullptr ? capacity : 0) {}

  // The bytes the traversal meant to write, stored or not.
  size_t position() const { return position_; }

  size_t block(const Data& data, int depth) {
    if (depth > BinaryDataSerializer::kMaxNestingDepth) throwTooDeep(BinaryDataSerializer::kMaxNestingDepth);
    fitted(data.getSize(), "entry count", "");
    putInt(static_cast<int>(data.getSize()));
    size_t size = 4;
    forEachEntry(data, [&](const auto& entry) { size += this->entry(entry, depth); });
    return size;
  }

 private:
  template <class E>
  size_t entry(const E& entry, int depth) {
    const char* name = entry.getName();
    size_t nameLength;
    if constexpr (std::is_same_v<E, EntryImpl>)
      nameLength = fitted(entry.getNameLength() + 1, "name length", name);
    else
      nameLength = fitted(std::strlen(name) + 1, "name length", name);
    const DataType type = entry.getType();
    // A scalar of the one implementation goes out with its name in one piece: its value
    // slot holds the value's bytes first (a bool as 0 or 1).
    size_t width = 0;
    if constexpr (std::is_same_v<E, EntryImpl>) width = scalarWidth(type);
    if (signed char* at = room(nameLength + 5 + width)) {
      const int length = static_cast<int>(nameLength);
      std::memcpy(at, &length, 4);
      copyBytes(at + 4, name, nameLength);
      at += 4 + nameLength;
      *at = static_cast<signed char>(type);
      if constexpr (std::is_same_v<E, EntryImpl>) copyScalar(at + 1, entry.slot(), width);
    }
    if (width != 0) return nameLength + 5 + width;
    return nameLength + 5 + value(entry, type, depth);
  }

  static void copyScalar(signed char* at, const ScalarPrimitiveValue& value, size_t width) {
    switch (width) {
      case 1:
        std::memcpy(at, &value, 1);
        break;
      case 2:
        std::memcpy(at, &value, 2);
        break;
      case 4:
        std::memcpy(at, &value, 4);
        break;
      case 8:
        std::memcpy(at, &value, 8);
        break;
      default:
        break;
    }
  }

  size_t function(const DiscreteFunction& function, int depth) {
    return block(functionData(function), depth);
  }

  template <class E>
  size_t value(const E& entry, DataType type, int depth) {
    switch (type) {
      case DT_BOOL:
        return put(static_cast<signed char>(scalarOf<bool>(entry) ? 1 : 0));
      case DT_BYTE:
        return put(scalarOf<signed char>(entry));
      case DT_SHORT:
        return put(scalarOf<short>(entry));
      case DT_INT:
        return put(scalarOf<int>(entry));
      case DT_LONG:
        return put(scalarOf<long>(entry));
      case DT_FLOAT:
        return put(scalarOf<float>(entry));
      case DT_DOUBLE:
        return put(scalarOf<double>(entry));
      case DT_STRING:
        if constexpr (std::is_same_v<E, EntryImpl>)
          return text(holderOf<char>(entry).getElements(), entry.getName());
        else
          return text(entry.getString(), entry.getName());
      case DT_DATA:
        return block(entry.getData(), depth + 1);
      case DT_DISCRETE_FUNCTION:
        return function(entry.getDiscreteFunction(), depth + 1);
      case DT_DISCRETE_FUNCTION_LIST: {
        const DiscreteFunctionList& list = entry.getDiscreteFunctionList();
        fitted(list.getSize(), "function count", entry.getName());
        putInt(static_cast<int>(list.getSize()));
        size_t size = 4;
        for (const DiscreteFunction* f : list.getFunctions()) size += function(*f, depth + 1);
        return size;
      }
      default:
        return array(entry, type, depth);
    }
  }

  // Where the next width bytes go, or null when they do not fit (or nothing is
  // written); the position advances past them either way.
  signed char* room(size_t width) {
    const size_t at = position_;
    position_ += width;
    return at <= capacity_ && width <= capacity_ - at ? out_ + at : nullptr;
  }
  void putBytes(const void* bytes, size_t width) {
    if (signed char* at = room(width)) std::memcpy(at, bytes, width);
  }
  template <class T>
  size_t put(T value) {
    putBytes(&value, sizeof value);
    return sizeof value;
  }
  void putInt(int value) { put(value); }
  // int32 length (with the NUL), then the text and its NUL.
  void putText(const char* text, size_t length) {
    if (signed char* at = room(length + 4)) {
      const int declared = static_cast<int>(length);
      std::memcpy(at, &declared, 4);
      copyBytes(at + 4, text, length);
    }
  }

  size_t text(const char* text, const char* name) {
    const size_t length = fitted(std::strlen(text) + 1, "string length", name);
    putText(text, length);
    return length + 4;
  }

  template <class E>
  size_t array(const E& entry, DataType type, int depth) {
    const char* name = entry.getName();
    const ElementKind kind = elementKindOf(type);
    const ArrayBase* holder = entryImplOf(entry).getArrayHolder();
    checkArray(entry, holder != nullptr);
    const Extents& dims = holder->getDims();
    fitted(dims.size(), "dimension count", name);
    for (size_t extent : dims) fitted(extent, "extent", name);
    putInt(static_cast<int>(dims.size()));
    for (size_t extent : dims) putInt(static_cast<int>(extent));
    const size_t payload = visitElementKind(kind, [&](auto element) -> size_t {
      using T = typename decltype(element)::type;
      const Array<T>& a = holderOf<T>(entry);
      const size_t count = a.getElementCount();
      putInt(static_cast<int>(count));
      if constexpr (std::is_same_v<T, char*>) {
        size_t size = 0;
        for (size_t i = 0; i < count; ++i) size += text(a.element(i), name);
        return size;
      } else if constexpr (std::is_same_v<T, Data*>) {
        size_t size = 0;
        for (size_t i = 0; i < count; ++i) size += block(*a.element(i), depth + 1);
        return size;
      } else if constexpr (std::is_same_v<T, DiscreteFunction*>) {
        size_t size = 0;
        for (size_t i = 0; i < count; ++i) size += function(*a.element(i), depth + 1);
        return size;
      } else {
        if (count != 0) putBytes(a.getElements(), count * sizeof(T));
        return count * sizeof(T);
      }
    });
    fitted(holder->getElementCount(), "element count", name);
    return 8 + 4 * dims.size() + payload;
  }

  signed char* out_;
  size_t capacity_;
  size_t position_ = 0;
};

// ---------------------------------------------------------------- reading

class BinaryReader {
 public:
  explicit BinaryReader(const BufferHandler& message)
      : bytes_(message.getBufferPointer()), size_(message.getBufferSize()), in_(bytes_, size_) {}

  // The top-level block, whose container adopts message (also when reading fails).
  std::unique_ptr<DataImpl> readRoot(std::unique_ptr<BufferHandler> message) {
    const int entries = readCount("entry count");
    std::unique_ptr<DataImpl> data = DataImpl::forMessage(message.release(), roomFor(entries));
    return readEntries(std::move(data), entries, 0, false);
  }

  // A nested block: views into the message like parent's, or copies (copyValues, for
  // the containers of functions).
  std::unique_ptr<DataImpl> readBlock(const DataImpl& parent, int depth, bool copyValues) {
    if (depth > BinaryDataSerializer::kMaxNestingDepth) throwTooDeep(BinaryDataSerializer::kMaxNestingDepth);
    const int entries = readCount("entry count");
    std::unique_ptr<DataImpl> data(copyValues ? new DataImpl()
                                              : parent.forNestedBlock(roomFor(entries)).release());
    return readEntries(std::move(data), entries, depth, copyValues);
  }

 private:
  // Room for as many entries as the bytes left can hold (each takes at least seven).
  size_t roomFor(int entries) const { return std::min(static_cast<size_t>(entries), in_.remaining() / 7); }

  std::unique_ptr<DataImpl> readEntries(std::unique_ptr<DataImpl> data, int entries, int depth,
                                        bool copyValues) {
    if (copyValues) {
      for (int i = 0; i < entries; ++i) readEntry(*data, depth, copyValues);
      return data;
    }
    // The position stays in a register from one well-formed entry to the next; the
    // step-by-step reader takes it over for any other.
    const signed char* at = in_.cursor();
    for (int i = 0; i < entries; ++i) {
      if (const signed char* next = readSimpleEntry(*data, at)) {
        at = next;
        continue;
      }
      in_.skipTo(at);
      readEntry(*data, depth, copyValues);
      at = in_.cursor();
    }
    in_.skipTo(at);
    return data;
  }

  // An int32 count, length or extent; negative values are refused.
  int readCount(const char* what) {
    const size_t at = in_.getPosition();
    const int value = in_.getInt();
    if (value < 0) {
      throw SerializerException(
          util::StringUtils::format("Negative %s [%d] at offset [%zu].", what, value, at));
    }
    return value;
  }

  // A count of items that each take at least minBytes of the message.
  size_t readItemCount(const char* what, size_t minBytes) {
    const size_t count = static_cast<size_t>(readCount(what));
    if (count > in_.remaining() / minBytes) throw SerializerException("UnsafeBuffer overflow.");
    return count;
  }

  void expectCount(const char* name, size_t count, size_t expected) {
    if (count != expected) {
      throw SerializerException(util::StringUtils::format(
          "Element count [%zu] of entry '%s' does not match the product of its extents [%zu].", count,
          util::printableExcerpt(name).c_str(), expected));
    }
  }

  yox::auto_ptr<const DiscreteFunction> readFunction(const DataImpl& parent, int depth) {
    std::unique_ptr<DataImpl> block = readBlock(parent, depth, true);
    yox::auto_ptr<const DiscreteFunction> function(
        new DiscreteFunctionImpl(yox::auto_ptr<Data>(block.release())));
    return function;
  }

  ScalarPrimitiveValue readScalar(ElementKind kind) {
    switch (kind) {
      case ElementKind::kBool:
        return ScalarPrimitiveValue::of(in_.getBoolean());
      case ElementKind::kByte:
        return ScalarPrimitiveValue::of(in_.getByte());
      case ElementKind::kShort:
        return ScalarPrimitiveValue::of(in_.getShort());
      case ElementKind::kInt:
        return ScalarPrimitiveValue::of(in_.getInt());
      case ElementKind::kLong:
        return ScalarPrimitiveValue::of(in_.getLong());
      case ElementKind::kFloat:
        return ScalarPrimitiveValue::of(in_.getFloat());
      default:
        return ScalarPrimitiveValue::of(in_.getDouble());
    }
  }

  // A view entry whose holder (made in data's arena) frees nothing; nameLength is
  // strlen(name).
  template <class H, class... Args>
  void appendNamedView(DataImpl& data, const char* name, size_t nameLength, DataType type, Args&&... args) {
    H* holder = data.makeInArena<H>(static_cast<Args&&>(args)...);
    data.appendDecoded(name, nameLength, type, ScalarPrimitiveValue::of<ArrayBase*>(holder));
  }
  template <class H, class... Args>
  void appendView(DataImpl& data, const char* name, DataType type, Args&&... args) {
    appendNamedView<H>(data, name, std::strlen(name), type, static_cast<Args&&>(args)...);
  }

  // Reads the entry that starts at the given position as a whole when it is a well-formed
  // scalar, string or 1-D numeric array, and returns the position after it; null (with
  // nothing read) for any other entry, which readEntry then reads and checks piece by piece.
  // Inlined in the loop over a block's entries: a scalar then costs no call.
  [[gnu::always_inline]] const signed char* readSimpleEntry(DataImpl& data, const signed char* at) {
    const size_t left = static_cast<size_t>(in_.end() - at);
    if (left < 6) return nullptr;
    // Read unsigned, as the texts of a string array are.
    std::uint32_t declared;
    std::memcpy(&declared, at, sizeof declared);
    const size_t length = declared;
    // The name, its NUL and the type code; 0 and negative int32 lengths are refused.
    if (declared - 1 >= 0x7FFFFFFFu || length > left - 5) return nullptr;
    const char* name = reinterpret_cast<const char*>(at + 4);
    // A name with a NUL before its last byte ends there: the piecewise reader finds it.
    const size_t nameLength = length - 1;
    if (!firstNulAt(name, nameLength, left - 4)) return nullptr;
    const DataType type = static_cast<DataType>(at[4 + length]);
    const signed char* bytes = at + 5 + length;
    const size_t rest = left - 5 - length;
    if (static_cast<std::uint32_t>(type) <= DT_DOUBLE) {
      const size_t width = scalarWidth(type);
      if (width > rest) return nullptr;
      ScalarPrimitiveValue value = ScalarPrimitiveValue::of(0L);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
      // Away from the end of the message: one load, the value's bytes kept, without a
      // branch per type.
      if (rest >= 8) {
        std::uint64_t bits;
        std::memcpy(&bits, bytes, 8);
        bits &= kScalarMasks[type];
        if (type == DT_BOOL) bits = bits != 0;
        std::memcpy(&value, &bits, 8);
        data.appendDecoded(name, nameLength, type, value);
        return bytes + width;
      }
#endif
      switch (width) {
        case 1:
          if (type == DT_BOOL)
            value.boolValue = bytes[0] != 0;
          else
            value.byteValue = bytes[0];
          break;
        case 2:
          std::memcpy(&value, bytes, 2);
          break;
        case 4:
          std::memcpy(&value, bytes, 4);
          break;
        default:
          std::memcpy(&value, bytes, 8);
          break;
      }
      data.appendDecoded(name, nameLength, type, value);
      return bytes + width;
    }
    if (type == DT_STRING) return readSimpleText(data, name, nameLength, bytes, rest);
    const DataTypeInfo* info = findDataType(type);
    if (info == nullptr || info->storage != ST_ARRAY || info->value != ValueKind::kArray) return nullptr;
    return visitElementKind(info->element, [&](auto element) {
      using T = typename decltype(element)::type;
      if constexpr (std::is_arithmetic_v<T> && !std::is_same_v<T, bool>)
        return readSimpleArray<T>(data, name, nameLength, type, bytes, rest);
      else if constexpr (std::is_same_v<T, char*>)
        return readSimpleStrings(data, name, nameLength, type, bytes, rest);
      else
        return static_cast<const signed char*>(nullptr);
    });
  }

  // The text of a DT_STRING entry at bytes, rest bytes before the end of the message.
  [[gnu::noinline]] const signed char* readSimpleText(DataImpl& data, const char* name, size_t nameLength,
                                                      const signed char* bytes, size_t rest) {
    if (rest < 4) return nullptr;
    int declared;
    std::memcpy(&declared, bytes, sizeof declared);
    const size_t wireLength = static_cast<size_t>(declared);
    if (declared < 1 || wireLength > rest - 4) return nullptr;
    const char* text = reinterpret_cast<const char*>(bytes + 4);
    if (text[wireLength - 1] != 0) return nullptr;
    const size_t textLength = shortAsciiText(text, wireLength, rest - 4)
                                  ? wireLength - 1
                                  : EntryValidator::validateText(name, text, wireLength - 1);
    appendNamedView<ArrayImpl<char, ShallowCopyPolicy>>(
        data, name, nameLength, DT_STRING, Extents{textLength}, textLength, const_cast<char*>(text));
    return bytes + 4 + wireLength;
  }

  // The element count of a 1-D array whose value starts at bytes (one extent, then a
  // count equal to it), or -1 for any other header.
  static long oneExtentCount(const signed char* bytes, size_t rest) {
    if (rest < 12) return -1;
    int header[3];
    std::memcpy(header, bytes, sizeof header);
    if (header[0] != 1 || header[1] < 0 || header[2] != header[1]) return -1;
    return header[2];
  }

  // A 1-D array of T at bytes: one extent, a count equal to it, then the elements.
  template <class T>
  [[gnu::noinline]] const signed char* readSimpleArray(DataImpl& data, const char* name, size_t nameLength,
                                                       DataType type, const signed char* bytes, size_t rest) {
    const long header = oneExtentCount(bytes, rest);
    if (header < 0) return nullptr;
    const size_t count = static_cast<size_t>(header);
    // count is below 2^31: the product cannot overflow.
    if (count * sizeof(T) > rest - 12) return nullptr;
    const signed char* values = bytes + 12;
    appendNamedView<ArrayImpl<T, ShallowCopyPolicy>>(data, name, nameLength, type, Extents{count}, count,
                                                     reinterpret_cast<T*>(const_cast<signed char*>(values)));
    return values + count * sizeof(T);
  }

  // A 1-D string array at bytes whose texts all lie inside the message and end in a NUL.
  [[gnu::noinline]] const signed char* readSimpleStrings(DataImpl& data, const char* name, size_t nameLength,
                                                         DataType type, const signed char* bytes,
                                                         size_t rest) {
    const long header = oneExtentCount(bytes, rest);
    if (header < 0) return nullptr;
    const size_t count = static_cast<size_t>(header);
    // Each text takes at least five bytes: the pointer array is bounded by the message.
    if (count > (rest - 12) / 5) return nullptr;
    const signed char* const first = bytes + 12;
    const signed char* const end = first + (rest - 12);
    const char** texts = data.arenaArray(count);
    const signed char* at = first;
    // The bytes read so far are checked for high bytes 32 at a time inside the loop,
    // where the loads wait on the chain of lengths anyway; what is left, after it.
    const signed char* checked = first;
#if defined(__SSE2__)
    __m128i high = _mm_setzero_si128();
#endif
    for (size_t i = 0; i < count; ++i) {
      if (end - at < 4) return nullptr;
      // Read unsigned: a sign-extending load takes longer, and each text's position waits
      // on the length before it.
      std::uint32_t declared;
      std::memcpy(&declared, at, sizeof declared);
      const size_t length = declared;
      // Not 0, nor negative as an int32, nor past the end.
      if (declared - 1 >= 0x7FFFFFFFu || length > static_cast<size_t>(end - at) - 4 || at[3 + length] != 0)
        return nullptr;
      texts[i] = reinterpret_cast<const char*>(at + 4);
      at += 4 + length;
#if defined(__SSE2__)
      if (at - checked >= 32) {
        const __m128i* block = reinterpret_cast<const __m128i*>(checked);
        high = _mm_or_si128(high, _mm_or_si128(_mm_loadu_si128(block), _mm_loadu_si128(block + 1)));
        checked += 32;
      }
#endif
    }
    bool ascii =
        EntryValidator::isAscii(reinterpret_cast<const char*>(checked), static_cast<size_t>(at - checked));
#if defined(__SSE2__)
    ascii = ascii && _mm_movemask_epi8(high) == 0;
#endif
    // As readStrings: a typical array has no high byte; otherwise each text is checked.
    if (!ascii) validateTexts(name, texts, count);
    appendNamedView<ArrayImpl<char*, ArenaArrayPolicy>>(data, name, nameLength, type, Extents{count}, count,
                                                        const_cast<char**>(texts));
    return at;
  }

  void readEntry(DataImpl& data, int depth, bool copyValues) {
    size_t length;
    const char* name = in_.getString(length);
    const DataType type = static_cast<DataType>(in_.getByte());
    const DataTypeInfo& info = dataTypeInfo(type);
    switch (info.value) {
      case ValueKind::kScalar: {
        const ScalarPrimitiveValue value = readScalar(info.element);
        if (copyValues) return data.appendEntry(yox::auto_ptr<Entry>(new EntryImpl(name, type, value)));
        return data.appendDecoded(name, std::strlen(name), type, value);
      }
      case ValueKind::kString: {
        const char* text = in_.getString(length);
        if (copyValues) return data.append(name, text);
        const size_t textLength = EntryValidator::validateText(name, text, length - 1);
        return appendView<ArrayImpl<char, ShallowCopyPolicy>>(data, name, DT_STRING, Extents{textLength},
                                                              textLength, const_cast<char*>(text));
      }
      case ValueKind::kData: {
        std::unique_ptr<DataImpl> nested = readBlock(data, depth + 1, copyValues);
        if (copyValues) return data.appendMove(name, yox::auto_ptr<Data>(nested.release()));
        return data.appendDecodedData(name, std::move(nested));
      }
      case ValueKind::kFunction:
        return data.appendMove(name, readFunction(data, depth + 1));
      case ValueKind::kFunctionList: {
        const size_t count = readItemCount("function count", 4);
        yox::auto_ptr<DiscreteFunctionListBuilder> builder = DataFactory::createDiscreteFunctionListBuilder();
        for (size_t i = 0; i < count; ++i) builder->append(readFunction(data, depth + 1));
        return data.appendMove(name, yox::auto_ptr<const DiscreteFunctionList>(builder->build().release()));
      }
      case ValueKind::kArray:
        return readArray(data, name, info, depth, copyValues);
    }
  }

  // The extents and element count of one array entry.
  struct Shape {
    const DataTypeInfo& info;
    Extents dims;
    size_t expected;
    std::vector<size_t> vector() const { return dims; }
  };

  // Views of an array's elements in the message; extents beyond two live on the heap,
  // which only the entry's destruction frees.
  template <class T>
  void appendArrayView(DataImpl& data, const char* name, const Shape& shape, const T* values, size_t count) {
    if (shape.dims.size() <= 2)
      return appendView<ArrayImpl<T, ShallowCopyPolicy>>(data, name, shape.info.type, shape.dims, count,
                                                         const_cast<T*>(values));
    data.appendDecodedArray(name, shape.info.type, values, shape.dims, count);
  }

  template <class T>
  void readNumbers(DataImpl& data, const char* name, const Shape& shape,
                   const T* (UnsafeBuffer::*get)(size_t&), bool copyValues) {
    size_t count;
    const T* values = (in_.*get)(count);
    expectCount(name, count, shape.expected);
    if (!copyValues) return appendArrayView(data, name, shape, values, count);
    appendShaped(data, name, values, shape.info.storage, shape.vector(), Ownership::kCopy);
  }

  // Bools are views only when every byte is 0 or 1: any other byte reads as true, and
  // a bool object may only hold those two values, so such arrays are normalised copies.
  void readBools(DataImpl& data, const char* name, const Shape& shape, bool copyValues) {
    size_t count;
    const bool* values = in_.getBooleanArray(count);
    expectCount(name, count, shape.expected);
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(values);
    bool canonical = true;
    for (size_t i = 0; i < count && canonical; ++i) canonical = bytes[i] <= 1;
    if (canonical && !copyValues) return appendArrayView(data, name, shape, values, count);
    if (canonical)
      return appendShaped(data, name, values, shape.info.storage, shape.vector(), Ownership::kCopy);
    std::unique_ptr<bool[]> normalised(new bool[count]);
    for (size_t i = 0; i < count; ++i) normalised[i] = bytes[i] != 0;
    appendShaped(data, name, normalised.get(), shape.info.storage, shape.vector(), Ownership::kMove);
    normalised.release();
  }

  // Checks each text read from the message on its own, up to its first NUL (its length
  // field precedes it).
  static void validateTexts(const char* name, const char* const* texts, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      int declared;
      std::memcpy(&declared, texts[i] - 4, sizeof declared);
      EntryValidator::validateText(name, texts[i], static_cast<size_t>(declared) - 1);
    }
  }

  void readStrings(DataImpl& data, const char* name, const Shape& shape, bool copyValues) {
    const size_t count = readItemCount("element count", 5);
    expectCount(name, count, shape.expected);
    if (copyValues) {
      std::unique_ptr<const char*[]> texts(new const char*[count]);
      in_.getStrings(texts.get(), count);
      return appendShaped(data, name, texts.get(), shape.info.storage, shape.vector(), Ownership::kCopy);
    }
    const char** texts = data.arenaArray(count);
    const size_t start = in_.getPosition();
    in_.getStrings(texts, count);
    // One pass over all the texts (and their length fields, below 0x80 for texts under
    // 128 bytes) finds no high byte in a typical array; otherwise each text is checked
    // on its own, up to its first NUL.
    const char* first = reinterpret_cast<const char*>(bytes_) + start;
    if (!EntryValidator::isAscii(first, in_.getPosition() - start)) validateTexts(name, texts, count);
    if (shape.dims.size() <= 2)
      return appendView<ArrayImpl<char*, ArenaArrayPolicy>>(data, name, shape.info.type, shape.dims, count,
                                                            const_cast<char**>(texts));
    data.appendDecodedStrings(name, shape.info.type, texts, shape.dims, count);
  }

  template <class T, class Read>
  void readObjects(DataImpl& data, const char* name, const Shape& shape, Read read) {
    const size_t count = readItemCount("element count", 4);
    expectCount(name, count, shape.expected);
    // The array the container adopts is filled as the elements are read; a failure frees
    // those read so far.
    std::unique_ptr<const T*[]> elements(new const T*[count]());
    try {
      for (size_t i = 0; i < count; ++i) elements[i] = read();
      appendShaped(data, name, elements.get(), shape.info.storage, shape.vector(), Ownership::kMove);
    } catch (...) {
      for (size_t i = 0; i < count; ++i) delete elements[i];
      throw;
    }
    elements.release();
  }

  void readArray(DataImpl& data, const char* name, const DataTypeInfo& info, int depth, bool copyValues) {
    const size_t extents = readItemCount("dimension count", 4);
    const int required = requiredExtents(info.storage);
    if (required >= 0 && extents != static_cast<size_t>(required)) {
      throw SerializerException(
          util::StringUtils::format("Entry '%s' of type %s has [%zu] extents instead of [%d].",
                                    util::printableExcerpt(name).c_str(), info.name, extents, required));
    }
    size_t few[2];
    std::vector<size_t> many(extents > 2 ? extents : 0);
    size_t* dims = extents > 2 ? many.data() : few;
    for (size_t i = 0; i < extents; ++i) dims[i] = static_cast<size_t>(readCount("extent"));
    // Two int32 extents cannot overflow a size_t; more are counted with that check.
    const size_t expected = extents == 0   ? 1
                            : extents == 1 ? dims[0]
                            : extents == 2 ? dims[0] * dims[1]
                                           : elementCount(dims, extents, name);
    const Shape shape{info, Extents(dims, extents), expected};
    switch (info.element) {
      case ElementKind::kBool:
        return readBools(data, name, shape, copyValues);
      case ElementKind::kByte:
        return readNumbers(data, name, shape, &UnsafeBuffer::getByteArray, copyValues);
      case ElementKind::kShort:
        return readNumbers(data, name, shape, &UnsafeBuffer::getShortArray, copyValues);
      case ElementKind::kInt:
        return readNumbers(data, name, shape, &UnsafeBuffer::getIntArray, copyValues);
      case ElementKind::kLong:
        return readNumbers(data, name, shape, &UnsafeBuffer::getLongArray, copyValues);
      case ElementKind::kFloat:
        return readNumbers(data, name, shape, &UnsafeBuffer::getFloatArray, copyValues);
      case ElementKind::kDouble:
        return readNumbers(data, name, shape, &UnsafeBuffer::getDoubleArray, copyValues);
      case ElementKind::kString:
        return readStrings(data, name, shape, copyValues);
      case ElementKind::kData:
        return readObjects<Data>(data, name, shape,
                                 [&] { return readBlock(data, depth + 1, copyValues).release(); });
      case ElementKind::kFunction:
        return readObjects<DiscreteFunction>(data, name, shape,
                                             [&] { return readFunction(data, depth + 1).release(); });
    }
  }

  const signed char* bytes_;
  size_t size_;
  UnsafeBuffer in_;
};

}  // namespace

yox::auto_ptr<BufferHandler> BinaryDataSerializer::serialize(const Data& data) const {
  // One traversal writes a message that fits the scratch buffer and sizes any other.
  signed char scratch[kScratchBytes];
  BlockWalker first(scratch, sizeof scratch);
  const size_t size = first.block(data, 0);
  if (size <= sizeof scratch && first.position() == size) {
    // A small message and its handler share one allocation.
    yox::auto_ptr<BufferHandler> handler(InlineBufferHandler::make(size));
    std::memcpy(const_cast<signed char*>(handler->getBufferPointer()), scratch, size);
    return handler;
  }
  std::unique_ptr<signed char[]> bytes(new signed char[size]);
  signed char* const raw = bytes.get();
  yox::auto_ptr<BufferHandler> handler = DataFactory::createBufferHandler(raw, size);
  bytes.release();  // the handler frees it, also when writing fails
  BlockWalker out(raw, size);
  out.block(data, 0);
  if (out.position() > size) throw SerializerException("UnsafeBuffer overflow.");
  // A short write would leave bytes of the buffer undefined.
  if (out.position() != size) throw SerializerException("UnsafeBuffer underflow.");
  return handler;
}

yox::auto_ptr<Data> BinaryDataSerializer::deserialize(yox::auto_ptr<BufferHandler> buffer) const {
  if (buffer.get() == nullptr) throw SerializerException("No buffer to deserialize.");
  std::unique_ptr<BufferHandler> message(buffer.release());
  BinaryReader reader(*message);
  return yox::auto_ptr<Data>(reader.readRoot(std::move(message)).release());
}

size_t BinaryDataSerializer::getBlockSize(const Data& data) { return BlockWalker(nullptr, 0).block(data, 0); }

}  // namespace impl
}  // namespace data
}  // namespace yox
