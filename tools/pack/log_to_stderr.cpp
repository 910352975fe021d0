// The payload reader's log lines go to stderr in the tool, where they tell the
// release engineer why a file has no usable payload.
#include <cstdarg>
#include <cstdio>
#include <cwchar>
#include <string>

#include "host/log.h"
#include "host/wide_format.h"

void writeLog(const wchar_t* format, ...) {
  const std::wstring standard = standardWideFormat(format);
  wchar_t message[log_limits::kMessageChars];
  va_list arguments;
  va_start(arguments, format);
  vswprintf(message, log_limits::kMessageChars, standard.c_str(), arguments);
  va_end(arguments);
  std::string utf8;
  for (const wchar_t* p = message; *p; ++p) {
    const uint32_t c = uint32_t(*p);
    if (c < 0x80) {
      utf8 += char(c);
    } else if (c < 0x800) {
      utf8 += char(0xC0 | c >> 6);
      utf8 += char(0x80 | (c & 0x3F));
    } else {
      utf8 += char(0xE0 | c >> 12);
      utf8 += char(0x80 | ((c >> 6) & 0x3F));
      utf8 += char(0x80 | (c & 0x3F));
    }
  }
  std::fprintf(stderr, "payload: %s\n", utf8.c_str());
}
