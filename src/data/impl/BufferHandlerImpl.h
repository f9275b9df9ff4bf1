// Owns a new[] byte buffer and its size; frees it unless it was released.
#pragma once

#include <cstddef>
#include <cstring>
#include <new>

#include "data/BufferHandler.h"

namespace yox {
namespace data {
namespace impl {

class BufferHandlerImpl : public BufferHandler {
 public:
  // Adopts buffer (from new[], or null with size 0) without copying.
  BufferHandlerImpl(const signed char* buffer, size_t size) : buffer_(buffer), size_(size) {}
  ~BufferHandlerImpl() override { delete[] buffer_; }

  size_t getBufferSize() const override { return size_; }
  const signed char* getBufferPointer() const override { return buffer_; }
  signed char* releaseBufferPointer() override {
    signed char* p = const_cast<signed char*>(buffer_);
    buffer_ = nullptr;
    size_ = 0;
    return p;
  }
  // Buffers are never duplicated: assignment keeps this handler's buffer.
  BufferHandler& operator=(const BufferHandler&) override { return *this; }
  BufferHandlerImpl& operator=(const BufferHandlerImpl&) { return *this; }

 private:
  const signed char* buffer_;
  size_t size_;
};

// A handler and its bytes in one allocation (made by make(), freed with delete); the
// bytes are copied out when released.
class InlineBufferHandler final : public BufferHandler {
 public:
  // A handler of size bytes, for the caller to fill.
  static InlineBufferHandler* make(size_t size) { return new (Room{size}) InlineBufferHandler(size); }

  struct Room {
    size_t bytes;
  };
  static void* operator new(size_t object, Room room) { return ::operator new(object + room.bytes); }
  static void operator delete(void* p) { ::operator delete(p); }
  static void operator delete(void* p, Room) { ::operator delete(p); }

  size_t getBufferSize() const override { return size_; }
  const signed char* getBufferPointer() const override { return bytes_; }
  signed char* releaseBufferPointer() override {
    signed char* copy = nullptr;
    if (bytes_ != nullptr) {
      copy = new signed char[size_];
      std::memcpy(copy, bytes_, size_);
    }
    bytes_ = nullptr;
    size_ = 0;
    return copy;
  }
  BufferHandler& operator=(const BufferHandler&) override { return *this; }

 private:
  explicit InlineBufferHandler(size_t size) : bytes_(reinterpret_cast<signed char*>(this + 1)), size_(size) {}

  signed char* bytes_;
  size_t size_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
