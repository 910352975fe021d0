#include "tenants/tenant_store.h"

#include <cstring>

std::wstring tenantFileName(const uint8_t* tenantId) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring name;
  for (size_t i = 0; i < kTenantIdBytes; ++i) {
    name.push_back(kDigits[tenantId[i] >> 4]);
    name.push_back(kDigits[tenantId[i] & 0xF]);
  }
  return name + L".cfg";
}

const TenantRecord* findTenantBySlug(const std::vector<TenantRecord>& tenants, const std::string& slug) {
  for (const TenantRecord& tenant : tenants) {
    const size_t length = strnlen(tenant.tenantSlug, sizeof tenant.tenantSlug);
    if (length == slug.size() && std::memcmp(tenant.tenantSlug, slug.data(), length) == 0) return &tenant;
  }
  return nullptr;
}
