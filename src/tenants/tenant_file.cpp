#include "tenants/tenant_file.h"

#include <cstring>

#include "crypto/builtin_keys.h"
#include "crypto/signature.h"

namespace {

constexpr char kMagic[8] = {'T', 'D', 'T', 'E', 'N', 'A', 'N', 'T'};
constexpr size_t kHeaderValueOffset = 8;
constexpr size_t kTenantIdOffset = 12;
constexpr size_t kSlugOffset = 28;
constexpr size_t kWideNameOffset = 60;
constexpr size_t kWideNameUnits = 64;
constexpr size_t kAsciiTextOffset = 188;
constexpr size_t kValue1Offset = 252;
constexpr size_t kValue2Offset = 284;
constexpr size_t kValue3Offset = 316;
constexpr size_t kReservedOffset = 348;
constexpr size_t kReservedBytes = 100;
constexpr size_t kSignatureOffset = kTenantFileSignedBytes;
constexpr uint32_t kPublicKeyBytes = 32;

static_assert(kReservedOffset + kReservedBytes == kSignatureOffset);
static_assert(kSignatureOffset + sizeof(TenantRecord::signature) == kTenantFileBytes);

// Printable ASCII, then a NUL inside the field, then only zero bytes. Returns
// the text length, or -1 when the field breaks the rule.
int checkedTextLength(const char* field, size_t width) {
  size_t terminator = 0;
  while (terminator < width && field[terminator] != '\0') ++terminator;
  if (terminator == width) return -1;
  for (size_t i = 0; i < terminator; ++i) {
    const unsigned char c = static_cast<unsigned char>(field[i]);
    if (c < 0x20 || c > 0x7e) return -1;
  }
  for (size_t i = terminator + 1; i < width; ++i) {
    if (field[i] != '\0') return -1;
  }
  return static_cast<int>(terminator);
}

// Non-zero UTF-16 units, then a zero unit inside the field, then only zero
// units. Returns the length in units, or -1.
int checkedWideLength(const char16_t* field, size_t units) {
  size_t terminator = 0;
  while (terminator < units && field[terminator] != 0) ++terminator;
  if (terminator == units) return -1;
  for (size_t i = terminator + 1; i < units; ++i) {
    if (field[i] != 0) return -1;
  }
  return static_cast<int>(terminator);
}

uint32_t readLittleEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace

bool parseTenantFile(const uint8_t* bytes, size_t length, TenantRecord* record) {
  if (bytes == nullptr || record == nullptr) return false;
  if (length != kTenantFileBytes || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;

  record->headerValue = readLittleEndian32(bytes + kHeaderValueOffset);
  std::memcpy(record->tenantId, bytes + kTenantIdOffset, sizeof record->tenantId);
  std::memcpy(record->tenantSlug, bytes + kSlugOffset, sizeof record->tenantSlug);
  const int slugLength = checkedTextLength(record->tenantSlug, sizeof record->tenantSlug);
  if (slugLength < 0) return false;

  for (size_t i = 0; i < kWideNameUnits; ++i) {
    const uint8_t* unit = bytes + kWideNameOffset + 2 * i;
    record->wideName[i] = static_cast<char16_t>(unit[0] | (unit[1] << 8));
  }
  const int wideNameLength = checkedWideLength(record->wideName, kWideNameUnits);
  if (wideNameLength < 0) return false;

  std::memcpy(record->asciiText, bytes + kAsciiTextOffset, sizeof record->asciiText);
  const int asciiTextLength = checkedTextLength(record->asciiText, sizeof record->asciiText);
  if (asciiTextLength < 0) return false;

  std::memcpy(record->value1, bytes + kValue1Offset, sizeof record->value1);
  std::memcpy(record->value2, bytes + kValue2Offset, sizeof record->value2);
  std::memcpy(record->value3, bytes + kValue3Offset, sizeof record->value3);
  for (size_t i = 0; i < kReservedBytes; ++i) {
    if (bytes[kReservedOffset + i] != 0) return false;
  }
  std::memcpy(record->signature, bytes + kSignatureOffset, sizeof record->signature);

  return record->headerValue != 0 && slugLength >= 1 && wideNameLength >= 1 && asciiTextLength >= 1;
}

bool verifyTenantFile(const uint8_t* bytes, size_t length, TenantRecord* out) {
  if (bytes == nullptr || length != kTenantFileBytes) return false;
  TenantRecord record;
  std::memset(&record, 0, sizeof record);
  if (!parseTenantFile(bytes, length, &record)) return false;

  uint8_t publicKey[kPublicKeyBytes] = {};
  if (!decodeHexKey(tenantFilePublicKeyHex(), publicKey, kPublicKeyBytes)) return false;
  if (!verifySignature(bytes + kSignatureOffset, publicKey, bytes, static_cast<uint32_t>(kTenantFileSignedBytes))) {
    return false;
  }
  if (out != nullptr) *out = record;
  return true;
}
