#include "app/fetch_worker_win.h"

#include <memory>

#include "payload/payload_reader.h"

void FetchSharedState::reset() {
  cancel.exchange(false);
  progress.exchange(kNoProgressYet);
  staged.discard();
  phase.exchange(Starting);
  succeeded = false;
}

void storeProgress(int32_t percent, void* cell) { static_cast<std::atomic<int32_t>*>(cell)->exchange(percent); }

int fetchWorker(WorkerArguments* raw) {
  const std::unique_ptr<WorkerArguments> arguments(raw);
  ReleaseVersion version{};
  removeStaleStagingFolders();
  // A cancel during the version request ends it early and counts here.
  if (!fetchReleaseVersion(version, &arguments->cancel) || arguments->cancel.load()) {
    arguments->phase.exchange(Finished);
    return 0;
  }
  arguments->phase.exchange(Fetching);
  arguments->staged = fetchInstaller(
      {version, machineBitness(), arguments->downloadId, storeProgress, &arguments->progress, &arguments->cancel});
  arguments->succeeded = !arguments->staged.empty();
  arguments->phase.exchange(Finished);
  return 0;
}
