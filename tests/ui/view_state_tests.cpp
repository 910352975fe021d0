#include <gtest/gtest.h>

#include "ui/setup_view.h"

namespace {
const std::wstring kNote = L"다운로드가 끝나면 설치를 시작합니다.";
}  // namespace

TEST(SetupViewState, DefaultShowsNothingButAnEmptyHeading) {
  const SetupViewState view;
  EXPECT_TRUE(view.heading.empty());
  EXPECT_TRUE(view.detail.empty());
  EXPECT_TRUE(view.note.empty());
  EXPECT_EQ(view.progress, -2);
  EXPECT_FALSE(view.noteActive);
  EXPECT_FALSE(view.alert);
  EXPECT_EQ(view.buttons, 0);
}

TEST(ProgressView, BeforeTheDownloadTheBarMoves) {
  const SetupViewState view = progressView(64, -1);
  EXPECT_EQ(view.heading, L"설치 파일을 다운로드하는 중입니다");
  EXPECT_EQ(view.detail, L"이 컴퓨터에 맞는 64비트 프로그램을 준비합니다.");
  EXPECT_EQ(view.progress, -1);
  EXPECT_EQ(view.note, kNote);
  EXPECT_TRUE(view.noteActive);
  EXPECT_FALSE(view.alert);
  EXPECT_EQ(view.buttons, 1);
}

TEST(ProgressView, BelowOneHundredPercentItIsDownloading) {
  for (int32_t percent : {0, 42, 99}) {
    const SetupViewState view = progressView(64, percent);
    EXPECT_EQ(view.heading, L"설치 파일을 다운로드하는 중입니다") << percent;
    EXPECT_EQ(view.progress, percent);
    EXPECT_EQ(view.buttons, 1);
  }
}

TEST(ProgressView, AtOneHundredPercentItIsChecking) {
  for (int32_t percent : {100, 150}) {
    const SetupViewState view = progressView(32, percent);
    EXPECT_EQ(view.heading, L"설치 파일을 확인하는 중입니다") << percent;
    EXPECT_EQ(view.progress, percent);
    EXPECT_EQ(view.note, kNote);
    EXPECT_EQ(view.buttons, 1);
  }
}

TEST(ProgressView, EveryBitnessOtherThan64ReadsAs32) {
  for (int32_t bitness : {32, 0, 16, 128}) {
    EXPECT_EQ(progressView(bitness, 5).detail, L"이 컴퓨터에 맞는 32비트 프로그램을 준비합니다.") << bitness;
  }
}

TEST(FailureView, OffersCloseAndRetryWithAnAlertHeading) {
  const SetupViewState view = failureView();
  EXPECT_EQ(view.heading, L"설치 파일을 받거나 확인하지 못했습니다");
  EXPECT_EQ(view.detail, L"인터넷 연결을 확인한 뒤 다시 시도해 주세요. 계속 안 되면 담당자에게 문의해 주세요.");
  EXPECT_EQ(view.progress, -2);
  EXPECT_TRUE(view.note.empty());
  EXPECT_FALSE(view.noteActive);
  EXPECT_TRUE(view.alert);
  EXPECT_EQ(view.buttons, 3);
}

TEST(CancellingView, HasAMovingBarAndNoButtons) {
  const SetupViewState view = cancellingView();
  EXPECT_EQ(view.heading, L"다운로드를 취소하는 중입니다");
  EXPECT_EQ(view.detail, L"설치하지 않고 종료합니다.");
  EXPECT_EQ(view.progress, -1);
  EXPECT_TRUE(view.note.empty());
  EXPECT_FALSE(view.alert);
  EXPECT_EQ(view.buttons, 0);
}

TEST(SetupEvents, ClosingTheWindowFollowsTheButtonSet) {
  EXPECT_EQ(closeRequestEvent(SetupButtons::None), SetupEvent::None);
  EXPECT_EQ(closeRequestEvent(SetupButtons::Cancel), SetupEvent::Cancel);
  EXPECT_EQ(closeRequestEvent(SetupButtons::Close), SetupEvent::Close);
  EXPECT_EQ(closeRequestEvent(SetupButtons::CloseAndRetry), SetupEvent::Close);
  EXPECT_EQ(closeRequestEvent(9), SetupEvent::Close);
  EXPECT_EQ(closeRequestEvent(-1), SetupEvent::Close);
}

TEST(SetupEvents, TheCancelCloseButtonCancelsOnlyTheProgressScreen) {
  EXPECT_EQ(cancelButtonEvent(SetupButtons::Cancel), SetupEvent::Cancel);
  EXPECT_EQ(cancelButtonEvent(SetupButtons::CloseAndRetry), SetupEvent::Close);
  EXPECT_EQ(cancelButtonEvent(SetupButtons::Close), SetupEvent::Close);
  EXPECT_TRUE(showsRetryButton(SetupButtons::CloseAndRetry));
  EXPECT_FALSE(showsRetryButton(SetupButtons::Close));
  EXPECT_FALSE(showsRetryButton(4));
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
