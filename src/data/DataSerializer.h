// The public face of the container's three serial forms: the binary wire format of
// device property values, a one-line text form and CSV for people and spreadsheets.
// Obtain one with DataFactory::createDataSerializer(). Implementations hold no state
// between calls and may be used from several threads at once on different inputs.
#pragma once

#include <string>

#include "data/AutoPtr.h"
#include "data/Export.h"

namespace yox {
namespace data {

class BufferHandler;
class Data;

class YOX_EXPORT DataSerializer {
 public:
  virtual ~DataSerializer();

  // One line: the entry count, then name, type token and value of each entry, all
  // separated by separator. Floats travel as their bit patterns and texts percent-
  // escaped, so the text reads back bit for bit. Names are not escaped: a name must not
  // contain the separator. Throws DataException for an entry it cannot write.
  virtual std::string serializeToString(const Data& data, char separator) const = 0;

  // The binary wire format in one exactly sized buffer that the returned handler owns.
  // Throws SerializerException "UnsafeBuffer overflow." if the computed size turns out
  // short (nothing is returned then) and for a count, length or extent that does not
  // fit the format's 32-bit fields.
  virtual yox::auto_ptr<BufferHandler> serializeToBinary(const Data& data) const = 0;

  // Reads text written by serializeToString with the same separator. Tokens after the
  // last entry are ignored. Throws SerializerException "Data is empty." for an empty
  // text, SerializerException or DataException for malformed text (nothing is returned,
  // everything partly built is freed). Nesting deeper than the reader's depth limit is
  // refused.
  virtual yox::auto_ptr<Data> deserializeFromString(const std::string& text, char separator) const = 0;

  // Decodes a message without copying it: strings and numeric arrays of the result (and
  // of its nested containers) point into the handler's bytes, which every decoded
  // container shares and which are freed with the last of them. Those views are
  // unaligned in general. The input is treated as hostile: every count, length and
  // extent is checked against the bytes left before use; a message too short for what
  // it declares throws SerializerException "UnsafeBuffer overflow.", other malformed
  // messages throw SerializerException or DataException. Bytes after the top-level
  // block are ignored. The handler is consumed in every case.
  virtual yox::auto_ptr<Data> deserializeFromBinary(yox::auto_ptr<BufferHandler> buffer) const = 0;

  // One line per entry: name, canonical type name (with the extents in brackets for
  // arrays) and value. Throws DataException "Nested data is not supported by CSV
  // serialization." for nested containers and arrays of them.
  virtual std::string serializeToCsv(const Data& data) const = 0;

  // Reads CSV text as serializeToCsv writes it. Throws DataException "Input string for
  // deserialization is null." for a null text; SerializerException, DataException or
  // yox::util::UtilException for malformed lines (nothing is returned then).
  virtual yox::auto_ptr<Data> deserializeFromCsv(const char* text) const = 0;
};

}  // namespace data
}  // namespace yox
