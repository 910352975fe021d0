#include "ui/graphics_win.h"

#include <iterator>

#include "ui/gdi_handles.h"

namespace {
constexpr float kHalf = 0.5f;
constexpr float kGlyphUnit = 1.0f / kGlyphGrid;
constexpr float kDashPenFactor = 1.3f;
constexpr float kMinimumDashPen = 1.0f;

INIT_ONCE graphicsStart = INIT_ONCE_STATIC_INIT;
bool graphicsStarted = false;  // graphicsAvailable, written once under graphicsStart

BOOL CALLBACK startGraphicsOnce(PINIT_ONCE, PVOID, PVOID*) {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, nothing suppressed
  ULONG_PTR token = 0;
  graphicsStarted = Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  return TRUE;
}

// A Graphics on the DC that anti-aliases and samples pixel centres.
GdipGraphics smoothGraphics(HDC dc) {
  Gdiplus::GpGraphics* graphics = nullptr;
  if (gdip::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return nullptr;
  GdipGraphics owned(graphics);
  gdip::GdipSetSmoothingMode(graphics, Gdiplus::SmoothingModeAntiAlias);
  gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf);
  return owned;
}

GdipPath newPath() {
  Gdiplus::GpPath* path = nullptr;
  if (gdip::GdipCreatePath(Gdiplus::FillModeAlternate, &path) != Gdiplus::Ok) return nullptr;
  return GdipPath(path);
}

GdipBrush solidBrush(Colour colour) {
  Gdiplus::GpSolidFill* brush = nullptr;
  if (gdip::GdipCreateSolidFill(toArgb(colour), &brush) != Gdiplus::Ok) return nullptr;
  return GdipBrush(brush);
}

GdipPen solidPen(Colour colour, float width) {
  Gdiplus::GpPen* pen = nullptr;
  if (gdip::GdipCreatePen1(toArgb(colour), width, Gdiplus::UnitWorld, &pen) != Gdiplus::Ok) return nullptr;
  return GdipPen(pen);
}

void strokeFlatRect(HDC dc, const RECT& rect, Colour colour, float penWidth) {
  ScopedPen pen(CreatePen(PS_SOLID, int(penWidth), COLORREF(colour)));
  if (!pen) return;
  ScopedSelectObject selectPen(dc, pen.get());
  ScopedSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
}
}  // namespace

bool startGraphics() {
  InitOnceExecuteOnce(&graphicsStart, startGraphicsOnce, nullptr, nullptr);
  return graphicsStarted;
}

bool graphicsAvailable() { return graphicsStarted; }

void fillSolidRect(HDC dc, const RECT& rect, Colour colour) {
  const COLORREF previous = SetBkColor(dc, COLORREF(colour));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
}

void addRoundRectPath(Gdiplus::GpPath* path, float x, float y, float width, float height, float radius) {
  const float r = effectiveCornerRadius(width, height, radius);
  if (r <= 0.0f) {
    gdip::GdipAddPathRectangle(path, x, y, width, height);
    return;
  }
  const float d = 2.0f * r;
  gdip::GdipAddPathArc(path, x, y, d, d, 180.0f, 90.0f);
  gdip::GdipAddPathArc(path, x + width - d, y, d, d, 270.0f, 90.0f);
  gdip::GdipAddPathArc(path, x + width - d, y + height - d, d, d, 0.0f, 90.0f);
  gdip::GdipAddPathArc(path, x, y + height - d, d, d, 90.0f, 90.0f);
  gdip::GdipClosePathFigure(path);
}

void fillRoundRect(HDC dc, const RECT& rect, int32_t radius, Colour colour) {
  GdipGraphics graphics = graphicsAvailable() ? smoothGraphics(dc) : nullptr;
  GdipPath path = graphics ? newPath() : nullptr;
  GdipBrush brush = path ? solidBrush(colour) : nullptr;
  if (!brush) {
    fillSolidRect(dc, rect, colour);  // square corners
    return;
  }
  addRoundRectPath(path.get(), float(rect.left), float(rect.top), float(rect.right - rect.left),
                   float(rect.bottom - rect.top), float(radius));
  gdip::GdipFillPath(graphics.get(), brush.get(), path.get());
}

