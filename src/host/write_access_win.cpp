#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "host/write_access.h"
#include "host/locations.h"
#include "host/handles_win.h"

namespace {

#ifdef NORVANE_TEST_BUILD
// Wine synthesizes DACLs from Unix modes and stores none, so the test build
// takes an object's descriptor from "<path>.acl" (SDDL text) when that exists.
// Everything after obtaining the descriptor is the production path.
bool sidecarSecurityDescriptor(const std::wstring& path, PSECURITY_DESCRIPTOR& descriptor) {
  ScopedFile file(CreateFileW((path + L".acl").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  char text[4096] = {};
  DWORD got = 0;
  if (!ReadFile(file.get(), text, sizeof text - 1, &got, nullptr)) return false;
  std::wstring sddl;
  for (DWORD i = 0; i < got && text[i] != '\r' && text[i] != '\n'; ++i) sddl.push_back(wchar_t(text[i]));
  return ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr);
}
#endif

bool readDescriptor(const std::wstring& path, PSECURITY_DESCRIPTOR& descriptor) {
#ifdef NORVANE_TEST_BUILD
  if (sidecarSecurityDescriptor(path, descriptor)) return true;
#endif
  return GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                               nullptr, nullptr, nullptr, nullptr, &descriptor) == ERROR_SUCCESS;
}

// Owner and DACL of the object; false when its descriptor cannot be read.
// Both point into `descriptor`.
bool readSecurity(const std::wstring& path, ScopedLocalMemory& descriptor, PSID& owner, PACL& dacl) {
  PSECURITY_DESCRIPTOR raw = nullptr;
  if (!readDescriptor(path, raw)) return false;
  descriptor.reset(raw);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  if (!GetSecurityDescriptorOwner(raw, &owner, &defaulted)) return false;
  if (!GetSecurityDescriptorDacl(raw, &present, &dacl, &defaulted)) return false;
  if (!present) dacl = nullptr;
  return true;
}

std::optional<std::wstring> sidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !ConvertSidToStringSidW(sid, &text)) return std::nullopt;
  const ScopedLocalMemory owner(text);
  return std::wstring(text);
}

std::vector<AceView> entriesOf(PACL dacl) {
  std::vector<AceView> entries;
  for (DWORD index = 0; index < dacl->AceCount; ++index) {
    void* raw = nullptr;
    if (!GetAce(dacl, index, &raw)) continue;
    const auto* header = static_cast<const ACE_HEADER*>(raw);
    AceView view{header->AceType, header->AceFlags, 0, std::nullopt};
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(raw);
      view.mask = allowed->Mask;
      view.sid = sidText(&allowed->SidStart);
    }
    entries.push_back(std::move(view));
  }
  return entries;
}

}  // namespace

bool daclGrantsUntrustedWrite(const std::wstring& path, uint32_t mask) {
  ScopedLocalMemory descriptor;
  PSID owner = nullptr;
  PACL dacl = nullptr;
  if (!readSecurity(path, descriptor, owner, dacl)) return true;
  if (isUntrustedOwner(sidText(owner))) return true;
  if (!dacl) return true;  // a null DACL grants everyone full access
  return entriesGrantUntrustedWrite(entriesOf(dacl), mask);
}

bool isWritableByUntrusted(const std::wstring& path) {
  if (path.empty()) return true;
  if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES &&
      daclGrantsUntrustedWrite(path, write_access::kFileWriteMask)) {
    return true;
  }
  const std::wstring folder = parentDirectory(path);
  if (folder.empty()) return true;
  return daclGrantsUntrustedWrite(folder, write_access::kFolderWriteMask);
}
