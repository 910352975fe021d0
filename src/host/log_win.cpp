#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <string>

#include "host/data_folders_win.h"
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
constexpr DWORD kAppendAccess = FILE_APPEND_DATA | SYNCHRONIZE | FILE_READ_ATTRIBUTES;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::atomic<unsigned> consecutiveFailures{0};
std::atomic<bool> fallbackNoticeWritten{false};
std::atomic<bool> legacyLogsMigrated{false};

struct LogFolder {
  std::wstring path;
  std::wstring finalPath;  // of the folder as opened and checked
};

struct LogTarget {
  std::wstring path;
  std::wstring finalPath;  // the only file that may be written as host.log
  bool usesFallback = false;
};

bool isElevatedOrSystem();

// The "logs" folder under `dataRoot`, made and opened without following
// links; empty when either folder is missing, a link or not ours to use.
LogFolder madeLogFolder(const std::wstring& dataRoot, bool machineWide) {
  if (dataRoot.empty()) return {};
  const wchar_t* rootRights = machineWide ? kMachineRootSddl : nullptr;
  const wchar_t* logsRights = machineWide ? kMachineLogsSddl : nullptr;
  const bool mustSetRights = machineWide && isElevatedOrSystem();
  const ScopedFile root = openDataFolder(dataRoot, rootRights, mustSetRights);
  const std::wstring folder = dataRoot + kLogFolderName;
  if (!root || !createDataFolder(folder, logsRights)) return {};
  const ScopedFile logs = openDataFolder(folder, logsRights, mustSetRights);
  if (!logs) return {};
  const std::wstring rootFinal = finalPathOf(root.get());
  const std::wstring logsFinal = finalPathOf(logs.get());
  if (rootFinal.empty() || !samePath(logsFinal, rootFinal + kLogFolderName)) return {};
  return {folder, logsFinal};
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

LogFolder logDirectory(bool* usesFallback) {
  LogFolder folder = madeLogFolder(machineDataRoot(), true);
  const bool machineWide = !folder.path.empty();
  if (usesFallback) *usesFallback = !machineWide;
  if (!machineWide) folder = madeLogFolder(userDataRoot(), false);
  if (folder.path.empty()) return {};
  if (!legacyLogsMigrated.exchange(true)) migrateLegacyLogs(folder.path, machineWide);
  return folder;
}

const LogTarget& logTarget() {
  static const LogTarget target = [] {
    LogTarget t;
    const LogFolder folder = logDirectory(&t.usesFallback);
    if (!folder.path.empty()) {
      t.path = folder.path + kLogFileName;
      t.finalPath = folder.finalPath + kLogFileName;
    }
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

bool isElevatedOrSystem() { return isLocalSystem() || isElevated(); }

const wchar_t* accountTag() {
  static const wchar_t* const tag = isLocalSystem() ? L"SYS" : isElevated() ? L"ADM" : L"USR";
  return tag;
}

enum class LineResult { Written, Failed, Unsafe };

struct OpenedLog {
  ScopedFile file;
  bool isNew = false;
};

// Neither open follows a link at the last step; what was opened is checked
// before anything is written to it.
OpenedLog openLogFile(const std::wstring& path) {
  OpenedLog log;
  log.file.reset(CreateFileW(path.c_str(), kAppendAccess | READ_CONTROL | WRITE_DAC, kShareAll, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  log.isNew = log.file.valid();
  if (!log.file && GetLastError() == ERROR_FILE_EXISTS) {
    log.file.reset(CreateFileW(path.c_str(), kAppendAccess, kShareAll, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  }
  return log;
}

LineResult appendUtf8Line(const LogTarget& target, const std::wstring& text) {
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return LineResult::Failed;
  const OpenedLog log = openLogFile(target.path);
  if (!log.file) return LineResult::Failed;
  if (!isSoleNameAt(log.file.get(), target.finalPath)) return LineResult::Unsafe;
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(log.file.get(), &size) || uint64_t(size.QuadPart) >= log_limits::kRefuseAtBytes) {
    return LineResult::Failed;  // rotation keeps failing: the log stops growing here
  }
  const size_t bomSize = log.isNew ? sizeof kUtf8Bom : 0;
  std::string bytes(bomSize + size_t(needed), '\0');
  if (log.isNew) bytes.replace(0, bomSize, reinterpret_cast<const char*>(kUtf8Bom), bomSize);
  WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data() + bomSize, needed, nullptr, nullptr);
  // One append-only write per line keeps lines of concurrent writers whole.
  DWORD written = 0;
  const bool ok = WriteFile(log.file.get(), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
                  written == bytes.size();
  if (ok && log.isNew) applyFileAcl(log.file.get(), kLogFileSddl);
  return ok ? LineResult::Written : LineResult::Failed;
}

void rotateIfFull(const LogTarget& target) {
  const ScopedFile full = openFullLog(target.path, target.finalPath);
  if (full) renameOpenFile(full.get(), target.path + kRotatedSuffix);
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

  const LineResult result = appendUtf8Line(target, line);
  if (result == LineResult::Unsafe) {
    consecutiveFailures.store(log_limits::kMaxConsecutiveFailures);  // runs on without a log
    return;
  }
  if (result == LineResult::Failed) {
    ++consecutiveFailures;
    rotateIfFull(target);  // a log grown past the limit takes lines again once rotated
    return;
  }
  consecutiveFailures.store(0);
  if (target.usesFallback && !fallbackNoticeWritten.exchange(true)) writeLog(kFallbackNotice, target.path.c_str());
  rotateIfFull(target);
}
