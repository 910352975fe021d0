#pragma once
// The state that the user-interface thread and one fetch worker share, and the
// worker's body. cancel, phase and progress are written by atomic exchange;
// succeeded and staged are read only after the worker has been joined.
#include <atomic>
#include <cstdint>
#include <string>

#include "fetch/release_fetch_win.h"

enum FetchPhase : int32_t { Starting = 0, Fetching = 1, Finished = 2 };

inline constexpr int32_t kNoProgressYet = -1;

struct FetchSharedState {
  std::atomic<bool> cancel{false};
  std::atomic<int32_t> phase{Starting};
  std::atomic<int32_t> progress{kNoProgressYet};
  bool succeeded = false;
  StagedInstaller staged;

  // The state at the start of an attempt; an installer still staged from an
  // earlier attempt is discarded.
  void reset();
};

// Allocated by the user-interface thread for one attempt, freed by the worker.
struct WorkerArguments {
  std::atomic<bool>& cancel;
  std::atomic<int32_t>& phase;
  bool& succeeded;
  const std::string& downloadId;
  StagedInstaller& staged;
  std::atomic<int32_t>& progress;
};

// The ProgressCallback given to fetchInstaller; `cell` is the shared progress.
void storeProgress(int32_t percent, void* cell);

// Runs one attempt: finds the release, then fetches and stages the installer.
// Takes ownership of `arguments`.
int fetchWorker(WorkerArguments* arguments);
