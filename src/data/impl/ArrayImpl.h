// Storage of string and array entries. ArrayBase keeps the extents; Array<T> the element
// pointer, the element count (product of the extents, 1 for none) and whether it owns
// the elements; ArrayImpl<T, Policy> decides, through the policy, where the elements
// come from and what its destructor frees.
//
// Elements may live inside a received message (ShallowCopyPolicy over a decoded
// buffer) at any alignment, so every element is read through Elements<T>::load.
#pragma once

#include <algorithm>
#include <boost/container_hash/hash.hpp>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "data/Data.h"
#include "data/DiscreteFunction.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

// The combine step of all container hashes (unsigned 64-bit, wrapping).
inline size_t hashCombine(size_t seed, size_t value) {
  return seed ^ (value + 0x9e3779b9 + (seed << 6) + (seed >> 2));
}

// What the holders need to know about one element type: numbers and bool, char (the
// characters of a DT_STRING entry), char* (strings), Data* and DiscreteFunction*.
template <class T>
struct Elements {
  static constexpr bool kObject = std::is_same_v<T, Data*> || std::is_same_v<T, DiscreteFunction*>;
  static constexpr bool kText = std::is_same_v<T, char*>;

  // Element i of p, whatever the alignment of p. A bool is any non-zero byte.
  static T load(const T* p, size_t i) {
    const char* at = reinterpret_cast<const char*>(p) + i * sizeof(T);
    if constexpr (std::is_same_v<T, bool>) {
      unsigned char byte;
      std::memcpy(&byte, at, 1);
      return byte != 0;
    } else {
      T v;
      std::memcpy(&v, at, sizeof(T));
      return v;
    }
  }

  // A new[] deep copy of n elements (for char n + 1, the terminating NUL included);
  // a null source gives n value-initialised elements.
  static T* copy(const T* src, size_t n) {
    const size_t total = std::is_same_v<T, char> ? n + 1 : n;
    std::unique_ptr<T[]> out(new T[total]());
    if (src == nullptr) return out.release();
    if constexpr (kText || kObject) {
      try {
        for (size_t i = 0; i < total; ++i) out[i] = copyOne(load(src, i));
      } catch (...) {
        destroy(out.release(), total);
        throw;
      }
    } else if constexpr (std::is_same_v<T, bool>) {
      for (size_t i = 0; i < total; ++i) out[i] = load(src, i);
    } else if (total != 0) {
      std::memcpy(out.get(), src, total * sizeof(T));
    }
    return out.release();
  }

  // Frees a new[] array and, for strings and objects, every non-null element.
  static void destroy(T* p, size_t n) {
    if (p == nullptr) return;
    if constexpr (kText || kObject) {
      for (size_t i = 0; i < n; ++i) freeOne(load(p, i));
    }
    delete[] p;
  }

  static bool equal(T a, T b) {
    if constexpr (kText || kObject) {
      if (a == nullptr || b == nullptr) return a == b;
      if constexpr (kText)
        return std::strcmp(a, b) == 0;
      else
        return *a == *b;
    } else {
      return a == b;
    }
  }

  static size_t hash(T v) {
    if constexpr (std::is_floating_point_v<T>) {
      return boost::hash_value(v);
    } else if constexpr (kText) {
      return v == nullptr ? 0 : hashChars(v, std::strlen(v));
    } else if constexpr (kObject) {
      return v == nullptr ? 0 : v->hashCode();
    } else {
      // bool gives 0 or 1; the signed types sign-extend (char is taken as signed char).
      return static_cast<size_t>(
          static_cast<long>(std::is_same_v<T, char> ? static_cast<signed char>(v) : v));
    }
  }

  static std::string text(T v, size_t limit) {
    if constexpr (kObject) {
      return v == nullptr ? std::string() : v->toString(limit);
    } else {
      (void)limit;
      return yox::util::StringUtils::toString(v);
    }
  }

  // Boost's hash_range over the characters taken as signed char, seed 0.
  static size_t hashChars(const char* p, size_t n) {
    size_t seed = 0;
    for (size_t i = 0; i < n; ++i) seed = hashCombine(seed, Elements<char>::hash(p[i]));
    return seed;
  }

 private:
  static T copyOne(T v) {
    if (v == nullptr) return nullptr;
    if constexpr (kText) {
      const size_t n = std::strlen(v) + 1;
      char* out = new char[n];
      std::memcpy(out, v, n);
      return out;
    } else {
      return v->clone().release();
    }
  }
  static void freeOne(T v) {
    if constexpr (kText)
      delete[] v;
    else
      delete v;
  }
};

// The extents of an array: kept inline up to two (every 1-D and 2-D array and string),
// on the heap beyond. Converts to a vector for callers that want one.
class Extents {
 public:
  Extents() = default;
  Extents(std::initializer_list<size_t> dims) : Extents(dims.begin(), dims.size()) {}
  Extents(const std::vector<size_t>& dims) : Extents(dims.data(), dims.size()) {}  // NOLINT: implicit
  Extents(const size_t* dims, size_t count) : count_(count) {
    if (count > kInline) {
      more_.reset(new size_t[count]);
      std::memcpy(more_.get(), dims, count * sizeof(size_t));
    } else {
      for (size_t i = 0; i < count; ++i) few_[i] = dims[i];
    }
  }
  Extents(const Extents& other) : Extents(other.begin(), other.size()) {}
  Extents& operator=(const Extents&) = delete;

