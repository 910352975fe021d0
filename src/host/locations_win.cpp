#include <windows.h>
#include <shlobj.h>

#include "host/data_folders_win.h"
#include "host/locations.h"

namespace {

constexpr wchar_t kProductFolder[] = L"\\Norvane";

std::wstring shellFolder(int csidl) {
  wchar_t buffer[kShellPathChars] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  return buffer;
}

std::wstring createdDataRoot(int csidl, const wchar_t* sddl) {
  const std::wstring base = shellFolder(csidl);
  if (base.empty()) return {};
  std::wstring root = base + kProductFolder;
  createDataFolder(root, sddl);
  return root;
}

}  // namespace

std::wstring installDirectory() {
  // ProgramW6432 names the 64-bit Program Files folder even for this 32-bit
  // program; it is absent on 32-bit Windows, where the shell folder is right.
  wchar_t buffer[kShellPathChars] = {};
  const DWORD length = GetEnvironmentVariableW(L"ProgramW6432", buffer, kShellPathChars);
  if (length == 0) {
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, buffer))) return {};
  } else if (length >= kShellPathChars) {
    return {};  // too long for the buffer: no usable install folder
  }
  const std::wstring base(buffer);
  if (base.empty()) return {};
  return base + kProductFolder;
}

std::wstring installedFilePath(const std::wstring& name) {
  const std::wstring folder = installDirectory();
  if (folder.empty()) return {};
  return folder + L"\\" + name;
}

std::wstring machineDataRoot() { return createdDataRoot(CSIDL_COMMON_APPDATA, kMachineRootSddl); }

// The user's own folder: its inherited rights are already private.
std::wstring userDataRoot() { return createdDataRoot(CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr); }

std::wstring userTempDirectory() {
  // GetTempPath2W gives SYSTEM the admin-only SystemTemp instead of the
  // Windows folder's Temp, where every account may create files. Looked up
  // at run time: older systems lack it.
  using GetTempPath2Function = DWORD(WINAPI*)(DWORD, LPWSTR);
  const auto getTempPath2 = reinterpret_cast<GetTempPath2Function>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetTempPath2W")));
  wchar_t buffer[kTempPathChars] = {};
  const DWORD length = getTempPath2 ? getTempPath2(kTempPathChars, buffer) : GetTempPathW(kTempPathChars, buffer);
  if (length == 0 || length > kTempPathChars) return {};
  return std::wstring(buffer, length);
}

bool samePath(const std::wstring& a, const std::wstring& b) {
  return !a.empty() && CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring ownModulePath() {
  wchar_t buffer[kModulePathChars] = {};
  const DWORD length = GetModuleFileNameW(nullptr, buffer, kModulePathChars);
  if (length == 0 || length >= kModulePathChars) return {};
  return std::wstring(buffer, length);
}
