// Two processes that both find host.log full: the later rename must not move a
// fresh host.log over the host.log.1 the earlier one just made.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/data_folders_win.h"
#include "host/log.h"
#include "host/log_rotation_win.h"
#include "host/relative_files_win.h"

namespace {

std::wstring tempFolder() {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return folder;
}

std::wstring tempName(const wchar_t* name) { return name + std::to_wstring(GetCurrentProcessId()); }

ScopedFile heldTempFolder() {
  return ScopedFile(CreateFileW(tempFolder().c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

void writeFile(const std::wstring& path, const std::string& bytes) {
  const ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  ASSERT_TRUE(file && WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
}

uint64_t fileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return uint64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

std::wstring finalPath(const std::wstring& path) {
  const ScopedFile file(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
  return finalPathOf(file.get());
}

TEST(LogRotation, ASecondRotationOfTheSameFullLogKeepsTheFreshLog) {
  const ScopedFile folder = heldTempFolder();
  ASSERT_TRUE(folder);
  const std::wstring name = tempName(L"rotation-host.log-");
  const std::wstring rotatedName = name + L".1";
  const std::wstring log = tempFolder() + name;
  const std::wstring rotated = tempFolder() + rotatedName;
  writeFile(log, std::string(log_limits::kRotateAtBytes, 'o'));
  const std::wstring expected = finalPath(log);

  const ScopedFile late = openFullLog(folder.get(), name, expected);  // one process measured the full log...
  ASSERT_TRUE(late);
  {
    const ScopedFile early = openFullLog(folder.get(), name, expected);  // ...another measured and rotated it...
    ASSERT_TRUE(early);
    ASSERT_TRUE(renameIntoFolder(early.get(), folder.get(), rotatedName, true));
  }
  writeFile(log, "fresh");  // ...and the next line started a new log
  EXPECT_FALSE(openFullLog(folder.get(), name, expected));
  // Renames the file it measured onto itself, or fails: either is fine.
  renameIntoFolder(late.get(), folder.get(), rotatedName, true);

  EXPECT_EQ(fileSize(log), 5u);
  EXPECT_EQ(fileSize(rotated), log_limits::kRotateAtBytes);
  DeleteFileW(log.c_str());
  DeleteFileW(rotated.c_str());
}

TEST(LogRotation, AFullLogWithASecondNameOrAnotherFinalPathIsNotRenamed) {
  const ScopedFile folder = heldTempFolder();
  const std::wstring name = tempName(L"linked-host.log-");
  const std::wstring log = tempFolder() + name;
  const std::wstring other = tempFolder() + tempName(L"elsewhere-");
  writeFile(log, std::string(log_limits::kRotateAtBytes, 'o'));
  const std::wstring expected = finalPath(log);
  EXPECT_TRUE(openFullLog(folder.get(), name, expected));
  EXPECT_FALSE(openFullLog(folder.get(), name, expected + L"x"));
  ASSERT_TRUE(CreateHardLinkW(other.c_str(), log.c_str(), nullptr));
  EXPECT_FALSE(openFullLog(folder.get(), name, expected));
  DeleteFileW(log.c_str());
  DeleteFileW(other.c_str());
}

TEST(RelativeFiles, NamesResolveInTheHeldFolderAndNeverReplaceUnlessAsked) {
  const ScopedFile folder = heldTempFolder();
  const std::wstring name = tempName(L"relative-");
  RelativeOpen create;
  create.access = DELETE | FILE_READ_ATTRIBUTES;
  create.disposition = RelativeDisposition::CreateNew;
  ScopedFile file = openInFolder(folder.get(), name, create);
  ASSERT_TRUE(file);
  EXPECT_FALSE(openInFolder(folder.get(), name, create));
  EXPECT_EQ(GetLastError(), DWORD(ERROR_ALREADY_EXISTS));
  writeFile(tempFolder() + name + L".taken", "taken");
  EXPECT_FALSE(renameIntoFolder(file.get(), folder.get(), name + L".taken", false));
  EXPECT_FALSE(renameIntoFolder(file.get(), folder.get(), L"sub\\" + name, true));  // one name, never a path
  EXPECT_TRUE(renameIntoFolder(file.get(), folder.get(), name + L".moved", false));
  EXPECT_EQ(finalPathOf(file.get()), finalPath(tempFolder() + name + L".moved"));
  file.reset();
  DeleteFileW((tempFolder() + name + L".moved").c_str());
  DeleteFileW((tempFolder() + name + L".taken").c_str());
}

}  // namespace
