// What the user's clicks and keys ask for in each button set.
#include <cstring>

#include "driver_support.h"

using namespace driver;

namespace {
constexpr uint32_t kAnswerMs = 300;

enum class Act {
  ClickCancelClose, ClickRetry, ClickMinimize, Escape, AltF4, SystemClose, Enter, TabEnter, TabTabEnter
};

struct Scenario {
  const char* name;
  SetupViewState view;
  Act act;
};

SetupViewState closeOnly() {
  SetupViewState view = failureView();
  view.buttons = SetupButtons::Close;
  return view;
}

void tabThen(int tabs) {
  for (int i = 0; i < tabs; ++i) {
    postKey(keyboardTarget(), VK_TAB);
    settle(50);
  }
  postKey(keyboardTarget(), VK_RETURN);
}

void perform(Act act, HWND window) {
  switch (act) {
    case Act::ClickCancelClose: postClick(GetDlgItem(window, kCancelCloseId)); break;
    case Act::ClickRetry: postClick(GetDlgItem(window, kRetryId)); break;
    case Act::ClickMinimize: postClick(GetDlgItem(window, kMinimizeId)); break;
    case Act::Escape: postKey(keyboardTarget(), VK_ESCAPE); break;
    case Act::AltF4: postAltF4(window); break;
    case Act::SystemClose: PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    case Act::Enter: postKey(keyboardTarget(), VK_RETURN); break;
    case Act::TabEnter: tabThen(1); break;
    case Act::TabTabEnter: tabThen(2); break;
  }
}
}  // namespace

int runEventsMode() {
  if (!openSetupWindow(GetModuleHandleW(nullptr))) return 1;
  const Scenario scenarios[] = {
      {"progress-click", progressView(64, 42), Act::ClickCancelClose},
      {"progress-escape", progressView(64, 42), Act::Escape},
      {"progress-altf4", progressView(64, 42), Act::AltF4},
      {"progress-sysclose", progressView(64, -1), Act::SystemClose},
      {"progress-enter-unfocused", progressView(64, 42), Act::Enter},
      {"progress-tab-enter", progressView(64, 42), Act::TabEnter},
      {"failed-click-close", failureView(), Act::ClickCancelClose},
      {"failed-click-retry", failureView(), Act::ClickRetry},
      {"failed-escape", failureView(), Act::Escape},
      {"failed-altf4", failureView(), Act::AltF4},
      {"failed-sysclose", failureView(), Act::SystemClose},
      {"failed-tab-enter", failureView(), Act::TabEnter},
      {"failed-tab-tab-enter", failureView(), Act::TabTabEnter},
      {"closeonly-escape", closeOnly(), Act::Escape},
      {"closeonly-click", closeOnly(), Act::ClickCancelClose},
      {"cancelling-escape", cancellingView(), Act::Escape},
      {"cancelling-altf4", cancellingView(), Act::AltF4},
      {"cancelling-sysclose", cancellingView(), Act::SystemClose},
      {"cancelling-enter", cancellingView(), Act::TabEnter},
      {"progress-minimize", progressView(64, 42), Act::ClickMinimize},
      // The second click of a double click on Retry, landing on Cancel in its place.
      {"failed-then-progress-click-at-once", progressView(64, -1), Act::ClickCancelClose},
  };
  int32_t shownButtons = SetupButtons::None;
  for (const Scenario& scenario : scenarios) {
    const HWND window = setupWindow();
    const bool atOnce = std::strstr(scenario.name, "at-once") != nullptr;
    if (atOnce) applyView(failureView());
    const bool changed = atOnce || scenario.view.buttons != shownButtons;
    shownButtons = scenario.view.buttons;
    applyView(scenario.view);
    SetFocus(window);
    // Nothing may be pending before the act, and a click on new buttons counts
    // only after the double-click time.
    settle(atOnce || !changed ? 30 : GetDoubleClickTime() + 30);
    perform(scenario.act, window);
    printPump(scenario.name, pumpSetupWindow(kAnswerMs, nullptr, 0));
    printLine("after %s alive %d iconic %d windows %d", scenario.name, IsWindow(window) ? 1 : 0,
              IsIconic(window) ? 1 : 0, countSetupWindows());
    if (IsIconic(window)) {
      ShowWindow(window, SW_RESTORE);
      settle(50);
    }
  }
  closeSetupWindow();
  return 0;
}
