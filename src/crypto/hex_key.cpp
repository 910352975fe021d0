#include "crypto/signature.h"

namespace {

int hexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool decodeHexKey(const char* text, uint8_t* out, uint32_t length) {
  if (text == nullptr) return false;
  const uint64_t expectedChars = uint64_t{2} * length;
  // Look at no more than expectedChars + 1 characters: the text may be long.
  for (uint64_t i = 0; i < expectedChars; ++i) {
    if (text[i] == '\0') return false;
  }
  if (text[expectedChars] != '\0') return false;
  if (length > 0 && out == nullptr) return false;

  for (uint32_t i = 0; i < length; ++i) {
    const int high = hexDigitValue(text[2 * uint64_t{i}]);
    const int low = hexDigitValue(text[2 * uint64_t{i} + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = static_cast<uint8_t>((high << 4) | low);
  }
  return true;
}
