// The program imports only KnownDLLs plainly (they always come from System32);
// every other system DLL is delay-loaded (cmake/delay_load.cmake), so it is
// loaded on its first call, after restrictDllSearchToSystem32 has run.
#include "app/dll_search_win.h"

#include <windows.h>
#include <delayimp.h>

#include <string>

namespace {
// Windows 7 without KB2533623 lacks SetDefaultDllDirectories: there the
// delay-load hook loads each DLL by its full System32 path instead. Set once,
// before any other thread exists.
bool loadByFullPath = false;

FARPROC WINAPI loadFromSystem32(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || !loadByFullPath) return nullptr;  // the helper loads by name
  // Common Controls 6 lives in WinSxS, not System32; the manifest's activation
  // context resolves it by name before any folder is searched.
  if (lstrcmpiA(info->szDll, "comctl32.dll") == 0) return nullptr;
  wchar_t system[MAX_PATH];
  UINT length = GetSystemDirectoryW(system, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  std::wstring path(system, length);
  path += L'\\';
  for (const char* c = info->szDll; *c != '\0'; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  // The altered search path makes the DLL's own dependencies come from System32 too.
  return reinterpret_cast<FARPROC>(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}
}  // namespace

// The delay-load helper asks this hook (declared extern "C" by delayimp.h)
// before it loads a DLL. MSVC declares it const, mingw-w64 writable.
#if defined(_MSC_VER)
const PfnDliHook __pfnDliNotifyHook2 = loadFromSystem32;
#else
PfnDliHook __pfnDliNotifyHook2 = loadFromSystem32;
#endif

void restrictDllSearchToSystem32() {
  // Looked up at run time: a plain import would keep the program from starting on Windows 7 without the update.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");  // at least drops the current directory from the search
  loadByFullPath = true;
}
