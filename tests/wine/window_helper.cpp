// Drives the real setup window from outside, as a user would:
//   window_helper click CAPTION TIMEOUT_MS   presses the visible drawn button with that caption
//   window_helper wait CAPTION TIMEOUT_MS    waits until the button with that caption shows
//   window_helper quick-clicks FIRST SECOND TIMEOUT_MS  clicks FIRST with the mouse, then SECOND as
//                                            soon as it shows, within the double-click time
//   window_helper close TIMEOUT_MS           asks the window to close (Alt+F4)
//   window_helper close-when CAPTION TIMEOUT_MS  the same once the button with that caption shows
//   window_helper shown TIMEOUT_MS           waits until the window is shown
// Exit 0 when done, 2 when the window or button did not appear in time, 4 when
// SECOND did not show within the double-click time.
#include <windows.h>

#include <cstdlib>
#include <cwchar>

namespace {
constexpr wchar_t kWindowClass[] = L"NorvaneSetupWindow";
constexpr DWORD kPollMs = 50;

struct ButtonSearch {
  const wchar_t* caption;
  HWND found;
};

BOOL CALLBACK matchButton(HWND child, LPARAM context) {
  auto* search = reinterpret_cast<ButtonSearch*>(context);
  wchar_t text[64] = {};
  GetWindowTextW(child, text, 64);
  if (IsWindowVisible(child) && wcscmp(text, search->caption) == 0) {
    search->found = child;
    return FALSE;
  }
  return TRUE;
}

HWND visibleSetupWindow() {
  HWND window = FindWindowW(kWindowClass, nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

template <typename Found>
bool waitFor(DWORD timeout, Found found) {
  const DWORD start = GetTickCount();
  while (!found()) {
    if (GetTickCount() - start > timeout) return false;
    Sleep(kPollMs);
  }
  return true;
}
}  // namespace

HWND findButton(const wchar_t* caption, DWORD timeout) {
  ButtonSearch search{caption, nullptr};
  waitFor(timeout, [&] {
    HWND window = visibleSetupWindow();
    if (window) EnumChildWindows(window, matchButton, reinterpret_cast<LPARAM>(&search));
    return search.found != nullptr;
  });
  return search.found;
}

// A user needs a moment to aim at a button that just appeared: the window
// ignores clicks within the double-click time after its buttons change.
HWND waitForButton(const wchar_t* caption, DWORD timeout) {
  const HWND button = findButton(caption, timeout);
  if (button) Sleep(GetDoubleClickTime() + kPollMs);
  return button;
}

void mouseClick(HWND button) {
  RECT rect{};
  GetWindowRect(button, &rect);
  SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  INPUT press[2] = {};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, press, sizeof(INPUT));
}

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && wcscmp(argv[1], L"click") == 0) {
    HWND button = waitForButton(argv[2], DWORD(_wtoi(argv[3])));
    if (!button) return 2;
    PostMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    return 0;
  }
  if (argc == 4 && wcscmp(argv[1], L"wait") == 0) return findButton(argv[2], DWORD(_wtoi(argv[3]))) ? 0 : 2;
  if (argc == 5 && wcscmp(argv[1], L"quick-clicks") == 0) {
    HWND first = waitForButton(argv[2], DWORD(_wtoi(argv[4])));
    if (!first) return 2;
    SetForegroundWindow(GetParent(first));
    mouseClick(first);
    HWND second = findButton(argv[3], GetDoubleClickTime() / 2);
    if (!second) return 4;
    mouseClick(second);
    return 0;
  }
  if (argc == 4 && wcscmp(argv[1], L"close-when") == 0) {
    HWND button = waitForButton(argv[2], DWORD(_wtoi(argv[3])));
    if (!button) return 2;
    PostMessageW(GetParent(button), WM_CLOSE, 0, 0);
    return 0;
  }
  if (argc == 3 && wcscmp(argv[1], L"close") == 0) {
    HWND window = nullptr;
    if (!waitFor(DWORD(_wtoi(argv[2])), [&] { return (window = visibleSetupWindow()) != nullptr; })) return 2;
    PostMessageW(window, WM_CLOSE, 0, 0);
    return 0;
  }
  if (argc == 3 && wcscmp(argv[1], L"shown") == 0) {
    return waitFor(DWORD(_wtoi(argv[2])), [] { return visibleSetupWindow() != nullptr; }) ? 0 : 2;
  }
  return 3;
}
