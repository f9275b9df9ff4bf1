#include "data/serialization/UnsafeBuffer.h"

#include "data/DataException.h"
#include "data/serialization/StringUtils.h"

namespace yox {
namespace data {
namespace impl {

UnsafeBuffer::UnsafeBuffer(signed char* out, size_t capacity)
    : out_(out), in_(nullptr), position_(0), size_(capacity) {}

UnsafeBuffer::UnsafeBuffer(const signed char* in, size_t size)
    : out_(nullptr), in_(in), position_(0), size_(size) {}

void UnsafeBuffer::throwOverflow() { throw SerializerException("UnsafeBuffer overflow."); }

void UnsafeBuffer::throwBadLength(int declared, size_t at) {
  throw SerializerException(
      util::StringUtils::format("Invalid string length [%d] at offset [%zu].", declared, at));
}

void UnsafeBuffer::throwUnterminated(size_t at) {
  throw SerializerException(util::StringUtils::format("String at offset [%zu] is not NUL-terminated.", at));
}

size_t UnsafeBuffer::takeArray(size_t width, size_t& count) {
  const size_t at = position_;
  const int declared = getInt();
  if (declared < 0) {
    throw SerializerException(
        util::StringUtils::format("Negative element count [%d] at offset [%zu].", declared, at));
  }
  count = static_cast<size_t>(declared);
  if (count > remaining() / width) throw SerializerException("UnsafeBuffer overflow.");
  return take(count * width);
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

// The casts below only form pointers into the message; callers read through memcpy.
const bool* UnsafeBuffer::getBooleanArray(size_t& count) {
  return reinterpret_cast<const bool*>(in_ + takeArray(1, count));
}
const signed char* UnsafeBuffer::getByteArray(size_t& count) { return in_ + takeArray(1, count); }
const short* UnsafeBuffer::getShortArray(size_t& count) {
  return reinterpret_cast<const short*>(in_ + takeArray(sizeof(short), count));
}
const int* UnsafeBuffer::getIntArray(size_t& count) {
  return reinterpret_cast<const int*>(in_ + takeArray(sizeof(int), count));
}
const long* UnsafeBuffer::getLongArray(size_t& count) {
  return reinterpret_cast<const long*>(in_ + takeArray(sizeof(long), count));
}
const float* UnsafeBuffer::getFloatArray(size_t& count) {
  return reinterpret_cast<const float*>(in_ + takeArray(sizeof(float), count));
}
const double* UnsafeBuffer::getDoubleArray(size_t& count) {
  return reinterpret_cast<const double*>(in_ + takeArray(sizeof(double), count));
}

}  // namespace impl
}  // namespace data
}  // namespace yox
