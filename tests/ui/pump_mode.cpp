// The pump's three result kinds and its treatment of queued messages.
#include <vector>

#include "driver_support.h"

using namespace driver;

namespace {
constexpr UINT kCountedMessage = WM_APP + 7;
constexpr int kQueuedMessages = 200;
int counted = 0;

LRESULT CALLBACK countingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kCountedMessage) {
    ++counted;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND createCountingWindow() {
  WNDCLASSW windowClass{};
  windowClass.lpfnWndProc = countingProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"DriverCounter";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, L"DriverCounter", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, windowClass.hInstance,
                         nullptr);
}

void queueCounted(HWND counter, int count) {
  counted = 0;
  for (int i = 0; i < count; ++i) PostMessageW(counter, kCountedMessage, 0, 0);
}

// A click already handled by the window: the event is pending before the pump runs.
void raiseCancelNow() {
  const HWND window = setupWindow();
  // A click counts from the time of the last message taken from the queue: now.
  MSG message;
  PostMessageW(window, WM_NULL, 0, 0);
  PeekMessageW(&message, window, WM_NULL, WM_NULL, PM_REMOVE);
  SendMessageW(window, WM_COMMAND, MAKEWPARAM(kCancelCloseId, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(window, kCancelCloseId)));
}

struct Events {
  HANDLE first = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE second = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~Events() {
    CloseHandle(first);
    CloseHandle(second);
  }
};
}  // namespace

int runPumpMode() {
  const HWND counter = createCountingWindow();
  if (!openSetupWindow(GetModuleHandleW(nullptr))) return 1;
  applyView(progressView(64, 5));
  settle(GetDoubleClickTime() + 100);  // clicks on new buttons count only after the double-click time
  Events events;

  queueCounted(counter, kQueuedMessages);
  printPump("drain", pumpSetupWindow(0, nullptr, 0));
  printLine("dispatched drain %d", counted);

  SetEvent(events.first);
  raiseCancelNow();
  printPump("pending-before-handle", pumpSetupWindow(1000, &events.first, 1));
  printPump("handle-after-event", pumpSetupWindow(1000, &events.first, 1));
  ResetEvent(events.first);

  SetEvent(events.first);
  postClick(GetDlgItem(setupWindow(), kCancelCloseId));
  printPump("queued-click-before-handle", pumpSetupWindow(1000, &events.first, 1));
  ResetEvent(events.first);

  const HANDLE both[] = {events.first, events.second};
  SetEvent(events.second);
  printPump("second-handle", pumpSetupWindow(kPumpWaitForever, both, 2));
  ResetEvent(events.second);

  raiseCancelNow();
  applyView(progressView(64, 6));
  printPump("apply-discards", pumpSetupWindow(0, nullptr, 0));

  const DWORD start = GetTickCount();
  printPump("timeout", pumpSetupWindow(120, both, 2));
  printLine("elapsed timeout %lu", GetTickCount() - start);

  printPump("no-handle-list", pumpSetupWindow(kPumpWaitForever, nullptr, 2));
  std::vector<HANDLE> tooMany(MAXIMUM_WAIT_OBJECTS, events.first);
  printPump("too-many-handles", pumpSetupWindow(kPumpWaitForever, tooMany.data(), MAXIMUM_WAIT_OBJECTS));

  raiseCancelNow();
  closeSetupWindow();
  queueCounted(counter, 10);
  printPump("closed", pumpSetupWindow(0, nullptr, 0));
  printLine("dispatched closed %d", counted);

  // While closed, applyView only stores; the next open shows what was stored.
  applyView(failureView());
  if (!openSetupWindow(GetModuleHandleW(nullptr))) return 1;
  settle(100);
  printLine("reopen retry-visible %d", IsWindowVisible(GetDlgItem(setupWindow(), kRetryId)) ? 1 : 0);
  closeSetupWindow();
  DestroyWindow(counter);
  return 0;
}
