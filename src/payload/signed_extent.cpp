#include "payload/signed_extent.h"

#include "payload/payload_format.h"

using payload_format::readU16;
using payload_format::readU32;

namespace {
constexpr uint64_t kPeOffsetAt = 0x3c;
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr uint64_t kOptionalHeaderAt = 4 + 20;  // after the signature and the file header
constexpr uint64_t kOptionalSizeAt = 4 + 16;
constexpr uint16_t kPe32Magic = 0x10b;
constexpr uint16_t kPe32PlusMagic = 0x20b;
constexpr uint64_t kPe32DirectoriesAt = 96;
constexpr uint64_t kPe32PlusDirectoriesAt = 112;
constexpr uint64_t kCertificateDirectoryIndex = 4;
constexpr uint64_t kDirectorySize = 8;

bool fits(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length) {
  return offset <= bytes.size() && bytes.size() - offset >= length;
}
}  // namespace

bool findSignedEnd(const std::vector<uint8_t>& bytes, uint64_t& signedEnd) {
  signedEnd = bytes.size();
  if (!fits(bytes, 0, kPeOffsetAt + 4) || bytes[0] != 'M' || bytes[1] != 'Z') return true;
  const uint64_t peAt = readU32(bytes.data() + kPeOffsetAt);
  if (!fits(bytes, peAt, kOptionalHeaderAt + 2) || readU32(bytes.data() + peAt) != kPeSignature) return true;
  const uint64_t optionalSize = readU16(bytes.data() + peAt + kOptionalSizeAt);
  const uint64_t optionalAt = peAt + kOptionalHeaderAt;
  const uint16_t magic = readU16(bytes.data() + optionalAt);
  const uint64_t directoriesAt = magic == kPe32Magic       ? kPe32DirectoriesAt
                                 : magic == kPe32PlusMagic ? kPe32PlusDirectoriesAt
                                                           : 0;
  const uint64_t entryAt = directoriesAt + kCertificateDirectoryIndex * kDirectorySize;
  if (directoriesAt == 0 || optionalSize < entryAt + kDirectorySize ||
      !fits(bytes, optionalAt + entryAt, kDirectorySize)) {
    return true;
  }
  const uint64_t tableOffset = readU32(bytes.data() + optionalAt + entryAt);
  const uint64_t tableSize = readU32(bytes.data() + optionalAt + entryAt + 4);
  if (tableOffset == 0 && tableSize == 0) return true;
  if (tableOffset == 0 || tableSize == 0 || !fits(bytes, tableOffset, tableSize)) return false;
  signedEnd = tableOffset;
  return true;
}
