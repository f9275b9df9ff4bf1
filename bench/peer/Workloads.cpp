#include "Workloads.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <random>

namespace peer {
namespace {

enum Shape { kSmall, kStrings, kLarge, kManyEntries };

constexpr size_t kKiB = 1024;
constexpr size_t kMiB = 1024 * kKiB;
constexpr size_t kManyEntryCount = 1000000;

Field scalar(const std::string& name, Kind kind, long long integer, double real = 0) {
  Field field;
  field.name = name;
  field.kind = kind;
  field.integer = integer;
  field.real = real;
  return field;
}

Field text(const std::string& name, const std::string& value) {
  Field field = scalar(name, Kind::String, 0);
  field.text = value;
  return field;
}

// 13 entries: 2 int32, 2 int64, 3 double, 2 bool, 2 short strings, a 16-double array
// and a 4-string array.
Message small() {
  Message message;
  std::vector<Field>& f = message.fields;
  f.push_back(scalar("acqStamp", Kind::Int64, 1717171717123456789LL));
  f.push_back(text("cycleName", "SPS.USER.LHC1"));
  f.push_back(scalar("cycleStamp", Kind::Int64, 1717171716000000000LL));
  f.push_back(scalar("current", Kind::Double, 0, 1234.5));
  f.push_back(text("deviceName", "RPTE.UA23.RB"));
  f.push_back(scalar("enabled", Kind::Bool, 1));
  Field labels = scalar("labels", Kind::StringArray, 0);
  labels.texts = {"I_MEAS", "V_MEAS", "I_REF", "STATE"};
  f.push_back(labels);
  f.push_back(scalar("mode", Kind::Int32, 3));
  f.push_back(scalar("ready", Kind::Bool, 0));
  Field samples = scalar("samples", Kind::DoubleArray, 0);
  for (int i = 0; i < 16; ++i) samples.reals.push_back(0.1 * i - 0.7);
  f.push_back(samples);
  f.push_back(scalar("status", Kind::Int32, -2));
  f.push_back(scalar("temperature", Kind::Double, 0, 21.75));
  f.push_back(scalar("voltage", Kind::Double, 0, -3.3e-2));
  return message;
}

// One array of 1000 strings of 10 to 40 bytes from a fixed seed.
Message strings() {
  static const char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_.:";
  std::mt19937 generator(14);
  std::uniform_int_distribution<int> length(10, 40);
  std::uniform_int_distribution<int> letter(0, static_cast<int>(sizeof(kAlphabet)) - 2);
  Field names = scalar("names", Kind::StringArray, 0);
  for (int i = 0; i < 1000; ++i) {
    std::string value(static_cast<size_t>(length(generator)), ' ');
    for (char& c : value) c = kAlphabet[letter(generator)];
    names.texts.push_back(value);
  }
  Message message;
  message.fields.push_back(names);
  return message;
}

// The small message and one double array of the given size.
Message large(size_t arrayBytes) {
  Message message = small();
  Field waveform = scalar("waveform", Kind::DoubleArray, 0);
  waveform.reals.resize(arrayBytes / sizeof(double));
  for (size_t i = 0; i < waveform.reals.size(); ++i) waveform.reals[i] = 1e-3 * static_cast<double>(i % 4096);
  message.fields.push_back(waveform);
  return message;
}

// Many small int entries, for what a decoded container costs per entry.
Message manyEntries() {
  Message message;
  message.fields.reserve(kManyEntryCount);
  char name[16];
  for (size_t i = 0; i < kManyEntryCount; ++i) {
    std::snprintf(name, sizeof name, "e%07zu", i);
    message.fields.push_back(scalar(name, Kind::Int32, static_cast<long long>(i % 1000)));
  }
  return message;
}

}  // namespace

const std::vector<Workload>& workloads() {
  static const std::vector<Workload> all = {
      {"small", "small", true, true, 0, kSmall},
      {"strings", "strings", true, false, 0, kStrings},
      {"large_1KiB", "large, 1 KiB array", true, false, kKiB, kLarge},
      {"large_64KiB", "large, 64 KiB array", true, false, 64 * kKiB, kLarge},
      {"large_1MiB", "large, 1 MiB array", true, true, kMiB, kLarge},
      {"large_64MiB", "large, 64 MiB array", true, false, 64 * kMiB, kLarge},
      {"entries_1M", "10^6 int entries", false, false, 0, kManyEntries},
  };
  return all;
}

const Message& message(const Workload& workload) {
  static std::map<std::string, std::unique_ptr<Message>> built;
  std::unique_ptr<Message>& slot = built[workload.id];
  if (!slot) {
    switch (workload.shape) {
      case kSmall:
        slot.reset(new Message(small()));
        break;
      case kStrings:
        slot.reset(new Message(strings()));
        break;
      case kLarge:
        slot.reset(new Message(large(workload.arrayBytes)));
        break;
      default:
        slot.reset(new Message(manyEntries()));
        break;
    }
  }
  return *slot;
}

Checksum expectedChecksum(const Message& message) {
  Checksum sum;
  for (const Field& field : message.fields) {
    switch (field.kind) {
      case Kind::Int32:
      case Kind::Int64:
      case Kind::Bool:
        sum.integer(field.integer);
        break;
      case Kind::Double:
        sum.real(field.real);
        break;
      case Kind::String:
        sum.integer(static_cast<long long>(field.text.size()));
        break;
      case Kind::DoubleArray:
        for (double v : field.reals) sum.real(v);
        break;
      case Kind::StringArray:
        for (const std::string& s : field.texts) sum.integer(static_cast<long long>(s.size()));
        break;
    }
  }
  return sum;
}

std::string Checksum::toString() const {
  char text[128];
  std::snprintf(text, sizeof text, "{integers %lld, reals %.17g, values %llu}", integers, reals, values);
  return text;
}

}  // namespace peer
