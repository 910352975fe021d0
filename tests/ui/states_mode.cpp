// Sizes, placement, buttons and looks of every state, with optional pauses
// for screenshots.
#include <iterator>

#include "driver_support.h"

using namespace driver;

namespace {
constexpr wchar_t kFace[] = L"Malgun Gothic";
constexpr wchar_t kHighContrastVariable[] = L"NORVANE_TEST_HIGH_CONTRAST";
constexpr wchar_t kLongNote[] =
    L"다운로드가 끝나면 설치를 시작합니다. 설치가 끝날 때까지 이 창을 닫지 마세요. 인터넷 연결이 느리면 몇 분 걸릴 수 "
    L"있습니다.";

// Line heights measured with fonts made here, independently of the window's own.
int lineHeight(int pixels, int weight, int dpi) {
  HFONT font = CreateFontW(-MulDiv(pixels, dpi, 96), 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH, kFace);
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, font);
  RECT bounds{0, 0, 1000, 0};
  DrawTextW(screen, L"가", 1, &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  DeleteObject(font);
  return bounds.bottom - bounds.top;
}

void reportButton(const char* state, HWND window, int id) {
  const HWND button = GetDlgItem(window, id);
  if (!button) {
    printLine("button %s %d missing", state, id);
    return;
  }
  RECT rect{};
  GetWindowRect(button, &rect);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  wchar_t caption[32] = {};
  GetWindowTextW(button, caption, 32);
  printLine("button %s %d %d %ld %ld %ld %ld %s", state, id, IsWindowVisible(button) ? 1 : 0, rect.left, rect.top,
            rect.right, rect.bottom, utf8(caption).c_str());
}

void reportState(const char* name) {
  const HWND window = setupWindow();
  RECT rect{};
  RECT client{};
  GetWindowRect(window, &rect);
  GetClientRect(window, &client);
  printLine("state %s %ld %ld %ld %ld client %ld %ld", name, rect.left, rect.top, rect.right, rect.bottom,
            client.right, client.bottom);
  for (int id : {kMinimizeId, kCancelCloseId, kRetryId}) reportButton(name, window, id);
}

struct NamedView {
  const char* name;
  SetupViewState view;
};

SetupViewState withNote(SetupViewState view, const wchar_t* note) {
  view.note = note;
  return view;
}

void showAndReport(const char* name, const SetupViewState& view, bool handshake) {
  applyView(view);
  settle(100);
  reportState(name);
  holdForScreenshot(name, handshake);
}

void reportFrame(HWND window) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  printLine("title %s", utf8(title).c_str());
  printLine("style %08lx exstyle %08lx", GetWindowLongW(window, GWL_STYLE), GetWindowLongW(window, GWL_EXSTYLE));
  wchar_t className[64] = {};
  GetClassNameW(window, className, 64);
  printLine("classstyle %08lx", GetClassLongW(window, GCL_STYLE));
}
}  // namespace

int runStatesMode(bool handshake) {
  const int dpi = screenDpi();
  printLine("dpi %d", dpi);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  printRect("workarea", "-", work);
  printLine("lineheight heading %d", lineHeight(14, 600, dpi));
  printLine("lineheight detail %d", lineHeight(13, 400, dpi));
  printLine("lineheight note %d", lineHeight(12, 400, dpi));

  hearAnnouncementsInContext();
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!openSetupWindow(instance)) {
    printLine("open 0");
    return 1;
  }
  printLine("open 1");
  printLine("reopen %d windows %d", openSetupWindow(instance) ? 1 : 0, countSetupWindows());
  settle(200);
  reportFrame(setupWindow());
  reportState("preparing");
  holdForScreenshot("preparing", handshake);

  const NamedView views[] = {
      {"downloading-moving", progressView(64, -1)},
      {"downloading-0", progressView(64, 0)},
      {"downloading-42", progressView(64, 42)},
      {"checking", progressView(32, 100)},
      {"failed", failureView()},
      {"cancelling", cancellingView()},
      {"long-note", withNote(progressView(64, 42), kLongNote)},
  };
  for (const NamedView& named : views) showAndReport(named.name, named.view, handshake);

  // Keyboard use reveals the focus ring; the mouse over the primary button lights it.
  applyView(failureView());
  SetFocus(setupWindow());
  settle(50);
  postKey(keyboardTarget(), VK_TAB);
  settle(100);
  reportState("failed-focus");
  holdForScreenshot("failed-focus", handshake);

  applyView(failureView());
  SetFocus(setupWindow());
  RECT retry{};
  GetWindowRect(GetDlgItem(setupWindow(), kRetryId), &retry);
  SetCursorPos((retry.left + retry.right) / 2, (retry.top + retry.bottom) / 2);
  settle(300);
  reportState("failed-hover");
  holdForScreenshot("failed-hover", handshake);
  SetCursorPos(0, 0);
  // Wine reports the pointer's leave on a timer of its own, sometimes after
  // the next screenshot: deliver it now so no later shot shows the lit button.
  SendMessageW(GetDlgItem(setupWindow(), kRetryId), WM_MOUSELEAVE, 0, 0);

  // A failure while the user looks elsewhere; a screen reader's client takes
  // the foreground away and gives it back.
  applyView(progressView(64, 42));
  applyView(failureView());
  settle(100);
  reportState("failed-away");
  holdForScreenshot("failed-away", handshake);

  // High contrast switched off while the window is open: it repaints at once.
  if (GetEnvironmentVariableW(kHighContrastVariable, nullptr, 0)) {
    SetEnvironmentVariableW(kHighContrastVariable, nullptr);
    SendMessageW(setupWindow(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    holdForScreenshot("contrast-off", handshake);
  }

  closeSetupWindow();
  printLine("closed windows %d", countSetupWindows());
  if (!openSetupWindow(instance)) return 1;
  settle(100);
  reportState("reopened");
  closeSetupWindow();
  return 0;
}
