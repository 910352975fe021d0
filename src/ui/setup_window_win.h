#pragma once
// The setup window: the one dark progress window of the installer. The install
// flow opens it, applies view states, pumps it for the user's requests and
// closes it; the window itself never decides to close. User-interface thread only.
#include <windows.h>

#include <cstdint>

#include "ui/setup_view.h"

inline constexpr uint32_t kPumpWaitForever = 0xFFFFFFFF;

// Creates, centres and shows the window; true at once when it already exists.
// False when the class or the window cannot be created.
bool openSetupWindow(HINSTANCE instance);

// Shows view (also only stores it while the window is closed), discards an
// event the flow has not read yet, and repaints synchronously.
void applyView(const SetupViewState& view);

// Dispatches messages of every window of the thread until the user raises an
// event, handle i is signalled (index i), or timeoutMs runs out or the wait
// fails. timeoutMs 0 drains the queue and returns; kPumpWaitForever waits
// without limit. At most 63 handles.
PumpResult pumpSetupWindow(uint32_t timeoutMs, const HANDLE* handles, uint32_t count);

// Destroys the window and forgets its view and any pending event. Fonts and
// the window class stay for a later open.
void closeSetupWindow();
