#include <windows.h>

#include <string>

#include "fetch/release_urls.h"
#include "fetch/stale_staging.h"
#include "fetch/staging_names.h"
#include "host/locations.h"
#include "host/win32_handles.h"

namespace {

bool isLinkOrWrongKind(DWORD attributes, bool folder) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder;
}

// Opens the entry itself, never what a reparse point names, and gives it back
// only when it is a plain folder or a plain file as asked.
ScopedFile openPlain(const std::wstring& path, DWORD access, DWORD sharing, bool folder) {
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  ScopedFile handle(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, sharing, nullptr, OPEN_EXISTING, flags,
                                nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!handle || !GetFileInformationByHandle(handle.get(), &info) || isLinkOrWrongKind(info.dwFileAttributes, folder)) {
    return ScopedFile();
  }
  return handle;
}

void deleteWhenClosed(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition = {TRUE};
  SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
}

void removeStagingFolder(const std::wstring& folder) {
  {
    // Held without delete sharing, the folder can be neither renamed nor
    // swapped for a link while its files go.
    const ScopedFile held = openPlain(folder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, true);
    if (!held) return;
    WIN32_FIND_DATAW entry;
    const ScopedFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &entry));
    if (!search) return;
    do {
      if (isLinkOrWrongKind(entry.dwFileAttributes, false)) continue;  // staging makes plain files only
      // No sharing: a file that anyone holds open, such as an installer that
      // still runs or a staged copy still pinned, cannot be opened and stays.
      const ScopedFile file = openPlain(folder + L"\\" + entry.cFileName, DELETE, 0, false);
      if (file) deleteWhenClosed(file.get());
    } while (FindNextFileW(search.get(), &entry));
  }
  // Looked at again: only a plain folder goes, and only once it is empty.
  const ScopedFile emptied = openPlain(folder, DELETE, 0, true);
  if (emptied) deleteWhenClosed(emptied.get());
}

}  // namespace

void removeStaleStagingFolders() {
  const std::wstring temp = userTempDirectory();
  if (temp.empty()) return;
  WIN32_FIND_DATAW found;
  const ScopedFindHandle search(FindFirstFileW((temp + kStagingFolderPrefix + L"*").c_str(), &found));
  if (!search) return;
  do {
    if (isStagingFolderName(found.cFileName) && !isLinkOrWrongKind(found.dwFileAttributes, true)) {
      removeStagingFolder(temp + found.cFileName);
    }
  } while (FindNextFileW(search.get(), &found));
}
