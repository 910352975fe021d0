// Prints a file's version resource as the system reads it: the fixed file and
// product versions and the Korean string table, one "key value" line each (UTF-8).
// usage: version_info_helper FILE
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
void printUtf8(const std::wstring& line) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, line.c_str(), int(line.size()), bytes.data(), size, nullptr, nullptr);
  fwrite(bytes.data(), 1, bytes.size(), stdout);
  fputc('\n', stdout);
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 3;
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(argv[1], &ignored);
  if (size == 0) return 2;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(argv[1], 0, size, data.data())) return 2;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) && fixed) {
    wchar_t line[128];
    swprintf(line, 128, L"FixedFileVersion %u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
             LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    printUtf8(line);
    swprintf(line, 128, L"FixedProductVersion %u.%u.%u.%u", HIWORD(fixed->dwProductVersionMS),
             LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS), LOWORD(fixed->dwProductVersionLS));
    printUtf8(line);
  }
  for (const wchar_t* key : {L"CompanyName", L"FileDescription", L"FileVersion", L"InternalName",
                             L"OriginalFilename", L"ProductName", L"ProductVersion"}) {
    wchar_t* value = nullptr;
    const std::wstring query = std::wstring(L"\\StringFileInfo\\041204b0\\") + key;
    if (VerQueryValueW(data.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) && value) {
      printUtf8(std::wstring(key) + L" " + value);
    }
  }
  return 0;
}
