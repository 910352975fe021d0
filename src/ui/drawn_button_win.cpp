#include "ui/drawn_button_win.h"

#include <commctrl.h>

#include <string>

#include "ui/back_buffer_win.h"
#include "ui/colours.h"
#include "ui/graphics_win.h"
#include "ui/setup_fonts_win.h"
#include "ui/setup_window_state_win.h"

namespace {
// The property holds style + 1 so that a missing property (0) reads as "not drawn".
constexpr wchar_t kStyleProperty[] = L"td.hostui.style";
constexpr wchar_t kSelectedProperty[] = L"td.hostui.selected";
constexpr UINT_PTR kSubclassId = 0;
constexpr int kCaptionChars = 256;  // 255 characters and the terminator
constexpr int32_t kFaceRadius = 7;
constexpr int32_t kGlyphFaceRadius = 6;
constexpr int32_t kGlyphSize = 11;
constexpr float kHairline = 1.0f;

HWND hoveredButton = nullptr;  // the drawn button under the mouse

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
  look.hovered = !look.disabled && item.hwndItem == hoveredButton;
  // ODS_NOFOCUSRECT is set while focus cues are hidden: no ring after mouse-only use.
  look.focusRing = !look.disabled && (item.itemState & (ODS_FOCUS | ODS_NOFOCUSRECT)) == ODS_FOCUS;
  return look;
}

Colour primaryFace(const ButtonLook& look) {
  if (look.disabled) return blendColour(palette::kAccent, palette::kBackground, palette::kDisabledPrimaryWeight);
  if (look.pressed) return palette::kPrimaryPressed;
  if (look.hovered) return palette::kPrimaryHovered;
  return palette::kAccent;
}

// Draws the face and caption; returns the focus-ring radius.
int32_t drawFace(HDC dc, ButtonStyle style, const RECT& local, const ButtonLook& look, const std::wstring& caption) {
  switch (style) {
    case ButtonStyle::PrimaryButton: {
      fillRoundRect(dc, local, scaleForDpi(kFaceRadius), primaryFace(look));
      const Colour text = look.disabled
                              ? blendColour(palette::kWhite, palette::kBackground, palette::kDisabledPrimaryTextWeight)
                              : palette::kWhite;
      drawCentredLabel(dc, caption, local, setupFont(SetupFontRole::PrimaryCaption), text);
      return scaleForDpi(kFaceRadius);
    }
    case ButtonStyle::CaptionGlyphButton: {
      const bool lit = look.hovered || look.pressed;
      if (lit) fillRoundRect(dc, local, scaleForDpi(kGlyphFaceRadius), palette::kButtonHoverFill);
      drawCentredGlyph(dc, Glyph::MinimizeDash, local, scaleForDpi(kGlyphSize),
                       lit ? palette::kMainText : palette::kDetailText);
      return scaleForDpi(kGlyphFaceRadius);
    }
    case ButtonStyle::OutlineButton: {
      if (look.hovered || look.pressed) {
        fillRoundRect(dc, local, scaleForDpi(kFaceRadius), palette::kButtonHoverFill);
      }
      strokeRoundRect(dc, local, scaleForDpi(kFaceRadius), palette::kOutlineBorder, kHairline);
      drawCentredLabel(dc, caption, local, setupFont(SetupFontRole::Note),
                       look.disabled ? palette::kOutlineDisabledText : palette::kMainText);
      return scaleForDpi(kFaceRadius);
    }
  }
  return scaleForDpi(kFaceRadius);  // styles the setup window never assigns: background only
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

void attachButtonStyle(HWND button, ButtonStyle style) {
  if (!button) return;
  SetPropW(button, kStyleProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(style) + 1));
  SetWindowSubclass(button, buttonSubclassProc, kSubclassId, 0);
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

  fillSolidRect(dc, local, palette::kBackground);
  const int32_t ringRadius = drawFace(dc, style, local, look, captionOf(item.hwndItem));
  if (look.focusRing) strokeRoundRect(dc, local, ringRadius, palette::kActiveDot, kHairline);
  buffer.blit(item.rcItem.left, item.rcItem.top);
  return true;
}
