#pragma once
// Shared by the fake product programs: append one UTF-8 line to the record file
// named by NORVANE_FAKE_RECORD (or another variable), so a journey can see what
// was started and how.
#include <windows.h>

#include <string>

#include "text_lines.h"

inline void appendRecord(const std::wstring& line, const wchar_t* variable = L"NORVANE_FAKE_RECORD") {
  wchar_t path[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(variable, path, MAX_PATH)) return;
  const std::wstring text = line + L"\n";
  const std::string bytes = utf8(text);
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

inline std::wstring ownName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  const wchar_t* slash = wcsrchr(path, L'\\');
  return slash ? slash + 1 : path;
}
