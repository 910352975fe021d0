#pragma once
// What a screen reader reads in the setup window. The painted heading, detail,
// bar and note each have a standard child window behind them (STATIC texts and
// a progress bar) in reading order, so the system's MSAA and UI Automation
// proxies expose them with their roles, names, values, places and visibility,
// on every Windows version, without an accessible object of our own. Each
// child covers its block for hit testing (pointing at a text reads that text)
// but is transparent to painting: the window paints every pixel beneath it and
// the child paints nothing, so the look stays exactly as it is.
#include <windows.h>

#include "ui/setup_view.h"

// Creates the four children of window in reading order; a child that cannot be
// created is left out (the window still works). Call before the buttons.
void createReadableBlocks(HWND window);

// Brings the children in line with the current view and layout: texts, places,
// visibility and the bar's value. Called by every relayout.
void updateReadableBlocks();

// Sets up the annotation service (COM) once per window, gives the window the
// dialog role and announces the current screen. Called once the first frame is
// on the screen; until then announceViewChange only moves the focus.
void startAnnouncing();

// Clears the annotations and lets the service go. Called before the window is destroyed.
void stopAnnouncing();

// Tells screen readers what changed from `before` to the current view: a new
// heading is announced once (a live region, assertive on the failure screen),
// then the focus moves to `newFocus` (if any), then the failure screen's detail
// follows politely, so the button's name is not cut off and the instruction is
// heard after it; a new percentage at most once a second. The names are
// already the new texts.
void announceViewChange(const SetupViewState& before, HWND newFocus);
