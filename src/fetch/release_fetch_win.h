#pragma once
// What the install flow calls to find the current release and to fetch, stage
// and verify the full installer. Everything here runs on the worker thread
// except the sweep of stale staging folders.
#include <atomic>
#include <cstdint>
#include <string>

#include "fetch/release_version.h"
#include "fetch/staged_installer_win.h"
#include "fetch/transfer_rules.h"

// Asks the release servers for version.txt; true with `version` filled when
// one of them served a parsable one at or above the release floor fixed at
// build time. A set cancel flag ends it early, false.
bool fetchReleaseVersion(ReleaseVersion& version, const std::atomic<bool>* cancelFlag = nullptr);

// The installer of one release for this machine.
struct InstallerRequest {
  ReleaseVersion version;  // from fetchReleaseVersion
  uint32_t bits = 0;       // 32 or 64
  std::string downloadId;  // the payload's 32 lowercase hex characters
  ProgressCallback progress = nullptr;
  void* progressContext = nullptr;
  const std::atomic<bool>* cancelFlag = nullptr;  // watched before every request and every read
};

// Fetches, stages and verifies the installer; empty on failure.
StagedInstaller fetchInstaller(const InstallerRequest& request);

// Removes every "Norvane-download-{GUID}" folder that earlier runs left in the
// user's temporary folder (a run that was killed, or told to quit while its
// installer ran, never discarded its copy) and whose files nobody holds
// open. Only folders of this account that nobody holds and that have been
// quiet for kStagingFolderQuietTime go. Reparse points are never followed,
// and nothing inside such a folder but its own plain files is touched.
void removeStaleStagingFolders();
