#include "pe_image.h"

#include "payload/payload_format.h"
#include "payload/pe_format.h"

using payload_format::readU16;
using payload_format::readU32;

using namespace pe_format;

namespace {
constexpr size_t kSectionHeaderSize = 40;
constexpr uint16_t kMachineI386 = 0x14c;
constexpr uint16_t kMachineAmd64 = 0x8664;
}  // namespace

bool readPeLayout(const std::vector<uint8_t>& image, PeLayout& layout, std::string& reason) {
  layout = {};
  if (!fits(image, 0, kMzHeaderSize) || image[0] != 'M' || image[1] != 'Z') {
    reason = "not a PE image (no MZ header)";
    return false;
  }
  const uint32_t peAt = readU32(image.data() + kPeOffsetAt);
  if (!fits(image, peAt, kOptionalHeaderAt) || readU32(image.data() + peAt) != kPeSignature) {
    reason = "not a PE image (no PE signature)";
    return false;
  }
  const uint8_t* fileHeader = image.data() + peAt + kFileHeaderAt;
  const uint16_t sectionCount = readU16(fileHeader + 2);
  const uint16_t optionalSize = readU16(image.data() + peAt + kOptionalSizeAt);
  const uint64_t optionalAt = uint64_t(peAt) + kOptionalHeaderAt;
  if (sectionCount == 0 || !fits(image, optionalAt, optionalSize) || optionalSize < 2) {
    reason = "PE headers are truncated";
    return false;
  }
  const uint16_t magic = readU16(image.data() + optionalAt);
  layout.machine = readU16(fileHeader);
  layout.pe32Plus = magic == kPe32PlusMagic;
  const uint64_t directoriesAt = dataDirectoriesAt(magic);
  if (directoriesAt == 0) {
    reason = "unknown optional header magic";
    return false;
  }
  if (optionalSize >= directoriesAt + kDirectorySize * (kCertificateDirectoryIndex + 1)) {
    const uint8_t* certificate = image.data() + optionalAt + directoriesAt + kDirectorySize * kCertificateDirectoryIndex;
    layout.certificateOffset = readU32(certificate);
    layout.certificateSize = readU32(certificate + 4);
  }
  const uint64_t sectionsAt = optionalAt + optionalSize;
  if (!fits(image, sectionsAt, uint64_t(sectionCount) * kSectionHeaderSize)) {
    reason = "section table is truncated";
    return false;
  }
  for (uint16_t i = 0; i < sectionCount; ++i) {
    const uint8_t* section = image.data() + sectionsAt + uint64_t(i) * kSectionHeaderSize;
    const uint64_t end = uint64_t(readU32(section + 20)) + readU32(section + 16);  // PointerToRawData + SizeOfRawData
    if (readU32(section + 16) != 0 && end > layout.endOfSections) layout.endOfSections = end;
  }
  if (layout.endOfSections > image.size()) {
    reason = "a section runs past the end of the file";
    return false;
  }
  return true;
}

uint32_t imageBitness(const PeLayout& layout) {
  if (layout.machine == kMachineI386 && !layout.pe32Plus) return 32;
  if (layout.machine == kMachineAmd64 && layout.pe32Plus) return 64;
  return 0;
}
