#include "support/log_capture.h"

#include <cstdarg>
#include <cwchar>
#include <mutex>

#include "host/log.h"
#include "host/wide_format.h"

namespace {
std::mutex guard;
std::vector<std::wstring> captured;
}  // namespace

void writeLog(const wchar_t* format, ...) {
  wchar_t message[log_limits::kMessageChars];
  va_list arguments;
  va_start(arguments, format);
#ifdef _WIN32
  _vsnwprintf(message, log_limits::kMessageChars - 1, format, arguments);
  message[log_limits::kMessageChars - 1] = L'\0';
#else
  vswprintf(message, log_limits::kMessageChars, standardWideFormat(format).c_str(), arguments);
#endif
  va_end(arguments);
  std::lock_guard lock(guard);
  captured.emplace_back(message);
}

namespace log_capture {
void clear() {
  std::lock_guard lock(guard);
  captured.clear();
}
std::vector<std::wstring> lines() {
  std::lock_guard lock(guard);
  return captured;
}
}  // namespace log_capture
