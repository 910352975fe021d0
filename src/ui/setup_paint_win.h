#pragma once
// How every pixel of the setup window is drawn: its client area and its
// owner-drawn buttons, composed off screen and copied in one BitBlt, with
// GDI+ anti-aliasing and flat GDI when GDI+ could not be started.
#include <windows.h>

#include <cstdint>

// The look stored on a drawn button. The numbering leaves room for looks the
// setup window never assigns.
enum class ButtonStyle : int32_t {
  PrimaryButton = 3,       // filled accent: "다시 시도"
  CaptionGlyphButton = 6,  // a glyph in the title band: minimize
  OutlineButton = 12,      // outlined: "취소" / "닫기"
};

// Starts GDI+ once per process (never shut down); later calls return the
// remembered outcome. Thread-safe.
bool startGraphics();

// Marks button with its style and subclasses it for hover tracking. Null is ignored.
void attachButtonStyle(HWND button, ButtonStyle style);

// Draws the whole client area of the setup window onto the paint DC.
void paintSetupWindow(HDC paintDc);

// Paints a button marked by attachButtonStyle; false for any other item,
// which then gets default processing.
bool drawOwnerButton(const DRAWITEMSTRUCT& item);
