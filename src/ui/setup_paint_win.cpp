#include "ui/setup_paint_win.h"

#include <commctrl.h>

#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "host/system_dll_win.h"
#include "ui/colours.h"
#include "ui/gdi_handles_win.h"
#include "ui/setup_texts.h"
#include "ui/setup_window_state_win.h"

namespace {
constexpr WORD kBitsPerPixel = 32;
constexpr float kHalf = 0.5f;
constexpr float kHairline = 1.0f;
constexpr UINT kBlockFormat = DT_WORDBREAK | DT_NOPREFIX;
constexpr int32_t kBadgeRadius = 4;
constexpr int32_t kNoteBoxRadius = 6;
constexpr int32_t kNoteDotRadius = 3;
constexpr int32_t kFaceRadius = 7;
constexpr int32_t kGlyphFaceRadius = 6;
constexpr int32_t kGlyphSize = 11;
// The focus ring: a line of this width, this far inside the face's edge, so
// it lies on the face itself whatever surrounds the button.
constexpr int32_t kFocusRingWidth = 2;
constexpr int32_t kFocusRingInset = 2;
// The property holds style + 1 so that a missing property (0) reads as "not drawn".
constexpr wchar_t kStyleProperty[] = L"td.hostui.style";
constexpr wchar_t kSelectedProperty[] = L"td.hostui.selected";
constexpr UINT_PTR kSubclassId = 0;
constexpr int kCaptionChars = 256;  // 255 characters and the terminator

// Vector glyphs on a 16 x 16 design grid.
enum class Glyph : int32_t { Nothing = 0, MinimizeDash = 1, PointerArrow = 9 };
constexpr float kGlyphGrid = 16.0f;
constexpr float kGlyphUnit = 1.0f / kGlyphGrid;
constexpr float kDashPenFactor = 1.3f;
constexpr float kMinimumDashPen = 1.0f;
struct GlyphPoint {
  float x;
  float y;
};
constexpr GlyphPoint kMinimizeDashFrom{3.0f, 8.5f};
constexpr GlyphPoint kMinimizeDashTo{13.0f, 8.5f};
constexpr GlyphPoint kPointerArrow[] = {{4.0f, 2.0f},  {4.0f, 13.5f},  {6.8f, 10.9f}, {8.9f, 14.9f},
                                        {10.8f, 14.0f}, {8.8f, 10.1f}, {12.6f, 10.1f}};

INIT_ONCE graphicsStart = INIT_ONCE_STATIC_INIT;

// An off-screen surface for one paint: everything is drawn into it and reaches
// the screen in a single BitBlt, so nothing flickers.
class BackBuffer {
 public:
  BackBuffer(HDC target, int32_t width, int32_t height)
      : target_(target), width_(width), height_(height), memoryDc_(CreateCompatibleDC(target)) {
    if (!memoryDc_ || width <= 0 || height <= 0) return;
    bitmap_.reset(createTopDownDib(target, width, height));
    if (!bitmap_) bitmap_.reset(CreateCompatibleBitmap(target, width, height));
    if (!bitmap_) return;
    selection_.emplace(memoryDc_.get(), bitmap_.get());
  }
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // False when no memory DC or no bitmap could be made: drawing then has no
  // surface and nothing is copied; the next paint tries again.
  bool ready() const { return memoryDc_.valid() && bitmap_.valid(); }
  HDC dc() const { return memoryDc_.get(); }
  void blit(int32_t x, int32_t y) const {
    if (ready()) BitBlt(target_, x, y, width_, height_, memoryDc_.get(), 0, 0, SRCCOPY);
  }

 private:
  static HBITMAP createTopDownDib(HDC target, int32_t width, int32_t height) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = kBitsPerPixel;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    return CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  }

  HDC target_;
  int32_t width_;
  int32_t height_;
  ScopedMemoryDc memoryDc_;
  ScopedBitmap bitmap_;
  std::optional<ScopedSelectObject> selection_;  // released first: the bitmap leaves the DC before deletion
};

