// A stand-in for a system DLL, copied under a system DLL's name beside a
// download. When any process loads it, it leaves "<its own path>.loaded":
// the journeys look for that file to see which copies were loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) {
    constexpr DWORD kPathCapacity = MAX_PATH;
    wchar_t path[kPathCapacity + 8];
    DWORD length = GetModuleFileNameW(self, path, kPathCapacity);
    if (length > 0 && length < kPathCapacity) {
      lstrcatW(path, L".loaded");
      HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
    }
  }
  return TRUE;
}
