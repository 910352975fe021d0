#pragma once
#include <string>

#include "app/fetch_worker_win.h"

// One fetch attempt: starts a worker, keeps the window current while it runs,
// turns the user's Cancel into the cancel flag, and joins it.
enum class AttemptOutcome { Cancelled, Succeeded, Failed };

AttemptOutcome runFetchAttempt(FetchSharedState& state, const std::string& downloadId, bool background);
