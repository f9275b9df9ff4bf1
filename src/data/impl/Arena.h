// Bump allocation for the entries, holders and pointer arrays of one decoded container:
// one block for a typical message, freed at once with the container instead of one
// free per object. Objects placed here are destroyed by their owner (never deleted).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace yox {
namespace data {
namespace impl {

class Arena {
 public:
  Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    while (chunks_ != nullptr) {
      Chunk* next = chunks_->next;
      ::operator delete(chunks_);
      chunks_ = next;
    }
  }

  // The size of the first block; later blocks double, up to kMaxChunk. Takes effect
  // before the first allocation only.
  void reserve(size_t bytes) {
    if (chunks_ == nullptr && cursor_ == nullptr) nextSize_ = bytes < kMinChunk ? kMinChunk : bytes;
  }
  // Allocates from [begin, begin + size) first, memory that someone else frees after
  // the arena; its own blocks come after it, the next one of at least nextSize bytes.
  void start(char* begin, size_t size, size_t nextSize) {
    cursor_ = begin;
    end_ = begin + size;
    nextSize_ = nextSize < kMinChunk ? kMinChunk : nextSize;
  }

  void* allocate(size_t size, size_t align) {
    std::uintptr_t at = (reinterpret_cast<std::uintptr_t>(cursor_) + align - 1) & ~(align - 1);
    if (cursor_ == nullptr || at + size > reinterpret_cast<std::uintptr_t>(end_)) {
      grow(size + align);
      at = (reinterpret_cast<std::uintptr_t>(cursor_) + align - 1) & ~(align - 1);
    }
    cursor_ = reinterpret_cast<char*>(at + size);
    return reinterpret_cast<void*>(at);
  }

  template <class T, class... Args>
  T* make(Args&&... args) {
    return new (allocate(sizeof(T), alignof(T))) T(static_cast<Args&&>(args)...);
  }

  void swap(Arena& other) {
    std::swap(chunks_, other.chunks_);
    std::swap(cursor_, other.cursor_);
    std::swap(end_, other.end_);
    std::swap(nextSize_, other.nextSize_);
  }

 private:
  struct Chunk {
    Chunk* next;
    size_t size;
  };
  static constexpr size_t kMinChunk = 256;
  // Larger blocks would be mapped and unmapped afresh by malloc each time.
  static constexpr size_t kMaxChunk = size_t(4) << 20;

  // Rare, and kept out of line so that allocate() stays small where it is inlined.
  [[gnu::noinline]] void grow(size_t atLeast) {
    size_t size = nextSize_ < kMaxChunk ? nextSize_ : kMaxChunk;
    while (size < atLeast) size *= 2;
    Chunk* chunk = static_cast<Chunk*>(::operator new(sizeof(Chunk) + size));
    chunk->next = chunks_;
    chunk->size = size;
    chunks_ = chunk;
    cursor_ = reinterpret_cast<char*>(chunk + 1);
    end_ = cursor_ + size;
    nextSize_ = size * 2;
  }

  Chunk* chunks_ = nullptr;
  char* cursor_ = nullptr;
  char* end_ = nullptr;
  size_t nextSize_ = kMinChunk;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
