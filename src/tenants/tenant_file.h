#pragma once
// Signed tenant files: exactly 512 bytes, the first 448 signed with the
// tenant-file key (signature in the last 64). Pure code on caller-owned bytes.
#include <cstddef>
#include <cstdint>

inline constexpr size_t kTenantFileBytes = 512;
inline constexpr size_t kTenantFileSignedBytes = 448;

// The fields of a verified tenant file, as they are in the file; text fields
// are NUL-terminated and zero-padded. The reserved bytes are not kept.
struct TenantRecord {
  uint32_t headerValue;
  uint8_t tenantId[16];
  char tenantSlug[32];
  char16_t wideName[64];
  char asciiText[64];
  uint8_t value1[32];
  uint8_t value2[32];
  uint8_t value3[32];
  uint8_t signature[64];
};

// Structure checks only; fills `record` as it goes. True when every field has
// its form: magic, non-zero header value, terminated texts of at least one
// character with zero padding, zero reserved bytes.
bool parseTenantFile(const uint8_t* bytes, size_t length, TenantRecord* record);

// Structure checks, then the signature over the first 448 bytes with the
// built-in tenant-file key. Copies the record to `out` (may be null) only when
// both pass.
bool verifyTenantFile(const uint8_t* bytes, size_t length, TenantRecord* out);
