#pragma once
// Measures the window's texts with GDI on a DC, for the pure layout.
#include <windows.h>

#include <string_view>

#include "ui/setup_layout.h"

class GdiTextMeasurer : public TextMeasurer {
 public:
  explicit GdiTextMeasurer(HDC dc) : dc_(dc) {}
  int32_t lineWidth(SetupFontRole font, std::wstring_view text) const override;
  int32_t blockHeight(SetupFontRole font, std::wstring_view wrapped, int32_t width) const override;

 private:
  HDC dc_;
};
