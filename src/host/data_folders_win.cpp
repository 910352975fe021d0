#include "host/data_folders_win.h"

#include <aclapi.h>
#include <sddl.h>

#include "host/locations.h"

namespace {

constexpr DWORD kFinalPathChars = 1024;
constexpr DWORD kOpenWithoutFollowing = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Returns the descriptor (to be LocalFree'd through the owner) or null.
PSECURITY_DESCRIPTOR descriptorOf(const wchar_t* sddl, ScopedLocalMemory& owner) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) {
    return nullptr;
  }
  owner.reset(descriptor);
  return descriptor;
}

// The folder's DACL exactly as written, protected by "D:P". Unlike
// SetSecurityInfo this does not walk into the folder to re-permission what an
// ordinary account may have put there.
bool setFolderDacl(HANDLE folder, const wchar_t* sddl) {
  ScopedLocalMemory owner;
  PSECURITY_DESCRIPTOR descriptor = descriptorOf(sddl, owner);
  return descriptor && SetKernelObjectSecurity(folder, DACL_SECURITY_INFORMATION, descriptor);
}

}  // namespace

bool createDataFolder(const std::wstring& path, const wchar_t* sddl) {
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
  ScopedLocalMemory owner;
  if (sddl) {
    attributes.lpSecurityDescriptor = descriptorOf(sddl, owner);
    if (!attributes.lpSecurityDescriptor) return false;
  }
  return CreateDirectoryW(path.c_str(), sddl ? &attributes : nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

ScopedFile openDataFolder(const std::wstring& path, const wchar_t* sddl, bool mustSetRights) {
  ScopedFile folder;
  if (sddl) {
    folder.reset(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL | WRITE_DAC, kShareAll, nullptr,
                             OPEN_EXISTING, kOpenWithoutFollowing, nullptr));
  }
  const bool mayMend = folder.valid();
  if (!folder) {
    folder.reset(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                             kOpenWithoutFollowing, nullptr));
  }
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!folder || !GetFileInformationByHandle(folder.get(), &info) ||
      !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return ScopedFile();
  }
  const bool mended = mayMend && setFolderDacl(folder.get(), sddl);
  if (mustSetRights && !mended) return ScopedFile();
  return folder;
}

std::wstring finalPathOf(HANDLE handle) {
  wchar_t buffer[kFinalPathChars] = {};
  const DWORD length = GetFinalPathNameByHandleW(handle, buffer, kFinalPathChars, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= kFinalPathChars) return {};
  return std::wstring(buffer, length);
}

bool isSoleNameAt(HANDLE file, const std::wstring& expectedFinalPath) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(file, &info)) return false;
  if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) return false;
  if (info.nNumberOfLinks != 1) return false;  // a hard link shares the file with a name elsewhere
  return samePath(finalPathOf(file), expectedFinalPath);
}

void applyFileAcl(HANDLE file, const wchar_t* sddl) {
  ScopedLocalMemory owner;
  PSECURITY_DESCRIPTOR descriptor = descriptorOf(sddl, owner);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!descriptor || !GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present) return;
  SetSecurityInfo(file, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                  nullptr, dacl, nullptr);
}
