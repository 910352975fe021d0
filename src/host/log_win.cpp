#include <windows.h>

#include <atomic>
#include <cstdarg>
#include <cwchar>
#include <string>
#include <utility>

#include "host/account_win.h"
#include "host/data_folders_win.h"
#include "host/locations.h"
#include "host/log.h"
#include "host/log_rotation_win.h"
#include "host/relative_files_win.h"
#include "host/handles_win.h"

namespace {

constexpr wchar_t kLogFileName[] = L"host.log";
constexpr wchar_t kRotatedName[] = L"host.log.1";
constexpr wchar_t kLogFolderName[] = L"logs";
constexpr wchar_t kLogFileSddl[] = L"D:(A;;FA;;;SY)(A;;FA;;;BA)(A;;FA;;;BU)";
constexpr wchar_t kLineFormat[] = L"[%02u:%02u:%02u.%03u] [%s %lu] %s\n";
constexpr wchar_t kFallbackNotice[] = L"공용 기록 폴더를 얻지 못해 이 자리로 물러났다: %s";
constexpr unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};
constexpr DWORD kAppendAccess = FILE_APPEND_DATA | SYNCHRONIZE | FILE_READ_ATTRIBUTES;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Where this process logs: a data root and its "logs" folder, both held from
// the first line to the end of the process. The log file is created, opened
// and rotated, and older logs are moved, only by name inside these handles.
struct LogTarget {
  HeldFolder root;
  HeldFolder logs;          // invalid when no folder could be held: nothing is logged
  bool usesFallback = false;  // the machine-wide folders were refused or missing

  // The log file must be the entry of the folder we hold, wherever that is now.
  std::wstring logFinalPath() const { return finalPathOf(logs.handle.get()) + L"\\" + kLogFileName; }
  std::wstring logDisplayPath() const { return logs.path + L"\\" + kLogFileName; }
};

// A data root and its "logs" folder, held; both invalid unless both are.
LogTarget holdLogFolders(const std::wstring& dataRoot, const FolderRules& rootRules, const FolderRules& logsRules) {
  LogTarget target;
  if (dataRoot.empty()) return target;
  HeldFolder root = holdDataFolder(dataRoot, rootRules);
  HeldFolder logs = holdSubfolder(root, kLogFolderName, logsRules);
  if (!logs) return target;
  target.root = std::move(root);
  target.logs = std::move(logs);
  return target;
}

struct LegacyLog {
  const wchar_t* name;
  const wchar_t* newName;  // inside the log folder
};
constexpr LegacyLog kMachineLegacyLogs[] = {
    {L"service.log", L"service.log.old"}, {L"service.log.1", L"service.log.1.old"}, {L"audit.log", L"audit.log"}};
constexpr LegacyLog kUserLegacyLogs[] = {{L"host.log", L"host.log.old"}, {L"host.log.1", L"host.log.1.old"}};

// Moves a log of an older version out of a held, checked folder, by handle:
// only the plain, single-named file of that name in that very folder, never
// what a link leads to, and never over a file already in the log folder.
void moveLegacyLog(const HeldFolder& from, const LegacyLog& legacy, const HeldFolder& logs) {
  RelativeOpen request;
  request.access = DELETE | FILE_READ_ATTRIBUTES;
  request.sharing = kShareAll;
  const ScopedFile file = openInFolder(from.handle.get(), legacy.name, request);
  if (!file || !isSoleNameAt(file.get(), from.finalPath + L"\\" + legacy.name)) return;
  renameIntoFolder(file.get(), logs.handle.get(), legacy.newName, false);
}

// The machine folder's old logs move only when that folder is the log's own,
// held and checked: a refused machine folder is nobody's to move files out of.
void migrateLegacyLogs(const LogTarget& target) {
  if (target.usesFallback) {
    for (const LegacyLog& legacy : kUserLegacyLogs) moveLegacyLog(target.root, legacy, target.logs);
    return;
  }
  for (const LegacyLog& legacy : kMachineLegacyLogs) moveLegacyLog(target.root, legacy, target.logs);
  const HeldFolder userRoot = holdDataFolder(userDataRoot(), FolderRules());
  if (!userRoot) return;
  for (const LegacyLog& legacy : kUserLegacyLogs) moveLegacyLog(userRoot, legacy, target.logs);
}

