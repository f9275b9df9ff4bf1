// FlexBuffers (of FlatBuffers): a map from name to value with typed double vectors.
// Reading is lazy by design, so its decode is the verification of the received bytes
// that a receiver of untrusted messages must run before reading them.
#include <benchmark/benchmark.h>
#include <flatbuffers/flexbuffers.h>

#include <vector>

#include "Codecs.h"

namespace peer {
namespace {

void build(flexbuffers::Builder& out, const Message& message) {
  out.Map([&]() {
    for (const Field& field : message.fields) {
      const char* key = field.name.c_str();
      switch (field.kind) {
        case Kind::Int32:
        case Kind::Int64:
          out.Int(key, field.integer);
          break;
        case Kind::Double:
          out.Double(key, field.real);
          break;
        case Kind::Bool:
          out.Bool(key, field.integer != 0);
          break;
        case Kind::String:
          out.Key(key);
          out.String(field.text);
          break;
        case Kind::DoubleArray:
          out.Key(key);
          out.Vector(field.reals.data(), field.reals.size());
          break;
        case Kind::StringArray:
          out.Vector(key, [&]() {
            for (const std::string& s : field.texts) out.String(s);
          });
          break;
      }
    }
  });
  out.Finish();
}

Checksum read(const flexbuffers::Map& map) {
  Checksum sum;
  const flexbuffers::Vector values = map.Values();
  for (size_t i = 0; i < values.size(); ++i) {
    const flexbuffers::Reference value = values[i];
    switch (value.GetType()) {
      case flexbuffers::FBT_INT:
        sum.integer(value.AsInt64());
        break;
      case flexbuffers::FBT_FLOAT:
        sum.real(value.AsDouble());
        break;
      case flexbuffers::FBT_BOOL:
        sum.integer(value.AsBool() ? 1 : 0);
        break;
      case flexbuffers::FBT_STRING:
        sum.integer(static_cast<long long>(value.AsString().length()));
        break;
      case flexbuffers::FBT_VECTOR_FLOAT: {
        const flexbuffers::TypedVector elements = value.AsTypedVector();
        for (size_t j = 0; j < elements.size(); ++j) sum.real(elements[j].AsDouble());
        break;
      }
      case flexbuffers::FBT_VECTOR: {
        const flexbuffers::Vector elements = value.AsVector();
        for (size_t j = 0; j < elements.size(); ++j)
          sum.integer(static_cast<long long>(elements[j].AsString().length()));
        break;
      }
      default:
        break;
    }
  }
  return sum;
}

class FlexBuffers : public Codec {
 public:
  explicit FlexBuffers(const Message& message) : message_(message) {
    flexbuffers::Builder out;
    build(out, message);
    bytes_ = out.GetBuffer();
    if (!flexbuffers::VerifyBuffer(bytes_.data(), bytes_.size()))
      problem_ = "FlexBuffers rejects its own encoding of the message";
  }

  void encode() override {
    flexbuffers::Builder out;
    build(out, message_);
    benchmark::DoNotOptimize(out.GetBuffer().data());
  }
  void decode() override { benchmark::DoNotOptimize(root()); }
  Checksum decodeAndRead() override { return read(root()); }
  void decodeAndHold() override { held_ = root(); }
  void releaseHeld() override {}

 private:
  flexbuffers::Map root() const {
    if (!flexbuffers::VerifyBuffer(bytes_.data(), bytes_.size())) return flexbuffers::Map::EmptyMap();
    return flexbuffers::GetRoot(bytes_).AsMap();
  }

  const Message& message_;
  std::vector<uint8_t> bytes_;
  flexbuffers::Map held_ = flexbuffers::Map::EmptyMap();
};

}  // namespace

std::unique_ptr<Codec> makeFlexBuffersCodec(const Message& message) {
  return std::unique_ptr<Codec>(new FlexBuffers(message));
}

}  // namespace peer
