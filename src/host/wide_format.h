#pragma once
// Our log formats follow the Windows C library, where %s in a wide format takes
// a wide string. The standard wide printf of other platforms wants %ls: tools
// and tests that format our log lines off Windows convert the format first.
#include <string>

inline std::wstring standardWideFormat(const wchar_t* format) {
  std::wstring out;
  for (const wchar_t* p = format; *p; ++p) {
    out += *p;
    if (*p == L'%' && p[1] == L's') out += L'l';
    if (*p == L'%' && p[1] == L'%') out += *++p;
  }
  return out;
}
