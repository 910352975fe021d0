#include "version_resource.h"

#include "payload/payload_format.h"

using payload_format::readU32;

namespace {
constexpr uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
constexpr uint32_t kFixedFileInfoStructVersion = 0x00010000;
constexpr size_t kFixedFileInfoSize = 52;
}  // namespace

bool findFixedFileVersion(const std::vector<uint8_t>& image, PayloadVersion& version) {
  // The block is DWORD-aligned inside the resource data and starts with its
  // signature and structure version, which makes a scan unambiguous in practice.
  for (size_t at = 0; at + kFixedFileInfoSize <= image.size(); at += 4) {
    if (readU32(image.data() + at) != kFixedFileInfoSignature ||
        readU32(image.data() + at + 4) != kFixedFileInfoStructVersion) {
      continue;
    }
    const uint32_t high = readU32(image.data() + at + 8);
    const uint32_t low = readU32(image.data() + at + 12);
    version = {uint16_t(high >> 16), uint16_t(high), uint16_t(low >> 16), uint16_t(low)};
    return true;
  }
  return false;
}