void strokeRoundRect(HDC dc, const RECT& rect, int32_t radius, Colour colour, float penWidth) {
  GdipGraphics graphics = graphicsAvailable() ? smoothGraphics(dc) : nullptr;
  GdipPath path = graphics ? newPath() : nullptr;
  GdipPen pen = path ? solidPen(colour, penWidth) : nullptr;
  if (!pen) {
    strokeFlatRect(dc, rect, colour, penWidth);
    return;
  }
  // The pen is centred on the path: inset by half its width to stay inside.
  const float half = penWidth * kHalf;
  const float insetRadius = std::max(float(radius) - half, 0.0f);
  addRoundRectPath(path.get(), float(rect.left) + half, float(rect.top) + half,
                   float(rect.right - rect.left) - penWidth, float(rect.bottom - rect.top) - penWidth, insetRadius);
  gdip::GdipDrawPath(graphics.get(), pen.get(), path.get());
}

void drawTextInRect(HDC dc, std::wstring_view text, const RECT& rect, HFONT font, Colour colour, UINT format) {
  if (text.empty()) return;
  ScopedSelectObject selectFont(dc, font);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, COLORREF(colour));
  RECT bounds = rect;
  DrawTextW(dc, text.data(), int(text.size()), &bounds, format);
}

void drawCentredLabel(HDC dc, std::wstring_view text, const RECT& rect, HFONT font, Colour colour) {
  drawTextInRect(dc, text, rect, font, colour, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void drawGlyph(HDC dc, Glyph glyph, const RECT& rect, Colour colour) {
  if (glyph == Glyph::Nothing || !graphicsAvailable()) return;
  GdipGraphics graphics = smoothGraphics(dc);
  if (!graphics) return;
  const float unit = float(std::min(rect.bottom - rect.top, rect.right - rect.left)) * kGlyphUnit;
  const auto at = [&](GlyphPoint p) {
    return Gdiplus::PointF(float(rect.left) + p.x * unit, float(rect.top) + p.y * unit);
  };

  switch (glyph) {
    case Glyph::MinimizeDash: {
      GdipPen pen = solidPen(colour, std::max(kMinimumDashPen, kDashPenFactor * unit));
      if (!pen) return;
      gdip::GdipSetPenStartCap(pen.get(), Gdiplus::LineCapRound);
      gdip::GdipSetPenEndCap(pen.get(), Gdiplus::LineCapRound);
      gdip::GdipSetPenLineJoin(pen.get(), Gdiplus::LineJoinRound);
      const Gdiplus::PointF from = at(kMinimizeDashFrom);
      const Gdiplus::PointF to = at(kMinimizeDashTo);
      gdip::GdipDrawLine(graphics.get(), pen.get(), from.X, from.Y, to.X, to.Y);
      break;
    }
    case Glyph::PointerArrow: {
      GdipBrush brush = solidBrush(colour);
      if (!brush) return;
      Gdiplus::PointF points[std::size(kPointerArrow)];
      for (size_t i = 0; i < std::size(kPointerArrow); ++i) points[i] = at(kPointerArrow[i]);
      gdip::GdipFillPolygon(graphics.get(), brush.get(), points, INT(std::size(points)), Gdiplus::FillModeAlternate);
      break;
    }
    default:
      break;  // glyphs the setup window never assigns
  }
}

void drawCentredGlyph(HDC dc, Glyph glyph, const RECT& rect, int32_t size, Colour colour) {
  drawGlyph(dc, glyph, toRect(centredSquare(toLayoutRect(rect), size)), colour);
}
