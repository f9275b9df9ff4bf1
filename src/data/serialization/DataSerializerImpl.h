// The one DataSerializer: forwards to one stateless serializer of each form. Holds no
// state between calls; safe to share between threads.
#pragma once

#include <string>

#include "data/DataSerializer.h"
#include "data/serialization/BinaryDataSerializer.h"
#include "data/serialization/CsvDataDeserializer.h"
#include "data/serialization/CsvDataSerializer.h"
#include "data/serialization/StringDataSerializer.h"

namespace yox {
namespace data {
namespace impl {

class DataSerializerImpl : public DataSerializer {
 public:
  std::string serializeToString(const Data& data, char separator) const override;
  yox::auto_ptr<BufferHandler> serializeToBinary(const Data& data) const override;
  // Throws SerializerException "Data is empty." for an empty text; reads a private copy
  // of text, which stops at its first NUL byte.
  yox::auto_ptr<Data> deserializeFromString(const std::string& text, char separator) const override;
  yox::auto_ptr<Data> deserializeFromBinary(yox::auto_ptr<BufferHandler> buffer) const override;
  std::string serializeToCsv(const Data& data) const override;
  yox::auto_ptr<Data> deserializeFromCsv(const char* text) const override;

 private:
  BinaryDataSerializer binary_;
  StringDataSerializer string_;
  CsvDataSerializer csvWriter_;
  CsvDataDeserializer csvReader_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
