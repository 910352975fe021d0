#include "host/log_rotation_win.h"

#include <cstddef>
#include <cstring>
#include <vector>

#include "host/data_folders_win.h"
#include "host/log.h"

ScopedFile openFullLog(const std::wstring& path, const std::wstring& expectedFinalPath) {
  ScopedFile file(CreateFileW(path.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  LARGE_INTEGER size = {};
  if (!file || !isSoleNameAt(file.get(), expectedFinalPath) || !GetFileSizeEx(file.get(), &size) ||
      uint64_t(size.QuadPart) < log_limits::kRotateAtBytes) {
    return ScopedFile();
  }
  return file;
}

bool renameOpenFile(HANDLE file, const std::wstring& rotatedPath) {
  // FILE_RENAME_INFO ends in a variable-length name without a terminator.
  const size_t nameBytes = rotatedPath.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(offsetof(FILE_RENAME_INFO, FileName) + nameBytes + sizeof(wchar_t), 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = TRUE;
  info->RootDirectory = nullptr;
  info->FileNameLength = DWORD(nameBytes);
  std::memcpy(info->FileName, rotatedPath.data(), nameBytes);
  return SetFileInformationByHandle(file, FileRenameInfo, info, DWORD(buffer.size())) != FALSE;
}
