// Tenant file checks on arbitrary bytes: no out-of-bounds access, and a file
// that passes has terminated text fields and a non-zero header value.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tenants/tenant_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  TenantRecord record;
  std::memset(&record, 0, sizeof record);
  const bool parsed = parseTenantFile(bytes.data(), bytes.size(), &record);
  if (parsed) {
    if (size != kTenantFileBytes || record.headerValue == 0) std::abort();
    if (strnlen(record.tenantSlug, sizeof record.tenantSlug) == sizeof record.tenantSlug) std::abort();
    if (strnlen(record.asciiText, sizeof record.asciiText) == sizeof record.asciiText) std::abort();
    if (record.tenantSlug[0] == '\0' || record.asciiText[0] == '\0' || record.wideName[0] == 0) std::abort();
  }
  TenantRecord verified;
  if (verifyTenantFile(bytes.data(), bytes.size(), &verified) && !parsed) std::abort();
  return 0;
}
