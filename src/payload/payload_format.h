#pragma once
// Byte layout of the payload appended to our program images. The reader and the
// release tool's writer share these definitions so that they cannot drift apart.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace payload_format {

inline constexpr char kTrailerMagic[8] = {'T', 'D', 'P', 'A', 'Y', 'L', 'D', '1'};
inline constexpr uint32_t kFormatVersion = 2;
inline constexpr size_t kTrailerSize = 32;
inline constexpr size_t kEntrySize = 64;
inline constexpr size_t kNameFieldSize = 40;  // NUL-terminated, so at most 39 characters
inline constexpr uint32_t kMaxEntryCount = 32;
inline constexpr uint64_t kTrailerSearchWindow = 131072;  // the trailer starts in the last 128 KiB
inline constexpr uint64_t kMaxFileSize = 134217728;       // 128 MiB: the whole file is held in memory

// Trailer field offsets.
inline constexpr size_t kTrailerVersionAt = 8;
inline constexpr size_t kTrailerCountAt = 12;
inline constexpr size_t kTrailerDirectoryAt = 16;
inline constexpr size_t kTrailerCarriedVersionAt = 24;

// Directory entry field offsets.
inline constexpr size_t kEntryTagAt = 40;
inline constexpr size_t kEntryReservedAt = 44;
inline constexpr size_t kEntryValueOffsetAt = 48;
inline constexpr size_t kEntryValueLengthAt = 56;

inline constexpr uint32_t kTagAny = 0;
inline constexpr uint32_t kTag32 = 32;
inline constexpr uint32_t kTag64 = 64;

inline bool isKnownBitnessTag(uint32_t tag) { return tag == kTagAny || tag == kTag32 || tag == kTag64; }

// Names are plain ASCII identifiers that can never climb out of a folder:
// A-Z a-z 0-9 . _ -, not starting with '.', never "..", 1 to 39 characters.
bool isValidEntryName(std::string_view name);

inline uint32_t readU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t readU64(const uint8_t* p) { return uint64_t(readU32(p)) | uint64_t(readU32(p + 4)) << 32; }
inline uint16_t readU16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

inline void writeU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void writeU32(uint8_t* p, uint32_t v) {
  writeU16(p, uint16_t(v));
  writeU16(p + 2, uint16_t(v >> 16));
}
inline void writeU64(uint8_t* p, uint64_t v) {
  writeU32(p, uint32_t(v));
  writeU32(p + 4, uint32_t(v >> 32));
}

}  // namespace payload_format
