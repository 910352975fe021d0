// Reads the real setup window from another process the way a screen reader
// does (MSAA) and prints one fact per line:
//   msaa_client tree                 system colours, the client's children in order with what the
//                                    program annotated and what pointing at each finds, and the focus
//   msaa_client watch TIMEOUT_MS     focus, value and live-region events (out-of-context hook) until
//                                    the window has come and gone or the time runs out
//   msaa_client keys KEYS            SendInput per character, t = Tab, s = Shift+Tab; the focus after each
//   msaa_client press NAME           the default action of the child named NAME, after a user's pause
//   msaa_client away                 another window takes the foreground and gives it back (Alt+Tab),
//                                    then the window is minimised and restored; the focus after
//                                    each, then Enter
// Exit 0 when done, 2 when no setup window was found.
#include <windows.h>
// commctrl.h and oleacc.h need the types of windows.h
#include <commctrl.h>
#include <oleacc.h>

#include <cwchar>
#include <string>

#include "text_lines.h"

namespace {
constexpr wchar_t kWindowClass[] = L"NorvaneSetupWindow";
constexpr int kTextChars = 256;
constexpr long kMaxChildren = 32;
constexpr DWORD kKeySettleMs = 300;
constexpr UINT_PTR kWatchTimer = 1;
constexpr UINT kWatchPollMs = 100;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED, Windows 8 headers only
// What the test build records of its annotations: a property per GUID, value + 1.
constexpr GUID kLiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
constexpr GUID kRoleProperty = {0xcb905ff2, 0x7bd1, 0x4c05, {0xb3, 0xc8, 0xe6, 0xc2, 0x41, 0x36, 0x4d, 0x70}};
constexpr int kGuidChars = 39;

std::wstring bstrText(BSTR text) {
  std::wstring out = text ? std::wstring(text, SysStringLen(text)) : L"";
  SysFreeString(text);
  return out;
}

std::wstring className(HWND window) {
  wchar_t name[kTextChars] = {};
  GetClassNameW(window, name, kTextChars);
  return name;
}

struct Element {
  IAccessible* object = nullptr;
  VARIANT child{};
};

std::wstring nameOf(const Element& element) {
  BSTR name = nullptr;
  return SUCCEEDED(element.object->get_accName(element.child, &name)) ? bstrText(name) : L"";
}

std::wstring valueOf(const Element& element) {
  BSTR value = nullptr;
  return SUCCEEDED(element.object->get_accValue(element.child, &value)) ? bstrText(value) : L"";
}

long numberOf(HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, VARIANT*), const Element& element) {
  VARIANT out;
  VariantInit(&out);
  if (FAILED((element.object->*get)(element.child, &out)) || out.vt != VT_I4) return -1;
  return out.lVal;
}

// The annotated value, -1 when none was recorded.
long annotation(HWND window, const GUID& property) {
  wchar_t name[kGuidChars] = {};
  StringFromGUID2(property, name, kGuidChars);
  return long(reinterpret_cast<INT_PTR>(GetPropW(window, name))) - 1;
}

