#pragma once
// Drawing primitives of the setup window: anti-aliased rounded shapes and
// glyphs through GDI+, with flat GDI when GDI+ could not be started.
#include <windows.h>

#include <cstdint>
#include <string_view>

#include "ui/colours.h"
#include "ui/gdiplus_handles.h"
#include "ui/paint_geometry.h"

// Starts GDI+ once per process (never shut down); later calls return the
// remembered outcome. Thread-safe.
bool startGraphics();
bool graphicsAvailable();

void fillSolidRect(HDC dc, const RECT& rect, Colour colour);
void fillRoundRect(HDC dc, const RECT& rect, int32_t radius, Colour colour);
void strokeRoundRect(HDC dc, const RECT& rect, int32_t radius, Colour colour, float penWidth);
void addRoundRectPath(Gdiplus::GpPath* path, float x, float y, float width, float height, float radius);

void drawTextInRect(HDC dc, std::wstring_view text, const RECT& rect, HFONT font, Colour colour, UINT format);
void drawCentredLabel(HDC dc, std::wstring_view text, const RECT& rect, HFONT font, Colour colour);

void drawGlyph(HDC dc, Glyph glyph, const RECT& rect, Colour colour);
void drawCentredGlyph(HDC dc, Glyph glyph, const RECT& rect, int32_t size, Colour colour);
