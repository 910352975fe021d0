// The floor of a window program's start-up: a bare Win32 window of the setup
// window's size, style and background colour, painted with one FillRect. It
// uses the setup window's class name so that startup_timer finds and samples
// it exactly as it does the program's window. Runs until it is ended.
#include <windows.h>

namespace {

constexpr wchar_t kClassName[] = L"NorvaneSetupWindow";  // what startup_timer looks for
constexpr COLORREF kBackground = RGB(37, 37, 38);
constexpr int kWidth = 380;   // the setup window at 96 dpi
constexpr int kHeight = 200;

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      HBRUSH brush = CreateSolidBrush(kBackground);
      FillRect(dc, &paint.rcPaint, brush);
      DeleteObject(brush);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = windowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.lpszClassName = kClassName;
  if (!RegisterClassExW(&windowClass)) return 1;
  HWND window = CreateWindowExW(WS_EX_APPWINDOW, kClassName, L"bare", WS_POPUP | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                                kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