  size_t size() const { return count_; }
  bool empty() const { return count_ == 0; }
  const size_t* begin() const { return count_ > kInline ? more_.get() : few_; }
  const size_t* end() const { return begin() + count_; }
  size_t operator[](size_t i) const { return begin()[i]; }
  size_t back() const { return begin()[count_ - 1]; }
  operator std::vector<size_t>() const { return std::vector<size_t>(begin(), end()); }  // NOLINT
  friend bool operator==(const Extents& a, const Extents& b) {
    return a.count_ == b.count_ && std::equal(a.begin(), a.end(), b.begin());
  }
  friend bool operator!=(const Extents& a, const Extents& b) { return !(a == b); }

 private:
  static constexpr size_t kInline = 2;
  size_t* data() { return count_ > kInline ? more_.get() : few_; }

  size_t count_ = 0;
  size_t few_[kInline] = {0, 0};
  std::unique_ptr<size_t[]> more_;
};

// The extents of an array (one for 1-D arrays and strings, rows then columns for 2-D).
class ArrayBase {
 public:
  virtual ~ArrayBase() {}
  ArrayBase(const ArrayBase&) = delete;
  ArrayBase& operator=(const ArrayBase&) = delete;

  const Extents& getDims() const { return dims_; }
  // Product of the extents (1 for none; 0 once released); for a string its length.
  virtual size_t getElementCount() const = 0;
  // Whether the destructor frees the elements (false for shallow holders).
  virtual bool ownsElements() const = 0;

 protected:
  explicit ArrayBase(const Extents& dims) : dims_(dims) {}

 private:
  Extents dims_;
};

template <class T>
class Array : public ArrayBase {
 public:
  using element_type = T;

  // The elements; null once released. Read them through element().
  T* getElements() const { return elements_; }
  T element(size_t i) const { return Elements<T>::load(elements_, i); }
  size_t getElementCount() const override { return count_; }
  bool ownsElements() const override { return ownsElements_; }
  // Hands the elements to the caller; elements in an arena are copied out (a string
  // with its NUL, a string array's texts too when the arena holds them). The holder then
  // holds and frees nothing (its element count drops to 0, its extents stay for the
  // caller to read).
  T* releaseElements() {
    T* p = elements_;
    if (inArena_ && p != nullptr) {
      if (std::is_same_v<T, char> || arenaTexts_) {
        p = Elements<T>::copy(elements_, count_);
      } else {
        p = new T[count_];
        if (count_ != 0) std::memcpy(static_cast<void*>(p), elements_, count_ * sizeof(T));
      }
    }
    elements_ = nullptr;
    count_ = 0;
    return p;
  }

 protected:
  Array(const Extents& dims, T* elements, size_t count, bool owns, bool inArena, bool arenaTexts)
      : ArrayBase(dims),
        elements_(elements),
        count_(count),
        ownsElements_(owns),
        inArena_(inArena),
        arenaTexts_(arenaTexts) {}

  T* elements_;
  size_t count_;
  bool ownsElements_;
  bool inArena_;
  // The texts a string array points to lie in the arena as well.
  bool arenaTexts_;
};

// What a holder does with the caller's elements: copy them or keep the pointer; and what
// its destructor frees: nothing, the array alone, or the array with what its elements
// point to. An arena's array is owned but freed with its arena, and copied out when
// released.
enum class Source { kCopy, kKeep };
enum class Frees { kNothing, kArray, kAll, kArena };

template <Source S, Frees F>
struct OwnershipPolicy {
  static constexpr bool kOwnsElements = F != Frees::kNothing;
  static constexpr bool kInArena = F == Frees::kArena;
  static constexpr bool kArenaTexts = false;
  template <class T>
  static T* acquire(T* source, size_t count) {
    if constexpr (S == Source::kCopy)
      return Elements<T>::copy(source, count);
    else
      return source;
  }
  template <class T>
  static void destroy(T* p, size_t count) {
    if constexpr (F == Frees::kAll)
      Elements<T>::destroy(p, count);
    else if constexpr (F == Frees::kArray)
      delete[] p;
  }
};

// A fresh copy (strings into their own new[] buffers, objects cloned), owned.
struct CopyPolicy : OwnershipPolicy<Source::kCopy, Frees::kAll> {};
// The caller's elements, which outlive the holder; nothing is freed.
struct ShallowCopyPolicy : OwnershipPolicy<Source::kKeep, Frees::kNothing> {};
// The caller's new[] elements (and what strings and objects point to), adopted.
struct MovePolicy : OwnershipPolicy<Source::kKeep, Frees::kAll> {};
// Only a new[] array of string pointers, adopted; the strings stay where they are
// (inside a decoded message buffer).
struct MoveArrayPolicy : OwnershipPolicy<Source::kKeep, Frees::kArray> {};
// A pointer array placed in the container's arena; the strings stay in the buffer.
struct ArenaArrayPolicy : OwnershipPolicy<Source::kKeep, Frees::kArena> {};
// A string array whose pointer array and texts are both in the container's arena; a
// release hands out new[] copies of both.
struct ArenaTextsPolicy : ArenaArrayPolicy {
  static constexpr bool kArenaTexts = true;
};

template <class T, class Policy>
class ArrayImpl : public Array<T> {
 public:
  // count must be the product of dims (for a string, its length). The source is copied,
  // referred to or adopted as Policy says; adoption happens only once the holder exists.
  ArrayImpl(const Extents& dims, size_t count, T* source)
      : Array<T>(dims, Policy::template acquire<T>(source, count), count, Policy::kOwnsElements,
                 Policy::kInArena, Policy::kArenaTexts) {}
  ~ArrayImpl() override { Policy::template destroy<T>(this->elements_, this->count_); }
};

}  // namespace impl
}  // namespace data
}  // namespace yox
