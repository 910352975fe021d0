#include "ui/setup_layout.h"

#include <algorithm>

#include "ui/setup_texts.h"
#include "ui/word_wrap.h"

namespace {
using namespace setup_metrics;

constexpr int32_t kPercentScale = 100;
constexpr int32_t kBadgeLeft = 12;
constexpr int32_t kBadgeTop = 10;
constexpr int32_t kBadgeSize = 16;
constexpr int32_t kBadgeGlyphInset = 2;
constexpr int32_t kTitleLeft = 35;
constexpr int32_t kTitleRight = 336;
constexpr int32_t kDotLeft = 11;
constexpr int32_t kDotTop = 6;
constexpr int32_t kDotSize = 6;
constexpr float kSquareCornerLimit = 0.5f;

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

int32_t clampDpi(int32_t dpi) { return dpi < kBaseDpi ? kBaseDpi : dpi; }

int32_t scaleForDpi(int32_t value, int32_t dpi) {
  const int64_t product = int64_t(value) * dpi;
  const int64_t half = kBaseDpi / 2;
  const int64_t rounded = product >= 0 ? (product + half) / kBaseDpi : (product - half) / kBaseDpi;
  return int32_t(rounded);
}

SetupLayout layoutSetupWindow(const SetupViewState& view, int32_t dpi, const TextMeasurer& measurer) {
  const auto s = [dpi](int32_t length) { return scaleForDpi(length, dpi); };
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

int32_t setupWindowWidth(int32_t dpi) { return scaleForDpi(kWindowWidth, dpi); }

LayoutPoint centredOrigin(const LayoutRect& workArea, int32_t width, int32_t height) {
  LayoutPoint origin{(workArea.width() - width) / 2 + workArea.left, (workArea.height() - height) / 2 + workArea.top};
  if (origin.x < workArea.left) origin.x = workArea.left;
  if (origin.y < workArea.top) origin.y = workArea.top;
  return origin;
}

bool isInDragBand(int32_t clientY, int32_t dpi) { return clientY < scaleForDpi(kTitleBandHeight, dpi); }

FooterPlacement footerPlacement(int32_t buttons, const LayoutRect& separator, int32_t dpi) {
  const auto s = [dpi](int32_t length) { return scaleForDpi(length, dpi); };
  const int32_t windowWidth = s(kWindowWidth);
  FooterPlacement placement;
  // One pixel inside the border on the top and right.
  const int32_t minimizeLeft = windowWidth - s(kMinimizeWidth) - 1;
  placement.minimize = {minimizeLeft, 1, minimizeLeft + s(kMinimizeWidth), s(kTitleBandHeight)};

  const int32_t rowTop = separator.bottom + s(kButtonRowTop);
  const int32_t rowRight = windowWidth - s(kButtonRowRightMargin);
  const int32_t buttonWidth = s(kButtonWidth);
  const int32_t buttonHeight = s(kButtonHeight);
  const auto buttonAt = [&](int32_t left) {
    return LayoutRect{left, rowTop, left + buttonWidth, rowTop + buttonHeight};
  };

  placement.showRetry = showsRetryButton(buttons);
  if (placement.showRetry) {
    placement.retry = buttonAt(rowRight - buttonWidth);
    placement.cancelClose = buttonAt(rowRight - 2 * buttonWidth - s(kButtonGap));
  } else {
    placement.cancelClose = buttonAt(rowRight - buttonWidth);
  }
  placement.showCancelClose = buttons != SetupButtons::None;
  placement.cancelCloseCaption =
      buttons == SetupButtons::Cancel ? setup_texts::kCancelCaption : setup_texts::kCloseCaption;
  return placement;
}

int32_t nextAnimationPhase(int32_t phase) { return (phase + kAnimationStep) % kAnimationPeriod; }

BarSegment barSegment(int32_t progress, const LayoutRect& bar, int32_t animationPhase) {
  BarSegment segment;
  const int32_t width = bar.width();
  if (progress >= 0) {
    segment.left = bar.left;
    segment.right = bar.left + width * std::min(progress, ProgressFull) / kPercentScale;
  } else if (progress == ProgressMoving) {
    const int32_t length = width * kMovingSegmentPercent / kPercentScale;
    const int32_t phase = std::clamp(animationPhase, 0, kAnimationPeriod - 1);
    const int32_t end = bar.left + (width + length) * phase / kAnimationPeriod;
    segment.left = std::max(end - length, bar.left);
    segment.right = std::min(end, bar.right);
  } else {
    return segment;
  }
  segment.visible = segment.right - segment.left > 1;
  return segment;
}

int32_t barCornerRadius(const LayoutRect& bar) { return bar.height() / 2; }

LayoutRect badgeRect(int32_t dpi) {
  const auto s = [dpi](int32_t v) { return scaleForDpi(v, dpi); };
  return {s(kBadgeLeft), s(kBadgeTop), s(kBadgeLeft + kBadgeSize), s(kBadgeTop + kBadgeSize)};
}

LayoutRect badgeGlyphRect(int32_t dpi) {
  const LayoutRect badge = badgeRect(dpi);
  const int32_t inset = scaleForDpi(kBadgeGlyphInset, dpi);
  return {badge.left + inset, badge.top + inset, badge.right - inset, badge.bottom - inset};
}

LayoutRect titleTextRect(int32_t dpi) {
  return {scaleForDpi(kTitleLeft, dpi), 0, scaleForDpi(kTitleRight, dpi), scaleForDpi(kTitleBandHeight, dpi)};
}

LayoutRect noteDotRect(const LayoutRect& noteBox, const LayoutRect& noteText, int32_t dpi) {
  const auto s = [dpi](int32_t v) { return scaleForDpi(v, dpi); };
  return {noteBox.left + s(kDotLeft), noteText.top + s(kDotTop), noteBox.left + s(kDotLeft + kDotSize),
          noteText.top + s(kDotTop + kDotSize)};
}

LayoutRect centredSquare(const LayoutRect& rect, int32_t size) {
  const int32_t left = (rect.width() - size) / 2 + rect.left;
  const int32_t top = (rect.height() - size) / 2 + rect.top;
  return {left, top, left + size, top + size};
}

float effectiveCornerRadius(float width, float height, float radius) {
  const float limited = std::min(std::min(width, height) * 0.5f, radius);
  return limited <= kSquareCornerLimit ? 0.0f : limited;
}
