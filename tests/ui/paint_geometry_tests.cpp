#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <utility>

#include "ui/colours.h"
#include "ui/setup_layout.h"

namespace {
const LayoutRect kBar{24, 98, 356, 104};  // 332 wide, 6 high
}  // namespace

TEST(BarSegment, PercentagesFillFromTheLeft) {
  EXPECT_FALSE(barSegment(0, kBar, 0).visible);
  const BarSegment onePercent = barSegment(1, kBar, 0);
  EXPECT_EQ(onePercent.left, 24);
  EXPECT_EQ(onePercent.right, 27);
  EXPECT_TRUE(onePercent.visible);
  EXPECT_EQ(barSegment(42, kBar, 0).right, 24 + 139);
  for (int32_t full : {100, 150, 100000}) {
    const BarSegment segment = barSegment(full, kBar, 0);
    EXPECT_EQ(segment.left, 24);
    EXPECT_EQ(segment.right, 356) << full;
  }
}

TEST(BarSegment, AFillOfOnePixelOrLessIsNotDrawn) {
  const LayoutRect narrow{0, 0, 100, 6};
  EXPECT_FALSE(barSegment(1, narrow, 0).visible);  // 1 px
  EXPECT_TRUE(barSegment(2, narrow, 0).visible);   // 2 px
}

TEST(BarSegment, HiddenProgressDrawsNoSegment) {
  EXPECT_FALSE(barSegment(-2, kBar, 500).visible);
  EXPECT_FALSE(barSegment(-7, kBar, 500).visible);
}

TEST(BarSegment, TheMovingSegmentGrowsSlidesAndShrinksAgainstTheRightEdge) {
  // D = 99; the right end runs from the left edge to 99 px beyond the right.
  EXPECT_FALSE(barSegment(-1, kBar, 0).visible);
  EXPECT_EQ(barSegment(-1, kBar, 100).left, 24);
  EXPECT_EQ(barSegment(-1, kBar, 100).right, 24 + 43);
  const BarSegment middle = barSegment(-1, kBar, 500);
  EXPECT_EQ(middle.right, 24 + 215);
  EXPECT_EQ(middle.right - middle.left, 99);
  const BarSegment late = barSegment(-1, kBar, 900);
  EXPECT_EQ(late.right, 356);
  EXPECT_EQ(late.left, 24 + 387 - 99);
  EXPECT_FALSE(barSegment(-1, kBar, 999).visible);
}

TEST(BarSegment, TheMovingSegmentNeverLeavesTheTrack) {
  int32_t widest = 0;
  for (int32_t phase = 0; phase < kAnimationPeriod; ++phase) {
    const BarSegment segment = barSegment(-1, kBar, phase);
    ASSERT_GE(segment.left, kBar.left) << phase;
    ASSERT_LE(segment.right, kBar.right) << phase;
    if (segment.visible) widest = std::max(widest, segment.right - segment.left);
  }
  EXPECT_EQ(widest, 99);
}

TEST(Animation, OneSweepTakesAboutFortySixTicks) {
  int32_t phase = 0;
  int32_t ticks = 0;
  do {
    phase = nextAnimationPhase(phase);
    ++ticks;
  } while (phase >= kAnimationStep);
  EXPECT_EQ(ticks, 46);
  EXPECT_EQ(nextAnimationPhase(990), 12);
}

TEST(RoundedCorners, RadiusIsLimitedToHalfTheSmallerSide) {
  EXPECT_EQ(barCornerRadius(kBar), 3);
  EXPECT_FLOAT_EQ(effectiveCornerRadius(100.0f, 6.0f, 3.0f), 3.0f);
  EXPECT_FLOAT_EQ(effectiveCornerRadius(4.0f, 6.0f, 3.0f), 2.0f);
  EXPECT_FLOAT_EQ(effectiveCornerRadius(100.0f, 100.0f, 0.0f), 0.0f);
  EXPECT_FLOAT_EQ(effectiveCornerRadius(1.0f, 6.0f, 3.0f), 0.0f);  // 0.5 left: square
  EXPECT_FLOAT_EQ(effectiveCornerRadius(1.2f, 6.0f, 3.0f), 0.6f);
}

TEST(PaintGeometry, BadgeTitleAndDotScaleWithDpi) {
  EXPECT_EQ(badgeRect(96), (LayoutRect{12, 10, 28, 26}));
  EXPECT_EQ(badgeRect(144), (LayoutRect{18, 15, 42, 39}));
  EXPECT_EQ(badgeGlyphRect(144), (LayoutRect{21, 18, 39, 36}));
  EXPECT_EQ(titleTextRect(120), (LayoutRect{44, 0, 420, 45}));
  EXPECT_EQ(noteDotRect(LayoutRect{24, 118, 356, 152}, LayoutRect{49, 127, 345, 143}, 96),
            (LayoutRect{35, 133, 41, 139}));
}

