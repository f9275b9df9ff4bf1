// RapidJSON, the text format our string form is compared with: an object from name to
// value, doubles written shortest and parsed at full precision so that they read back
// bit for bit, as ours do.
#include <benchmark/benchmark.h>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include "Codecs.h"

namespace peer {
namespace {

constexpr unsigned kParseFlags = rapidjson::kParseFullPrecisionFlag;

void write(rapidjson::Writer<rapidjson::StringBuffer>& out, const Message& message) {
  out.StartObject();
  for (const Field& field : message.fields) {
    out.Key(field.name.data(), static_cast<rapidjson::SizeType>(field.name.size()));
    switch (field.kind) {
      case Kind::Int32:
      case Kind::Int64:
        out.Int64(field.integer);
        break;
      case Kind::Double:
        out.Double(field.real);
        break;
      case Kind::Bool:
        out.Bool(field.integer != 0);
        break;
      case Kind::String:
        out.String(field.text.data(), static_cast<rapidjson::SizeType>(field.text.size()));
        break;
      case Kind::DoubleArray:
        out.StartArray();
        for (double v : field.reals) out.Double(v);
        out.EndArray();
        break;
      case Kind::StringArray:
        out.StartArray();
        for (const std::string& s : field.texts)
          out.String(s.data(), static_cast<rapidjson::SizeType>(s.size()));
        out.EndArray();
        break;
    }
  }
  out.EndObject();
}

Checksum read(const rapidjson::Document& document) {
  Checksum sum;
  if (!document.IsObject()) return sum;
  for (auto member = document.MemberBegin(); member != document.MemberEnd(); ++member) {
    const rapidjson::Value& value = member->value;
    if (value.IsInt64()) {
      sum.integer(value.GetInt64());
    } else if (value.IsDouble()) {
      sum.real(value.GetDouble());
    } else if (value.IsBool()) {
      sum.integer(value.GetBool() ? 1 : 0);
    } else if (value.IsString()) {
      sum.integer(value.GetStringLength());
    } else if (value.IsArray()) {
      for (const rapidjson::Value& element : value.GetArray()) {
        if (element.IsString())
          sum.integer(element.GetStringLength());
        else if (element.IsNumber())
          sum.real(element.GetDouble());
      }
    }
  }
  return sum;
}

class RapidJson : public Codec {
 public:
  explicit RapidJson(const Message& message) : message_(message) {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> out(buffer);
    write(out, message);
    text_.assign(buffer.GetString(), buffer.GetSize());
  }

  void encode() override {
    rapidjson::StringBuffer buffer;
    rapidjson::Writer<rapidjson::StringBuffer> out(buffer);
    write(out, message_);
    benchmark::DoNotOptimize(buffer.GetString());
  }
  void decode() override {
    rapidjson::Document document;
    parse(document);
    benchmark::DoNotOptimize(&document);
  }
  Checksum decodeAndRead() override {
    rapidjson::Document document;
    parse(document);
    return read(document);
  }
  void decodeAndHold() override {
    held_.reset(new rapidjson::Document);
    parse(*held_);
  }
  void releaseHeld() override { held_.reset(); }

 private:
  void parse(rapidjson::Document& document) const {
    document.Parse<kParseFlags>(text_.data(), text_.size());
    if (document.HasParseError()) document.SetNull();
  }

  const Message& message_;
  std::string text_;
  std::unique_ptr<rapidjson::Document> held_;
};

}  // namespace

std::unique_ptr<Codec> makeRapidJsonCodec(const Message& message) {
  return std::unique_ptr<Codec>(new RapidJson(message));
}

}  // namespace peer
