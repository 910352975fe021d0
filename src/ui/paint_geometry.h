#pragma once
// Geometry of what the painter draws: the bar segment, the badge, the note
// dot, glyph squares and rounded corners. Pure, so the edge cases are testable.
#include <cstdint>

#include "ui/layout_rect.h"

inline constexpr int32_t kAnimationPeriod = 1000;  // animationPhase runs 0..999
inline constexpr int32_t kAnimationStep = 22;      // per timer tick: one sweep in about 46 ticks
inline constexpr int32_t kMovingSegmentPercent = 30;

int32_t nextAnimationPhase(int32_t phase);

struct BarSegment {
  int32_t left = 0;
  int32_t right = 0;
  bool visible = false;  // a fill of one pixel or less is not drawn
};

// progress 0..100 (larger drawn as 100) fills from the left; -1 gives the
// moving segment for animationPhase; anything else draws no segment.
BarSegment barSegment(int32_t progress, const LayoutRect& bar, int32_t animationPhase);
int32_t barCornerRadius(const LayoutRect& bar);

LayoutRect badgeRect(int32_t dpi);
LayoutRect badgeGlyphRect(int32_t dpi);
LayoutRect titleTextRect(int32_t dpi);
LayoutRect noteDotRect(const LayoutRect& noteBox, const LayoutRect& noteText, int32_t dpi);

// The square of side `size` centred in rect (halves truncated).
LayoutRect centredSquare(const LayoutRect& rect, int32_t size);

// The corner radius a rounded rectangle can have: at most half its smaller
// side; 0 when that leaves 0.5 or less (square corners).
float effectiveCornerRadius(float width, float height, float radius);

// Vector glyphs on a 16 x 16 design grid.
enum class Glyph : int32_t { Nothing = 0, MinimizeDash = 1, PointerArrow = 9 };
inline constexpr float kGlyphGrid = 16.0f;

struct GlyphPoint {
  float x;
  float y;
};
inline constexpr GlyphPoint kMinimizeDashFrom{3.0f, 8.5f};
inline constexpr GlyphPoint kMinimizeDashTo{13.0f, 8.5f};
inline constexpr GlyphPoint kPointerArrow[] = {{4.0f, 2.0f},  {4.0f, 13.5f},  {6.8f, 10.9f}, {8.9f, 14.9f},
                                               {10.8f, 14.0f}, {8.8f, 10.1f}, {12.6f, 10.1f}};
