// Decodes arbitrary text as CSV. Whatever decodes must re-encode to CSV that decodes to
// an equal container (or be refused by the writer, naming the entry that would not read
// back), and survive the binary form.
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
    decoded = fuzz::serializer().deserializeFromCsv(text.c_str());
  } catch (const std::exception&) {
    return 0;
  }
  const std::optional<std::string> encoded =
      fuzz::writtenOrRefused("csv encode", [&] { return fuzz::serializer().serializeToCsv(*decoded); });
  if (encoded) {
    yox::auto_ptr<data::Data> again = fuzz::mustSucceed("csv decode of our encoding", [&] {
      return fuzz::serializer().deserializeFromCsv(encoded->c_str());
    });
    fuzz::expectSame(*decoded, *again, "csv -> csv");
  }
  const std::string binary = fuzz::mustSucceed("binary encode", [&] { return fuzz::binaryOf(*decoded); });
  yox::auto_ptr<data::Data> fromBinary =
      fuzz::mustSucceed("binary decode", [&] { return fuzz::fromBinary(binary.data(), binary.size()); });
  fuzz::expectSame(*decoded, *fromBinary, "csv -> binary");
  return 0;
}
