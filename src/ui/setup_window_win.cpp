// The setup window on screen: class, creation, placement, window procedure
// and the message pump that hands the user's requests to the install flow.
#include <dwmapi.h>
#include <windowsx.h>

#include "host/system_dll_win.h"
#include "ui/colours.h"
#include "ui/gdi_handles_win.h"
#include "ui/setup_access_win.h"
#include "ui/setup_paint_win.h"
#include "ui/setup_texts.h"
#include "ui/setup_window_win.h"
#include "ui/setup_window_state_win.h"

namespace {
constexpr wchar_t kClassName[] = L"NorvaneSetupWindow";
constexpr WORD kIconResource = 1;
constexpr DWORD kWindowStyle = WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX;
constexpr int kMinimizeId = 10;
constexpr int kCancelCloseId = 11;
constexpr int kRetryId = 12;
constexpr UINT_PTR kAnimationTimer = 1;
constexpr UINT kAnimationIntervalMs = 30;
// Posted by openSetupWindow after the first frame.
constexpr UINT kStartAnnouncingMessage = WM_APP + 1;
// Not in every SDK's dwmapi.h: Windows 11 attributes, ignored by older systems.
constexpr DWORD kDwmWindowCornerPreference = 33;
constexpr DWORD kDwmBorderColour = 34;
constexpr DWORD kDwmCornerRound = 2;
constexpr int kClassNameChars = 16;  // 15 characters: enough to tell "Button" apart
constexpr int kCaptionChars = 16;    // the footer captions are short
constexpr wchar_t kButtonClass[] = L"Button";
// MsgWaitForMultipleObjects keeps one slot for the message queue.
constexpr uint32_t kMaxPumpHandles = MAXIMUM_WAIT_OBJECTS - 1;
constexpr PumpResult kTimedOut{};
#ifdef NORVANE_TEST_BUILD
// Wine cannot switch high contrast on: the journeys ask for it here.
constexpr wchar_t kTestHighContrastVariable[] = L"NORVANE_TEST_HIGH_CONTRAST";
#endif

// Measures the window's texts with GDI on a DC, for the pure layout.
class GdiTextMeasurer : public TextMeasurer {
 public:
  explicit GdiTextMeasurer(HDC dc) : dc_(dc) {}

  int32_t lineWidth(SetupFontRole font, std::wstring_view text) const override {
    ScopedSelectObject select(dc_, setupWindowState().font(font));
    SIZE size{};
    if (!GetTextExtentPoint32W(dc_, text.data(), int(text.size()), &size)) return 0;
    return int32_t(size.cx);
  }

  int32_t blockHeight(SetupFontRole font, std::wstring_view wrapped, int32_t width) const override {
    ScopedSelectObject select(dc_, setupWindowState().font(font));
    RECT bounds{0, 0, LONG(width), 0};
    DrawTextW(dc_, wrapped.data(), int(wrapped.size()), &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return int32_t(bounds.bottom - bounds.top);
  }

 private:
  HDC dc_;
};

void ensureSetupFonts(SetupWindowState& state) {
  if (state.fontsCreated) return;
  for (int32_t i = 0; i < kSetupFontCount; ++i) {
    const SetupFontDescription& font = kSetupFontDescriptions[i];
    state.fonts[i] = CreateFontW(-scaleForDpi(font.pixelSize, state.screenDpi), 0, 0, 0, font.weight, FALSE, FALSE,
                                 FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 DEFAULT_PITCH | FF_DONTCARE, kSetupFontFace);
  }
  state.fontsCreated = true;
}

int32_t readScreenDpi() {
  ScopedWindowDc screen(nullptr);
  return screen ? int32_t(GetDeviceCaps(screen.get(), LOGPIXELSX)) : kBaseDpi;
}

HICON loadWindowIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                                       GetSystemMetrics(widthMetric), GetSystemMetrics(heightMetric), 0));
}

LRESULT CALLBACK setupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

bool registerSetupWindowClass(HINSTANCE instance) {
  bool& classRegistered = setupWindowState().classRegistered;
  if (classRegistered) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof(windowClass);
  windowClass.style = CS_DROPSHADOW;
  windowClass.lpfnWndProc = setupWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = loadWindowIcon(instance, SM_CXICON, SM_CYICON);
  windowClass.hIconSm = loadWindowIcon(instance, SM_CXSMICON, SM_CYSMICON);
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = nullptr;  // the painter covers every pixel
  windowClass.lpszClassName = kClassName;
  classRegistered = RegisterClassExW(&windowClass) != 0;
  return classRegistered;
}

