#include "host/system_dll_win.h"

#include <string>

namespace {
bool hasDefaultDllDirectories() {
  return GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
}
}  // namespace

HMODULE loadSystemDll(const wchar_t* name) {
  if (hasDefaultDllDirectories()) return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  wchar_t system[MAX_PATH];
  const UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const std::wstring path = std::wstring(system, length) + L'\\' + name;
  // The altered search path makes the DLL's own dependencies come from System32 too.
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool isSystemDllLoadable(const wchar_t* name) { return loadSystemDll(name) != nullptr; }