BOOL CALLBACK startGraphicsOnce(PINIT_ONCE, PVOID, PVOID*) {
  Gdiplus::GdiplusStartupInput input;  // version 1, no debug callback, nothing suppressed
  ULONG_PTR token = 0;
  // Without gdiplus.dll the painting is flat GDI, as after a failed start.
  setupWindowState().graphicsAvailable =
      isSystemDllLoadable(L"gdiplus.dll") && Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
  return TRUE;
}

int32_t scaled(int32_t length) { return scaleForDpi(length, setupWindowState().screenDpi); }

// A Graphics on the DC that anti-aliases and samples pixel centres; null
// without GDI+.
GdipGraphics smoothGraphics(HDC dc) {
  Gdiplus::GpGraphics* graphics = nullptr;
  if (!setupWindowState().graphicsAvailable || gdip::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok) return nullptr;
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

void fillSolidRect(HDC dc, const RECT& rect, Colour colour) {
  const COLORREF previous = SetBkColor(dc, COLORREF(colour));
  ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
  SetBkColor(dc, previous);
}

void strokeFlatRect(HDC dc, const RECT& rect, Colour colour, float penWidth) {
  ScopedPen pen(CreatePen(PS_SOLID, int(penWidth), COLORREF(colour)));
  if (!pen) return;
  ScopedSelectObject selectPen(dc, pen.get());
  ScopedSelectObject selectBrush(dc, GetStockObject(NULL_BRUSH));
  Rectangle(dc, rect.left, rect.top, rect.right, rect.bottom);
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
  GdipGraphics graphics = smoothGraphics(dc);
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
  GdipGraphics graphics = smoothGraphics(dc);
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
  if (glyph == Glyph::Nothing) return;
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

const SetupColours& colours() { return setupWindowState().colours; }

void paintChrome(HDC dc, const RECT& client, int32_t dpi) {
  const SetupWindowState& state = setupWindowState();
  fillSolidRect(dc, client, colours().background);
  strokeRoundRect(dc, client, 0, colours().border, kHairline);
  fillRoundRect(dc, toRect(badgeRect(dpi)), scaled(kBadgeRadius), colours().badge);
  drawGlyph(dc, Glyph::PointerArrow, toRect(badgeGlyphRect(dpi)), colours().badgeGlyph);
  drawTextInRect(dc, setup_texts::kWindowTitle, toRect(titleTextRect(dpi)), state.font(SetupFontRole::Title),
                 colours().titleText, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void paintBar(HDC dc, const SetupViewState& view, const LayoutRect& bar, int32_t animationPhase) {
  const int32_t radius = barCornerRadius(bar);
  fillRoundRect(dc, toRect(bar), radius, colours().barTrack);
  strokeRoundRect(dc, toRect(bar), radius, colours().barTrackOutline, kHairline);
  const BarSegment segment = barSegment(view.progress, bar, animationPhase);
  if (segment.visible) {
    fillRoundRect(dc, RECT{LONG(segment.left), LONG(bar.top), LONG(segment.right), LONG(bar.bottom)}, radius,
                  colours().barFill);
  }
}

void paintNote(HDC dc, const SetupViewState& view, const SetupLayout& layout, int32_t dpi) {
  const RECT box = toRect(layout.noteBoxRect);
  fillRoundRect(dc, box, scaled(kNoteBoxRadius), colours().noteBox);
  if (colours().outlineNoteBox) strokeRoundRect(dc, box, scaled(kNoteBoxRadius), colours().border, kHairline);
  fillRoundRect(dc, toRect(noteDotRect(layout.noteBoxRect, layout.noteTextRect, dpi)), scaled(kNoteDotRadius),
                view.noteActive ? colours().activeDot : colours().idleDot);
  drawTextInRect(dc, layout.note, toRect(layout.noteTextRect), setupWindowState().font(SetupFontRole::Note),
                 colours().noteText, kBlockFormat);
}

struct ButtonLook {
  bool disabled = false;
  bool pressed = false;
  bool hovered = false;
  bool focusRing = false;
};

ButtonLook lookOf(const DRAWITEMSTRUCT& item) {
  ButtonLook look;
  look.disabled = (item.itemState & ODS_DISABLED) != 0;
  look.pressed = !look.disabled && (item.itemState & ODS_SELECTED) != 0;
  look.hovered = !look.disabled && item.hwndItem == setupWindowState().hoveredButton;
  // ODS_NOFOCUSRECT is set while focus cues are hidden: no ring after mouse-only use.
  look.focusRing = !look.disabled && (item.itemState & (ODS_FOCUS | ODS_NOFOCUSRECT)) == ODS_FOCUS;
  return look;
}

Colour primaryFace(const ButtonLook& look) {
  if (look.disabled) return colours().primaryDisabledFace;
  if (look.pressed) return colours().primaryPressed;
  if (look.hovered) return colours().primaryHovered;
  return colours().primaryFace;
}

struct FocusRing {
  int32_t radius;
  Colour colour;
};

// Draws the face and caption; returns how the focus ring goes inside it.
FocusRing drawFace(HDC dc, ButtonStyle style, const RECT& local, const ButtonLook& look, const std::wstring& caption) {
  const SetupWindowState& state = setupWindowState();
  const bool lit = look.hovered || look.pressed;
  switch (style) {
    case ButtonStyle::PrimaryButton: {
      fillRoundRect(dc, local, scaled(kFaceRadius), primaryFace(look));
      const Colour text = look.disabled ? colours().primaryDisabledText : colours().primaryText;
      drawCentredLabel(dc, caption, local, state.font(SetupFontRole::PrimaryCaption), text);
      return {scaled(kFaceRadius), colours().primaryFocusRing};
    }
    case ButtonStyle::CaptionGlyphButton: {
      if (lit) fillRoundRect(dc, local, scaled(kGlyphFaceRadius), colours().hoverFill);
      drawCentredGlyph(dc, Glyph::MinimizeDash, local, scaled(kGlyphSize),
                       lit ? colours().hoverText : colours().glyphIdle);
      return {scaled(kGlyphFaceRadius), colours().glyphFocusRing};
    }
    case ButtonStyle::OutlineButton: {
      const bool filled = lit || colours().outlineFace != colours().background;
      if (filled) fillRoundRect(dc, local, scaled(kFaceRadius), lit ? colours().hoverFill : colours().outlineFace);
      strokeRoundRect(dc, local, scaled(kFaceRadius), lit ? colours().hoverBorder : colours().outlineBorder,
                      kHairline);
      Colour text = lit ? colours().hoverText : colours().outlineText;
      if (look.disabled) text = colours().outlineDisabledText;
      drawCentredLabel(dc, caption, local, state.font(SetupFontRole::Note), text);
      return {scaled(kFaceRadius), colours().outlineFocusRing};
    }
  }
  return {scaled(kFaceRadius), colours().outlineFocusRing};  // styles the setup window never assigns: background only
}

// The ring lies on the face, inset from its edge, so it is drawn on the
// face's own colour and keeps its contrast against it.
void drawFocusRing(HDC dc, const RECT& local, const FocusRing& ring) {
  const int32_t inset = scaled(kFocusRingInset);
  const RECT inside{local.left + inset, local.top + inset, local.right - inset, local.bottom - inset};
  strokeRoundRect(dc, inside, std::max(ring.radius - inset, 0), ring.colour, float(scaled(kFocusRingWidth)));
}

std::wstring captionOf(HWND button) {
  wchar_t text[kCaptionChars] = {};
  const int length = GetWindowTextW(button, text, kCaptionChars);
  return std::wstring(text, size_t(length > 0 ? length : 0));
}

void invalidateButton(HWND button) {
  if (button) InvalidateRect(button, nullptr, FALSE);
}

LRESULT CALLBACK buttonSubclassProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  HWND& hoveredButton = setupWindowState().hoveredButton;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // the owner draw covers every pixel
    case WM_MOUSEMOVE:
      if (button != hoveredButton) {
        const HWND previous = hoveredButton;
        hoveredButton = button;
        invalidateButton(previous);
        invalidateButton(button);
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, button, 0};
        TrackMouseEvent(&track);
      }
      break;
    case WM_MOUSELEAVE:
      if (button == hoveredButton) {
        hoveredButton = nullptr;
        invalidateButton(button);
      }
      break;
    case WM_NCDESTROY:
      if (button == hoveredButton) hoveredButton = nullptr;
      RemovePropW(button, kStyleProperty);
      RemovePropW(button, kSelectedProperty);
      RemoveWindowSubclass(button, buttonSubclassProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(button, message, wParam, lParam);
}
}  // namespace

bool startGraphics() {
  InitOnceExecuteOnce(&graphicsStart, startGraphicsOnce, nullptr, nullptr);
  return setupWindowState().graphicsAvailable;
}

void attachButtonStyle(HWND button, ButtonStyle style) {
  if (!button) return;
  SetPropW(button, kStyleProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(style) + 1));
  SetWindowSubclass(button, buttonSubclassProc, kSubclassId, 0);
}

void paintSetupWindow(HDC paintDc) {
  const SetupWindowState& state = setupWindowState();
  RECT client{};
  GetClientRect(state.window, &client);
  const int32_t width = client.right - client.left;
  const int32_t height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return;

  BackBuffer buffer(paintDc, width, height);
  if (!buffer.ready()) return;
  const HDC dc = buffer.dc();
  const SetupViewState& view = state.view;
  const SetupLayout& layout = state.layout;

  paintChrome(dc, client, state.screenDpi);
  // Before the buttons exist (the first frame), the window draws the minimize
  // button's look where the button will be.
  if (!state.minimizeButton) {
    const RECT minimize = toRect(footerPlacement(view.buttons, layout.separatorRect, state.screenDpi).minimize);
    fillSolidRect(dc, minimize, colours().background);  // as the button does, over the border's hairline
    drawFace(dc, ButtonStyle::CaptionGlyphButton, minimize, ButtonLook{}, std::wstring());
  }
  drawTextInRect(dc, layout.heading, toRect(layout.headingRect), state.font(SetupFontRole::Heading),
                 view.alert ? colours().alertText : colours().headingText, kBlockFormat);
  if (!view.detail.empty()) {
    drawTextInRect(dc, layout.detail, toRect(layout.detailRect), state.font(SetupFontRole::Detail),
                   colours().detailText, kBlockFormat);
  }
  if (view.progress >= ProgressMoving) paintBar(dc, view, layout.barRect, state.animationPhase);
  if (!view.note.empty()) paintNote(dc, view, layout, state.screenDpi);
  if (layout.separatorRect.bottom > layout.separatorRect.top) {
    fillSolidRect(dc, toRect(layout.separatorRect), colours().separator);
  }
  buffer.blit(0, 0);
}

bool drawOwnerButton(const DRAWITEMSTRUCT& item) {
  if (item.CtlType != ODT_BUTTON) return false;
  const auto stored = reinterpret_cast<INT_PTR>(GetPropW(item.hwndItem, kStyleProperty));
  if (stored == 0) return false;
  const auto style = ButtonStyle(stored - 1);

  const int32_t width = item.rcItem.right - item.rcItem.left;
  const int32_t height = item.rcItem.bottom - item.rcItem.top;
  if (width <= 0 || height <= 0) return true;

  BackBuffer buffer(item.hDC, width, height);
  if (!buffer.ready()) return true;
  const HDC dc = buffer.dc();
  const RECT local{0, 0, width, height};
  const ButtonLook look = lookOf(item);

  fillSolidRect(dc, local, colours().background);
  const FocusRing ring = drawFace(dc, style, local, look, captionOf(item.hwndItem));
  if (look.focusRing) drawFocusRing(dc, local, ring);
  buffer.blit(item.rcItem.left, item.rcItem.top);
  return true;
}
