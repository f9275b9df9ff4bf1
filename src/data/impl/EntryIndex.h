// The pointer array of a container's entries, in name order. A decoded container starts
// it in its arena, sized for the entries the message declares; growing past that (or
// any growth of a built container) moves it to the heap.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "data/impl/Arena.h"

namespace yox {
namespace data {
namespace impl {

class EntryImpl;

class EntryIndex {
 public:
  using iterator = EntryImpl**;
  using const_iterator = EntryImpl* const*;

  EntryIndex() = default;
  EntryIndex(const EntryIndex&) = delete;
  EntryIndex& operator=(const EntryIndex&) = delete;
  ~EntryIndex() { release(); }

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  bool hasRoom() const { return size_ < capacity_; }
  // Writable access may store any entry.
  iterator begin() {
    freesNothing_ = false;
    return items_;
  }
  iterator end() { return begin() + size_; }
  const_iterator begin() const { return items_; }
  const_iterator end() const { return items_ + size_; }
  EntryImpl* operator[](size_t i) const { return items_[i]; }
  EntryImpl* back() const { return items_[size_ - 1]; }

  // Room for count entries in arena, while the index is still empty and unallocated.
  void reserveIn(Arena& arena, size_t count) {
    if (items_ != nullptr || count == 0) return;
    items_ = static_cast<EntryImpl**>(arena.allocate(count * sizeof(EntryImpl*), alignof(EntryImpl*)));
    capacity_ = count;
  }
  void reserve(size_t count) {
    if (count > capacity_) moveTo(count);
  }
  void push_back(EntryImpl* entry) {
    freesNothing_ = false;
    pushFreeingNothing(entry);
  }
  // An entry whose destruction does nothing (a decoder's); while only such entries
  // were added, the container's destruction skips them.
  void pushFreeingNothing(EntryImpl* entry) {
    if (size_ == capacity_) moveTo(capacity_ < 4 ? 8 : capacity_ * 2);
    items_[size_++] = entry;
  }
  bool freesNothing() const { return freesNothing_; }
  void insert(iterator at, EntryImpl* entry) {
    const size_t i = static_cast<size_t>(at - items_);
    freesNothing_ = false;
    if (size_ == capacity_) moveTo(capacity_ < 4 ? 8 : capacity_ * 2);
    std::memmove(items_ + i + 1, items_ + i, (size_ - i) * sizeof(EntryImpl*));
    items_[i] = entry;
    ++size_;
  }
  void erase(iterator at) {
    const size_t i = static_cast<size_t>(at - items_);
    std::memmove(items_ + i, items_ + i + 1, (size_ - i - 1) * sizeof(EntryImpl*));
    --size_;
  }
  void clear() {
    size_ = 0;
    freesNothing_ = true;
  }
  void swap(EntryIndex& other) {
    std::swap(items_, other.items_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
    std::swap(onHeap_, other.onHeap_);
    std::swap(freesNothing_, other.freesNothing_);
  }

 private:
  void moveTo(size_t capacity) {
    EntryImpl** items = new EntryImpl*[capacity];
    if (size_ != 0) std::memcpy(items, items_, size_ * sizeof(EntryImpl*));
    release();
    items_ = items;
    capacity_ = capacity;
    onHeap_ = true;
  }
  void release() {
    if (onHeap_) delete[] items_;
    items_ = nullptr;
    onHeap_ = false;
  }

  EntryImpl** items_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
  bool onHeap_ = false;
  bool freesNothing_ = true;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
