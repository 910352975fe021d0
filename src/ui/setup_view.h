#pragma once
// What the setup window shows and what the user asks of it. Plain values that
// the install flow builds and hands to the window; no Win32 types here.
#include <cstdint>
#include <string>

inline constexpr int32_t ProgressHidden = -2;  // no bar
inline constexpr int32_t ProgressMoving = -1;  // indeterminate bar with a moving segment
inline constexpr int32_t ProgressFull = 100;   // larger values are drawn as a full bar

// The footer button set, held as a plain int32 in the view: any non-zero value
// other than Cancel behaves as Close; only CloseAndRetry adds the retry button.
struct SetupButtons {
  enum : int32_t { None = 0, Cancel = 1, Close = 2, CloseAndRetry = 3 };
};

enum class SetupEvent : int32_t { None = 0, Cancel = 1, Close = 2, Retry = 3 };

struct SetupViewState {
  std::wstring heading;
  std::wstring detail;      // empty: no detail block
  int32_t progress = ProgressHidden;
  std::wstring note;        // empty: no note box
  bool noteActive = false;  // the note dot in the active colour
  bool alert = false;       // heading in the alert colour
  int32_t buttons = SetupButtons::None;
};

// What ended a pump of the window.
enum class PumpOutcome : int32_t {
  TimedOut,         // the time ran out or the wait failed
  UserEvent,        // the user raised `event`
  HandleSignalled,  // the handle at `index` was signalled
};

struct PumpResult {
  PumpOutcome outcome = PumpOutcome::TimedOut;
  uint32_t index = 0;                   // with HandleSignalled only
  SetupEvent event = SetupEvent::None;  // with UserEvent only
};

// bitness 64 or 32 selects the detail text; percent -1 before the download
// starts (moving bar), else 0..100.
SetupViewState progressView(int32_t bitness, int32_t percent);
SetupViewState failureView();
// Shown while the worker winds down after a cancel; closing is ignored.
SetupViewState cancellingView();

// What closing the window (Esc, Alt+F4, the system menu) asks for.
SetupEvent closeRequestEvent(int32_t buttons);
// What the cancel/close footer button asks for.
SetupEvent cancelButtonEvent(int32_t buttons);
bool showsRetryButton(int32_t buttons);

// Whether a footer click belongs to the buttons shown before the last change:
// it came less than the double-click time after the change (or before it). The
// second click of a double click on "다시 시도" would otherwise land on "취소",
// which takes its place. Times are milliseconds of one wrapping tick count.
bool isClickMeantForEarlierButtons(uint32_t buttonsChangedAt, uint32_t clickAt, uint32_t doubleClickMs);

// How urgently a screen reader speaks a changed heading (UI Automation's
// LiveSetting values): the failure screen interrupts, other screens wait their turn.
enum class LiveSetting : int32_t { Off = 0, Polite = 1, Assertive = 2 };
LiveSetting headingLiveSetting(const SetupViewState& view);

// A screen change is announced once: when the heading text changed.
bool isNewScreen(const SetupViewState& before, const SetupViewState& after);

// The failure screen's instruction is spoken too (politely, after the heading
// and the button that takes the focus); other details are read on request.
bool announcesDetail(const SetupViewState& view);

// The bar's value for screen readers: the shown percentage (0..100), 0 while
// the bar moves without one, -1 without a bar.
int32_t readableProgress(int32_t progress);

// Percentage changes are announced at most once per interval, so a fast
// download does not flood the screen reader. Times are one wrapping tick count.
inline constexpr uint32_t kProgressAnnounceIntervalMs = 1000;
bool isProgressAnnouncementDue(int32_t before, int32_t after, uint32_t announcedAt, uint32_t now);
