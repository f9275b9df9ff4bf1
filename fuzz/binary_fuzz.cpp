// Decodes arbitrary bytes as a binary message. Whatever decodes must re-encode to a
// message that decodes to an equal container, and to string-format text that does (or be
// refused by the writer, naming the entry); the CSV writer must cope with the decoded
// (unaligned, zero-copy) views.
#include <cstddef>
#include <cstdint>
#include <exception>
#include <optional>
#include <string>

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
  using namespace yox;
  yox::auto_ptr<data::Data> decoded;
  try {
    decoded = fuzz::fromBinary(reinterpret_cast<const char*>(bytes), size);
  } catch (const std::exception&) {
    return 0;  // refused cleanly
  }
  const std::string encoded = fuzz::mustSucceed("binary encode", [&] { return fuzz::binaryOf(*decoded); });
  yox::auto_ptr<data::Data> again = fuzz::mustSucceed(
      "binary decode of our encoding", [&] { return fuzz::fromBinary(encoded.data(), encoded.size()); });
  fuzz::expectSame(*decoded, *again, "binary -> binary");
  // The text writers read the decoded (unaligned, zero-copy) views. The string format is
  // exact, so what it writes must read back equal; CSV is lossy by design (texts lose
  // their commas, NaNs their payloads), so only the absence of crashes is checked there.
  const std::optional<std::string> text = fuzz::writtenOrRefused(
      "string encode", [&] { return fuzz::serializer().serializeToString(*decoded, ','); });
  if (text) {
    yox::auto_ptr<data::Data> fromText = fuzz::mustSucceed("string decode of our encoding", [&] {
      return fuzz::serializer().deserializeFromString(*text, ',');
    });
    fuzz::expectSame(*decoded, *fromText, "binary -> string");
  }
  try {
    fuzz::serializer().deserializeFromCsv(fuzz::serializer().serializeToCsv(*decoded).c_str());
  } catch (const std::exception&) {
  }
  (void)decoded->toString();
  (void)decoded->hashCode();
  return 0;
}
