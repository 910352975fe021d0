#pragma once
// The command line for argv[first..argc): enough quoting for the arguments of
// journeys and benchmarks (blanks and quotes survive CommandLineToArgvW).
#include <string>

inline std::wstring quotedArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  for (wchar_t c : argument) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}

inline std::wstring quotedCommandLine(int argc, wchar_t** argv, int first) {
  std::wstring commandLine = quotedArgument(argv[first]);
  for (int i = first + 1; i < argc; ++i) commandLine += L" " + quotedArgument(argv[i]);
  return commandLine;
}
