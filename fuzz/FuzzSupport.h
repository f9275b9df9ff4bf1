// Shared checks of the libFuzzer targets: a decoded container must re-encode and decode
// to an equal container, unless the writer refuses it with its clear exception (an entry
// that would not read back as written). Equality is the container's own operator==, or,
// since a NaN compares unequal to itself, identical binary encodings.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataException.h"
#include "data/DataFactory.h"
#include "data/DataSerializer.h"

namespace yox {
namespace fuzz {

inline const data::DataSerializer& serializer() {
  static const yox::auto_ptr<data::DataSerializer> instance = data::DataFactory::createDataSerializer();
  return *instance;
}

inline std::string binaryOf(const data::Data& data) {
  yox::auto_ptr<data::BufferHandler> buffer = serializer().serializeToBinary(data);
  return std::string(reinterpret_cast<const char*>(buffer->getBufferPointer()), buffer->getBufferSize());
}

inline yox::auto_ptr<data::Data> fromBinary(const char* bytes, size_t size) {
  signed char* copy = new signed char[size];
  if (size != 0) std::memcpy(copy, bytes, size);
  return serializer().deserializeFromBinary(data::DataFactory::createBufferHandler(copy, size));
}

[[noreturn]] inline void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "round trip failed: %s\n%s\n", what, detail.c_str());
  std::abort();
}

inline void expectSame(const data::Data& first, const data::Data& second, const char* what) {
  if (first == second) return;
  const std::string a = binaryOf(first);
  if (a != binaryOf(second)) fail(what, "first:" + first.toString() + "\nsecond:" + second.toString());
}

// Runs step and turns any exception into a finding: what decoded once must decode again.
template <class Step>
auto mustSucceed(const char* what, Step step) -> decltype(step()) {
  try {
    return step();
  } catch (const std::exception& error) {
    fail(what, error.what());
  }
}

// Runs a writer: its text, or nothing when it refuses, naming the entry, what would not
// read back. Any other failure is a finding.
template <class Write>
std::optional<std::string> writtenOrRefused(const char* what, Write write) {
  try {
    return write();
  } catch (const data::SerializerException& error) {
    const std::string message = error.what();
    if (message.rfind("Entry '", 0) == 0 && message.find("' cannot be written") != std::string::npos) {
      return std::nullopt;
    }
    fail(what, message);
  } catch (const std::exception& error) {
    fail(what, error.what());
  }
}

}  // namespace fuzz
}  // namespace yox
