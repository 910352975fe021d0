#include "ui/setup_fonts_win.h"

#include "ui/dpi_scale.h"

namespace {
// Process-lifetime by design: the fonts are never deleted, so they are held
// raw rather than by scoped owners that would delete them at exit.
struct SetupFonts {
  HFONT fonts[kSetupFontCount] = {};
  bool created = false;
};
SetupFonts setupFonts;

HFONT createSetupFont(const SetupFontDescription& font, int32_t dpi) {
  return CreateFontW(-scaleLength(font.pixelSize, dpi), 0, 0, 0, font.weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     kSetupFontFace);
}
}  // namespace

void ensureSetupFonts(int32_t dpi) {
  if (setupFonts.created) return;
  for (int32_t i = 0; i < kSetupFontCount; ++i) setupFonts.fonts[i] = createSetupFont(kSetupFontDescriptions[i], dpi);
  setupFonts.created = true;
}

HFONT setupFont(SetupFontRole role) {
  const auto index = int32_t(role);
  return index >= 0 && index < kSetupFontCount ? setupFonts.fonts[index] : nullptr;
}
