// Layout numbers worked out by hand at 96, 120 and 144 dpi. Line heights in
// the fake measurer roughly follow the fonts' scaled sizes.
#include <gtest/gtest.h>

#include <algorithm>

#include "fake_text_measurer.h"
#include "ui/setup_layout.h"
#include "ui/setup_texts.h"
#include "ui/setup_view.h"

namespace {
// One pixel per character: every text fits on one line.
FakeTextMeasurer singleLines(int32_t dpi) {
  switch (dpi) {
    case 120: return FakeTextMeasurer(1, 23, 21, 20);
    case 144: return FakeTextMeasurer(1, 28, 25, 24);
    default: return FakeTextMeasurer(1, 19, 17, 16);
  }
}

SetupViewState downloading() { return progressView(64, 42); }

}  // namespace

TEST(SetupLayout, DownloadingScreenAt96Dpi) {
  const SetupLayout layout = layoutSetupWindow(downloading(), 96, singleLines(96));
  EXPECT_EQ(layout.headingRect, (LayoutRect{24, 42, 356, 61}));
  EXPECT_EQ(layout.detailRect, (LayoutRect{24, 67, 356, 84}));
  EXPECT_EQ(layout.barRect, (LayoutRect{24, 98, 356, 104}));
  EXPECT_EQ(layout.noteBoxRect, (LayoutRect{24, 118, 356, 152}));
  EXPECT_EQ(layout.noteTextRect, (LayoutRect{49, 127, 345, 143}));
  EXPECT_EQ(layout.separatorRect, (LayoutRect{0, 168, 380, 169}));
  EXPECT_EQ(layout.windowHeight, 229);
  EXPECT_EQ(layout.heading, setup_texts::kDownloadingHeading);
}

TEST(SetupLayout, DownloadingScreenAt120DpiRoundsLikeMulDiv) {
  const SetupLayout layout = layoutSetupWindow(downloading(), 120, singleLines(120));
  EXPECT_EQ(layout.headingRect, (LayoutRect{30, 53, 445, 76}));
  EXPECT_EQ(layout.detailRect, (LayoutRect{30, 84, 445, 105}));
  EXPECT_EQ(layout.barRect, (LayoutRect{30, 123, 445, 131}));
  EXPECT_EQ(layout.noteBoxRect, (LayoutRect{30, 149, 445, 192}));
  EXPECT_EQ(layout.noteTextRect, (LayoutRect{61, 160, 431, 180}));
  EXPECT_EQ(layout.separatorRect, (LayoutRect{0, 212, 475, 213}));
  EXPECT_EQ(layout.windowHeight, 289);
}

TEST(SetupLayout, DownloadingScreenAt144Dpi) {
  const SetupLayout layout = layoutSetupWindow(downloading(), 144, singleLines(144));
  EXPECT_EQ(layout.headingRect, (LayoutRect{36, 63, 534, 91}));
  EXPECT_EQ(layout.detailRect, (LayoutRect{36, 100, 534, 125}));
  EXPECT_EQ(layout.barRect, (LayoutRect{36, 146, 534, 155}));
  EXPECT_EQ(layout.noteBoxRect, (LayoutRect{36, 176, 534, 227}));
  EXPECT_EQ(layout.noteTextRect, (LayoutRect{74, 190, 517, 214}));
  EXPECT_EQ(layout.separatorRect, (LayoutRect{0, 251, 570, 252}));
  EXPECT_EQ(layout.windowHeight, 342);
  EXPECT_EQ(setupWindowWidth(144), 570);
}

TEST(SetupLayout, CancellingScreenHasNoFooterAndEndsTwentyTwoBelowTheBar) {
  const SetupLayout at96 = layoutSetupWindow(cancellingView(), 96, singleLines(96));
  EXPECT_EQ(at96.barRect, (LayoutRect{24, 98, 356, 104}));
  EXPECT_TRUE(at96.noteBoxRect.isEmpty());
  EXPECT_TRUE(at96.separatorRect.isEmpty());
  EXPECT_EQ(at96.windowHeight, 126);
  const SetupLayout at144 = layoutSetupWindow(cancellingView(), 144, singleLines(144));
  EXPECT_EQ(at144.windowHeight, 155 + 33);
}

