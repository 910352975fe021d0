#include "ui/setup_paint_win.h"

#include "ui/back_buffer_win.h"
#include "ui/colours.h"
#include "ui/graphics_win.h"
#include "ui/paint_geometry.h"
#include "ui/setup_fonts_win.h"
#include "ui/setup_texts.h"
#include "ui/setup_window_state_win.h"

namespace {
constexpr int32_t kBadgeRadius = 4;
constexpr int32_t kNoteBoxRadius = 6;
constexpr int32_t kNoteDotRadius = 3;
constexpr float kBorderWidth = 1.0f;
constexpr UINT kBlockFormat = DT_WORDBREAK | DT_NOPREFIX;

void paintChrome(HDC dc, const RECT& client, int32_t dpi) {
  fillSolidRect(dc, client, palette::kBackground);
  strokeRoundRect(dc, client, 0, palette::kBorder, kBorderWidth);
  fillRoundRect(dc, toRect(badgeRect(dpi)), scaleForDpi(kBadgeRadius), palette::kAccent);
  drawGlyph(dc, Glyph::PointerArrow, toRect(badgeGlyphRect(dpi)), palette::kWhite);
  drawTextInRect(dc, setup_texts::kWindowTitle, toRect(titleTextRect(dpi)), setupFont(SetupFontRole::Title),
                 palette::kMainText, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void paintBar(HDC dc, const SetupViewState& view, const LayoutRect& bar, int32_t animationPhase) {
  const int32_t radius = barCornerRadius(bar);
  fillRoundRect(dc, toRect(bar), radius, palette::kBarTrack);
  const BarSegment segment = barSegment(view.progress, bar, animationPhase);
  if (segment.visible) {
    fillRoundRect(dc, RECT{LONG(segment.left), LONG(bar.top), LONG(segment.right), LONG(bar.bottom)}, radius,
                  palette::kAccent);
  }
}

void paintNote(HDC dc, const SetupViewState& view, const SetupLayout& layout, int32_t dpi) {
  fillRoundRect(dc, toRect(layout.noteBoxRect), scaleForDpi(kNoteBoxRadius), palette::kNoteBox);
  fillRoundRect(dc, toRect(noteDotRect(layout.noteBoxRect, layout.noteTextRect, dpi)), scaleForDpi(kNoteDotRadius),
                view.noteActive != 0 ? palette::kActiveDot : palette::kIdleDot);
  drawTextInRect(dc, layout.note, toRect(layout.noteTextRect), setupFont(SetupFontRole::Note),
                 blendColour(palette::kMainText, palette::kBackground, palette::kNoteTextWeight), kBlockFormat);
}
}  // namespace

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
  drawTextInRect(dc, layout.heading, toRect(layout.headingRect), setupFont(SetupFontRole::Heading),
                 view.alert ? palette::kAlertText : palette::kMainText, kBlockFormat);
  if (!view.detail.empty()) {
    drawTextInRect(dc, layout.detail, toRect(layout.detailRect), setupFont(SetupFontRole::Detail),
                   palette::kDetailText, kBlockFormat);
  }
  if (view.progress >= ProgressMoving) paintBar(dc, view, layout.barRect, state.animationPhase);
  if (!view.note.empty()) paintNote(dc, view, layout, state.screenDpi);
  if (layout.separatorRect.bottom > layout.separatorRect.top) {
    fillSolidRect(dc, toRect(layout.separatorRect), palette::kSeparator);
  }
  buffer.blit(0, 0);
}
