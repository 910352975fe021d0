#include "ui/setup_window.h"
#include "ui/setup_window_state_win.h"

namespace {
// MsgWaitForMultipleObjects keeps one slot for the message queue.
constexpr uint32_t kMaxPumpHandles = MAXIMUM_WAIT_OBJECTS - 1;
constexpr PumpResult kTimedOut{-2, 0};

void dispatchQueuedMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    const HWND window = setupWindowState().window;
    if (window && IsDialogMessageW(window, &message)) continue;  // Tab, Enter, Esc
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

bool takePendingEvent(PumpResult& result) {
  SetupWindowState& state = setupWindowState();
  if (state.pendingEvent == int32_t(SetupEvent::None)) return false;
  result = PumpResult{-1, state.pendingEvent};
  state.pendingEvent = int32_t(SetupEvent::None);
  return true;
}
}  // namespace

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
    if (signalled < WAIT_OBJECT_0 + count) return PumpResult{int32_t(signalled - WAIT_OBJECT_0), 0};
    // An abandoned mutex is still a signalled handle; the wait now owns it.
    if (signalled >= WAIT_ABANDONED_0 && signalled < WAIT_ABANDONED_0 + count) {
      return PumpResult{int32_t(signalled - WAIT_ABANDONED_0), 0};
    }
    if (signalled == WAIT_TIMEOUT || signalled == WAIT_FAILED) return kTimedOut;
    // Input arrived: serve it and look again.
  }
}
