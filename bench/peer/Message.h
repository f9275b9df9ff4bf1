// The values every format of the peer comparison carries: one neutral description of a
// message, built once per workload, from which each format encodes the very same
// values. Fields are kept in ascending byte-wise name order, the order our container
// reads them back in, so every format is written and read in one order and the
// checksums of its reads compare exactly.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace peer {

enum class Kind { Int32, Int64, Double, Bool, String, DoubleArray, StringArray };

struct Field {
  std::string name;
  Kind kind = Kind::Int32;
  long long integer = 0;  // Int32, Int64 and Bool
  double real = 0;
  std::string text;
  std::vector<double> reals;
  std::vector<std::string> texts;
};

struct Message {
  std::vector<Field> fields;
};

// What reading every value yields: integers, booleans and text lengths summed as
// integers, doubles summed in order, and the number of values seen. A format that
// decodes a value wrongly or skips one fails the comparison.
struct Checksum {
  long long integers = 0;
  double reals = 0;
  unsigned long long values = 0;

  void integer(long long v) {
    integers += v;
    ++values;
  }
  void real(double v) {
    reals += v;
    ++values;
  }
  bool operator==(const Checksum& other) const {
    return integers == other.integers && reals == other.reals && values == other.values;
  }
  std::string toString() const;
};

Checksum expectedChecksum(const Message& message);

// One encoder/decoder of a format, prepared for one message: the constructor encodes
// the message (not timed) and keeps whatever source the format encodes from.
class Codec {
 public:
  virtual ~Codec() = default;
  // Encodes the message; the result is discarded.
  virtual void encode() = 0;
  // Decodes the prepared bytes, including whatever copy the format's API requires of
  // a caller holding received bytes, and discards the result.
  virtual void decode() = 0;
  // Decodes and reads every value.
  virtual Checksum decodeAndRead() = 0;
  // Decodes beyond any copy of the received bytes and keeps the result until
  // releaseHeld(), so that what a decoded message retains can be counted.
  virtual void decodeAndHold() = 0;
  virtual void releaseHeld() = 0;
  // Only our binary format: the copy of the received bytes that its decoder adopts, and
  // the decode without that copy.
  virtual void copyBytes() {}
  virtual void decodeBeyondCopy() {}
  // Empty when the codec works; otherwise why it cannot be measured.
  virtual std::string problem() const { return problem_; }

 protected:
  std::string problem_;
};

}  // namespace peer
