// Decodes arbitrary text as the one-line string format (separator ','). Whatever decodes
// must re-encode to text that decodes to an equal container (or be refused by the writer,
// naming the entry that would not read back), and survive the binary form.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace yox;
  const std::string text(reinterpret_cast<const char*>(bytes), size);
  yox::auto_ptr<data::Data> decoded;
  try {
    decoded = fuzz::serializer().deserializeFromString(text, ',');
  } catch (const std::exception&) {
    return 0;
  }
  const std::optional<std::string> encoded = fuzz::writtenOrRefused(
      "string encode", [&] { return fuzz::serializer().serializeToString(*decoded, ','); });
  if (encoded) {
    yox::auto_ptr<data::Data> again = fuzz::mustSucceed("string decode of our encoding", [&] {
      return fuzz::serializer().deserializeFromString(*encoded, ',');
    });
    fuzz::expectSame(*decoded, *again, "string -> string");
  }
  const std::string binary = fuzz::mustSucceed("binary encode", [&] { return fuzz::binaryOf(*decoded); });
  yox::auto_ptr<data::Data> fromBinary =
      fuzz::mustSucceed("binary decode", [&] { return fuzz::fromBinary(binary.data(), binary.size()); });
  fuzz::expectSame(*decoded, *fromBinary, "string -> binary");
  return 0;
}
