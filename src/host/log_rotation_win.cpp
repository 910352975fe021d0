#include "host/log_rotation_win.h"

#include "host/data_folders_win.h"
#include "host/log.h"
#include "host/relative_files_win.h"

ScopedFile openFullLog(HANDLE folder, const std::wstring& name, const std::wstring& expectedFinalPath) {
  RelativeOpen request;
  request.access = DELETE | FILE_READ_ATTRIBUTES;
  request.sharing = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  ScopedFile file = openInFolder(folder, name, request);
  LARGE_INTEGER size = {};
  if (!file || !isSoleNameAt(file.get(), expectedFinalPath) || !GetFileSizeEx(file.get(), &size) ||
      uint64_t(size.QuadPart) < log_limits::kRotateAtBytes) {
    return ScopedFile();
  }
  return file;
}
