// Owns a new[] byte buffer and its size; frees it unless it was released.
#pragma once

#include <cstddef>

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

}  // namespace impl
}  // namespace data
}  // namespace yox
