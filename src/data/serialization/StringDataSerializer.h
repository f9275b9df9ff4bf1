// The one-line string format of a container: the entry count, then for each entry (in
// name order) the name, the type token and the value, every token separated by one
// caller-chosen character. Floats and doubles travel as the decimal text of their bit
// patterns, bytes as hex pairs and texts percent-escaped (see Converter), so a container
// reads back bit for bit. Names are written as they are: a name holding the separator
// cannot be read back.
//
// An N-D array without extents (one element) is written as the dimension count 0
// followed directly by its element ("...,int_multi_array,0,7").
//
// The reader treats the text as hostile: counts, lengths and extents must be decimal
// int32 values and are refused when negative; no array is allocated for more elements
// than the tokens left could hold ("TokensReader::next(): Out of range"); containers and
// functions nest at most kMaxNestingDepth levels below the top-level block (deeper text
// throws SerializerException). On any failure everything partly built is freed. Tokens
// after the last entry are ignored; an entry whose name repeats replaces the earlier one.
// The text is read in place, never written. Each decoded container keeps its entries,
// names, texts and small arrays in an arena that starts in its own allocation; every
// string and array is still owned by its entry, and a release hands out a copy that the
// caller frees as before.
//
// Stateless: one instance may serve several threads at once.
#pragma once

#include <string>

#include "data/AutoPtr.h"

namespace yox {
namespace data {

class Data;

namespace impl {

class TokensReader;

class StringDataSerializer {
 public:
  // Nesting levels allowed below the top-level block, as in the binary format.
  static constexpr int kMaxNestingDepth = 64;

  // The text of data's block. Throws DataException for an entry of an unknown type and
  // SerializerException for nesting deeper than kMaxNestingDepth.
  std::string serializeToString(const Data& data, char separator) const;

  // Decodes one block from reader's position (reader's separator). Throws
  // SerializerException ("TokensReader::next(): Out of range" when the text ends early,
  // "DefaultLoadPolicy<signed char>::load(): Byte array is too short" for a byte token of
  // the wrong length, and for negative counts or extents and too deep nesting) and
  // DataException for bad type tokens, numbers, booleans, hex digits, non-ASCII texts and
  // functions whose x values do not ascend.
  yox::auto_ptr<Data> deserializeFromTokensReader(TokensReader& reader) const;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
