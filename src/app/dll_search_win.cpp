// The program imports only KnownDLLs plainly (they always come from System32);
// every other system DLL is delay-loaded (cmake/delay_load.cmake), so it is
// loaded on its first call, after restrictDllSearchToSystem32 has run.
#include "app/dll_search_win.h"

#include <windows.h>
#include <delayimp.h>

#include <cstddef>
#include <string>

#include "host/log.h"
#include "host/system_dll_win.h"

namespace {
constexpr wchar_t kUnloadableDll[] = L"시스템 DLL %s 의 %s 를 쓸 수 없다. 실패로 끝낸다";
constexpr UINT kUnloadableDllExitCode = 1;
constexpr size_t kDllNameChars = 64;

std::wstring widened(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0' && wide.size() < kDllNameChars; ++c) wide += wchar_t(static_cast<unsigned char>(*c));
  return wide;
}

// A module that exports nothing: handed to the delay-load helper for a DLL
// that could not be loaded, so that its first call ends in the failure hook
// instead of in a load by name.
HMODULE moduleWithoutExports() { return GetModuleHandleW(nullptr); }

// Every delay-loaded DLL comes through loadSystemDll, which keeps it to System32
// whether or not the system has SetDefaultDllDirectories (Windows 7 without
// KB2533623 does not: there it loads by full System32 path).
FARPROC WINAPI loadFromSystem32(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary) return nullptr;
  // Common Controls 6 lives in WinSxS, not System32; the manifest's activation
  // context resolves it by name before any folder is searched.
  if (lstrcmpiA(info->szDll, "comctl32.dll") == 0) return nullptr;
  // Never by name after a failure: that search starts in the program's folder.
  HMODULE module = loadSystemDll(widened(info->szDll).c_str());
  return reinterpret_cast<FARPROC>(module != nullptr ? module : moduleWithoutExports());
}

// The program asks first whether each DLL with a fallback loads (GDI+, DWM,
// WinHTTP, CRYPT32), so this is only the net under those checks. Without it
// the helper raises an exception nobody handles and the process hangs in the
// debugger; the documented failure exit with a log line is the sound end.
FARPROC WINAPI failedDelayLoad(unsigned notification, PDelayLoadInfo info) {
  if (notification == dliFailLoadLib) return reinterpret_cast<FARPROC>(moduleWithoutExports());
  if (notification != dliFailGetProc) return nullptr;
  writeLog(kUnloadableDll, widened(info->szDll).c_str(),
           info->dlp.fImportByName ? widened(info->dlp.szProcName).c_str() : L"#");
  ExitProcess(kUnloadableDllExitCode);
}
}  // namespace

// The delay-load helper asks these hooks (declared extern "C" by delayimp.h)
// before it loads a DLL and after a load or lookup failed. MSVC declares them
// const, mingw-w64 writable.
#if defined(_MSC_VER)
const PfnDliHook __pfnDliNotifyHook2 = loadFromSystem32;
const PfnDliHook __pfnDliFailureHook2 = failedDelayLoad;
#else
PfnDliHook __pfnDliNotifyHook2 = loadFromSystem32;
PfnDliHook __pfnDliFailureHook2 = failedDelayLoad;
#endif

void restrictDllSearchToSystem32() {
  // Looked up at run time: a plain import would keep the program from starting on Windows 7 without the update.
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return;
  SetDllDirectoryW(L"");  // at least drops the current directory from the search
}