// What pointing at the middle of a child finds, as touch or mouse reading does:
// the window under the point, and the accessible object's name there.
std::string pointedAt(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  const POINT middle{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  Element pointed;
  std::wstring name;
  if (SUCCEEDED(AccessibleObjectFromPoint(middle, &pointed.object, &pointed.child))) {
    name = nameOf(pointed);
    pointed.object->Release();
  }
  return "window " + std::to_string(WindowFromPoint(middle) == child ? 1 : 0) + " name " + utf8(name);
}

HWND setupWindow() {
  const HWND window = FindWindowW(kWindowClass, nullptr);
  return window && IsWindowVisible(window) ? window : nullptr;
}

void printFocus(HWND window) {
  GUITHREADINFO info{};
  info.cbSize = sizeof(info);
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
  wchar_t text[kTextChars] = {};
  if (info.hwndFocus) GetWindowTextW(info.hwndFocus, text, kTextChars);
  printLine("focus %s %d %s", info.hwndFocus ? utf8(className(info.hwndFocus)).c_str() : "-",
        info.hwndFocus ? GetDlgCtrlID(info.hwndFocus) : 0, utf8(text).c_str());
}

// Wine's proxies give every child window the generic client role, so the
// window class and, for the bar, its position and style are printed as well.
void printChild(long index, const Element& element) {
  HWND child = nullptr;
  WindowFromAccessibleObject(element.object, &child);
  const long state = numberOf(&IAccessible::get_accState, element);
  const std::wstring value = valueOf(element);
  const bool bar = child && className(child) == PROGRESS_CLASSW;
  const bool shown = state >= 0 && !(state & STATE_SYSTEM_INVISIBLE);
  printLine("child %ld %s visible %d role %ld value %s pos %ld marquee %d live %ld name %s", index,
        child ? utf8(className(child)).c_str() : "-", shown ? 1 : 0,
        numberOf(&IAccessible::get_accRole, element), value.empty() ? "-" : utf8(value).c_str(),
        bar ? long(SendMessageW(child, PBM_GETPOS, 0, 0)) : -1,
        bar ? ((GetWindowLongW(child, GWL_STYLE) & PBS_MARQUEE) ? 1 : 0) : -1,
        child ? annotation(child, kLiveSettingProperty) : -1, utf8(nameOf(element)).c_str());
  if (shown && child) printLine("point %ld %s", index, pointedAt(child).c_str());
}

// Calls visit(index, element) for each child of the window's client object, in
// MSAA order. A child window is read through its own client object, as a
// screen reader that walks into it does.
template <typename Visit>
bool forEachChild(HWND window, Visit visit) {
  IAccessible* client = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&client)))) {
    return false;
  }
  VARIANT children[kMaxChildren];
  long count = 0;
  AccessibleChildren(client, 0, kMaxChildren, children, &count);
  for (long i = 0; i < count; ++i) {
    Element element;
    element.child.vt = VT_I4;
    element.child.lVal = CHILDID_SELF;
    if (children[i].vt == VT_DISPATCH && children[i].pdispVal) {
      IAccessible* windowObject = nullptr;
      HWND child = nullptr;
      children[i].pdispVal->QueryInterface(IID_IAccessible, reinterpret_cast<void**>(&windowObject));
      if (windowObject) {
        WindowFromAccessibleObject(windowObject, &child);
        windowObject->Release();
      }
      if (child) {
        AccessibleObjectFromWindow(child, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&element.object));
      }
    } else if (children[i].vt == VT_I4) {
      element.object = client;
      element.object->AddRef();
      element.child = children[i];
    }
    if (element.object) {
      visit(i, element);
      element.object->Release();
    }
    VariantClear(&children[i]);
  }
  client->Release();
  return true;
}

void printSystemColours() {
  const struct {
    const char* name;
    int index;
  } colours[] = {{"window", COLOR_WINDOW}, {"windowtext", COLOR_WINDOWTEXT}, {"btnface", COLOR_BTNFACE},
                 {"btntext", COLOR_BTNTEXT}, {"highlight", COLOR_HIGHLIGHT},
                 {"highlighttext", COLOR_HIGHLIGHTTEXT}, {"graytext", COLOR_GRAYTEXT}};
  for (const auto& colour : colours) {
    const COLORREF c = GetSysColor(colour.index);
    printLine("syscolour %s %d %d %d", colour.name, GetRValue(c), GetGValue(c), GetBValue(c));
  }
}

int printTree(HWND window) {
  printSystemColours();
  printLine("window role %ld", annotation(window, kRoleProperty));
  if (!forEachChild(window, printChild)) return 2;
  printFocus(window);
  return 0;
}

void sendKey(WORD key, bool shift) {
  INPUT inputs[4] = {};
  UINT n = 0;
  const auto add = [&](WORD vk, DWORD flags) {
    inputs[n].type = INPUT_KEYBOARD;
    inputs[n].ki.wVk = vk;
    inputs[n].ki.dwFlags = flags;
    ++n;
  };
  if (shift) add(VK_SHIFT, 0);
  add(key, 0);
  add(key, KEYEVENTF_KEYUP);
  if (shift) add(VK_SHIFT, KEYEVENTF_KEYUP);
  SendInput(n, inputs, sizeof(INPUT));
}

int pressKeys(HWND window, const wchar_t* keys) {
  SetForegroundWindow(window);
  Sleep(kKeySettleMs);
  for (const wchar_t* key = keys; *key; ++key) {
    sendKey(VK_TAB, *key == L's');
    Sleep(kKeySettleMs);
    printFocus(window);
  }
  return 0;
}

