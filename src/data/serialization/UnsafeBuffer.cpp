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

void UnsafeBuffer::put(const void* bytes, size_t width) {
  if (width <= remaining() && out_ != nullptr && width != 0) {
    std::memcpy(out_ + position_, bytes, width);
  }
  position_ += width;
}

size_t UnsafeBuffer::take(size_t width) {
  if (in_ == nullptr || width > remaining()) throw SerializerException("UnsafeBuffer overflow.");
  const size_t at = position_;
  position_ += width;
  return at;
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

void UnsafeBuffer::putBoolean(bool value) { putByte(value ? 1 : 0); }
void UnsafeBuffer::putByte(signed char value) { put(&value, sizeof value); }
void UnsafeBuffer::putShort(short value) { put(&value, sizeof value); }
void UnsafeBuffer::putInt(int value) { put(&value, sizeof value); }
void UnsafeBuffer::putLong(long value) { put(&value, sizeof value); }
void UnsafeBuffer::putFloat(float value) { put(&value, sizeof value); }
void UnsafeBuffer::putDouble(double value) { put(&value, sizeof value); }

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

bool UnsafeBuffer::getBoolean() { return get<signed char>() != 0; }
signed char UnsafeBuffer::getByte() { return get<signed char>(); }
short UnsafeBuffer::getShort() { return get<short>(); }
int UnsafeBuffer::getInt() { return get<int>(); }
long UnsafeBuffer::getLong() { return get<long>(); }
float UnsafeBuffer::getFloat() { return get<float>(); }
double UnsafeBuffer::getDouble() { return get<double>(); }

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

const char* UnsafeBuffer::getString(size_t& length) {
  const size_t at = position_;
  const int declared = getInt();
  if (declared < 1) {
    throw SerializerException(
        util::StringUtils::format("Invalid string length [%d] at offset [%zu].", declared, at));
  }
  length = static_cast<size_t>(declared);
  const size_t text = take(length);
  if (in_[text + length - 1] != 0) {
    throw SerializerException(util::StringUtils::format("String at offset [%zu] is not NUL-terminated.", at));
  }
  return reinterpret_cast<const char*>(in_ + text);
}

}  // namespace impl
}  // namespace data
}  // namespace yox
