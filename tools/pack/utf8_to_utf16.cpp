#include "utf8_to_utf16.h"

#include <cstdint>

namespace {
constexpr uint32_t kMaxCodePoint = 0x10ffff;
constexpr uint32_t kSurrogateFirst = 0xd800;
constexpr uint32_t kSurrogateLast = 0xdfff;
}  // namespace

bool utf8ToUtf16(const std::string& utf8, std::u16string& utf16) {
  utf16.clear();
  size_t i = 0;
  while (i < utf8.size()) {
    const uint8_t lead = static_cast<uint8_t>(utf8[i]);
    uint32_t codePoint;
    size_t continuation;
    uint32_t smallest;  // below this the sequence is overlong
    if (lead < 0x80) {
      codePoint = lead, continuation = 0, smallest = 0;
    } else if ((lead & 0xe0) == 0xc0) {
      codePoint = lead & 0x1f, continuation = 1, smallest = 0x80;
    } else if ((lead & 0xf0) == 0xe0) {
      codePoint = lead & 0x0f, continuation = 2, smallest = 0x800;
    } else if ((lead & 0xf8) == 0xf0) {
      codePoint = lead & 0x07, continuation = 3, smallest = 0x10000;
    } else {
      return false;
    }
    if (utf8.size() - i - 1 < continuation) return false;
    for (size_t k = 1; k <= continuation; ++k) {
      const uint8_t next = static_cast<uint8_t>(utf8[i + k]);
      if ((next & 0xc0) != 0x80) return false;
      codePoint = (codePoint << 6) | (next & 0x3f);
    }
    if (codePoint < smallest || codePoint > kMaxCodePoint) return false;
    if (codePoint >= kSurrogateFirst && codePoint <= kSurrogateLast) return false;
    if (codePoint >= 0x10000) {
      const uint32_t offset = codePoint - 0x10000;
      utf16.push_back(static_cast<char16_t>(0xd800 + (offset >> 10)));
      utf16.push_back(static_cast<char16_t>(0xdc00 + (offset & 0x3ff)));
    } else {
      utf16.push_back(static_cast<char16_t>(codePoint));
    }
    i += 1 + continuation;
  }
  return true;
}
