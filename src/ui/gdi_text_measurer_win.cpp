#include "ui/gdi_text_measurer_win.h"

#include "ui/gdi_handles.h"
#include "ui/setup_fonts_win.h"

namespace {
int32_t extentOf(HDC dc, std::wstring_view text) {
  SIZE size{};
  if (!GetTextExtentPoint32W(dc, text.data(), int(text.size()), &size)) return 0;
  return int32_t(size.cx);
}
}  // namespace

int32_t GdiTextMeasurer::lineWidth(SetupFontRole font, std::wstring_view text) const {
  ScopedSelectObject select(dc_, setupFont(font));
  return extentOf(dc_, text);
}

int32_t GdiTextMeasurer::blockHeight(SetupFontRole font, std::wstring_view wrapped, int32_t width) const {
  ScopedSelectObject select(dc_, setupFont(font));
  RECT bounds{0, 0, LONG(width), 0};
  DrawTextW(dc_, wrapped.data(), int(wrapped.size()), &bounds, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
  return int32_t(bounds.bottom - bounds.top);
}
