#include "data/serialization/UnsafeBuffer.h"

#include "data/DataException.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

UnsafeBuffer::UnsafeBuffer(const signed char* in, size_t size)
    : in_(in), cursor_(in), end_(in != nullptr ? in + size : nullptr) {}

void UnsafeBuffer::throwOverflow() { throw SerializerException("UnsafeBuffer overflow."); }

void UnsafeBuffer::throwBadLength(int declared, size_t at) {
  throw SerializerException(
      util::StringUtils::format("Invalid string length [%d] at offset [%zu].", declared, at));
}

void UnsafeBuffer::throwUnterminated(size_t at) {
  throw SerializerException(util::StringUtils::format("String at offset [%zu] is not NUL-terminated.", at));
}

void UnsafeBuffer::throwNegativeCount(int declared, size_t at) {
  throw SerializerException(
      util::StringUtils::format("Negative element count [%d] at offset [%zu].", declared, at));
}

}  // namespace impl
}  // namespace data
}  // namespace yox
