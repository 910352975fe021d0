#include "payload/signed_extent.h"

#include "payload/payload_format.h"
#include "payload/pe_format.h"

using payload_format::readU16;
using payload_format::readU32;

using namespace pe_format;

bool findSignedEnd(const std::vector<uint8_t>& bytes, uint64_t& signedEnd) {
  signedEnd = bytes.size();
  if (!fits(bytes, 0, kMzHeaderSize) || bytes[0] != 'M' || bytes[1] != 'Z') return true;
  const uint64_t peAt = readU32(bytes.data() + kPeOffsetAt);
  if (!fits(bytes, peAt, kOptionalHeaderAt + 2) || readU32(bytes.data() + peAt) != kPeSignature) return true;
  const uint64_t optionalSize = readU16(bytes.data() + peAt + kOptionalSizeAt);
  const uint64_t optionalAt = peAt + kOptionalHeaderAt;
  const uint16_t magic = readU16(bytes.data() + optionalAt);
  const uint64_t directoriesAt = dataDirectoriesAt(magic);
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
