#include "ui/setup_layout.h"

#include "ui/dpi_scale.h"
#include "ui/word_wrap.h"

namespace {
using namespace setup_metrics;

struct WrappedBlock {
  std::wstring text;
  int32_t height = 0;
};

WrappedBlock wrapBlock(const TextMeasurer& measurer, SetupFontRole font, std::wstring_view text, int32_t width) {
  WrappedBlock block;
  block.text = wrapText(text, width, [&](std::wstring_view line) { return measurer.lineWidth(font, line); });
  if (!block.text.empty()) block.height = measurer.blockHeight(font, block.text, width);
  return block;
}
}  // namespace

SetupLayout layoutSetupWindow(const SetupViewState& view, int32_t dpi, const TextMeasurer& measurer) {
  const auto s = [dpi](int32_t length) { return scaleLength(length, dpi); };
  SetupLayout layout;
  const int32_t left = s(kColumnLeft);
  const int32_t right = s(kColumnRight);
  const int32_t width = right - left;

  WrappedBlock heading = wrapBlock(measurer, SetupFontRole::Heading, view.heading, width);
  layout.heading = std::move(heading.text);
  layout.headingRect = {left, s(kHeadingTop), right, s(kHeadingTop) + heading.height};
  int32_t y = layout.headingRect.bottom;

  if (!view.detail.empty()) {
    const int32_t top = y + s(kDetailGap);
    WrappedBlock detail = wrapBlock(measurer, SetupFontRole::Detail, view.detail, width);
    layout.detail = std::move(detail.text);
    layout.detailRect = {left, top, right, top + detail.height};
    y = layout.detailRect.bottom;
  }

  if (view.progress >= ProgressMoving) {
    const int32_t top = y + s(kBarGap);
    layout.barRect = {left, top, right, top + s(kBarHeight)};
    y = layout.barRect.bottom;
  }

  if (!view.note.empty()) {
    y += s(kNoteGap);
    const int32_t noteLeft = left + s(kNoteTextIndent);
    const int32_t noteRight = right - s(kNoteRightPadding);
    WrappedBlock note = wrapBlock(measurer, SetupFontRole::Note, view.note, noteRight - noteLeft);
    layout.note = std::move(note.text);
    layout.noteBoxRect = {left, y, right, y + note.height + s(kNoteVerticalPadding)};
    layout.noteTextRect = {noteLeft, y + s(kNoteTopPadding), noteRight, y + s(kNoteTopPadding) + note.height};
    y = layout.noteBoxRect.bottom;
  }

  int32_t bottomPart = s(kBottomMarginWithoutFooter);
  if (view.buttons != SetupButtons::None) {
    y += s(kFooterGap);
    layout.separatorRect = {0, y, s(kWindowWidth), y + 1};
    bottomPart = s(kButtonHeight) + s(kFooterBottomMargin) + s(kButtonRowTop) + 1;
  }
  layout.windowHeight = y + bottomPart;
  return layout;
}
