#include "fetch/release_version.h"


namespace {
constexpr size_t kMaxDigitsPerPart = 5;
constexpr uint32_t kMaxPartValue = 65535;
constexpr size_t kFixedFileInfoBytes = 52;
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;

bool isDigit(uint8_t c) { return c >= '0' && c <= '9'; }

uint32_t readU32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
}  // namespace

bool parseReleaseVersionText(const uint8_t* body, size_t length, ReleaseVersion& version) {
  if (body == nullptr) return false;
  uint16_t parts[3] = {};
  size_t j = 0;
  for (int part = 0; part < 3; ++part) {
    if (j >= length || !isDigit(body[j])) return false;
    uint32_t value = 0;
    size_t digits = 0;
    while (j < length && isDigit(body[j])) {
      if (++digits > kMaxDigitsPerPart) return false;
      value = value * 10 + uint32_t(body[j] - '0');
      ++j;
    }
    if (value > kMaxPartValue) return false;
    parts[part] = uint16_t(value);
    if (part < 2) {
      if (j >= length || body[j] != '.') return false;
      ++j;
    }
  }
  version = {parts[0], parts[1], parts[2], 0};
  return true;
}

ReleaseVersion versionFromFixedFileInfo(const void* block, size_t length) {
  if (block == nullptr || length < kFixedFileInfoBytes) return {};
  const auto* bytes = static_cast<const uint8_t*>(block);
  if (readU32(bytes) != kFixedFileInfoSignature) return {};
  // dwSignature, dwStrucVersion, dwFileVersionMS, dwFileVersionLS, ...
  const uint32_t mostSignificant = readU32(bytes + 8);
  const uint32_t leastSignificant = readU32(bytes + 12);
  return {uint16_t(mostSignificant >> 16), uint16_t(mostSignificant & 0xFFFF), uint16_t(leastSignificant >> 16),
          uint16_t(leastSignificant & 0xFFFF)};
}

bool meetsReleaseFloor(const ReleaseVersion& announced, const ReleaseVersion& floor) {
  if (announced.major != floor.major) return announced.major > floor.major;
  if (announced.minor != floor.minor) return announced.minor > floor.minor;
  return announced.patch >= floor.patch;
}
