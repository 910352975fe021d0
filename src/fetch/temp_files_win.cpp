#include "fetch/temp_files_win.h"

#include <objbase.h>

#include <algorithm>

#include "host/locations.h"

namespace {
constexpr int kGuidChars = 40;
constexpr wchar_t kParkedPrefix[] = L"Norvane-partial-";
constexpr wchar_t kParkedSuffix[] = L".tmp";
// No sharing: while we hold it, nobody else opens the file at all.
constexpr DWORD kParkedAccess = GENERIC_READ | GENERIC_WRITE | DELETE;
constexpr DWORD kParkedFlags = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
}  // namespace

std::wstring freshTempPath(const wchar_t* prefix, const wchar_t* suffix) {
  const std::wstring temp = userTempDirectory();
  GUID guid;
  wchar_t guidText[kGuidChars];
  if (temp.empty() || FAILED(CoCreateGuid(&guid)) || StringFromGUID2(guid, guidText, kGuidChars) == 0) return {};
  return temp + prefix + guidText + suffix;
}

bool writeWholeFile(HANDLE file, const std::vector<uint8_t>& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const DWORD want = DWORD(std::min<size_t>(kDiskSliceBytes, bytes.size() - written));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data() + written, want, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

std::shared_ptr<void> parkBytes(const std::vector<uint8_t>& bytes) {
  const std::wstring path = freshTempPath(kParkedPrefix, kParkedSuffix);
  if (path.empty()) return nullptr;
  // CREATE_NEW never opens what is already there, a planted link included.
  const HANDLE file = CreateFileW(path.c_str(), kParkedAccess, 0, nullptr, CREATE_NEW, kParkedFlags, nullptr);
  if (file == INVALID_HANDLE_VALUE) return nullptr;
  std::shared_ptr<void> parked(file, CloseHandle);
  if (!writeWholeFile(file, bytes)) return nullptr;
  return parked;
}

bool unparkBytes(const PartialDownload& partial, std::vector<uint8_t>& bytes) {
  bytes.clear();
  const HANDLE file = partial.parked.get();
  if (file == nullptr || partial.stored > partial.total || partial.total > kInstallerLimit) return false;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return false;
  bytes.reserve(size_t(partial.total));
  bytes.resize(size_t(partial.stored));
  for (size_t filled = 0; filled < bytes.size();) {
    const DWORD want = DWORD(std::min<size_t>(kDiskSliceBytes, bytes.size() - filled));
    DWORD done = 0;
    if (!ReadFile(file, bytes.data() + filled, want, &done, nullptr) || done == 0) {
      std::vector<uint8_t>().swap(bytes);
      return false;
    }
    filled += done;
  }
  return true;
}

void deleteWhenClosed(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}