TEST(SetupLayout, FailureScreenWrapsItsDetailAndDropsTheBar) {
  // 10 px per character in a 332 px column: the failure detail needs two lines.
  const FakeTextMeasurer measurer(10, 19, 17, 16);
  const SetupLayout layout = layoutSetupWindow(failureView(), 96, measurer);
  EXPECT_EQ(std::count(layout.detail.begin(), layout.detail.end(), L'\n'), 1);
  EXPECT_EQ(layout.detailRect, (LayoutRect{24, 67, 356, 101}));
  EXPECT_TRUE(layout.barRect.isEmpty());
  EXPECT_EQ(layout.separatorRect, (LayoutRect{0, 117, 380, 118}));
  EXPECT_EQ(layout.windowHeight, 178);
}

TEST(SetupLayout, PreparingScreenIsHeadingOnly) {
  SetupViewState view;
  view.heading = setup_texts::kPreparingHeading;
  const SetupLayout layout = layoutSetupWindow(view, 96, singleLines(96));
  EXPECT_TRUE(layout.detailRect.isEmpty());
  EXPECT_TRUE(layout.barRect.isEmpty());
  EXPECT_EQ(layout.windowHeight, 61 + 22);
}

TEST(SetupLayout, EmptyBlocksTakeNoSpace) {
  SetupViewState view = downloading();
  view.detail.clear();
  const SetupLayout noDetail = layoutSetupWindow(view, 96, singleLines(96));
  EXPECT_TRUE(noDetail.detailRect.isEmpty());
  EXPECT_EQ(noDetail.barRect.top, 61 + 14);
  view.note.clear();
  const SetupLayout noNote = layoutSetupWindow(view, 96, singleLines(96));
  EXPECT_EQ(noNote.separatorRect.top, noNote.barRect.bottom + 16);
  view.heading.clear();
  const SetupLayout noHeading = layoutSetupWindow(view, 96, singleLines(96));
  EXPECT_EQ(noHeading.headingRect.height(), 0);
  EXPECT_EQ(noHeading.barRect.top, 42 + 14);
}

TEST(SetupLayout, BarShowsForMovingAndEveryPercentageOnly) {
  SetupViewState view = downloading();
  for (int32_t progress : {-1, 0, 100, 150}) {
    view.progress = progress;
    EXPECT_FALSE(layoutSetupWindow(view, 96, singleLines(96)).barRect.isEmpty()) << progress;
  }
  for (int32_t progress : {-2, -3}) {
    view.progress = progress;
    EXPECT_TRUE(layoutSetupWindow(view, 96, singleLines(96)).barRect.isEmpty()) << progress;
  }
}

TEST(SetupLayout, AWrappedNoteGrowsTheBoxAndTheWindow) {
  SetupViewState view = downloading();
  const FakeTextMeasurer measurer(10, 19, 17, 16);
  const int32_t oneLine = layoutSetupWindow(view, 96, measurer).windowHeight;
  // The note column is 296 px: 29 characters per line at 10 px.
  view.note = L"aaaaaaaaaa bbbbbbbbbb cccccccccc dddddddddd eeeeeeeeee";
  const SetupLayout wrapped = layoutSetupWindow(view, 96, measurer);
  EXPECT_EQ(wrapped.note, L"aaaaaaaaaa bbbbbbbbbb\ncccccccccc dddddddddd\neeeeeeeeee");
  EXPECT_EQ(wrapped.noteBoxRect.height(), 3 * 16 + 18);
  EXPECT_EQ(wrapped.noteTextRect.height(), 3 * 16);
  EXPECT_EQ(measurer.narrowestColumn, 296);
  EXPECT_EQ(wrapped.windowHeight, oneLine + 2 * 16);
}

TEST(SetupLayout, HeadingAndDetailWrapToTheTextColumn) {
  SetupViewState view = downloading();
  view.heading = std::wstring(20, L'x') + L" " + std::wstring(20, L'y');
  const FakeTextMeasurer measurer(10, 19, 17, 16);
  const SetupLayout layout = layoutSetupWindow(view, 96, measurer);
  EXPECT_EQ(layout.heading, std::wstring(20, L'x') + L"\n" + std::wstring(20, L'y'));
  EXPECT_EQ(layout.headingRect, (LayoutRect{24, 42, 356, 80}));
  EXPECT_EQ(layout.detailRect.top, 86);
}

