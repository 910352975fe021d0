#include "ui/paint_geometry.h"

#include <algorithm>

#include "ui/dpi_scale.h"
#include "ui/setup_view.h"

namespace {
constexpr int32_t kPercentScale = 100;
constexpr int32_t kBadgeLeft = 12;
constexpr int32_t kBadgeTop = 10;
constexpr int32_t kBadgeSize = 16;
constexpr int32_t kBadgeGlyphInset = 2;
constexpr int32_t kTitleLeft = 35;
constexpr int32_t kTitleRight = 336;
constexpr int32_t kTitleBandHeight = 36;
constexpr int32_t kDotLeft = 11;
constexpr int32_t kDotTop = 6;
constexpr int32_t kDotSize = 6;
constexpr float kSquareCornerLimit = 0.5f;
}  // namespace

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
  const auto s = [dpi](int32_t v) { return scaleLength(v, dpi); };
  return {s(kBadgeLeft), s(kBadgeTop), s(kBadgeLeft + kBadgeSize), s(kBadgeTop + kBadgeSize)};
}

LayoutRect badgeGlyphRect(int32_t dpi) {
  const LayoutRect badge = badgeRect(dpi);
  const int32_t inset = scaleLength(kBadgeGlyphInset, dpi);
  return {badge.left + inset, badge.top + inset, badge.right - inset, badge.bottom - inset};
}

LayoutRect titleTextRect(int32_t dpi) {
  return {scaleLength(kTitleLeft, dpi), 0, scaleLength(kTitleRight, dpi), scaleLength(kTitleBandHeight, dpi)};
}

LayoutRect noteDotRect(const LayoutRect& noteBox, const LayoutRect& noteText, int32_t dpi) {
  const auto s = [dpi](int32_t v) { return scaleLength(v, dpi); };
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
