// Small helpers of the container and serializer tests: the text of a thrown exception,
// messages as byte vectors, decoding from bytes, floating-point values from their bits.
#pragma once

#include <cstdint>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <string>
#include <vector>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"
#include "data/DiscreteFunction.h"

namespace yox {
namespace testing {

using Bytes = std::vector<unsigned char>;

// The what() of the E that f throws, "" when it throws none (another exception escapes).
template <class E = std::exception, class F>
std::string messageOf(F&& f) {
  try {
    f();
  } catch (const E& error) {
    return error.what();
  }
  return "";
}

// The what() of the SerializerException or DataException that f throws (the decoders'
// refusals), "" when it throws none; any other exception escapes.
template <class F>
std::string refusal(F&& f) {
  try {
    f();
  } catch (const data::SerializerException& error) {
    return error.what();
  } catch (const data::DataException& error) {
    return error.what();
  }
  return "";
}

inline const data::DataSerializer& theSerializer() {
  static const yox::auto_ptr<data::DataSerializer> serializer = data::DataFactory::createDataSerializer();
  return *serializer;
}

inline Bytes encode(const data::Data& data) {
  yox::auto_ptr<data::BufferHandler> buffer = theSerializer().serializeToBinary(data);
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(buffer->getBufferPointer());
  return Bytes(bytes, bytes + buffer->getBufferSize());
}

// A handler owning a copy of bytes (the first size of them).
inline yox::auto_ptr<data::BufferHandler> handlerOf(const Bytes& bytes, size_t size) {
  signed char* copy = new signed char[size == 0 ? 1 : size];
  if (size != 0) std::memcpy(copy, bytes.data(), size);
  return data::DataFactory::createBufferHandler(copy, size);
}

inline yox::auto_ptr<data::Data> decode(const Bytes& bytes) {
  return theSerializer().deserializeFromBinary(handlerOf(bytes, bytes.size()));
}

// A new container that fill filled.
template <class F>
yox::auto_ptr<data::Data> filled(F&& fill) {
  yox::auto_ptr<data::Data> data = data::DataFactory::createData();
  fill(*data);
  return data;
}

// Little-endian pieces of a hand-written message.
struct MessageBuilder {
  Bytes bytes;
  MessageBuilder& i32(int32_t v) {
    for (int i = 0; i < 4; ++i)
      bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i)));
    return *this;
  }
  MessageBuilder& i8(int v) {
    bytes.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  MessageBuilder& raw(std::initializer_list<int> values) {
    for (int v : values) bytes.push_back(static_cast<unsigned char>(v));
    return *this;
  }
  // int32 length with the NUL, the text, the NUL.
  MessageBuilder& str(const std::string& text) {
    i32(static_cast<int32_t>(text.size() + 1));
    bytes.insert(bytes.end(), text.begin(), text.end());
    bytes.push_back(0);
    return *this;
  }
  // name and type code of an entry record.
  MessageBuilder& entry(const std::string& name, int type) { return str(name).i8(type); }
};

template <class T>
T fromBits(uint64_t bits) {
  T value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// Element i of a decoded (possibly unaligned) view.
template <class T>
T load(const T* values, size_t i) {
  T value;
  std::memcpy(&value, reinterpret_cast<const char*>(values) + i * sizeof(T), sizeof(T));
  return value;
}

// A function of the points (x[i], y[i]), kept alive for the whole test program; any
// number of points, none included.
inline const data::DiscreteFunction* function(std::vector<double> x, std::vector<double> y) {
  static std::vector<yox::auto_ptr<data::DiscreteFunction>> kept;
  x.push_back(0);  // never a null array, also for no points
  y.push_back(0);
  kept.push_back(
      data::DataFactory::createDiscreteFunction(x.data(), y.data(), x.size() - 1, data::DFSP_COPY));
  return kept.back().get();
}

// A list of copies of the functions.
inline yox::auto_ptr<data::DiscreteFunctionList> functionList(
    std::vector<const data::DiscreteFunction*> functions) {
  yox::auto_ptr<data::DiscreteFunctionListBuilder> builder =
      data::DataFactory::createDiscreteFunctionListBuilder();
  for (const data::DiscreteFunction* f : functions) builder->append(f->clone());
  return builder->build();
}

}  // namespace testing
}  // namespace yox