TEST(FooterPlacement, OneButtonSitsAtTheRightEdge) {
  const FooterPlacement at96 = footerPlacement(SetupButtons::Cancel, LayoutRect{0, 168, 380, 169}, 96);
  EXPECT_EQ(at96.cancelClose, (LayoutRect{268, 181, 364, 215}));
  EXPECT_TRUE(at96.showCancelClose);
  EXPECT_FALSE(at96.showRetry);
  EXPECT_STREQ(at96.cancelCloseCaption, L"취소");
  EXPECT_EQ(at96.minimize, (LayoutRect{339, 1, 379, 36}));
}

TEST(FooterPlacement, RetrySitsRightOfCloseWithAGap) {
  const FooterPlacement at120 = footerPlacement(SetupButtons::CloseAndRetry, LayoutRect{0, 212, 475, 213}, 120);
  EXPECT_EQ(at120.retry, (LayoutRect{335, 228, 455, 271}));
  EXPECT_EQ(at120.cancelClose, (LayoutRect{205, 228, 325, 271}));
  EXPECT_EQ(at120.minimize, (LayoutRect{424, 1, 474, 45}));
  EXPECT_TRUE(at120.showRetry);
  EXPECT_STREQ(at120.cancelCloseCaption, L"닫기");
}

TEST(FooterPlacement, ButtonSetsOtherThanCancelReadClose) {
  EXPECT_STREQ(footerPlacement(SetupButtons::Close, {}, 96).cancelCloseCaption, L"닫기");
  EXPECT_STREQ(footerPlacement(7, {}, 96).cancelCloseCaption, L"닫기");
  EXPECT_FALSE(footerPlacement(7, {}, 96).showRetry);
  EXPECT_FALSE(footerPlacement(SetupButtons::None, {}, 96).showCancelClose);
}

TEST(FooterPlacement, TheButtonRowEndsFourteenAboveTheWindowBottom) {
  for (int32_t dpi : {96, 120, 144}) {
    const SetupLayout layout = layoutSetupWindow(failureView(), dpi, singleLines(dpi));
    const FooterPlacement placement = footerPlacement(SetupButtons::CloseAndRetry, layout.separatorRect, dpi);
    EXPECT_EQ(layout.windowHeight - placement.retry.bottom, scaleForDpi(14, dpi)) << dpi;
  }
}

TEST(WindowPlacement, CentresInTheWorkAreaWithTruncatedHalves) {
  EXPECT_EQ(centredOrigin(LayoutRect{0, 0, 1280, 800}, 380, 229), (LayoutPoint{450, 285}));
  EXPECT_EQ(centredOrigin(LayoutRect{100, 40, 1380, 800}, 381, 230), (LayoutPoint{549, 305}));
}

TEST(WindowPlacement, AWindowLargerThanTheWorkAreaKeepsItsTitleBandOnScreen) {
  EXPECT_EQ(centredOrigin(LayoutRect{0, 30, 640, 330}, 570, 400), (LayoutPoint{35, 30}));
  EXPECT_EQ(centredOrigin(LayoutRect{10, 0, 500, 800}, 570, 300), (LayoutPoint{10, 250}));
}

TEST(WindowPlacement, TheTopBandDragsTheWindow) {
  EXPECT_TRUE(isInDragBand(35, 96));
  EXPECT_FALSE(isInDragBand(36, 96));
  EXPECT_TRUE(isInDragBand(53, 144));
  EXPECT_FALSE(isInDragBand(54, 144));
}

TEST(DpiScale, RoundsHalvesAwayFromZeroAndClampsLowDpi) {
  EXPECT_EQ(scaleForDpi(380, 144), 570);
  EXPECT_EQ(scaleForDpi(6, 120), 8);
  EXPECT_EQ(scaleForDpi(25, 120), 31);
  EXPECT_EQ(scaleForDpi(-6, 120), -8);
  EXPECT_EQ(scaleForDpi(0, 144), 0);
  EXPECT_EQ(clampDpi(72), 96);
  EXPECT_EQ(clampDpi(0), 96);
  EXPECT_EQ(clampDpi(168), 168);
}