// Rounded corners and a border in the window's border colour on Windows 11
// (the system's window text in high contrast); older systems keep square
// corners. Applied again whenever the colours change.
void applyWindowFrameAttributes(HWND window) {
  if (!isSystemDllLoadable(L"dwmapi.dll")) return;
  const DWORD corner = kDwmCornerRound;
  if (FAILED(DwmSetWindowAttribute(window, kDwmWindowCornerPreference, &corner, sizeof(corner)))) return;
  const COLORREF border = COLORREF(setupWindowState().colours.border);
  DwmSetWindowAttribute(window, kDwmBorderColour, &border, sizeof(border));
}

HWND createButton(HWND parent, const wchar_t* caption, DWORD style, int id, ButtonStyle look) {
  const HWND button = CreateWindowExW(0, L"BUTTON", caption, WS_CHILD | BS_OWNERDRAW | style, 0, 0, 0, 0, parent,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                      setupWindowState().instance, nullptr);
  attachButtonStyle(button, look);
  return button;
}

// Reading order is creation order: the texts and the bar, then the buttons.
void createChildren(SetupWindowState& state) {
  createReadableBlocks(state.window);
  state.minimizeButton = createButton(state.window, setup_texts::kMinimizeCaption, 0, kMinimizeId,
                                      ButtonStyle::CaptionGlyphButton);
  state.cancelButton =
      createButton(state.window, setup_texts::kCancelCaption, WS_TABSTOP, kCancelCloseId, ButtonStyle::OutlineButton);
  state.retryButton =
      createButton(state.window, setup_texts::kRetryCaption, WS_TABSTOP, kRetryId, ButtonStyle::PrimaryButton);
  if (state.minimizeButton) ShowWindow(state.minimizeButton, SW_SHOW);
}

void moveButton(HWND button, const LayoutRect& rect) {
  if (button) MoveWindow(button, rect.left, rect.top, rect.width(), rect.height(), TRUE);
}

void setCaptionIfChanged(HWND button, const wchar_t* caption) {
  wchar_t current[kCaptionChars] = {};
  GetWindowTextW(button, current, kCaptionChars);
  if (lstrcmpW(current, caption) != 0) SetWindowTextW(button, caption);
}

// A button that goes away hands the focus to the window, so no hidden
// button keeps it (Enter would press it).
void showButton(HWND button, bool shown) {
  ShowWindow(button, shown ? SW_SHOW : SW_HIDE);
  if (shown) return;
  HWND& focusOnReturn = setupWindowState().focusOnReturn;
  if (focusOnReturn == button) focusOnReturn = nullptr;
  if (GetFocus() == button) SetFocus(GetParent(button));  // hidden first: the window cannot hand it back
}

void placeFooterButtons() {
  const SetupWindowState& state = setupWindowState();
  const FooterPlacement placement = footerPlacement(state.view.buttons, state.layout.separatorRect, state.screenDpi);
  moveButton(state.minimizeButton, placement.minimize);
  moveButton(state.cancelButton, placement.cancelClose);
  if (placement.showRetry) moveButton(state.retryButton, placement.retry);
  if (state.cancelButton) {
    setCaptionIfChanged(state.cancelButton, placement.cancelCloseCaption);
    showButton(state.cancelButton, placement.showCancelClose);
  }
  if (state.retryButton) showButton(state.retryButton, placement.showRetry);
}

LayoutRect workArea() {
  RECT area{};
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return toLayoutRect(area);
}

