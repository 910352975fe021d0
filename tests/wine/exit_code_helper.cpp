// Runs a program and writes its full 32-bit exit code to a file: a Unix exit
// status keeps only the low 8 bits, and 1223 must not read as 199.
// usage: exit_code_helper OUT_FILE PROGRAM [ARGUMENT ...]
#include <windows.h>

#include <cstdio>
#include <string>

namespace {
// Enough quoting for the journeys' arguments: blanks and quotes survive.
std::wstring quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring out = L"\"";
  for (wchar_t c : argument) {
    if (c == L'"') out += L'\\';
    out += c;
  }
  return out + L"\"";
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 3;
  std::wstring commandLine = quoted(argv[2]);
  for (int i = 3; i < argc; ++i) commandLine += L" " + quoted(argv[i]);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return 4;
  }
  CloseHandle(info.hThread);
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hProcess);
  FILE* out = _wfopen(argv[1], L"w");
  if (!out) return 5;
  fprintf(out, "%lu\n", static_cast<unsigned long>(code));
  fclose(out);
  return int(code & 0xFF);
}
