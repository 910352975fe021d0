#include "support/log_capture.h"

#include <cstdarg>
#include <cwchar>
#include <mutex>

#include "host/log.h"

namespace {
std::mutex guard;
std::vector<std::wstring> captured;

#ifndef _WIN32
// Our formats use %s for wide strings (the Windows convention); the standard
// wide printf wants %ls.
std::wstring standardFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p; ++p) {
    out += *p;
    if (*p == L'%' && p[1] == L's') out += L'l';
    if (*p == L'%' && p[1] == L'%') out += *++p;
  }
  return out;
}
#endif
}  // namespace

void writeLog(const wchar_t* format, ...) {
  wchar_t message[log_limits::kMessageChars];
  va_list arguments;
  va_start(arguments, format);
#ifdef _WIN32
  _vsnwprintf(message, log_limits::kMessageChars - 1, format, arguments);
  message[log_limits::kMessageChars - 1] = L'\0';
#else
  vswprintf(message, log_limits::kMessageChars, standardFormat(format).c_str(), arguments);
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
