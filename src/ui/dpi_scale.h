#pragma once
// Lengths are designed in pixels at 96 dpi and scaled to the screen.
#include <cstdint>

inline constexpr int32_t kBaseDpi = 96;

// Screens reporting less than 96 dpi (or nothing) are treated as 96.
int32_t clampDpi(int32_t dpi);

// value * dpi / 96 rounded like MulDiv (halves away from zero), so layouts
// computed here match what the window gets on Windows.
int32_t scaleLength(int32_t value, int32_t dpi);
