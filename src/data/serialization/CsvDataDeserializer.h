// Reads CSV as CsvDataSerializer writes it. Every line is split at its commas (runs of
// commas count as one); column 0 is the name, column 1 the type column, the rest values.
//
// The text is treated as hostile: a line with fewer than two columns (the empty text
// included), a scalar line without a value, an array line without bracketed extents or
// with another number of them than its type takes, negative extents, a value count that
// differs from the product of the extents, a scalar line with more than one value column,
// a text value not enclosed in double quotes, and a string array element ending with a
// double quote and a colon (ambiguous) are refused with SerializerException. Pieces are
// views into the caller's text and counts are checked before anything is allocated, so
// no array is larger than the values the text holds. An N-D type with empty brackets holds one
// element. A discrete function without a value column has no points. Nothing partly
// built survives a failure. A line whose name repeats replaces the earlier entry.
// Stateless: one instance may serve several threads at once.
#pragma once

#include <boost/optional.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "data/AutoPtr.h"
#include "data/DataType.h"

namespace yox {
namespace data {

class Data;

namespace impl {

class CsvDataDeserializer {
 public:
  // Throws DataException "Input string for deserialization is null." for a null text,
  // SerializerException "Data type '<type column>' is not supported." for nested data,
  // DataException "Serialized value has inappropriate number format: " followed by each
  // value column and a line feed for values that do not parse, the DataException of
  // DataTypeUtils::toDataType for an unknown type, yox::util::UtilException for extents
  // that are not decimal int32 text, SerializerException for the malformed lines above.
  yox::auto_ptr<Data> deserialize(const char* text) const;

  // The type before the first "[" (the whole column without one).
  DataType getDataType(std::string_view typeColumn) const;
  // The extents between "[" and the closing "]" at the end of the column; none when the
  // column has no "[". "[]" gives an empty vector.
  boost::optional<std::vector<size_t>> getDimsInfo(std::string_view typeColumn) const;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
