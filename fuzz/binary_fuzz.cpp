// Decodes arbitrary bytes as a binary message. Whatever decodes must re-encode to a
// message that decodes to an equal container; the text writers must cope with the
// decoded (unaligned, zero-copy) views.
#include <cstddef>
#include <cstdint>
#include <exception>

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
  // The text writers read the decoded views; names may hold the separator or be
  // unwritable in CSV, so only the absence of crashes is checked here.
  try {
    fuzz::serializer().deserializeFromString(fuzz::serializer().serializeToString(*decoded, ','), ',');
  } catch (const std::exception&) {
  }
  try {
    fuzz::serializer().deserializeFromCsv(fuzz::serializer().serializeToCsv(*decoded).c_str());
  } catch (const std::exception&) {
  }
  (void)decoded->toString();
  (void)decoded->hashCode();
  return 0;
}
