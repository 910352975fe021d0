#include <gtest/gtest.h>

#include "ui/setup_view.h"

// What each screen lets the user do, read through the event rules the window
// itself applies to the screen's buttons.
TEST(SetupScreens, TheProgressScreenCancelsAndCannotRetry) {
  for (int32_t percent : {ProgressMoving, 0, 42, 99, 100}) {
    const SetupViewState view = progressView(64, percent);
    EXPECT_EQ(closeRequestEvent(view.buttons), SetupEvent::Cancel) << percent;
    EXPECT_EQ(cancelButtonEvent(view.buttons), SetupEvent::Cancel) << percent;
    EXPECT_FALSE(showsRetryButton(view.buttons)) << percent;
    EXPECT_FALSE(view.alert) << percent;
  }
}

TEST(SetupScreens, TheFailureScreenAlertsClosesAndRetriesWithoutABar) {
  const SetupViewState view = failureView();
  EXPECT_TRUE(view.alert);
  EXPECT_TRUE(showsRetryButton(view.buttons));
  EXPECT_EQ(closeRequestEvent(view.buttons), SetupEvent::Close);
  EXPECT_EQ(cancelButtonEvent(view.buttons), SetupEvent::Close);
  EXPECT_EQ(view.progress, ProgressHidden);
  EXPECT_TRUE(view.note.empty());
}

TEST(SetupScreens, TheCancellingScreenCannotBeClosedAndKeepsItsBarMoving) {
  const SetupViewState view = cancellingView();
  EXPECT_EQ(closeRequestEvent(view.buttons), SetupEvent::None);
  EXPECT_FALSE(showsRetryButton(view.buttons));
  EXPECT_EQ(view.progress, ProgressMoving);
}

TEST(SetupScreens, TheHeadingTurnsToCheckingAtOneHundredPercent) {
  for (int32_t percent : {ProgressMoving, 0, 42, 99}) {
    EXPECT_EQ(progressView(64, percent).heading, L"설치 파일을 다운로드하는 중입니다") << percent;
  }
  for (int32_t percent : {100, 150}) EXPECT_EQ(progressView(32, percent).heading, L"설치 파일을 확인하는 중입니다") << percent;
}

TEST(SetupScreens, EveryBitnessOtherThan64ReadsAs32) {
  EXPECT_EQ(progressView(64, 5).detail, L"이 컴퓨터에 맞는 64비트 프로그램을 준비합니다.");
  for (int32_t bitness : {32, 0, 16, 128}) {
    EXPECT_EQ(progressView(bitness, 5).detail, L"이 컴퓨터에 맞는 32비트 프로그램을 준비합니다.") << bitness;
  }
}

TEST(SetupEvents, UnknownButtonSetsCloseAndNeverRetry) {
  EXPECT_EQ(closeRequestEvent(SetupButtons::Close), SetupEvent::Close);
  EXPECT_EQ(cancelButtonEvent(SetupButtons::Close), SetupEvent::Close);
  EXPECT_FALSE(showsRetryButton(SetupButtons::Close));
  for (int32_t unknown : {9, -1, 4}) {
    EXPECT_EQ(closeRequestEvent(unknown), SetupEvent::Close) << unknown;
    EXPECT_FALSE(showsRetryButton(unknown)) << unknown;
  }
}

TEST(FooterClicks, OnlyAfterTheDoubleClickTimeDoesAClickCountForTheNewButtons) {
  EXPECT_TRUE(isClickMeantForEarlierButtons(1000, 1000, 500));
  EXPECT_TRUE(isClickMeantForEarlierButtons(1000, 1499, 500));
  EXPECT_FALSE(isClickMeantForEarlierButtons(1000, 1500, 500));
  EXPECT_FALSE(isClickMeantForEarlierButtons(1000, 60000, 500));
  EXPECT_TRUE(isClickMeantForEarlierButtons(1000, 990, 500));  // queued before the change
  // Across the wrap of the 32-bit tick count, 49.7 days after start.
  EXPECT_TRUE(isClickMeantForEarlierButtons(0xFFFFFF00u, 0x00000010u, 500));
  EXPECT_FALSE(isClickMeantForEarlierButtons(0xFFFFFF00u, 0x00000200u, 500));
}

TEST(ScreenReaders, ANewHeadingIsOneAnnouncementAndOnlyTheFailureInterrupts) {
  EXPECT_TRUE(isNewScreen(SetupViewState{}, progressView(64, -1)));
  EXPECT_FALSE(isNewScreen(progressView(64, 3), progressView(64, 42)));
  EXPECT_TRUE(isNewScreen(progressView(64, 99), progressView(64, 100)));
  EXPECT_TRUE(isNewScreen(progressView(64, 42), failureView()));
  EXPECT_FALSE(isNewScreen(failureView(), failureView()));
  EXPECT_EQ(headingLiveSetting(failureView()), LiveSetting::Assertive);
  EXPECT_EQ(headingLiveSetting(progressView(64, 42)), LiveSetting::Polite);
  EXPECT_EQ(headingLiveSetting(cancellingView()), LiveSetting::Polite);
  // Only the failure's instruction is spoken with it; progress details are read on request.
  EXPECT_TRUE(announcesDetail(failureView()));
  EXPECT_FALSE(announcesDetail(progressView(64, 42)));
  EXPECT_FALSE(announcesDetail(cancellingView()));
  SetupViewState bare = failureView();
  bare.detail.clear();
  EXPECT_FALSE(announcesDetail(bare));
}

TEST(ScreenReaders, TheBarReadsTheShownPercentageAndChangesAtMostOnceASecond) {
  EXPECT_EQ(readableProgress(ProgressHidden), -1);
  EXPECT_EQ(readableProgress(ProgressMoving), 0);
  EXPECT_EQ(readableProgress(42), 42);
  EXPECT_EQ(readableProgress(150), 100);
  EXPECT_TRUE(isProgressAnnouncementDue(-1, 0, 0, 1000));     // a value appears
  EXPECT_TRUE(isProgressAnnouncementDue(41, 42, 5000, 6000));
  EXPECT_FALSE(isProgressAnnouncementDue(41, 42, 5000, 5999));
  EXPECT_FALSE(isProgressAnnouncementDue(42, 42, 0, 60000));  // unchanged
  EXPECT_FALSE(isProgressAnnouncementDue(100, 150, 0, 60000));
  EXPECT_FALSE(isProgressAnnouncementDue(42, ProgressMoving, 0, 60000));
  EXPECT_TRUE(isProgressAnnouncementDue(41, 42, 0xFFFFFF00u, 0x00000300u));  // across the wrap
}
