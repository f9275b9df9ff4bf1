#include "data/serialization/DataSerializerImpl.h"

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/serialization/TokensReader.h"

namespace yox {
namespace data {

DataSerializer::~DataSerializer() {}

yox::auto_ptr<DataSerializer> DataFactory::createDataSerializer() {
  return yox::auto_ptr<DataSerializer>(new impl::DataSerializerImpl());
}

namespace impl {

std::string DataSerializerImpl::serializeToString(const Data& data, char separator) const {
  return string_.serializeToString(data, separator);
}

yox::auto_ptr<BufferHandler> DataSerializerImpl::serializeToBinary(const Data& data) const {
  return binary_.serialize(data);
}

yox::auto_ptr<Data> DataSerializerImpl::deserializeFromString(const std::string& text, char separator) const {
  if (text.empty()) throw SerializerException("Data is empty.");
  TokensReader reader(text.c_str(), separator, true);
  return string_.deserializeFromTokensReader(reader);
}

yox::auto_ptr<Data> DataSerializerImpl::deserializeFromBinary(yox::auto_ptr<BufferHandler> buffer) const {
  return binary_.deserialize(buffer);
}

std::string DataSerializerImpl::serializeToCsv(const Data& data) const { return csvWriter_.serialize(data); }

yox::auto_ptr<Data> DataSerializerImpl::deserializeFromCsv(const char* text) const {
  return csvReader_.deserialize(text);
}

}  // namespace impl
}  // namespace data
}  // namespace yox
