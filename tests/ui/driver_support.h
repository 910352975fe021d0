#pragma once
// Helpers of the window driver: finding the real setup window, feeding it
// input through its message queue, and printing what happened as plain lines.
#include <windows.h>

#include <cstdint>
#include <string>

#include "ui/setup_window_win.h"
#include "../wine/text_lines.h"  // utf8, printLine

namespace driver {
inline constexpr wchar_t kSetupClass[] = L"NorvaneSetupWindow";
inline constexpr int kMinimizeId = 10;
inline constexpr int kCancelCloseId = 11;
inline constexpr int kRetryId = 12;

HWND setupWindow();
int countSetupWindows();
int32_t screenDpi();

// Lets queued messages run (paints included) without expecting an event.
PumpResult settle(uint32_t ms);

void postKey(HWND target, UINT virtualKey);
void postAltF4(HWND window);
void postClick(HWND button);
// Where keyboard input goes: the focused window, else the setup window.
HWND keyboardTarget();

void printRect(const char* label, const char* name, const RECT& rect);
void printPump(const char* scenario, const PumpResult& result);

// Prints "heard EVENT CLASS ID TEXT" for every focus and live-region event of
// this process, from an in-context hook: called while the event is raised, so
// TEXT is the name at that moment, not later.
void hearAnnouncementsInContext();

// Prints "shot NAME left top right bottom" and waits for one line on stdin,
// so the journey can photograph the screen while the window holds still.
void holdForScreenshot(const char* name, bool handshake);
}  // namespace driver

int runStatesMode(bool handshake);
int runEventsMode();
int runPumpMode();
int runPaintBenchMode();
