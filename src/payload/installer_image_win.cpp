#include <windows.h>

#include "host/handles_win.h"
#include "payload/installer_image.h"
#include "payload/payload_reader.h"

namespace {
bool loaderAcceptsImage(const std::wstring& path) {
  DWORD kind = 0;
  if (!GetBinaryTypeW(path.c_str(), &kind) || (kind != SCS_32BIT_BINARY && kind != SCS_64BIT_BINARY)) return false;
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  // An image section maps only what the loader would load; no view is needed.
  const ScopedHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr));
  return mapping.valid();
}
}  // namespace

bool isInstallerImage(const std::wstring& path, uint32_t bitness) {
  if (path.empty() || !loaderAcceptsImage(path)) return false;
  PayloadReader reader;
  return reader.readFile(path) && carriesInstallerEntries(reader, bitness);
}

bool isInstallerImage(const std::wstring& path) { return isInstallerImage(path, machineBitness()); }
