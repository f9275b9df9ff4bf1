// An owned byte buffer and its size: the serialized form of a container. Containers
// decoded from a buffer share it and refer into it without copying.
#pragma once

#include <cstddef>

#include "data/Export.h"

namespace yox {
namespace data {

class YOX_EXPORT BufferHandler {
 public:
  BufferHandler() {}
  BufferHandler(const BufferHandler&) = delete;
  // Frees the buffer unless it was released.
  virtual ~BufferHandler() {}
  virtual size_t getBufferSize() const = 0;
  // The bytes, owned by the handler; null after releaseBufferPointer().
  virtual const signed char* getBufferPointer() const = 0;
  // Hands the bytes (from new[]) to the caller, who frees them with delete[]; the
  // handler is left empty (null pointer, size 0).
  virtual signed char* releaseBufferPointer() = 0;
  // Handlers are not copied: assignment leaves the handler as it is.
  virtual BufferHandler& operator=(const BufferHandler& other) = 0;
};

}  // namespace data
}  // namespace yox
