#pragma once
// What a screen reader reads in the setup window. The painted heading, detail,
// bar and note each have a standard child window behind them (STATIC texts and
// a progress bar) in reading order, so the system's MSAA and UI Automation
// proxies expose them with their roles, names, values, places and visibility,
// on every Windows version, without an accessible object of our own. Each
// child has an empty window region: it is shown and sits where its block is
// painted, but covers no pixel, so the window's own painting stays exactly as
// it is and nothing is painted twice.
#include <windows.h>

#include "ui/setup_view.h"

// Creates the four children of window in reading order; a child that cannot be
// created is left out (the window still works). Call before the buttons.
void createReadableBlocks(HWND window);

// Brings the children in line with the current view and layout: texts, places,
// visibility and the bar's value. Called by every relayout.
void updateReadableBlocks();

// Tells screen readers what changed from `before` to the current view: a new
// heading is announced once (a live region, assertive on the failure screen),
// a new percentage at most once a second. The names are already the new texts.
void announceViewChange(const SetupViewState& before);
