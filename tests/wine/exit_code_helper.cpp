// Runs a program and writes its full 32-bit exit code to a file: a Unix exit
// status keeps only the low 8 bits, and 1223 must not read as 199.
// usage: exit_code_helper OUT_FILE PROGRAM [ARGUMENT ...]
#include <windows.h>

#include <cstdio>
#include <string>

#include "quoted_command_line.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 3;
  std::wstring commandLine = quotedCommandLine(argc, argv, 2);
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