void relayoutSetupWindow() {
  SetupWindowState& state = setupWindowState();
  {
    ScopedWindowDc dc(state.window);
    const GdiTextMeasurer measurer(dc.get());
    state.layout = layoutSetupWindow(state.view, state.screenDpi, measurer);
  }
  const int32_t width = setupWindowWidth(state.screenDpi);
  const int32_t height = state.layout.windowHeight;
  if (state.placed) {
    // Later layouts keep the top-left corner: the window grows downward.
    SetWindowPos(state.window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    const LayoutPoint origin = centredOrigin(workArea(), width, height);
    SetWindowPos(state.window, nullptr, origin.x, origin.y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    state.placed = true;
  }
  placeFooterButtons();
  updateReadableBlocks();
  if (state.view.progress == ProgressMoving) {
    SetTimer(state.window, kAnimationTimer, kAnimationIntervalMs, nullptr);
  } else {
    KillTimer(state.window, kAnimationTimer);
  }
  InvalidateRect(state.window, nullptr, FALSE);
}

void raiseEvent(SetupEvent event) {
  if (event != SetupEvent::None) setupWindowState().pendingEvent = event;
}

// Enter presses the focused footer button, if any.
bool clickFocusedButton(HWND window) {
  const HWND focused = GetFocus();
  if (!focused || !IsChild(window, focused)) return false;
  wchar_t className[kClassNameChars] = {};
  GetClassNameW(focused, className, kClassNameChars);
  if (lstrcmpiW(className, kButtonClass) != 0 || !IsWindowEnabled(focused)) return false;
  SendMessageW(focused, BM_CLICK, 0, 0);
  return true;
}

// A click that comes from queued input happened at that message's time, even
// if it waited in the queue. A click sent by another thread (a screen reader's
// default action, BM_CLICK from outside) or made by a call outside the pump has
// no message of its own: GetMessageTime then tells of some earlier message, so
// the click happens now.
uint32_t clickTime() {
  const bool fromQueuedInput = setupWindowState().dispatchingQueuedMessage && !InSendMessage();
  return fromQueuedInput ? uint32_t(GetMessageTime()) : uint32_t(GetTickCount());
}

bool isLateHalfOfDoubleClick() {
  return isClickMeantForEarlierButtons(setupWindowState().buttonsChangedAt, clickTime(), GetDoubleClickTime());
}

bool isHighContrastOn() {
  HIGHCONTRASTW highContrast{};
  highContrast.cbSize = sizeof(highContrast);
  if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(highContrast), &highContrast, 0) &&
      (highContrast.dwFlags & HCF_HIGHCONTRASTON)) {
    return true;
  }
#ifdef NORVANE_TEST_BUILD
  wchar_t value[2] = {};
  if (GetEnvironmentVariableW(kTestHighContrastVariable, value, 2) == 1 && value[0] == L'1') return true;
#endif
  return false;
}

Colour systemColour(int index) { return Colour(GetSysColor(index)); }

// Reads the mode and the system's colours; true when the window's colours changed.
bool refreshColours() {
  SetupColours& colours = setupWindowState().colours;
  const SetupColours wanted =
      isHighContrastOn()
          ? highContrastColours(SystemColours{systemColour(COLOR_WINDOW), systemColour(COLOR_WINDOWTEXT),
                                              systemColour(COLOR_BTNFACE), systemColour(COLOR_BTNTEXT),
                                              systemColour(COLOR_HIGHLIGHT), systemColour(COLOR_HIGHLIGHTTEXT),
                                              systemColour(COLOR_GRAYTEXT)})
          : kDarkColours;
  if (wanted == colours) return false;
  colours = wanted;
  return true;
}

// The focused button, kept while the window is inactive (Alt+Tab, another
// program, minimised): without it the focus returns to the window itself,
// where Enter does nothing and a screen reader reads only the title.
// Only the tab stops: the minimize button takes the focus when clicked, and
// Enter on it after a restore would minimize the window again.
bool canTakeFocusBack(HWND window, HWND child) {
  return child && IsChild(window, child) && IsWindowVisible(child) && IsWindowEnabled(child) &&
         (GetWindowLongW(child, GWL_STYLE) & WS_TABSTOP);
}

void rememberFocus(HWND window) {
  const HWND focused = GetFocus();
  setupWindowState().focusOnReturn = canTakeFocusBack(window, focused) ? focused : nullptr;
}

// The remembered button, else "다시 시도" while it is shown; used once.
bool restoreFocus(HWND window) {
  SetupWindowState& state = setupWindowState();
  HWND target = state.focusOnReturn;
  if (!canTakeFocusBack(window, target)) target = canTakeFocusBack(window, state.retryButton) ? state.retryButton : nullptr;
  state.focusOnReturn = nullptr;
  if (!target) return false;
  SetFocus(target);
  return true;
}

