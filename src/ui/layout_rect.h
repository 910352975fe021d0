#pragma once
// A rectangle in client pixels, laid out without Win32 types so the layout
// builds and tests on any platform.
#include <cstdint>

struct LayoutRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool isEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const LayoutRect&) const = default;
};

struct LayoutPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const LayoutPoint&) const = default;
};
