// The program imports only KnownDLLs plainly (they always come from System32);
// every other system DLL is delay-loaded (cmake/delay_load.cmake), so it is
// loaded on its first call, after restrictDllSearchToSystem32 has run.
#include "app/dll_search_win.h"

#include <windows.h>
#include <delayimp.h>

#include <cstddef>
#include <string>
#include <type_traits>
#include <utility>

#include "host/log.h"
#include "host/system_dll_win.h"

namespace {
// Windows 7 without KB2533623 lacks SetDefaultDllDirectories: there the
// delay-load hook loads each DLL by its full System32 path instead. Set once,
// before any other thread exists.
bool loadByFullPath = false;

constexpr wchar_t kUnloadableDll[] = L"시스템 DLL %s 의 %s 를 쓸 수 없다. 실패로 처리한다";
constexpr size_t kDllNameChars = 64;

std::wstring widened(const char* text) {
  std::wstring wide;
  for (const char* c = text; *c != '\0' && wide.size() < kDllNameChars; ++c) wide += wchar_t(static_cast<unsigned char>(*c));
  return wide;
}

// A module that exports nothing: handed to the delay-load helper for a DLL
// that could not be loaded, so that each of its functions ends in the
// failure hook for a stand-in instead of in a load by name.
HMODULE moduleWithoutExports() { return GetModuleHandleW(nullptr); }

FARPROC WINAPI loadFromSystem32(unsigned notification, PDelayLoadInfo info) {
  if (notification != dliNotePreLoadLibrary || !loadByFullPath) return nullptr;  // the helper loads by name
  // Common Controls 6 lives in WinSxS, not System32; the manifest's activation
  // context resolves it by name before any folder is searched.
  if (lstrcmpiA(info->szDll, "comctl32.dll") == 0) return nullptr;
  // Never by name after a failure: that search starts in the program's folder.
  HMODULE module = loadSystemDll(widened(info->szDll).c_str());
  return reinterpret_cast<FARPROC>(module != nullptr ? module : moduleWithoutExports());
}

// Stand-ins for the functions of a DLL that is missing: each takes its
// function's argument bytes off the stack (stdcall) and returns a failure in
// that DLL's terms.
struct DelayStub {
  const char* dll;
  const char* function;
  unsigned argumentBytes;
};
constexpr DelayStub kDelayStubs[] = {
#if __has_include("delay_stubs.inc")
#include "delay_stubs.inc"
#endif
    {"", "", 0},
};

constexpr unsigned kMaxStubArguments = 24;
constexpr DWORD kGdiplusGenericError = 1;  // Gdiplus::GenericError
constexpr DWORD kDwmFailure = 0x80004005;  // E_FAIL

template <DWORD Result, typename Indexes>
struct FailedCall;
template <DWORD Result, size_t... Index>
struct FailedCall<Result, std::index_sequence<Index...>> {
  static DWORD WINAPI call(std::conditional_t<true, DWORD, std::integral_constant<size_t, Index>>...) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return Result;
  }
};

template <DWORD Result, size_t... Count>
FARPROC failedCallFor(unsigned arguments, std::index_sequence<Count...>) {
  // Through void*: the stand-ins are called with the arguments of the function they replace.
  static const FARPROC calls[] = {
      reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&FailedCall<Result, std::make_index_sequence<Count>>::call))...};
  return arguments < sizeof calls / sizeof calls[0] ? calls[arguments] : nullptr;
}

// The program asks first whether a DLL with a fallback loads; this is the net
// under that for every other call into a DLL that is missing or lacks the
// function.
FARPROC WINAPI failedDelayLoad(unsigned notification, PDelayLoadInfo info) {
  if (notification == dliFailLoadLib) return reinterpret_cast<FARPROC>(moduleWithoutExports());
  if (notification != dliFailGetProc || !info->dlp.fImportByName) return nullptr;
  writeLog(kUnloadableDll, widened(info->szDll).c_str(), widened(info->dlp.szProcName).c_str());
  return delayLoadStandIn(info->szDll, info->dlp.szProcName);
}
}  // namespace

FARPROC delayLoadStandIn(const char* dll, const char* function) {
  for (const DelayStub& stub : kDelayStubs) {
    if (lstrcmpiA(stub.dll, dll) != 0 || lstrcmpA(stub.function, function) != 0 || stub.argumentBytes % 4 != 0) continue;
    const unsigned arguments = stub.argumentBytes / 4;
    const auto counts = std::make_index_sequence<kMaxStubArguments + 1>();
    if (lstrcmpiA(dll, "gdiplus.dll") == 0) return failedCallFor<kGdiplusGenericError>(arguments, counts);
    if (lstrcmpiA(dll, "dwmapi.dll") == 0) return failedCallFor<kDwmFailure>(arguments, counts);
    return failedCallFor<0>(arguments, counts);  // FALSE or a null handle
  }
  return nullptr;  // unknown: the helper raises, as without a hook
}

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
  loadByFullPath = true;
}
