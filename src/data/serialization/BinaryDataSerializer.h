// The binary wire format of a container: a Data block is an int32 entry count and the
// entries in name order; an entry is its name (int32 length with the NUL, the bytes, a
// NUL), an int8 type code and the value (scalars packed, arrays behind a dimension
// block). Little-endian, no padding, no alignment.
//
// Writing fills a scratch buffer on the stack while it sizes the message; a message that
// fits goes out in one allocation with its handler, one too large for it is written
// again into one buffer of the exact size.
// Reading is zero-copy: strings and numeric arrays of the decoded containers point into
// the message, which every decoded container (top level and nested) shares and which is
// freed with the last of them. Those views are unaligned in general. Discrete functions
// are the exception: their points are copied, since DiscreteFunction::getXArray() and
// getYArray() hand out plain double pointers that callers index directly.
//
// The reader treats the message as hostile:
// - every count, length and extent is checked against the bytes left before it is used,
//   and before anything is allocated from it ("UnsafeBuffer overflow." when the message
//   is too short for what it declares);
// - negative counts, extents and lengths, strings without their NUL, arrays whose
//   element count differs from the product of their extents (or whose extents overflow),
//   and 1-D or 2-D arrays with another number of extents are refused with
//   SerializerException;
// - containers and functions nest at most kMaxNestingDepth levels below the top-level
//   block; deeper input is refused with SerializerException, so no message can exhaust
//   the stack. The writer refuses the same depth, so whatever it writes reads back;
// - on any failure everything partly built is freed and nothing is returned.
// Bytes after the top-level block are ignored; an entry whose name repeats replaces the
// earlier one.
//
// Stateless: one instance may serve several threads at once.
#pragma once

#include <cstddef>

#include "data/AutoPtr.h"

namespace yox {
namespace data {

class BufferHandler;
class Data;

namespace impl {

class BinaryDataSerializer {
 public:
  // Nesting levels allowed below the top-level block: a nested container, an element of
  // a Data array, a discrete function and a function of a list or array each add one.
  static constexpr int kMaxNestingDepth = 64;
  // Messages up to this size are written in one traversal.
  static constexpr size_t kScratchBytes = 8192;

  // The message in a new handler that owns exactly getBlockSize(data) bytes. Throws
  // SerializerException "Unexpected entry data type <n>." for an entry outside the
  // enumeration, for a count, length or extent that does not fit an int32 field, for
  // nesting deeper than kMaxNestingDepth, and "UnsafeBuffer overflow." if the bytes
  // written exceed the computed size ("UnsafeBuffer underflow." if they fall short); the
  // buffer is freed then.
  yox::auto_ptr<BufferHandler> serialize(const Data& data) const;

  // Decodes the message held by buffer, which the decoded containers then share; the
  // handler is consumed even when decoding fails. Throws SerializerException for
  // malformed messages (see above), DataException "Unexpected DataType <n>." for an
  // unknown type code and the container's or the discrete function's DataException for
  // values they refuse (texts with bytes of 0x80 or more, x values that do not ascend).
  yox::auto_ptr<Data> deserialize(yox::auto_ptr<BufferHandler> buffer) const;

  // The exact encoded size of data's block, with the same failures as serialize.
  static size_t getBlockSize(const Data& data);
};

}  // namespace impl
}  // namespace data
}  // namespace yox
