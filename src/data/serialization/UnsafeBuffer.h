// Reading cursor over the bytes of one binary message: native-order (little-endian on
// the target) values, no padding, no alignment. Every width, count and length is
// checked against the bytes that remain before they are touched (offset/length
// comparisons only); a message too short for what it declares throws
// SerializerException "UnsafeBuffer overflow.".
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
  // Reading cursor over in[0, size).
  UnsafeBuffer(const signed char* in, size_t size);

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
  // The casts only form pointers into the message; callers read through memcpy.
  const bool* getBooleanArray(size_t& count) { return reinterpret_cast<const bool*>(takeArray(1, count)); }
  const signed char* getByteArray(size_t& count) { return takeArray(1, count); }
  const short* getShortArray(size_t& count) { return arrayOf<short>(count); }
  const int* getIntArray(size_t& count) { return arrayOf<int>(count); }
  const long* getLongArray(size_t& count) { return arrayOf<long>(count); }
  const float* getFloatArray(size_t& count) { return arrayOf<float>(count); }
  const double* getDoubleArray(size_t& count) { return arrayOf<double>(count); }
  // Reads an int32 length (NUL included) and returns the text inside the buffer. The
  // length must be at least 1, fit the bytes left and end with a NUL byte, so that the
  // result is always a terminated text inside the buffer; otherwise SerializerException.
  const char* getString(size_t& length) {
    const signed char* at = cursor_;
    const int declared = getInt();
    if (declared < 1) throwBadLength(declared, static_cast<size_t>(at - in_));
    length = static_cast<size_t>(declared);
    const signed char* text = take(length);
    if (text[length - 1] != 0) throwUnterminated(static_cast<size_t>(at - in_));
    return reinterpret_cast<const char*>(text);
  }

  // The unread bytes [cursor(), end()), for a reader that checks a whole item at once
  // and then skips past it.
  const signed char* cursor() const { return cursor_; }
  const signed char* end() const { return end_; }
  void skipTo(const signed char* at) { cursor_ = at; }

  // count texts one after the other, as getString reads each, into texts.
  void getStrings(const char** texts, size_t count) {
    // Locals, not members: the stores into texts cannot then force reloads of the cursor.
    const signed char* at = cursor_;
    const signed char* const end = end_;
    for (size_t i = 0; i < count; ++i) {
      if (end - at < 4) throwOverflow();
      int declared;
      std::memcpy(&declared, at, sizeof declared);
      if (declared < 1) throwBadLength(declared, static_cast<size_t>(at - in_));
      const signed char* text = at + 4;
      const size_t length = static_cast<size_t>(declared);
      if (length > static_cast<size_t>(end - text)) throwOverflow();
      if (text[length - 1] != 0) throwUnterminated(static_cast<size_t>(at - in_));
      texts[i] = reinterpret_cast<const char*>(text);
      at = text + length;
    }
    cursor_ = at;
  }

  size_t getPosition() const { return static_cast<size_t>(cursor_ - in_); }
  size_t remaining() const { return static_cast<size_t>(end_ - cursor_); }

 private:
  // Throws unless width bytes remain to read, then returns where they start and
  // advances past them.
  const signed char* take(size_t width) {
    if (width > static_cast<size_t>(end_ - cursor_)) throwOverflow();
    const signed char* at = cursor_;
    cursor_ += width;
    return at;
  }
  [[noreturn]] static void throwOverflow();
  [[noreturn]] static void throwBadLength(int declared, size_t at);
  [[noreturn]] static void throwUnterminated(size_t at);
  template <typename T>
  T get() {
    T value;
    std::memcpy(&value, take(sizeof(T)), sizeof(T));
    return value;
  }
  template <typename T>
  const T* arrayOf(size_t& count) {
    return reinterpret_cast<const T*>(takeArray(sizeof(T), count));
  }
  // Returns where the elements start; count receives the element count.
  const signed char* takeArray(size_t width, size_t& count) {
    const signed char* at = cursor_;
    const int declared = getInt();
    if (declared < 0) throwNegativeCount(declared, static_cast<size_t>(at - in_));
    count = static_cast<size_t>(declared);
    if (count > static_cast<size_t>(end_ - cursor_) / width) throwOverflow();
    return take(count * width);
  }
  [[noreturn]] static void throwNegativeCount(int declared, size_t at);

  // [in_, end_), the next byte at cursor_; all null for a null buffer, which has
  // nothing to read.
  const signed char* in_;
  const signed char* cursor_;
  const signed char* end_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
