#include "ui/setup_access_win.h"

// commctrl.h and oleacc.h need the types of windows.h
#include <commctrl.h>
#include <oleacc.h>

#include <iterator>

#include "ui/setup_window_state_win.h"

namespace {
// SS_NOTIFY: a static answers hit tests itself instead of passing them to the window.
constexpr DWORD kTextStyle = WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_NOTIFY;
constexpr DWORD kBarStyle = WS_CHILD | WS_VISIBLE;
// The window's WS_CLIPCHILDREN leaves transparent children out of its clip
// region, so it paints the pixels beneath them.
constexpr DWORD kBlockExStyle = WS_EX_TRANSPARENT;
constexpr UINT kPlaceFlags = SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW | SWP_NOCOPYBITS;
constexpr UINT_PTR kSubclassId = 0;
// Not in the Windows 7 headers; systems without them ignore the event.
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED
// UI Automation's LiveSetting property, set through the MSAA annotation service.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kRoleProperty = {0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
constexpr CLSID kAccPropServices = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr IID kAccPropServicesInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
#ifdef NORVANE_TEST_BUILD
constexpr int kGuidChars = 39;  // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" and the terminator
#endif

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
  const HWND child = CreateWindowExW(kBlockExStyle, className, L"", style, 0, 0, 0, 0, window, nullptr,
                                     setupWindowState().instance, nullptr);
  if (child) SetWindowSubclass(child, blockSubclassProc, kSubclassId, 0);
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
  if (shown) SetWindowPos(child, nullptr, rect.left, rect.top, rect.width(), rect.height(), kPlaceFlags);
  ShowWindow(child, shown ? SW_SHOWNA : SW_HIDE);
}

void setBarMoving(HWND bar, bool moving) {
  const LONG style = GetWindowLongW(bar, GWL_STYLE);
  const LONG wanted = moving ? (style | PBS_MARQUEE) : (style & ~LONG(PBS_MARQUEE));
  if (wanted != style) SetWindowLongW(bar, GWL_STYLE, wanted);
}

#ifdef NORVANE_TEST_BUILD
// The journeys read what was annotated from another process: a property
// named by the annotation's GUID holds its value + 1 (0 means none).
void recordAnnotation(HWND target, const GUID& property, LONG value) {
  wchar_t name[kGuidChars] = {};
  if (StringFromGUID2(property, name, kGuidChars) > 0) {
    SetPropW(target, name, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(value) + 1));
  }
}

void forgetAnnotations(HWND target) {
  wchar_t name[kGuidChars] = {};
  for (const GUID& property : {kLiveSettingProperty, kRoleProperty}) {
    if (StringFromGUID2(property, name, kGuidChars) > 0) RemovePropW(target, name);
  }
}
#endif

// Where the system offers it (UI Automation on Windows 8 and later), screen
// readers learn the window's role and how urgently to speak a block; elsewhere
// they still get the events, so a missing service changes nothing else.
void annotate(HWND target, const GUID& property, LONG value) {
  IAccPropServices* services = setupWindowState().annotations;
  if (!target || !services) return;
  VARIANT variant{};  // VariantInit without importing oleaut32
  variant.vt = VT_I4;
  variant.lVal = value;
  services->SetHwndProp(target, DWORD(OBJID_CLIENT), CHILDID_SELF, property, variant);
#ifdef NORVANE_TEST_BUILD
  recordAnnotation(target, property, value);
#endif
}

void announceBlock(HWND block, LiveSetting setting) {
  if (!block) return;
  annotate(block, kLiveSettingProperty, LONG(setting));
  NotifyWinEvent(kLiveRegionChanged, block, OBJID_CLIENT, CHILDID_SELF);
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

void startAnnouncing() {
  SetupWindowState& state = setupWindowState();
  if (state.announcing || !state.window) return;
  state.announcing = true;
  state.comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  if (FAILED(CoCreateInstance(kAccPropServices, nullptr, CLSCTX_INPROC_SERVER, kAccPropServicesInterface,
                              reinterpret_cast<void**>(&state.annotations)))) {
    state.annotations = nullptr;
  }
  annotate(state.window, kRoleProperty, ROLE_SYSTEM_DIALOG);
  announceViewChange(SetupViewState{}, nullptr);
}

void stopAnnouncing() {
  SetupWindowState& state = setupWindowState();
  if (state.annotations) {
    const HWND annotated[] = {state.window, state.headingText, state.detailText};
    const MSAAPROPID properties[] = {kLiveSettingProperty, kRoleProperty};
    for (HWND target : annotated) {
      if (target) state.annotations->ClearHwndProps(target, DWORD(OBJID_CLIENT), CHILDID_SELF, properties,
                                                    int(std::size(properties)));
    }
    state.annotations->Release();
    state.annotations = nullptr;
  }
#ifdef NORVANE_TEST_BUILD
  for (HWND target : {state.window, state.headingText, state.detailText}) {
    if (target) forgetAnnotations(target);
  }
#endif
  if (state.comStarted) CoUninitialize();
  state.comStarted = false;
  state.announcing = false;
}

void announceViewChange(const SetupViewState& before, HWND newFocus) {
  SetupWindowState& state = setupWindowState();
  const SetupViewState& view = state.view;
  const bool newScreen = isNewScreen(before, view);
  if (state.announcing && newScreen) announceBlock(state.headingText, headingLiveSetting(view));
  if (newFocus) SetFocus(newFocus);
  if (!state.announcing) return;  // startAnnouncing tells of the screen it finds
  if (newScreen && announcesDetail(view)) announceBlock(state.detailText, LiveSetting::Polite);
  const uint32_t now = GetTickCount();
  if (state.progressBar && isProgressAnnouncementDue(before.progress, view.progress, state.progressAnnouncedAt, now)) {
    state.progressAnnouncedAt = now;
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, state.progressBar, OBJID_CLIENT, CHILDID_SELF);
  }
}
