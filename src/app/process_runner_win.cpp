#include "app/process_runner_win.h"

#include <vector>

#include "host/locations.h"
#include "host/log.h"
#include "host/handles_win.h"

namespace {
constexpr uint32_t kFailedWaitExitCode = 1;
}  // namespace

std::wstring quotedCommandLine(const std::wstring& path, const std::wstring& arguments) {
  return L"\"" + path + L"\" " + arguments;
}

bool startProgram(const std::wstring& path, const std::wstring& arguments, HANDLE* process, DWORD* error) {
  if (process) *process = nullptr;
  if (error) *error = kErrorInvalidParameter;
  if (!process || !error) return false;
  // A quote would end the quoted path early; our own file is never started.
  if (path.empty() || path.find(L'"') != std::wstring::npos || samePath(path, ownModulePath())) return false;

  const std::wstring commandLine = quotedCommandLine(path, arguments);
  std::vector<wchar_t> writable(commandLine.begin(), commandLine.end());
  writable.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(path.c_str(), writable.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    *error = GetLastError();
    return false;
  }
  CloseHandle(info.hThread);
  *process = info.hProcess;
  *error = 0;
  return true;
}

uint32_t waitForProgram(HANDLE rawProcess) {
  if (!rawProcess) return kFailedWaitExitCode;
  const ScopedHandle process(rawProcess);
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjects(1, &rawProcess, FALSE, INFINITE, QS_ALLINPUT);
    if (woke == WAIT_OBJECT_0) {
      DWORD code = 0;
      return GetExitCodeProcess(process.get(), &code) ? code : kFailedWaitExitCode;
    }
    if (woke != WAIT_OBJECT_0 + 1) return kFailedWaitExitCode;
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // Not ours to swallow: whoever pumps next must see it too. The started
        // program keeps running.
        PostQuitMessage(int(message.wParam));
        return kFailedWaitExitCode;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

bool runProgramAndWait(const std::wstring& path, const std::wstring& arguments, uint32_t& exitCode) {
  HANDLE process = nullptr;
  DWORD error = 0;
  if (!startProgram(path, arguments, &process, &error)) {
    writeLog(L"온라인 설치기: Norvane을 실행하지 못했다 (%lu)", static_cast<unsigned long>(error));
    return false;
  }
  exitCode = waitForProgram(process);
  return true;
}
