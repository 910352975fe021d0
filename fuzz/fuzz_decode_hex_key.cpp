// decodeHexKey on arbitrary text: never reads past the terminator, and when it
// accepts, the bytes re-encode to the text (ignoring case).
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "crypto/signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the requested length; the rest is the text.
  const uint32_t length = data[0] % 40;
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::vector<uint8_t> out(length == 0 ? 1 : length);

  const bool accepted = decodeHexKey(text.c_str(), out.data(), length);
  if (!accepted) return 0;
  // The function sees the text up to its first NUL.
  const std::string seen = text.substr(0, text.find('\0'));
  if (seen.size() != 2 * size_t{length}) std::abort();
  static const char digits[] = "0123456789abcdef";
  for (uint32_t i = 0; i < length; ++i) {
    const char high = static_cast<char>(std::tolower(static_cast<unsigned char>(seen[2 * i])));
    const char low = static_cast<char>(std::tolower(static_cast<unsigned char>(seen[2 * i + 1])));
    if (high != digits[out[i] >> 4] || low != digits[out[i] & 15]) std::abort();
  }
  return 0;
}
