// msgpack-cxx as a user would pick it for device messages: a map from name to value,
// zero-copy decoding (strings and arrays refer into the received bytes, as ours do)
// and double arrays as one ext value of little-endian doubles (msgpack has no typed
// arrays; an array of float64 objects would cost one object per element).
#include <benchmark/benchmark.h>

#include <cstring>
#include <msgpack.hpp>

#include "Codecs.h"

namespace peer {
namespace {

constexpr int8_t kDoubleArrayExt = 0x11;

bool referenceAll(msgpack::type::object_type, std::size_t, void*) { return true; }

void pack(msgpack::packer<msgpack::sbuffer>& out, const Message& message) {
  out.pack_map(static_cast<uint32_t>(message.fields.size()));
  for (const Field& field : message.fields) {
    out.pack(field.name);
    switch (field.kind) {
      case Kind::Int32:
      case Kind::Int64:
        out.pack(field.integer);
        break;
      case Kind::Double:
        out.pack_double(field.real);
        break;
      case Kind::Bool:
        out.pack(field.integer != 0);
        break;
      case Kind::String:
        out.pack(field.text);
        break;
      case Kind::DoubleArray: {
        const uint32_t size = static_cast<uint32_t>(field.reals.size() * sizeof(double));
        out.pack_ext(size, kDoubleArrayExt);
        out.pack_ext_body(reinterpret_cast<const char*>(field.reals.data()), size);
        break;
      }
      case Kind::StringArray:
        out.pack_array(static_cast<uint32_t>(field.texts.size()));
        for (const std::string& s : field.texts) out.pack(s);
        break;
    }
  }
}

Checksum read(const msgpack::object& root) {
  Checksum sum;
  if (root.type != msgpack::type::MAP) return sum;
  const msgpack::object_kv* end = root.via.map.ptr + root.via.map.size;
  for (const msgpack::object_kv* kv = root.via.map.ptr; kv != end; ++kv) {
    const msgpack::object& value = kv->val;
    switch (value.type) {
      case msgpack::type::POSITIVE_INTEGER:
        sum.integer(static_cast<long long>(value.via.u64));
        break;
      case msgpack::type::NEGATIVE_INTEGER:
        sum.integer(value.via.i64);
        break;
      case msgpack::type::FLOAT64:
      case msgpack::type::FLOAT32:
        sum.real(value.via.f64);
        break;
      case msgpack::type::BOOLEAN:
        sum.integer(value.via.boolean ? 1 : 0);
        break;
      case msgpack::type::STR:
        sum.integer(value.via.str.size);
        break;
      case msgpack::type::EXT:
        if (value.via.ext.type() == kDoubleArrayExt) {
          const char* data = value.via.ext.data();
          for (uint32_t i = 0; i + sizeof(double) <= value.via.ext.size; i += sizeof(double)) {
            double element;
            std::memcpy(&element, data + i, sizeof element);
            sum.real(element);
          }
        }
        break;
      case msgpack::type::ARRAY:
        for (uint32_t i = 0; i < value.via.array.size; ++i) {
          const msgpack::object& element = value.via.array.ptr[i];
          if (element.type == msgpack::type::STR) sum.integer(element.via.str.size);
        }
        break;
      default:
        break;
    }
  }
  return sum;
}

class Msgpack : public Codec {
 public:
  explicit Msgpack(const Message& message) : message_(message) {
    msgpack::packer<msgpack::sbuffer> out(bytes_);
    pack(out, message);
  }

  void encode() override {
    msgpack::sbuffer buffer;
    msgpack::packer<msgpack::sbuffer> out(buffer);
    pack(out, message_);
    benchmark::DoNotOptimize(buffer.data());
  }
  void decode() override {
    msgpack::object_handle handle = unpack();
    benchmark::DoNotOptimize(handle.get().via.map.ptr);
  }
  Checksum decodeAndRead() override { return read(unpack().get()); }
  void decodeAndHold() override { held_ = unpack(); }
  void releaseHeld() override { held_ = msgpack::object_handle(); }

 private:
  msgpack::object_handle unpack() const {
    return msgpack::unpack(bytes_.data(), bytes_.size(), referenceAll);
  }

  const Message& message_;
  msgpack::sbuffer bytes_;
  msgpack::object_handle held_;
};

}  // namespace

std::unique_ptr<Codec> makeMsgpackCodec(const Message& message) {
  return std::unique_ptr<Codec>(new Msgpack(message));
}

}  // namespace peer
