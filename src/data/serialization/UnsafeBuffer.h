// Cursor over the bytes of one binary message: native-order (little-endian on the
// target) copies of values, no padding, no alignment.
//
// Both directions are bounded by the size given at construction:
// - writing never stores a byte past the end; a put that does not fit stores nothing
//   but still advances the position, so verifySize() reports the overflow afterwards;
// - reading checks every width, count and length against the bytes that remain before
//   it touches them (offset/length comparisons only) and throws SerializerException
//   "UnsafeBuffer overflow." when the message is too short for what it declares.
//
// The array getters return pointers into the buffer at arbitrary byte offsets: the
// elements are in general unaligned and must be read through memcpy.
// The buffer is not owned; it must outlive the UnsafeBuffer and every pointer it returned.
#pragma once

#include <cstddef>
#include <cstring>

namespace yox {
namespace data {
namespace impl {

class UnsafeBuffer {
 public:
  // Writing cursor over out[0, capacity).
  UnsafeBuffer(signed char* out, size_t capacity);
  // Reading cursor over in[0, size).
  UnsafeBuffer(const signed char* in, size_t size);

  void putBoolean(bool value) { putByte(value ? 1 : 0); }
  void putByte(signed char value) { put(&value, sizeof value); }
  void putShort(short value) { put(&value, sizeof value); }
  void putInt(int value) { put(&value, sizeof value); }
  void putLong(long value) { put(&value, sizeof value); }
  void putFloat(float value) { put(&value, sizeof value); }
  void putDouble(double value) { put(&value, sizeof value); }
  // int32 count, then the elements as one block. count must fit an int32 (the caller
  // checks this while computing the message size).
  void putBooleanArray(const bool* values, size_t count);
  void putByteArray(const signed char* values, size_t count);
  void putShortArray(const short* values, size_t count);
  void putIntArray(const int* values, size_t count);
  void putLongArray(const long* values, size_t count);
  void putFloatArray(const float* values, size_t count);
  void putDoubleArray(const double* values, size_t count);
  // int32 strlen + 1, then the text and its NUL.
  void putString(const char* text);
  // The same with length = strlen(text) + 1 known.
  void putString(const char* text, size_t length) {
    putInt(static_cast<int>(length));
    put(text, length);
  }
  // width bytes as they are.
  void put(const void* bytes, size_t width) {
    if (width <= remaining() && out_ != nullptr && width != 0) std::memcpy(out_ + position_, bytes, width);
    position_ += width;
  }

  // Each throws SerializerException "UnsafeBuffer overflow." when fewer bytes remain
  // than the value's width. getBoolean reads any non-zero byte as true.
  bool getBoolean() { return get<signed char>() != 0; }
  signed char getByte() { return get<signed char>(); }
  short getShort() { return get<short>(); }
  int getInt() { return get<int>(); }
  long getLong() { return get<long>(); }
  float getFloat() { return get<float>(); }
  double getDouble() { return get<double>(); }

  // Read an int32 count, refuse a negative one (SerializerException "Negative element
  // count [<n>] at offset [<offset>].") and one whose elements do not fit the bytes left
  // ("UnsafeBuffer overflow."), then return a pointer to the elements inside the buffer
  // and advance past them. The pointer is unaligned in general.
  const bool* getBooleanArray(size_t& count);
  const signed char* getByteArray(size_t& count);
  const short* getShortArray(size_t& count);
  const int* getIntArray(size_t& count);
  const long* getLongArray(size_t& count);
  const float* getFloatArray(size_t& count);
  const double* getDoubleArray(size_t& count);
  // Reads an int32 length (NUL included) and returns the text inside the buffer. The
  // length must be at least 1, fit the bytes left and end with a NUL byte, so that the
  // result is always a terminated text inside the buffer; otherwise SerializerException.
  const char* getString(size_t& length) {
    const size_t at = position_;
    const int declared = getInt();
    if (declared < 1) throwBadLength(declared, at);
    length = static_cast<size_t>(declared);
    const size_t text = take(length);
    if (in_[text + length - 1] != 0) throwUnterminated(at);
    return reinterpret_cast<const char*>(in_ + text);
  }

  void reset() { position_ = 0; }
  // True when the position has not run past size.
  bool verifySize(size_t size) const { return position_ <= size; }
  size_t getPosition() const { return position_; }
  // Bytes left to read (0 once the position has run past the end while writing).
  size_t remaining() const { return position_ < size_ ? size_ - position_ : 0; }

 private:
  // Throws unless width bytes remain, then returns the position and advances past them.
  size_t take(size_t width) {
    if (in_ == nullptr || width > remaining()) throwOverflow();
    const size_t at = position_;
    position_ += width;
    return at;
  }
  [[noreturn]] static void throwOverflow();
  [[noreturn]] static void throwBadLength(int declared, size_t at);
  [[noreturn]] static void throwUnterminated(size_t at);
  template <typename T>
  T get() {
    T value;
    std::memcpy(&value, in_ + take(sizeof(T)), sizeof(T));
    return value;
  }
  template <typename T>
  void putArray(const T* values, size_t count) {
    putInt(static_cast<int>(count));
    put(values, count * sizeof(T));
  }
  // Returns the byte offset of the elements; count receives the element count.
  size_t takeArray(size_t width, size_t& count);

  signed char* out_;
  const signed char* in_;
  size_t position_;
  size_t size_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
