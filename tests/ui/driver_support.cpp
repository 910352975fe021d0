#include "driver_support.h"

#include <cstdio>

namespace driver {
namespace {
constexpr int kClassChars = 64;
constexpr LPARAM kAltDown = LPARAM(1) << 29;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED
constexpr int kTextChars = 256;

void CALLBACK hearEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG objectId, LONG, DWORD, DWORD) {
  if (!hwnd || objectId != OBJID_CLIENT) return;
  wchar_t name[kClassChars] = {};
  GetClassNameW(hwnd, name, kClassChars);
  wchar_t text[kTextChars] = {};
  GetWindowTextW(hwnd, text, kTextChars);
  printLine("heard %s %s %d %s", event == EVENT_OBJECT_FOCUS ? "focus" : "liveregion", utf8(name).c_str(),
            GetDlgCtrlID(hwnd), utf8(text).c_str());
}

BOOL CALLBACK countIfSetupWindow(HWND window, LPARAM counter) {
  wchar_t name[kClassChars] = {};
  GetClassNameW(window, name, kClassChars);
  if (lstrcmpW(name, kSetupClass) == 0) ++*reinterpret_cast<int*>(counter);
  return TRUE;
}
}  // namespace

HWND setupWindow() { return FindWindowW(kSetupClass, nullptr); }

void hearAnnouncementsInContext() {
  const DWORD flags = WINEVENT_INCONTEXT;
  const HMODULE self = GetModuleHandleW(nullptr);
  SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, self, hearEvent, GetCurrentProcessId(), 0, flags);
  SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, self, hearEvent, GetCurrentProcessId(), 0, flags);
}

int countSetupWindows() {
  int count = 0;
  EnumWindows(countIfSetupWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

int32_t screenDpi() {
  HDC screen = GetDC(nullptr);
  const int32_t dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  return dpi;
}

PumpResult settle(uint32_t ms) { return pumpSetupWindow(ms, nullptr, 0); }

void postKey(HWND target, UINT virtualKey) {
  PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
  PostMessageW(target, WM_KEYUP, virtualKey, LPARAM(1) | (LPARAM(3) << 30));
}

void postAltF4(HWND window) {
  PostMessageW(window, WM_SYSKEYDOWN, VK_F4, 1 | kAltDown);
  PostMessageW(window, WM_SYSKEYUP, VK_F4, 1 | kAltDown | (LPARAM(3) << 30));
}

void postClick(HWND button) {
  RECT client{};
  GetClientRect(button, &client);
  const LPARAM centre = MAKELPARAM(client.right / 2, client.bottom / 2);
  PostMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, centre);
  PostMessageW(button, WM_LBUTTONUP, 0, centre);
}

HWND keyboardTarget() {
  const HWND focused = GetFocus();
  return focused ? focused : setupWindow();
}

void printRect(const char* label, const char* name, const RECT& rect) {
  printLine("%s %s %ld %ld %ld %ld", label, name, rect.left, rect.top, rect.right, rect.bottom);
}

// Prints the pump's outcome as "index event": -1 for a user event, -2 for a
// timeout, else the signalled handle's index.
void printPump(const char* scenario, const PumpResult& result) {
  int index = -2;
  if (result.outcome == PumpOutcome::UserEvent) index = -1;
  if (result.outcome == PumpOutcome::HandleSignalled) index = int(result.index);
  printLine("pump %s %d %d", scenario, index, int(result.event));
}

DWORD WINAPI readOneLine(void* done) {
  char line[64];
  if (!fgets(line, sizeof line, stdin)) line[0] = 0;
  SetEvent(static_cast<HANDLE>(done));
  return 0;
}

void holdForScreenshot(const char* name, bool handshake) {
  if (!handshake) return;
  settle(200);  // let the window system show the last paint
  RECT rect{};
  GetWindowRect(setupWindow(), &rect);
  printRect("shot", name, rect);
  // The window keeps serving messages while held: screen readers and input
  // from other processes reach it, and what they ask for is printed.
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE reader = CreateThread(nullptr, 0, readOneLine, done, 0, nullptr);
  for (;;) {
    const PumpResult result = pumpSetupWindow(kPumpWaitForever, &done, 1);
    if (result.outcome != PumpOutcome::UserEvent) break;
    printLine("held %s %d", name, int(result.event));
  }
  WaitForSingleObject(reader, INFINITE);
  CloseHandle(reader);
  CloseHandle(done);
}
}  // namespace driver
