#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include "host/locations.h"
#include "host/win32_handles.h"

void applyFileAcl(const std::wstring& path, const wchar_t* sddl) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return;
  const ScopedLocalMemory owner(descriptor);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present) return;
  // Not protected: inheritable entries of the parent folder still apply.
  SetNamedSecurityInfoW(const_cast<wchar_t*>(path.c_str()), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                        nullptr, dacl, nullptr);
}