// The default action goes through MSAA; where the proxy has none (Wine), the
// message the button proxy sends on Windows: BM_CLICK from this process.
int pressNamed(HWND window, const std::wstring& wanted) {
  Sleep(GetDoubleClickTime() + kKeySettleMs);  // a user takes a moment to find the button
  const char* how = nullptr;
  forEachChild(window, [&](long, const Element& element) {
    if (how || nameOf(element) != wanted) return;
    HWND child = nullptr;
    WindowFromAccessibleObject(element.object, &child);
    if (SUCCEEDED(element.object->accDoDefaultAction(element.child))) {
      how = "default-action";
    } else if (child) {
      SendMessageW(child, BM_CLICK, 0, 0);
      how = "bm-click";
    }
  });
  printLine("pressed %s", how ? how : "nothing");
  return how ? 0 : 2;
}

// The user switches to another program and back while the window waits.
int goAwayAndBack(HWND window) {
  const HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                         nullptr, nullptr, nullptr, nullptr);
  SetForegroundWindow(elsewhere);
  Sleep(kKeySettleMs);
  printLine("foreground away %d", GetForegroundWindow() == elsewhere ? 1 : 0);
  SetForegroundWindow(window);
  Sleep(kKeySettleMs);
  printLine("foreground back %d", GetForegroundWindow() == window ? 1 : 0);
  printFocus(window);
  // Minimised from the taskbar and restored.
  for (WPARAM command : {SC_MINIMIZE, SC_RESTORE}) {
    PostMessageW(window, WM_SYSCOMMAND, command, 0);
    Sleep(kKeySettleMs);
  }
  SetForegroundWindow(window);
  Sleep(kKeySettleMs);
  printLine("restored iconic %d", IsIconic(window) ? 1 : 0);
  printFocus(window);
  sendKey(VK_RETURN, false);
  Sleep(kKeySettleMs);
  DestroyWindow(elsewhere);
  return 0;
}

struct Watch {
  bool seen = false;
  DWORD start = 0;
  DWORD timeout = 0;
};
Watch watch;

const char* eventName(DWORD event) {
  switch (event) {
    case EVENT_OBJECT_FOCUS: return "focus";
    case EVENT_OBJECT_VALUECHANGE: return "valuechange";
    default: return "liveregion";
  }
}

void CALLBACK onEvent(HWINEVENTHOOK, DWORD event, HWND hwnd, LONG objectId, LONG childId, DWORD, DWORD) {
  if (!hwnd || className(GetAncestor(hwnd, GA_ROOT)) != kWindowClass) return;
  std::wstring name;
  IAccessible* object = nullptr;
  VARIANT child;
  VariantInit(&child);
  if (SUCCEEDED(AccessibleObjectFromEvent(hwnd, objectId, childId, &object, &child))) {
    name = nameOf(Element{object, child});
    object->Release();
  }
  const long pos = className(hwnd) == PROGRESS_CLASSW ? long(SendMessageW(hwnd, PBM_GETPOS, 0, 0)) : -1;
  printLine("event %s %s %d %lu pos %ld name %s", eventName(event), utf8(className(hwnd)).c_str(), GetDlgCtrlID(hwnd),
        GetTickCount() - watch.start, pos, utf8(name).c_str());
}

void CALLBACK checkWindow(HWND, UINT, UINT_PTR, DWORD) {
  const bool shown = FindWindowW(kWindowClass, nullptr) != nullptr;
  if (shown) watch.seen = true;
  if ((watch.seen && !shown) || GetTickCount() - watch.start > watch.timeout) PostQuitMessage(0);
}

int watchEvents(DWORD timeout) {
  watch.start = GetTickCount();
  watch.timeout = timeout;
  const DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
  HWINEVENTHOOK hooks[] = {
      SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, onEvent, 0, 0, flags),
      SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, onEvent, 0, 0, flags),
      SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, onEvent, 0, 0, flags)};
  printLine("watching");
  SetTimer(nullptr, kWatchTimer, kWatchPollMs, checkWindow);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  for (HWINEVENTHOOK hook : hooks) UnhookWinEvent(hook);
  printLine("watched %d", watch.seen ? 1 : 0);
  return 0;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  CoInitialize(nullptr);
  if (argc == 3 && wcscmp(argv[1], L"watch") == 0) return watchEvents(DWORD(_wtoi(argv[2])));
  const HWND window = setupWindow();
  if (!window) return 2;
  if (argc == 2 && wcscmp(argv[1], L"tree") == 0) return printTree(window);
  if (argc == 3 && wcscmp(argv[1], L"keys") == 0) return pressKeys(window, argv[2]);
  if (argc == 3 && wcscmp(argv[1], L"press") == 0) return pressNamed(window, argv[2]);
  if (argc == 2 && wcscmp(argv[1], L"away") == 0) return goAwayAndBack(window);
  return 3;
}
