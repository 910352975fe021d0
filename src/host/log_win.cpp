#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <string>

#include "host/locations.h"
#include "host/log.h"
#include "host/log_rotation_win.h"
#include "host/win32_handles.h"

namespace {

constexpr wchar_t kLogFileName[] = L"\\host.log";
constexpr wchar_t kRotatedSuffix[] = L".1";
constexpr wchar_t kLogFolderName[] = L"\\logs";
constexpr wchar_t kLogFileSddl[] = L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;BU)";
constexpr wchar_t kLineFormat[] = L"[%02u:%02u:%02u.%03u] [%s %lu] %s\n";
constexpr wchar_t kFallbackNotice[] = L"공용 기록 폴더를 얻지 못해 이 자리로 물러났다: %s";
constexpr unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};

std::atomic<unsigned> consecutiveFailures{0};
std::atomic<bool> fallbackNoticeWritten{false};
std::atomic<bool> legacyLogsMigrated{false};

struct LogTarget {
  std::wstring path;
  bool usesFallback = false;
};

std::wstring madeLogFolder(const std::wstring& dataRoot) {
  if (dataRoot.empty()) return {};
  std::wstring folder = dataRoot + kLogFolderName;
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return {};
  return folder;
}

bool fileExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Log files of older versions move into the log folder once, never replacing
// a file that is already there.
void migrateLegacyLogs(const std::wstring& logFolder, bool machineWide) {
  struct LegacyLog {
    std::wstring from;
    const wchar_t* to;
  };
  const std::wstring machineRoot = machineDataRoot();
  const std::wstring userRoot = userDataRoot();
  LegacyLog moves[5];
  size_t count = 0;
  if (!machineRoot.empty()) {
    moves[count++] = {machineRoot + L"\\service.log", L"service.log.old"};
    moves[count++] = {machineRoot + L"\\service.log.1", L"service.log.1.old"};
    if (machineWide) moves[count++] = {machineRoot + L"\\audit.log", L"audit.log"};
  }
  if (!userRoot.empty()) {
    moves[count++] = {userRoot + L"\\host.log", L"host.log.old"};
    moves[count++] = {userRoot + L"\\host.log.1", L"host.log.1.old"};
  }
  for (size_t i = 0; i < count; ++i) {
    if (!fileExists(moves[i].from)) continue;
    const std::wstring target = logFolder + L"\\" + moves[i].to;
    if (!fileExists(target)) MoveFileExW(moves[i].from.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED);
  }
}

std::wstring logDirectory(bool* usesFallback) {
  std::wstring folder = madeLogFolder(machineDataRoot());
  const bool machineWide = !folder.empty();
  if (usesFallback) *usesFallback = !machineWide;
  if (!machineWide) folder = madeLogFolder(userDataRoot());
  if (folder.empty()) return {};
  if (!legacyLogsMigrated.exchange(true)) migrateLegacyLogs(folder, machineWide);
  return folder;
}

const LogTarget& logTarget() {
  static const LogTarget target = [] {
    LogTarget t;
    const std::wstring folder = logDirectory(&t.usesFallback);
    if (!folder.empty()) t.path = folder + kLogFileName;
    return t;
  }();
  return target;
}

bool isLocalSystem() {
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return false;
  const ScopedHandle token(rawToken);
  DWORD size = 0;
  GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
  if (size == 0) return false;
  std::wstring storage((size + sizeof(wchar_t) - 1) / sizeof(wchar_t), L'\0');  // zero-filled, aligned
  if (!GetTokenInformation(token.get(), TokenUser, storage.data(), size, &size)) return false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID system = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system)) return false;
  const bool same = EqualSid(reinterpret_cast<TOKEN_USER*>(storage.data())->User.Sid, system) != FALSE;
  FreeSid(system);
  return same;
}

bool isElevated() {
  HANDLE rawToken = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken)) return false;
  const ScopedHandle token(rawToken);
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

const wchar_t* accountTag() {
  static const wchar_t* const tag = isLocalSystem() ? L"SYS" : isElevated() ? L"ADM" : L"USR";
  return tag;
}

bool appendUtf8Line(const std::wstring& path, const std::wstring& text) {
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return false;
  ScopedFile file(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  const bool isNew = GetLastError() != ERROR_ALREADY_EXISTS;
  const size_t bomSize = isNew ? sizeof kUtf8Bom : 0;
  std::string bytes(bomSize + size_t(needed), '\0');
  if (isNew) bytes.replace(0, bomSize, reinterpret_cast<const char*>(kUtf8Bom), bomSize);
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data() + bomSize, needed, nullptr, nullptr);
  // One append-only write per line keeps lines of concurrent writers whole.
  DWORD written = 0;
  const bool ok = WriteFile(file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  file.reset();
  if (ok && isNew) applyFileAcl(path, kLogFileSddl);
  return ok;
}

void rotateIfFull(const std::wstring& path) {
  const ScopedFile full = openFullLog(path);
  if (full) renameOpenFile(full.get(), path + kRotatedSuffix);
}

// msvcrt's _vsnwprintf reads %s as a wide string, as our formats expect. It does
// not terminate a cut result, so the last slot is reserved for the NUL.
void formatTruncatedV(wchar_t* buffer, size_t capacity, const wchar_t* format, va_list arguments) {
  buffer[capacity - 1] = L'\0';
  if (_vsnwprintf(buffer, capacity - 1, format, arguments) < 0) buffer[capacity - 1] = L'\0';
}

void formatTruncated(wchar_t* buffer, size_t capacity, const wchar_t* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  formatTruncatedV(buffer, capacity, format, arguments);
  va_end(arguments);
}

}  // namespace

void writeLog(const wchar_t* format, ...) {
  const LogTarget& target = logTarget();
  if (target.path.empty() || consecutiveFailures.load() >= log_limits::kMaxConsecutiveFailures) return;

  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t message[log_limits::kMessageChars];
  va_list arguments;
  va_start(arguments, format);
  formatTruncatedV(message, log_limits::kMessageChars, format, arguments);
  va_end(arguments);

  wchar_t line[log_limits::kLineChars];
  formatTruncated(line, log_limits::kLineChars, kLineFormat, unsigned(now.wHour), unsigned(now.wMinute),
                  unsigned(now.wSecond), unsigned(now.wMilliseconds), accountTag(),
                  static_cast<unsigned long>(GetCurrentProcessId()), message);

  if (!appendUtf8Line(target.path, line)) {
    ++consecutiveFailures;
    return;
  }
  consecutiveFailures.store(0);
  if (target.usesFallback && !fallbackNoticeWritten.exchange(true)) writeLog(kFallbackNotice, target.path.c_str());
  rotateIfFull(target.path);
}
