// Two processes that both find host.log full: the later rename must not move a
// fresh host.log over the host.log.1 the earlier one just made.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "host/data_folders_win.h"
#include "host/log.h"
#include "host/log_rotation_win.h"

namespace {

std::wstring tempFile(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  return std::wstring(folder) + name + std::to_wstring(GetCurrentProcessId());
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
  const std::wstring log = tempFile(L"rotation-host.log-");
  const std::wstring rotated = log + L".1";
  writeFile(log, std::string(log_limits::kRotateAtBytes, 'o'));
  const std::wstring expected = finalPath(log);

  const ScopedFile late = openFullLog(log, expected);  // one process measured the full log...
  ASSERT_TRUE(late);
  {
    const ScopedFile early = openFullLog(log, expected);  // ...another measured and rotated it...
    ASSERT_TRUE(early);
    ASSERT_TRUE(renameOpenFile(early.get(), rotated));
  }
  writeFile(log, "fresh");  // ...and the next line started a new log
  EXPECT_FALSE(openFullLog(log, expected));
  renameOpenFile(late.get(), rotated);  // renames the file it measured onto itself, or fails: either is fine

  EXPECT_EQ(fileSize(log), 5u);
  EXPECT_EQ(fileSize(rotated), log_limits::kRotateAtBytes);
  DeleteFileW(log.c_str());
  DeleteFileW(rotated.c_str());
}

TEST(LogRotation, AFullLogWithASecondNameOrAnotherFinalPathIsNotRenamed) {
  const std::wstring log = tempFile(L"linked-host.log-");
  const std::wstring other = tempFile(L"elsewhere-");
  writeFile(log, std::string(log_limits::kRotateAtBytes, 'o'));
  const std::wstring expected = finalPath(log);
  EXPECT_TRUE(openFullLog(log, expected));
  EXPECT_FALSE(openFullLog(log, expected + L"x"));
  ASSERT_TRUE(CreateHardLinkW(other.c_str(), log.c_str(), nullptr));
  EXPECT_FALSE(openFullLog(log, expected));
  DeleteFileW(log.c_str());
  DeleteFileW(other.c_str());
}

}  // namespace
