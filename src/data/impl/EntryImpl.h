// The one implementation of Entry, 32 bytes: the name, the type, flags and an 8-byte
// slot. A scalar keeps its value in the slot; a string or array keeps an array holder
// (which the entry owns and destroys; the holder's policy decides whether the elements
// go with it); a nested container, function or list is either owned or only referred
// to, as its owns-nested flag says.
//
// An entry of a decoded container may live in that container's arena, with its holder,
// and borrow its name from the message; such an entry is destroyed through destroy(),
// never deleted, and the container hands out clones of it instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "data/AutoPtr.h"
#include "data/DataElementTypes.h"
#include "data/DataType.h"
#include "data/Entry.h"
#include "data/impl/Arena.h"
#include "data/impl/ScalarPrimitiveValue.h"

namespace yox {
namespace data {
namespace impl {

class ArrayBase;
template <class T>
class Array;

class EntryImpl final : public Entry {
 public:
  // The largest size_t: "no limit" for the text forms.
  static const size_t SIZE_T_MAX;

  // Every constructor copies the name.
  // A scalar entry (DT_BOOL ... DT_DOUBLE).
  EntryImpl(const char* name, DataType type, const ScalarPrimitiveValue& value);
  // A string or array entry; it owns holder from the moment it is constructed.
  EntryImpl(const char* name, DataType type, ArrayBase* holder);
  // DT_DATA, DT_DISCRETE_FUNCTION and DT_DISCRETE_FUNCTION_LIST entries: adopted (the
  // auto_ptr is emptied) or referred to (the caller keeps the object alive).
  EntryImpl(const char* name, yox::auto_ptr<Data> data);
  EntryImpl(const char* name, Data* data);
  EntryImpl(const char* name, yox::auto_ptr<const DiscreteFunction> function);
  EntryImpl(const char* name, const DiscreteFunction* function);
  EntryImpl(const char* name, yox::auto_ptr<const DiscreteFunctionList> list);
  EntryImpl(const char* name, const DiscreteFunctionList* list);
  ~EntryImpl() override;
  EntryImpl(const EntryImpl&) = delete;
  EntryImpl& operator=(const EntryImpl&) = delete;

  // Entries placed in arena whose name (NUL-terminated) stays where it is and outlives
  // them: a scalar, a string or array whose holder was made in the same arena, and an
  // adopted nested container.
  static EntryImpl* inArena(Arena& arena, const char* name, DataType type, const ScalarPrimitiveValue& value);
  static EntryImpl* inArena(Arena& arena, const char* name, DataType type, ArrayBase* holder);
  static EntryImpl* inArena(Arena& arena, const char* name, Data* adopted);
  // A decoder's entry in arena whose name of nameLength bytes (up to its first NUL) is
  // known: a scalar, or a string or array whose holder, made in the same arena, frees
  // nothing (nothing is then done when the entry goes).
  static EntryImpl* decoded(Arena& arena, const char* name, size_t nameLength, DataType type,
                            ScalarPrimitiveValue value) {
    return new (arena.allocate(sizeof(EntryImpl), alignof(EntryImpl))) EntryImpl(
        name, nameLength, type, value, static_cast<std::uint8_t>(kBorrowedName | kInArena | kNothingToFree));
  }
  // Deletes an entry, or only destroys it when it lives in an arena.
  static void destroy(EntryImpl* entry) {
    if (entry != nullptr && (entry->flags() & kNothingToFree) == 0) entry->dispose();
  }
  bool isInArena() const { return (flags() & kInArena) != 0; }
  size_t getNameLength() const {
    const std::uint32_t length = lengthAndFlags_ & kLongName;
    return length != kLongName ? length : std::strlen(name_);
  }
  // Whether this entry's name comes before name (of nameLength bytes before its NUL) in
  // byte order. Most names differ within their first eight bytes: one compare then.
  bool namePrecedes(const char* name, size_t nameLength) const {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    // Eight bytes, the NUL included, lie inside each name.
    if ((lengthAndFlags_ & kLongName) >= 7 && nameLength >= 7) {
      std::uint64_t own;
      std::uint64_t other;
      std::memcpy(&own, name_, 8);
      std::memcpy(&other, name, 8);
      if (own != other) return __builtin_bswap64(own) < __builtin_bswap64(other);
    }
#endif
    const char* a = name_;
    while (*a != 0 && *a == *name) {
      ++a;
      ++name;
    }
    return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*name);
  }
  // Byte order of the names (what std::string compares), from their lengths.
  int compareName(const EntryImpl& other) const {
    return compareNames(name_, getNameLength(), other.name_, other.getNameLength());
  }
  static int compareNames(const char* a, size_t aLength, const char* b, size_t bLength) {
    const size_t n = aLength < bLength ? aLength : bLength;
    for (size_t i = 0; i < n; ++i) {
      if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]) ? -1 : 1;
    }
    return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
  }

