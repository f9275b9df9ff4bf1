// Our binary and string formats, through the public API only, as a host uses them.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <vector>

#include "AllocationCounter.h"
#include "Codecs.h"
#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"

namespace peer {
namespace {

using yox::data::BufferHandler;
using yox::data::Data;
using yox::data::DataFactory;
using yox::data::DataSerializer;
using yox::data::Entry;

const DataSerializer& serializer() {
  static const yox::auto_ptr<DataSerializer> instance = DataFactory::createDataSerializer();
  return *instance;
}

yox::auto_ptr<Data> build(const Message& message) {
  yox::auto_ptr<Data> data = DataFactory::createData();
  for (const Field& field : message.fields) {
    switch (field.kind) {
      case Kind::Int32:
        data->append(field.name, static_cast<int>(field.integer));
        break;
      case Kind::Int64:
        data->append(field.name, static_cast<long>(field.integer));
        break;
      case Kind::Double:
        data->append(field.name, field.real);
        break;
      case Kind::Bool:
        data->append(field.name, field.integer != 0);
        break;
      case Kind::String:
        data->append(field.name, field.text.c_str());
        break;
      case Kind::DoubleArray:
        data->appendArray(field.name, field.reals.data(), field.reals.size());
        break;
      case Kind::StringArray: {
        std::vector<const char*> texts;
        for (const std::string& s : field.texts) texts.push_back(s.c_str());
        data->appendArray(field.name, texts.data(), texts.size());
        break;
      }
    }
  }
  return data;
}

// Reads every entry as a host does: in the container's order, by type. Array views may
// be unaligned, so their elements are read through memcpy.
Checksum read(const Data& data) {
  Checksum sum;
  for (const Entry* entry : data.getEntries()) {
    switch (entry->getType()) {
      case yox::data::DT_INT:
        sum.integer(entry->getInt());
        break;
      case yox::data::DT_LONG:
        sum.integer(entry->getLong());
        break;
      case yox::data::DT_DOUBLE:
        sum.real(entry->getDouble());
        break;
      case yox::data::DT_BOOL:
        sum.integer(entry->getBool() ? 1 : 0);
        break;
      case yox::data::DT_STRING:
        sum.integer(static_cast<long long>(std::strlen(entry->getString())));
        break;
      case yox::data::DT_DOUBLE_ARRAY: {
        size_t size = 0;
        const double* values = entry->getArrayDouble(size);
        for (size_t i = 0; i < size; ++i) {
          double value;
          std::memcpy(&value, values + i, sizeof value);
          sum.real(value);
        }
        break;
      }
      case yox::data::DT_STRING_ARRAY: {
        size_t size = 0;
        const char** values = entry->getArrayString(size);
        for (size_t i = 0; i < size; ++i) sum.integer(static_cast<long long>(std::strlen(values[i])));
        break;
      }
      default:
        break;
    }
  }
  return sum;
}

class OurBinary : public Codec {
 public:
  explicit OurBinary(const Message& message) : data_(build(message)) {
    yox::auto_ptr<BufferHandler> encoded = serializer().serializeToBinary(*data_);
    const signed char* bytes = encoded->getBufferPointer();
    bytes_.assign(bytes, bytes + encoded->getBufferSize());
    kept_.reset(new signed char[bytes_.size()]);
    std::memcpy(kept_.get(), bytes_.data(), bytes_.size());
    decodeBeyondCopy();
    if (std::memcmp(kept_.get(), bytes_.data(), bytes_.size()) != 0)
      problem_ = "the decoder writes into the buffer it adopts; 'decode beyond the copy' cannot reuse it";
  }

  ~OurBinary() override { releaseHeld(); }

  void encode() override {
    yox::auto_ptr<BufferHandler> buffer = serializer().serializeToBinary(*data_);
    benchmark::DoNotOptimize(buffer->getBufferPointer());
  }
  void decode() override {
    yox::auto_ptr<Data> decoded = serializer().deserializeFromBinary(copy());
    benchmark::DoNotOptimize(decoded.get());
  }
  Checksum decodeAndRead() override { return read(*serializer().deserializeFromBinary(copy())); }
  void decodeAndHold() override {
    KeptBuffer kept(*this);
    held_ = serializer().deserializeFromBinary(kept.handler());
  }
  void releaseHeld() override {
    keepOnDelete(kept_.get());
    held_.reset();
    keepOnDelete(nullptr);
  }
  void copyBytes() override {
    yox::auto_ptr<BufferHandler> buffer = copy();
    benchmark::DoNotOptimize(buffer->getBufferPointer());
  }
  void decodeBeyondCopy() override {
    KeptBuffer kept(*this);
    yox::auto_ptr<Data> decoded = serializer().deserializeFromBinary(kept.handler());
    benchmark::DoNotOptimize(decoded.get());
  }

 private:
  // What a host holding received bytes must do: copy them into a buffer for the
  // decoder to adopt.
  yox::auto_ptr<BufferHandler> copy() const {
    signed char* buffer = new signed char[bytes_.size()];
    std::memcpy(buffer, bytes_.data(), bytes_.size());
    return DataFactory::createBufferHandler(buffer, bytes_.size());
  }
  // The same received bytes for every decode: while one of these lives, the
  // decoder's delete[] of them is ignored. Declared before the decoded container, so
  // that it outlives it.
  class KeptBuffer {
   public:
    explicit KeptBuffer(OurBinary& codec) : codec_(codec) { keepOnDelete(codec.kept_.get()); }
    KeptBuffer(const KeptBuffer&) = delete;
    KeptBuffer& operator=(const KeptBuffer&) = delete;
    ~KeptBuffer() { keepOnDelete(nullptr); }
    yox::auto_ptr<BufferHandler> handler() const {
      return DataFactory::createBufferHandler(codec_.kept_.get(), codec_.bytes_.size());
    }

   private:
    OurBinary& codec_;
  };

  yox::auto_ptr<Data> data_;
  std::vector<signed char> bytes_;
  std::unique_ptr<signed char[]> kept_;
  yox::auto_ptr<Data> held_;
};

class OurString : public Codec {
 public:
  explicit OurString(const Message& message)
      : data_(build(message)), text_(serializer().serializeToString(*data_, ',')) {}

  void encode() override {
    const std::string text = serializer().serializeToString(*data_, ',');
    benchmark::DoNotOptimize(text.data());
  }
  void decode() override {
    yox::auto_ptr<Data> decoded = serializer().deserializeFromString(text_, ',');
    benchmark::DoNotOptimize(decoded.get());
  }
  Checksum decodeAndRead() override { return read(*serializer().deserializeFromString(text_, ',')); }
  void decodeAndHold() override { held_ = serializer().deserializeFromString(text_, ','); }
  void releaseHeld() override { held_.reset(); }

 private:
  yox::auto_ptr<Data> data_;
  std::string text_;
  yox::auto_ptr<Data> held_;
};

}  // namespace

std::unique_ptr<Codec> makeOurBinaryCodec(const Message& message) {
  return std::unique_ptr<Codec>(new OurBinary(message));
}
std::unique_ptr<Codec> makeOurStringCodec(const Message& message) {
  return std::unique_ptr<Codec>(new OurString(message));
}

}  // namespace peer
