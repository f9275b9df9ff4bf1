#include "data/serialization/UnsafeBuffer.h"

#include "data/DataException.h"
#include "data/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

UnsafeBuffer::UnsafeBuffer(signed char* out, size_t capacity)
    : out_(out),
      position_(0),
      size_(capacity),
      reading_(false),
      in_(nullptr),
      cursor_(nullptr),
      end_(nullptr) {}

UnsafeBuffer::UnsafeBuffer(const signed char* in, size_t size)
    : out_(nullptr),
      position_(0),
      size_(size),
      reading_(true),
      in_(in),
      cursor_(in),
      end_(in != nullptr ? in + size : nullptr) {}

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

void UnsafeBuffer::putBooleanArray(const bool* values, size_t count) { putArray(values, count); }
void UnsafeBuffer::putByteArray(const signed char* values, size_t count) { putArray(values, count); }
void UnsafeBuffer::putShortArray(const short* values, size_t count) { putArray(values, count); }
void UnsafeBuffer::putIntArray(const int* values, size_t count) { putArray(values, count); }
void UnsafeBuffer::putLongArray(const long* values, size_t count) { putArray(values, count); }
void UnsafeBuffer::putFloatArray(const float* values, size_t count) { putArray(values, count); }
void UnsafeBuffer::putDoubleArray(const double* values, size_t count) { putArray(values, count); }

void UnsafeBuffer::putString(const char* text) {
  const size_t length = std::strlen(text) + 1;
  putInt(static_cast<int>(length));
  put(text, length);
}

}  // namespace impl
}  // namespace data
}  // namespace yox
