#include "host/data_folders_win.h"

#include <aclapi.h>
#include <sddl.h>

#include <optional>
#include <utility>

#include "host/account_win.h"
#include "host/locations.h"
#include "host/relative_files_win.h"
#include "host/write_access.h"

namespace {

constexpr DWORD kFinalPathChars = 1024;
constexpr DWORD kOpenWithoutFollowing = FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// Listing, attributes and rights only. Without delete sharing nobody can open
// the folder to rename or delete it while we hold it, and an open that fails
// because someone already holds it so is a refusal.
constexpr DWORD kHoldAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL | SYNCHRONIZE;
constexpr DWORD kHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

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

std::optional<std::wstring> sidText(PSID sid) {
  wchar_t* text = nullptr;
  if (!sid || !ConvertSidToStringSidW(sid, &text)) return std::nullopt;
  const ScopedLocalMemory owner(text);
  return std::wstring(text);
}

bool isOwnerAccepted(HANDLE folder) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const ScopedLocalMemory freeDescriptor(descriptor);
  return isAcceptedFolderOwner(sidText(owner), processUserSid());
}

bool isPlainFolderAt(HANDLE folder, const std::wstring& expectedFinalPath) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(folder, &info)) return false;
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    return false;
  }
  return samePath(finalPathOf(folder), expectedFinalPath);
}

// Where the folder must be: its parent's final path and its own name. The
// parents of our data folders are the system's, which ordinary accounts
// cannot rename; a link at our own name leads anywhere else.
std::wstring intendedFinalPath(const std::wstring& path) {
  const std::wstring parent = parentDirectory(path);
  if (parent.empty()) return {};
  const ScopedFile opened(CreateFileW(parent.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  const std::wstring parentFinal = opened ? finalPathOf(opened.get()) : std::wstring();
  return parentFinal.empty() ? std::wstring() : parentFinal + path.substr(parent.size());
}

// Compared before changed: the rights are set only on a folder that is where
// it must be and is owned as it must be.
HeldFolder checkedHold(ScopedFile handle, bool mayWriteDac, std::wstring path, const std::wstring& expectedFinalPath,
                       const FolderRules& rules) {
  if (!handle || !isPlainFolderAt(handle.get(), expectedFinalPath)) return {};
  if (rules.elevated && !isOwnerAccepted(handle.get())) return {};
  const bool rightsSet = rules.sddl && mayWriteDac && setFolderDacl(handle.get(), rules.sddl);
  // An elevated run must not use a folder whose rights an ordinary account holds.
  if (rules.elevated && rules.sddl && !rightsSet) return {};
  std::wstring finalPath = finalPathOf(handle.get());
  return {std::move(handle), std::move(path), std::move(finalPath)};
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

bool createPrivateFolder(const std::wstring& path) {
  const std::wstring user = processUserSid();
  if (user.empty()) return false;
  const std::wstring sddl = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + L")";
  ScopedLocalMemory owner;
  SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptorOf(sddl.c_str(), owner), FALSE};
  return attributes.lpSecurityDescriptor && CreateDirectoryW(path.c_str(), &attributes);
}

HeldFolder holdDataFolder(const std::wstring& path, const FolderRules& rules) {
  const std::wstring expected = intendedFinalPath(path);
  if (expected.empty()) return {};
  ScopedFile handle;
  if (rules.sddl) {
    handle.reset(CreateFileW(path.c_str(), kHoldAccess | WRITE_DAC, kHoldSharing, nullptr, OPEN_EXISTING,
                             kOpenWithoutFollowing, nullptr));
  }
  const bool mayWriteDac = handle.valid();
  if (!handle) {
    handle.reset(CreateFileW(path.c_str(), kHoldAccess, kHoldSharing, nullptr, OPEN_EXISTING, kOpenWithoutFollowing,
                             nullptr));
  }
  return checkedHold(std::move(handle), mayWriteDac, path, expected, rules);
}

HeldFolder holdSubfolder(const HeldFolder& parent, const wchar_t* name, const FolderRules& rules) {
  if (!parent) return {};
  ScopedLocalMemory owner;
  RelativeOpen request;
  request.sharing = kHoldSharing;
  request.disposition = RelativeDisposition::OpenOrCreate;
  request.folder = true;
  if (rules.sddl) {
    request.rightsIfCreated = descriptorOf(rules.sddl, owner);
    if (!request.rightsIfCreated) return {};
  }
  ScopedFile handle;
  if (rules.sddl) {
    request.access = kHoldAccess | WRITE_DAC;
    handle = openInFolder(parent.handle.get(), name, request);
  }
  const bool mayWriteDac = handle.valid();
  if (!handle) {
    request.access = kHoldAccess;
    handle = openInFolder(parent.handle.get(), name, request);
  }
  return checkedHold(std::move(handle), mayWriteDac, parent.path + L"\\" + name, parent.finalPath + L"\\" + name,
                     rules);
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
