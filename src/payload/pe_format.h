#pragma once
// The fixed places of the PE format that the payload reader (where the
// certificate table starts) and the release tool (sections, width) both read.
#include <cstdint>
#include <vector>

namespace pe_format {

inline constexpr uint64_t kMzHeaderSize = 0x40;
inline constexpr uint64_t kPeOffsetAt = 0x3c;  // in the MZ header
inline constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr uint64_t kFileHeaderSize = 20;
// From the signature: the file header follows it, the optional header follows that.
inline constexpr uint64_t kFileHeaderAt = 4;
inline constexpr uint64_t kOptionalHeaderAt = kFileHeaderAt + kFileHeaderSize;
inline constexpr uint64_t kOptionalSizeAt = kFileHeaderAt + 16;
inline constexpr uint16_t kPe32Magic = 0x10b;
inline constexpr uint16_t kPe32PlusMagic = 0x20b;
inline constexpr uint64_t kCertificateDirectoryIndex = 4;
inline constexpr uint64_t kDirectorySize = 8;

// Where the data directories start in the optional header; 0 for an unknown magic.
inline constexpr uint64_t dataDirectoriesAt(uint16_t magic) {
  return magic == kPe32Magic ? 96 : magic == kPe32PlusMagic ? 112 : 0;
}

inline bool fits(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length) {
  return offset <= bytes.size() && bytes.size() - offset >= length;
}

}  // namespace pe_format
