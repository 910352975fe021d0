// Times a program's start-up from inside Windows: starts it with
// CreateProcessW and polls, with QueryPerformanceCounter, for a moment of its
// start-up. Prints microseconds since just before CreateProcessW.
//   startup_timer window TIMEOUT_MS PROGRAM [ARGUMENT ...]
//     "visible-us N": the setup window is visible; "painted-us N": its
//     background colour has reached the screen (-1 when never seen); then
//     the program is ended.
//   startup_timer process NAME TIMEOUT_MS PROGRAM [ARGUMENT ...]
//     "process-us N": a process whose file name is NAME exists; then the
//     program is waited for (at most TIMEOUT_MS) and "exit-code N" printed.
//   startup_timer run TIMEOUT_MS PROGRAM [ARGUMENT ...]
//     waits for the program to end: "exit-us N" (wall time), "peak-bytes N"
//     (the largest of its peak working set and peak commit, sampled every
//     few milliseconds while it runs: Wine has no figures for an ended
//     process) and "exit-code N".
// Exit 0 when the moment was seen, 2 when not in time, 3 on bad usage,
// 4 when the program did not start.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "quoted_command_line.h"

namespace {

constexpr wchar_t kWindowClass[] = L"NorvaneSetupWindow";
constexpr DWORD kPollSleepMs = 1;
constexpr COLORREF kWindowBackground = RGB(37, 37, 38);
constexpr int kColourTolerance = 2;
constexpr int kSampleInsetPx = 6;
constexpr DWORD kMemorySampleMs = 2;

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  long long elapsedMicroseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return (now.QuadPart - start_.QuadPart) * 1000000LL / frequency_.QuadPart;
  }

 private:
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
};

class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE handle = nullptr) : handle_(handle) {}
  ~OwnedHandle() {
    if (handle_ && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

class ScreenDc {
 public:
  ScreenDc() : dc_(GetDC(nullptr)) {}
  ~ScreenDc() {
    if (dc_) ReleaseDC(nullptr, dc_);
  }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

bool startProgram(int argc, wchar_t** argv, int first, PROCESS_INFORMATION& info) {
  std::wstring commandLine = quotedCommandLine(argc, argv, first);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  return CreateProcessW(argv[first], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info) != FALSE;
}

template <typename Seen>
bool pollUntil(const Stopwatch& clock, DWORD timeoutMs, Seen seen) {
  while (!seen()) {
    if (clock.elapsedMicroseconds() > static_cast<long long>(timeoutMs) * 1000) return false;
    Sleep(kPollSleepMs);
  }
  return true;
}

HWND visibleSetupWindow() {
  HWND window = FindWindowW(kWindowClass, nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

bool isBackground(COLORREF pixel) {
  return pixel != CLR_INVALID && std::abs(int(GetRValue(pixel)) - int(GetRValue(kWindowBackground))) <= kColourTolerance &&
         std::abs(int(GetGValue(pixel)) - int(GetGValue(kWindowBackground))) <= kColourTolerance &&
         std::abs(int(GetBValue(pixel)) - int(GetBValue(kWindowBackground))) <= kColourTolerance;
}

// A few points just inside the window's corners and edges; the window is
// painted on the screen once any of them shows the background colour.
bool backgroundOnScreen(HDC screen, HWND window) {
  RECT box;
  if (!GetWindowRect(window, &box)) return false;
  const LONG midX = (box.left + box.right) / 2, midY = (box.top + box.bottom) / 2;
  const POINT samples[] = {{box.left + kSampleInsetPx, box.top + kSampleInsetPx},
                           {box.right - kSampleInsetPx - 1, box.bottom - kSampleInsetPx - 1},
                           {box.left + kSampleInsetPx, midY},
                           {midX, box.bottom - kSampleInsetPx - 1},
                           {box.left + kSampleInsetPx, box.bottom - kSampleInsetPx - 1}};
  for (const POINT& at : samples) {
    if (isBackground(GetPixel(screen, at.x, at.y))) return true;
  }
  return false;
}

bool processExists(const wchar_t* fileName) {
  OwnedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (snapshot.get() == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, fileName) == 0) return true;
  }
  return false;
}

int timeWindow(int argc, wchar_t** argv) {
  const DWORD timeoutMs = DWORD(_wtoi(argv[2]));
  ScreenDc screen;
  PROCESS_INFORMATION info = {};
  const Stopwatch clock;
  if (!startProgram(argc, argv, 3, info)) return 4;
  OwnedHandle process(info.hProcess), thread(info.hThread);
  HWND window = nullptr;
  const bool shown = pollUntil(clock, timeoutMs, [&] { return (window = visibleSetupWindow()) != nullptr; });
  const long long visibleUs = clock.elapsedMicroseconds();
  const bool painted = shown && pollUntil(clock, timeoutMs, [&] { return backgroundOnScreen(screen.get(), window); });
  const long long paintedUs = clock.elapsedMicroseconds();
  TerminateProcess(process.get(), 0);
  WaitForSingleObject(process.get(), timeoutMs);
  if (!shown) return 2;
  std::printf("visible-us %lld\npainted-us %lld\n", visibleUs, painted ? paintedUs : -1LL);
  return 0;
}

int timeProcess(int argc, wchar_t** argv) {
  const wchar_t* name = argv[2];
  const DWORD timeoutMs = DWORD(_wtoi(argv[3]));
  PROCESS_INFORMATION info = {};
  const Stopwatch clock;
  if (!startProgram(argc, argv, 4, info)) return 4;
  OwnedHandle process(info.hProcess), thread(info.hThread);
  const bool started = pollUntil(clock, timeoutMs, [&] { return processExists(name); });
  const long long startedUs = clock.elapsedMicroseconds();
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.get(), &code);
  } else {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), timeoutMs);
  }
  std::printf("exit-code %lu\n", static_cast<unsigned long>(code));
  if (!started) return 2;
  std::printf("process-us %lld\n", startedUs);
  return 0;
}

size_t peakMemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  if (!GetProcessMemoryInfo(process, &memory, sizeof memory)) return 0;
  return std::max(memory.PeakWorkingSetSize, memory.PeakPagefileUsage);
}

int timeRun(int argc, wchar_t** argv) {
  const DWORD timeoutMs = DWORD(_wtoi(argv[2]));
  PROCESS_INFORMATION info = {};
  const Stopwatch clock;
  if (!startProgram(argc, argv, 3, info)) return 4;
  OwnedHandle process(info.hProcess), thread(info.hThread);
  size_t peak = 0;
  bool ended = false;
  while (!(ended = WaitForSingleObject(process.get(), kMemorySampleMs) == WAIT_OBJECT_0)) {
    peak = std::max(peak, peakMemoryOf(process.get()));
    if (clock.elapsedMicroseconds() > static_cast<long long>(timeoutMs) * 1000) break;
  }
  const long long endedUs = clock.elapsedMicroseconds();
  if (!ended) {
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), timeoutMs);
    return 2;
  }
  DWORD code = 0;
  GetExitCodeProcess(process.get(), &code);
  std::printf("exit-us %lld\npeak-bytes %llu\nexit-code %lu\n", endedUs, static_cast<unsigned long long>(peak),
              static_cast<unsigned long>(code));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && wcscmp(argv[1], L"window") == 0) return timeWindow(argc, argv);
  if (argc >= 5 && wcscmp(argv[1], L"process") == 0) return timeProcess(argc, argv);
  if (argc >= 4 && wcscmp(argv[1], L"run") == 0) return timeRun(argc, argv);
  return 3;
}