TEST(PaintGeometry, CentredSquareTruncatesHalves) {
  EXPECT_EQ(centredSquare(LayoutRect{0, 0, 40, 35}, 11), (LayoutRect{14, 12, 25, 23}));
  EXPECT_EQ(centredSquare(LayoutRect{10, 20, 50, 56}, 11), (LayoutRect{24, 32, 35, 43}));
}

TEST(Colours, BlendsMatchTheDerivedPaletteEntries) {
  EXPECT_EQ(blendColour(palette::kMainText, palette::kBackground, 220), rgb(205, 205, 205));
  EXPECT_EQ(blendColour(palette::kAccent, palette::kBackground, 90), rgb(23, 66, 99));
  EXPECT_EQ(blendColour(palette::kWhite, palette::kBackground, 120), rgb(139, 139, 140));
  EXPECT_EQ(blendColour(rgb(1, 2, 3), rgb(200, 100, 50), 255), rgb(1, 2, 3));
  EXPECT_EQ(blendColour(rgb(1, 2, 3), rgb(200, 100, 50), 0), rgb(200, 100, 50));
}

TEST(Colours, ColourReferencesKeepRedInTheLowByteAndArgbIsOpaque) {
  EXPECT_EQ(rgb(0, 120, 212), 0x00D47800u);
  EXPECT_EQ(toArgb(rgb(0, 120, 212)), 0xFF0078D4u);
  EXPECT_EQ(toArgb(rgb(255, 0, 0)), 0xFFFF0000u);
}

TEST(Colours, HighContrastDrawsEveryControlInAMatchedSystemPair) {
  // Every system colour different, and button text far from button face only:
  // a caption or border drawn across pairs (button text on the window) is caught.
  const SystemColours system{rgb(1, 1, 1), rgb(2, 2, 2), rgb(3, 3, 3), rgb(4, 4, 4),
                             rgb(5, 5, 5), rgb(6, 6, 6), rgb(7, 7, 7)};
  const SetupColours hc = highContrastColours(system);
  const std::pair<Colour, Colour> matched[] = {  // the last: a lit fill on the window
      {system.windowText, system.window}, {system.buttonText, system.buttonFace}, {system.highlightText, system.highlight},
      {system.grayText, system.window}, {system.grayText, system.buttonFace}, {system.highlight, system.window}};
  // (ink, paper) for everything the painter draws on something else.
  const std::pair<Colour, Colour> drawn[] = {
      {hc.border, hc.background},           {hc.badge, hc.background},          {hc.badgeGlyph, hc.badge},
      {hc.titleText, hc.background},        {hc.headingText, hc.background},    {hc.alertText, hc.background},
      {hc.detailText, hc.background},       {hc.barTrackOutline, hc.background}, {hc.barTrackOutline, hc.barTrack},
      {hc.barFill, hc.barTrack},            {hc.border, hc.noteBox},            {hc.noteText, hc.noteBox},
      {hc.activeDot, hc.noteBox},           {hc.idleDot, hc.noteBox},           {hc.separator, hc.background},
      {hc.primaryFace, hc.background},      {hc.primaryPressed, hc.background}, {hc.primaryHovered, hc.background},
      {hc.primaryText, hc.primaryFace},     {hc.primaryText, hc.primaryPressed}, {hc.primaryText, hc.primaryHovered},
      {hc.primaryDisabledText, hc.primaryDisabledFace}, {hc.primaryFocusRing, hc.primaryFace},
      {hc.glyphIdle, hc.background},        {hc.hoverFill, hc.background},      {hc.hoverText, hc.hoverFill},
      {hc.hoverBorder, hc.hoverFill},       {hc.outlineBorder, hc.outlineFace}, {hc.outlineText, hc.outlineFace},
      {hc.outlineDisabledText, hc.outlineFace}, {hc.outlineFocusRing, hc.outlineFace},
      {hc.glyphFocusRing, hc.background},
  };
  for (const auto& pair : drawn) EXPECT_NE(std::find(std::begin(matched), std::end(matched), pair), std::end(matched));
  EXPECT_TRUE(hc.outlineNoteBox);  // the note box has the window's colour: outlined
  EXPECT_EQ(hc.background, system.window);
  EXPECT_EQ(hc.outlineFace, system.buttonFace);  // the close button keeps its face and its text apart
}
