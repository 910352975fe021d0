#pragma once
// The installed product's tenants: one signed file per tenant in the install
// folder's "tenants", named after the tenant id in lower-case hex + ".cfg".
#include <cstdint>
#include <string>
#include <vector>

#include "tenants/tenant_file.h"

inline constexpr size_t kTenantIdBytes = 16;

std::wstring tenantFileName(const uint8_t* tenantId);

// The first record whose slug equals `slug` byte for byte, or null.
const TenantRecord* findTenantBySlug(const std::vector<TenantRecord>& tenants, const std::string& slug);

// Win32.
std::wstring tenantsFolder();
bool readTenantFileBytes(const std::wstring& path, uint8_t* buffer);
std::vector<TenantRecord> listInstalledTenants();
