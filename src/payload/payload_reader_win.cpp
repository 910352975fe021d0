#include <windows.h>

#include <algorithm>

#include "host/locations.h"
#include "host/handles_win.h"
#include "payload/payload_reader.h"

namespace {
constexpr DWORD kReadSliceBytes = 1048576;  // read in slices of at most 1 MiB

bool readWholeFile(const std::wstring& path, std::vector<uint8_t>& bytes) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0 || !isReadablePayloadFileSize(uint64_t(size.QuadPart))) {
    return false;
  }
  bytes.assign(size_t(size.QuadPart), 0);
  size_t filled = 0;
  while (filled < bytes.size()) {
    const DWORD want = DWORD(std::min<size_t>(kReadSliceBytes, bytes.size() - filled));
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + filled, want, &got, nullptr) || got == 0) return false;
    filled += got;
  }
  return true;
}
}  // namespace

bool PayloadReader::readFile(const std::wstring& path) {
  clear();
  std::vector<uint8_t> bytes;
  if (!readWholeFile(path, bytes)) return false;
  return acceptFileBytes(std::move(bytes));
}

bool PayloadReader::readOwnImage() { return readFile(ownModulePath()); }

uint32_t machineBitness() {
#if defined(_WIN64)
  return 64;  // a 64-bit process runs only on a 64-bit system (the x64 test build)
#else
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64 ? 64 : 32;
#endif
}
