#pragma once
// What the install flow calls to find the current release and to fetch, stage
// and verify the full installer. Everything here runs on the worker thread
// except finalPathOfHandle and discardStagedInstaller.
#include <atomic>
#include <cstdint>
#include <string>

#include "fetch/release_version.h"

// Called with 0..100 after each received piece of the installer, only when
// the server declared the length.
using ProgressCallback = void (*)(int32_t percent, void* context);

// A verified installer on disk. fileHandle (a HANDLE) is open for reading
// with read sharing only, so nobody can change or delete the file until
// discardStagedInstaller closes it.
struct StagedInstaller {
  std::wstring filePath;
  std::wstring directory;
  void* fileHandle = nullptr;
};

// Asks the release servers for version.txt; true with `version` filled when
// one of them served a parsable one. Sees no cancel request.
bool fetchReleaseVersion(ReleaseVersion& version);

// Fetches, stages and verifies the installer for `bits` (32 or 64) of
// `version`. `downloadId` is the payload's 32 lowercase hex characters;
// `cancelFlag` is watched before every request and every read. On false
// `staged` is left empty.
bool fetchInstaller(const ReleaseVersion& version, uint32_t bits, const std::string& downloadId,
                    StagedInstaller& staged, ProgressCallback progress, void* progressContext,
                    const std::atomic<bool>* cancelFlag);

// Closes the pinning handle, deletes the file and removes its folder. Safe on
// an empty record, a null pointer and a second call.
void discardStagedInstaller(StagedInstaller* staged);

// The local path of an open file without the "\\?\" prefix; empty on failure
// and for network paths, which are never started.
std::wstring finalPathOfHandle(void* fileHandle);

// True while fetchInstaller runs on this thread and its cancel flag is set.
bool isFetchCancelled();