bool handleCommand(HWND window, int id) {
  const int32_t buttons = setupWindowState().view.buttons;
  if ((id == kCancelCloseId || id == kRetryId) && isLateHalfOfDoubleClick()) return true;
  switch (id) {
    case IDOK:
      clickFocusedButton(window);
      return true;
    case IDCANCEL:
      raiseEvent(closeRequestEvent(buttons));
      return true;
    case kMinimizeId:
      ShowWindow(window, SW_MINIMIZE);
      return true;
    case kCancelCloseId:
      raiseEvent(cancelButtonEvent(buttons));
      return true;
    case kRetryId:
      raiseEvent(SetupEvent::Retry);
      return true;
    default:
      return false;
  }
}

LRESULT hitTest(HWND window, WPARAM wParam, LPARAM lParam) {
  const LRESULT hit = DefWindowProcW(window, WM_NCHITTEST, wParam, lParam);
  if (hit != HTCLIENT) return hit;
  POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ScreenToClient(window, &point);
  return isInDragBand(point.y, setupWindowState().screenDpi) ? HTCAPTION : HTCLIENT;
}

LRESULT CALLBACK setupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      ScopedPaint paint(window);
      paintSetupWindow(paint.dc());
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case WM_DRAWITEM:
      if (lParam && drawOwnerButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam))) return TRUE;
      break;
    case WM_NCHITTEST:
      return hitTest(window, wParam, lParam);
    case WM_NCLBUTTONDBLCLK:
      if (wParam == HTCAPTION) return 0;  // no maximise from the drag band
      break;
    case WM_COMMAND:
      // Only clicks: owner-drawn buttons also report double clicks.
      if (HIWORD(wParam) == BN_CLICKED && handleCommand(window, LOWORD(wParam))) return 0;
      break;
    case WM_CLOSE:
      raiseEvent(closeRequestEvent(setupWindowState().view.buttons));
      return 0;  // closing is the install flow's decision
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
      // High contrast switched on or off, or its colours changed: the frame
      // and every pixel follow at once.
      if (refreshColours()) {
        applyWindowFrameAttributes(window);
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      }
      break;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        rememberFocus(window);
      } else if (!HIWORD(wParam) && restoreFocus(window)) {
        return 0;  // not DefWindowProc: it would put the focus on the window itself
      }
      break;
    case WM_SETFOCUS:
      // The window itself gets the focus when it is restored from minimised
      // (activated while still minimised): the button takes it, as in a dialog.
      if (restoreFocus(window)) return 0;
      break;
    case kStartAnnouncingMessage:
      startAnnouncing();
      return 0;
    case WM_TIMER:
      if (wParam == kAnimationTimer) {
        SetupWindowState& state = setupWindowState();
        state.animationPhase = nextAnimationPhase(state.animationPhase);
        const RECT bar = toRect(state.layout.barRect);
        InvalidateRect(window, &bar, FALSE);
        return 0;
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void dispatchQueuedMessages() {
  SetupWindowState& state = setupWindowState();
  const bool outerDispatch = state.dispatchingQueuedMessage;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    state.dispatchingQueuedMessage = true;
    const HWND window = state.window;
    if (!window || !IsDialogMessageW(window, &message)) {  // Tab, Enter, Esc
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    state.dispatchingQueuedMessage = outerDispatch;
  }
}

bool takePendingEvent(PumpResult& result) {
  SetupWindowState& state = setupWindowState();
  if (state.pendingEvent == SetupEvent::None) return false;
  result = PumpResult{PumpOutcome::UserEvent, 0, state.pendingEvent};
  state.pendingEvent = SetupEvent::None;
  return true;
}
}  // namespace

