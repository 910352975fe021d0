#include "ui/setup_view.h"

#include "ui/setup_texts.h"

namespace {
constexpr int32_t kBitness64 = 64;
}  // namespace

SetupViewState progressView(int32_t bitness, int32_t percent) {
  SetupViewState view;
  view.heading = percent >= ProgressFull ? setup_texts::kCheckingHeading : setup_texts::kDownloadingHeading;
  view.detail = bitness == kBitness64 ? setup_texts::kDetail64 : setup_texts::kDetail32;
  view.progress = percent;
  view.note = setup_texts::kProgressNote;
  view.noteActive = true;
  view.alert = false;
  view.buttons = SetupButtons::Cancel;
  return view;
}

SetupViewState failureView() {
  SetupViewState view;
  view.heading = setup_texts::kFailureHeading;
  view.detail = setup_texts::kFailureDetail;
  view.progress = ProgressHidden;
  view.alert = true;
  view.buttons = SetupButtons::CloseAndRetry;
  return view;
}

SetupViewState cancellingView() {
  SetupViewState view;
  view.heading = setup_texts::kCancellingHeading;
  view.detail = setup_texts::kCancellingDetail;
  view.progress = ProgressMoving;
  view.buttons = SetupButtons::None;
  return view;
}

SetupEvent closeRequestEvent(int32_t buttons) {
  if (buttons == SetupButtons::None) return SetupEvent::None;  // the cancelling screen cannot be closed
  return buttons == SetupButtons::Cancel ? SetupEvent::Cancel : SetupEvent::Close;
}

SetupEvent cancelButtonEvent(int32_t buttons) {
  return buttons == SetupButtons::Cancel ? SetupEvent::Cancel : SetupEvent::Close;
}

bool showsRetryButton(int32_t buttons) { return buttons == SetupButtons::CloseAndRetry; }

bool isClickMeantForEarlierButtons(uint32_t buttonsChangedAt, uint32_t clickAt, uint32_t doubleClickMs) {
  // Signed: a click queued just before the change comes out negative.
  return int64_t(int32_t(clickAt - buttonsChangedAt)) < int64_t(doubleClickMs);
}

LiveSetting headingLiveSetting(const SetupViewState& view) {
  return view.alert ? LiveSetting::Assertive : LiveSetting::Polite;
}

bool isNewScreen(const SetupViewState& before, const SetupViewState& after) { return before.heading != after.heading; }

bool announcesDetail(const SetupViewState& view) { return view.alert && !view.detail.empty(); }

int32_t readableProgress(int32_t progress) {
  if (progress < ProgressMoving) return -1;
  if (progress == ProgressMoving) return 0;
  return progress > ProgressFull ? ProgressFull : progress;
}

bool isProgressAnnouncementDue(int32_t before, int32_t after, uint32_t announcedAt, uint32_t now) {
  if (after < 0 || (before >= 0 && readableProgress(after) == readableProgress(before))) return false;
  return now - announcedAt >= kProgressAnnounceIntervalMs;  // unsigned: survives the wrap
}
