#pragma once
// The five fonts of the setup window, made once per process at the dpi of the
// first open and kept until the process ends.
#include <windows.h>

#include <cstdint>

#include "ui/setup_fonts.h"

void ensureSetupFonts(int32_t dpi);
// Null before ensureSetupFonts or when a font could not be made; GDI then
// draws with the DC's current font.
HFONT setupFont(SetupFontRole role);
