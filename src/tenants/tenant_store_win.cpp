#include <windows.h>

#include "host/locations.h"
#include "host/handles_win.h"
#include "tenants/tenant_store.h"

std::wstring tenantsFolder() { return installedFilePath(L"tenants"); }

bool readTenantFileBytes(const std::wstring& path, uint8_t* buffer) {
  // Read sharing only: a file that someone is writing right now is skipped.
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart != LONGLONG(kTenantFileBytes)) return false;
  DWORD got = 0;
  return ReadFile(file.get(), buffer, DWORD(kTenantFileBytes), &got, nullptr) && got == kTenantFileBytes;
}

std::vector<TenantRecord> listInstalledTenants() {
  std::vector<TenantRecord> tenants;
  const std::wstring folder = tenantsFolder();
  if (folder.empty()) return tenants;
  WIN32_FIND_DATAW found = {};
  const ScopedFindHandle search(FindFirstFileW((folder + L"\\*.cfg").c_str(), &found));
  if (!search) return tenants;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    uint8_t bytes[kTenantFileBytes] = {};
    TenantRecord record = {};
    if (!readTenantFileBytes(folder + L"\\" + found.cFileName, bytes)) continue;
    if (!verifyTenantFile(bytes, sizeof bytes, &record)) continue;
    // A file counts only under the name its own content gives it.
    if (tenantFileName(record.tenantId) != found.cFileName) continue;
    tenants.push_back(record);
  } while (FindNextFileW(search.get(), &found));
  return tenants;
}
