#include "ui/setup_access_win.h"

// commctrl.h and oleacc.h need the types of windows.h
#include <commctrl.h>
#include <oleacc.h>

#include "ui/setup_window_state_win.h"

namespace {
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE;
constexpr UINT_PTR kSubclassId = 0;
// Not in the Windows 7 headers; systems without them ignore the event.
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED
// UI Automation's LiveSetting property, set through the MSAA annotation service.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};

// A child that covers no pixel: the window paints every block itself.
void makeTransparentToPainting(HWND child) {
  const HRGN nothing = CreateRectRgn(0, 0, 0, 0);
  if (nothing && !SetWindowRgn(child, nothing, FALSE)) DeleteObject(nothing);  // the system owns it on success
}

// The blocks never paint: where a system does not clip a child to its window
// region (Wine), their own paint would cover the window's. The bar's value is
// the view's percentage, answered here; the control's own position is never
// set, so it raises no value events of its own and screen readers hear the
// throttled ones from announceViewChange only.
LRESULT CALLBACK blockSubclassProc(HWND block, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      BeginPaint(block, &paint);
      EndPaint(block, &paint);
      return 0;
    }
    case WM_ERASEBKGND:
      return 1;
    case PBM_GETPOS:
      if (block == setupWindowState().progressBar) {
        const int32_t position = readableProgress(setupWindowState().view.progress);
        return position < 0 ? 0 : position;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(block, blockSubclassProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(block, message, wParam, lParam);
}

HWND createBlock(HWND window, const wchar_t* className, DWORD style) {
  const HWND child = CreateWindowExW(0, className, L"", style, 0, 0, 0, 0, window, nullptr,
                                     setupWindowState().instance, nullptr);
  if (!child) return nullptr;
  makeTransparentToPainting(child);
  SetWindowSubclass(child, blockSubclassProc, kSubclassId, 0);
  return child;
}

// Static controls paint themselves at once when their text is set (not through
// WM_PAINT): ours keep the text for readers only, so it is stored without a
// paint, and only when it changed (DefWindowProc raises the name-change event).
void setText(HWND child, const std::wstring& text) {
  if (!child) return;
  const int length = GetWindowTextLengthW(child);
  std::wstring current(size_t(length) + 1, L'\0');
  current.resize(size_t(GetWindowTextW(child, current.data(), length + 1)));
  if (current != text) DefWindowProcW(child, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void place(HWND child, const LayoutRect& rect, bool shown) {
  if (!child) return;
  if (shown) MoveWindow(child, rect.left, rect.top, rect.width(), rect.height(), FALSE);
  ShowWindow(child, shown ? SW_SHOWNA : SW_HIDE);
}

void setBarMoving(HWND bar, bool moving) {
  const LONG style = GetWindowLongW(bar, GWL_STYLE);
  const LONG wanted = moving ? (style | PBS_MARQUEE) : (style & ~LONG(PBS_MARQUEE));
  if (wanted != style) SetWindowLongW(bar, GWL_STYLE, wanted);
}

// Where the system offers it (UI Automation on Windows 8 and later), screen
// readers learn how urgently to speak the heading; elsewhere they still get
// the event, so a failure here changes nothing else.
void setLiveSetting(HWND heading, LiveSetting setting) {
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccPropServices* services = nullptr;
  if (SUCCEEDED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                                 reinterpret_cast<void**>(&services)))) {
    VARIANT value{};  // VariantInit without importing oleaut32
    value.vt = VT_I4;
    value.lVal = LONG(setting);
    services->SetHwndProp(heading, DWORD(OBJID_CLIENT), CHILDID_SELF, kLiveSettingProperty, value);
    services->Release();
  }
  if (SUCCEEDED(com)) CoUninitialize();
}
}  // namespace

void createReadableBlocks(HWND window) {
  SetupWindowState& state = setupWindowState();
  state.headingText = createBlock(window, L"STATIC", kTextStyle);
  state.detailText = createBlock(window, L"STATIC", kTextStyle);
  state.progressBar = createBlock(window, PROGRESS_CLASSW, kBarStyle);
  state.noteText = createBlock(window, L"STATIC", kTextStyle);
  state.progressAnnouncedAt = GetTickCount() - kProgressAnnounceIntervalMs;
}

void updateReadableBlocks() {
  const SetupWindowState& state = setupWindowState();
  const SetupViewState& view = state.view;
  const SetupLayout& layout = state.layout;
  setText(state.headingText, view.heading);
  setText(state.detailText, view.detail);
  setText(state.noteText, view.note);
  place(state.headingText, layout.headingRect, true);
  place(state.detailText, layout.detailRect, !view.detail.empty());
  place(state.progressBar, layout.barRect, view.progress >= ProgressMoving);
  place(state.noteText, layout.noteBoxRect, !view.note.empty());
  if (state.progressBar) setBarMoving(state.progressBar, view.progress == ProgressMoving);
}

void announceViewChange(const SetupViewState& before) {
  SetupWindowState& state = setupWindowState();
  const SetupViewState& view = state.view;
  if (state.headingText && isNewScreen(before, view)) {
    setLiveSetting(state.headingText, headingLiveSetting(view));
    NotifyWinEvent(kLiveRegionChanged, state.headingText, OBJID_CLIENT, CHILDID_SELF);
  }
  const uint32_t now = GetTickCount();
  if (state.progressBar && isProgressAnnouncementDue(before.progress, view.progress, state.progressAnnouncedAt, now)) {
    state.progressAnnouncedAt = now;
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, state.progressBar, OBJID_CLIENT, CHILDID_SELF);
  }
}
