#pragma once
// Output of the test programs under Wine: UTF-8 text, one flushed line per
// fact, so a journey reads each line as soon as it is printed.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <string>

inline std::string utf8(const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  return bytes;
}

inline void printLine(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vprintf(format, args);
  va_end(args);
  printf("\n");
  fflush(stdout);
}