  YOX_SCALAR_GETTERS(YOX_NO_NAME, YOX_PLAIN, YOX_OVERRIDE)
  const char* getString() const override;
  // Throw DataException when the nested object has been released.
  const Data& getData() const override;
  const DiscreteFunction& getDiscreteFunction() const override;
  const DiscreteFunctionList& getDiscreteFunctionList() const override;
  YOX_GET_AND_COPY_FAMILIES(YOX_NO_NAME, YOX_PLAIN, YOX_OVERRIDE, YOX_OVERRIDE)

  // Releases hand the owned storage to the caller and leave the entry holding nothing
  // (the container erases it afterwards). They throw, leaving the entry unchanged, when
  // the entry does not own the storage. releaseString's characters and the arrays are
  // freed with delete[] (string, Data and DiscreteFunction elements first, except for a
  // string array that adopted only its pointer array).
  char* releaseString();
  YOX_RELEASE_FAMILIES(YOX_NO_NAME, YOX_PLAIN, YOX_DECLARE)
  yox::auto_ptr<Data> releaseData();
  yox::auto_ptr<const DiscreteFunction> releaseDiscreteFunction();
  yox::auto_ptr<const DiscreteFunctionList> releaseDiscreteFunctionList();

  const char* getName() const override { return name_; }
  DataType getType() const override { return type_; }
  std::string getValueAsString() const override;
  std::string getValueAsString(size_t limit) const override;
  size_t getSize() const override;
  bool hasOwnership() const override;
  std::string toString() const override;
  std::string toString(size_t limit) const override;
  yox::auto_ptr<Entry> clone() const override;
  bool operator==(const Entry& other) const override;
  bool operator!=(const Entry& other) const override;
  size_t hashCode() const override;

  // The value slot (what getter of the entry's type reads), for the serializers.
  const ScalarPrimitiveValue& slot() const { return value_; }

  // The hash of the value alone.
  size_t primitiveHashCode() const;
  // The holder of a string or array entry, owned by the entry; null otherwise.
  ArrayBase* getArrayHolder() const;

 private:
  enum class Access { kGet, kCopy, kRelease };

  enum Flags : std::uint8_t { kOwnsNested = 1, kBorrowedName = 2, kInArena = 4, kNothingToFree = 8 };
  EntryImpl(const char* name, DataType type, ScalarPrimitiveValue value, std::uint8_t flags);
  EntryImpl(const char* name, size_t nameLength, DataType type, ScalarPrimitiveValue value,
            std::uint8_t flags)
      : name_(name), type_(type), lengthAndFlags_(packLengthAndFlags(nameLength, flags)), value_(value) {}
  static std::uint32_t packLengthAndFlags(size_t nameLength, std::uint8_t flags) {
    return static_cast<std::uint32_t>(nameLength < kLongName ? nameLength : kLongName) |
           static_cast<std::uint32_t>(flags) << 24;
  }
  std::uint8_t flags() const { return static_cast<std::uint8_t>(lengthAndFlags_ >> 24); }
  void dispose();
  template <class N>
  yox::auto_ptr<N> releaseNested(DataType type, N*& nested);
  bool ownsNested() const { return (flags() & kOwnsNested) != 0; }

  // Inline: every getter starts with it, and only a mismatch costs more than a compare.
  void validateDataType(DataType expected) const {
    if (type_ != expected) throwTypeMismatch(expected);
  }
  [[noreturn, gnu::cold]] void throwTypeMismatch(DataType expected) const;
  void validateArrayDimensions(size_t expected) const;
  void validateOwnership() const;
  template <class T>
  Array<T>& holder() const;
  template <class F>
  decltype(auto) visitArray(F&& f) const;
  template <class MT, class... Out>
  MT arrayElements(DataType type, Access access, Out&... out) const;
  void exportDims(size_t& size) const;
  void exportDims(size_t& rows, size_t& cols) const;
  void exportDims(std::vector<size_t>& dims) const;

  static constexpr std::uint32_t kLongName = 0xFFFFFF;

  const char* name_;
  DataType type_;
  // strlen(name_) (kLongName for names of that length or more) in the low 24 bits, the
  // flags in the high 8: one store when a decoder makes the entry.
  std::uint32_t lengthAndFlags_;
  ScalarPrimitiveValue value_;
};

// Ownership of an entry that may live in an arena.
struct EntryDisposer {
  void operator()(EntryImpl* entry) const { EntryImpl::destroy(entry); }
};
using EntryPtr = std::unique_ptr<EntryImpl, EntryDisposer>;

}  // namespace impl
}  // namespace data
}  // namespace yox
