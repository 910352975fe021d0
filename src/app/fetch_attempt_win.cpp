#include "app/fetch_attempt.h"

#include <windows.h>

#include "host/handles_win.h"
#include "payload/payload_reader.h"
#include "ui/setup_window_win.h"

namespace {

constexpr uint32_t kPollIntervalMs = 50;
constexpr int32_t kNothingShown = -1;
constexpr int32_t kNoProgressShown = -3;  // never a real value, so the first pass always shows a screen

DWORD WINAPI workerThread(void* arguments) {
  return DWORD(fetchWorker(static_cast<WorkerArguments*>(arguments)));
}

bool isCancel(const PumpResult& result) {
  return result.outcome == PumpOutcome::UserEvent && result.event == SetupEvent::Cancel;
}

}  // namespace

AttemptOutcome runFetchAttempt(FetchSharedState& state, const std::string& downloadId, bool background) {
  state.reset();
  auto* arguments = new WorkerArguments{state.cancel, state.phase, state.succeeded,
                                        downloadId,   state.staged, state.progress};
  const ScopedHandle worker(CreateThread(nullptr, 0, workerThread, arguments, 0, nullptr));
  if (!worker) {
    // No worker means no attempt; the user may retry or close as after any failure.
    delete arguments;
    return AttemptOutcome::Failed;
  }

  int32_t shownPhase = kNothingShown;
  int32_t shownProgress = kNoProgressShown;
  bool cancelRequested = false;
  while (state.phase.load() != Finished) {
    const int32_t phase = state.phase.load();
    const int32_t progress = state.progress.load();
    if (!background && !cancelRequested && (phase != shownPhase || progress != shownProgress)) {
      applyView(progressView(int32_t(machineBitness()), phase == Starting ? -1 : progress));
      shownPhase = phase;
      shownProgress = progress;
    }
    if (isCancel(pumpSetupWindow(kPollIntervalMs, nullptr, 0))) {
      state.cancel.exchange(true);
      cancelRequested = true;
      applyView(cancellingView());
    }
  }

  if (WaitForSingleObject(worker.get(), INFINITE) != WAIT_OBJECT_0) {
    // The worker still refers to our state; ending the process is the only
    // way out that cannot touch freed memory.
    ExitProcess(1);
  }
  // A click on Cancel in the worker's last moments still counts.
  if (!background && isCancel(pumpSetupWindow(0, nullptr, 0))) state.cancel.exchange(true);

  if (cancelRequested || state.cancel.load()) return AttemptOutcome::Cancelled;
  return state.succeeded ? AttemptOutcome::Succeeded : AttemptOutcome::Failed;
}