bool openSetupWindow(HINSTANCE instance) {
  SetupWindowState& state = setupWindowState();
  if (state.window) return true;
  state.instance = instance;
  state.screenDpi = clampDpi(readScreenDpi());
  refreshColours();
  startGraphics();
  ensureSetupFonts(state);
  if (!registerSetupWindowClass(instance)) return false;

  state.window = CreateWindowExW(WS_EX_APPWINDOW, kClassName, setup_texts::kWindowTitle, kWindowStyle, 0, 0,
                                 setupWindowWidth(state.screenDpi),
                                 scaleForDpi(setup_metrics::kInitialHeight, state.screenDpi),
                                 nullptr, nullptr, instance, nullptr);
  if (!state.window) return false;
  applyWindowFrameAttributes(state.window);
  // Focus rings stay hidden until the keyboard is used.
  SendMessageW(state.window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_INITIALIZE, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);

  state.pendingEvent = SetupEvent::None;
  state.buttonsChangedAt = GetTickCount();
  state.placed = false;
  if (state.view.heading.empty()) state.view.heading = setup_texts::kPreparingHeading;

  // The first frame is the window's own paint, the minimize button's look
  // included; the children (Common Controls) come right after it, off the
  // path to the first frame, and the relayout places them.
  relayoutSetupWindow();
  ShowWindow(state.window, SW_SHOW);
  SetForegroundWindow(state.window);
  UpdateWindow(state.window);
  createChildren(state);
  relayoutSetupWindow();
  UpdateWindow(state.window);
  // Screen readers are told about the window once it is on the screen: the
  // annotation service (COM) is not on the path to the first frame.
  PostMessageW(state.window, kStartAnnouncingMessage, 0, 0);
  return true;
}

void applyView(const SetupViewState& view) {
  SetupWindowState& state = setupWindowState();
  if (view.buttons != state.view.buttons) state.buttonsChangedAt = GetTickCount();
  const SetupViewState before = state.view;
  if (&view != &state.view) state.view = view;
  state.pendingEvent = SetupEvent::None;
  if (!state.window) return;
  relayoutSetupWindow();
  UpdateWindow(state.window);
  // The failure screen asks the user to act: the keyboard starts on "다시 시도",
  // also when the user comes back to the window later.
  HWND newFocus = nullptr;
  if (showsRetryButton(state.view.buttons) && !showsRetryButton(before.buttons) && state.retryButton) {
    newFocus = state.retryButton;
    state.focusOnReturn = newFocus;
  }
  announceViewChange(before, newFocus);
}

void closeSetupWindow() {
  SetupWindowState& state = setupWindowState();
  if (state.window) {
    KillTimer(state.window, kAnimationTimer);
    stopAnnouncing();
    DestroyWindow(state.window);  // the buttons go with it
  }
  state.focusOnReturn = nullptr;
  state.window = nullptr;
  state.minimizeButton = nullptr;
  state.cancelButton = nullptr;
  state.retryButton = nullptr;
  state.headingText = nullptr;
  state.detailText = nullptr;
  state.progressBar = nullptr;
  state.noteText = nullptr;
  state.view = SetupViewState{};
  state.pendingEvent = SetupEvent::None;
}

PumpResult pumpSetupWindow(uint32_t timeoutMs, const HANDLE* handles, uint32_t count) {
  // A handle list the wait cannot take counts as a failed wait, after the
  // queue has been served like on any other call.
  const bool handlesUsable = count <= kMaxPumpHandles && (count == 0 || handles != nullptr);
  const DWORD start = GetTickCount();
  for (;;) {
    dispatchQueuedMessages();
    PumpResult result;
    if (takePendingEvent(result)) return result;

    DWORD wait = INFINITE;
    if (timeoutMs != kPumpWaitForever) {
      const DWORD elapsed = GetTickCount() - start;  // unsigned: survives the 49-day wrap
      if (elapsed >= timeoutMs) return kTimedOut;
      wait = timeoutMs - elapsed;
    }
    if (!handlesUsable) return kTimedOut;

    const DWORD signalled = MsgWaitForMultipleObjects(count, handles, FALSE, wait, QS_ALLINPUT);
    if (signalled < WAIT_OBJECT_0 + count) return PumpResult{PumpOutcome::HandleSignalled, signalled - WAIT_OBJECT_0};
    // An abandoned mutex is still a signalled handle; the wait now owns it.
    if (signalled >= WAIT_ABANDONED_0 && signalled < WAIT_ABANDONED_0 + count) {
      return PumpResult{PumpOutcome::HandleSignalled, signalled - WAIT_ABANDONED_0};
    }
    if (signalled == WAIT_TIMEOUT || signalled == WAIT_FAILED) return kTimedOut;
    // Input arrived: serve it and look again.
  }
}