// The machine-wide folders, or the user's own when those cannot be held. An
// elevated or SYSTEM run refuses machine folders that another account owns or
// whose rights it cannot set.
LogTarget settleLogTarget() {
  const bool elevated = isLocalSystem() || isElevated();
  LogTarget target = holdLogFolders(machineDataRoot(), {kMachineRootSddl, elevated}, {kMachineLogsSddl, elevated});
  if (!target.logs) {
    target = holdLogFolders(userDataRoot(), FolderRules(), FolderRules());
    target.usesFallback = true;
  }
  if (target.logs) migrateLegacyLogs(target);
  return target;
}

// Everything the log keeps for the life of the process, made by the first
// writeLog (thread-safe static initialisation) and never reset.
struct LogState {
  LogState() : target(settleLogTarget()), accountTag(isLocalSystem() ? L"SYS" : isElevated() ? L"ADM" : L"USR") {}

  const LogTarget target;
  const wchar_t* const accountTag;  // "SYS", "ADM" or "USR"
  // Lines that failed in a row, shared by all threads; at
  // log_limits::kMaxConsecutiveFailures the process stops logging.
  std::atomic<unsigned> consecutiveFailures{0};
  // The notice that the user's folder is used has been written.
  std::atomic<bool> fallbackNoticeWritten{false};
};

LogState& logState() {
  static LogState state;
  return state;
}

enum class LineResult { Written, Failed, Unsafe };

struct OpenedLog {
  ScopedFile file;
  bool isNew = false;
};

// Created or opened by name inside the held log folder, never following a
// link; what was opened is checked before anything is written to it.
OpenedLog openLogFile(const LogTarget& target) {
  RelativeOpen request;
  request.access = kAppendAccess | READ_CONTROL | WRITE_DAC;
  request.sharing = kShareAll;
  request.disposition = RelativeDisposition::CreateNew;
  OpenedLog log;
  log.file = openInFolder(target.logs.handle.get(), kLogFileName, request);
  log.isNew = log.file.valid();
  if (!log.file && GetLastError() == ERROR_ALREADY_EXISTS) {
    request.access = kAppendAccess;
    request.disposition = RelativeDisposition::OpenExisting;
    log.file = openInFolder(target.logs.handle.get(), kLogFileName, request);
  }
  return log;
}

LineResult appendUtf8Line(const LogTarget& target, const std::wstring& text) {
  const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return LineResult::Failed;
  const OpenedLog log = openLogFile(target);
  if (!log.file) return LineResult::Failed;
  if (!isSoleNameAt(log.file.get(), target.logFinalPath())) return LineResult::Unsafe;
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
  const ScopedFile full = openFullLog(target.logs.handle.get(), kLogFileName, target.logFinalPath());
  if (full) renameIntoFolder(full.get(), target.logs.handle.get(), kRotatedName, true);
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
  LogState& state = logState();
  const LogTarget& target = state.target;
  if (!target.logs || state.consecutiveFailures.load() >= log_limits::kMaxConsecutiveFailures) return;

  SYSTEMTIME now = {};
  GetLocalTime(&now);
  wchar_t message[log_limits::kMessageChars];
  va_list arguments;
  va_start(arguments, format);
  formatTruncatedV(message, log_limits::kMessageChars, format, arguments);
  va_end(arguments);

  wchar_t line[log_limits::kLineChars];
  formatTruncated(line, log_limits::kLineChars, kLineFormat, unsigned(now.wHour), unsigned(now.wMinute),
                  unsigned(now.wSecond), unsigned(now.wMilliseconds), state.accountTag,
                  static_cast<unsigned long>(GetCurrentProcessId()), message);

  const LineResult result = appendUtf8Line(target, line);
  if (result == LineResult::Unsafe) {
    state.consecutiveFailures.store(log_limits::kMaxConsecutiveFailures);  // runs on without a log
    return;
  }
  if (result == LineResult::Failed) {
    ++state.consecutiveFailures;
    rotateIfFull(target);  // a log grown past the limit takes lines again once rotated
    return;
  }
  state.consecutiveFailures.store(0);
  if (target.usesFallback && !state.fallbackNoticeWritten.exchange(true)) {
    writeLog(kFallbackNotice, target.logDisplayPath().c_str());
  }
  rotateIfFull(target);
}
