#pragma once
// Owner-drawn "BUTTON" windows: a window property carries the style, a
// subclass tracks the hover, and drawOwnerButton paints them.
#include <windows.h>

#include <cstdint>

enum class ButtonStyle : int32_t {
  PrimaryButton = 3,
  CaptionGlyphButton = 6,
  OutlineButton = 12,
};

// Marks button with its style and subclasses it for hover tracking. Null is ignored.
void attachButtonStyle(HWND button, ButtonStyle style);

// Paints a button marked by attachButtonStyle; false for any other item,
// which then gets default processing.
bool drawOwnerButton(const DRAWITEMSTRUCT& item);
