#pragma once
// What the install flow calls to find the current release and to fetch, stage
// and verify the full installer. Everything here runs on the worker thread
// except finalPathOfHandle and the staged installer's clean-up.
#include <atomic>
#include <cstdint>
#include <string>

#include "fetch/release_version.h"

// Called with 0..100 after each received piece of the installer, only when
// the server declared the length.
using ProgressCallback = void (*)(int32_t percent, void* context);

// A verified installer on disk, owned. Its file handle (a HANDLE) is open for
// reading with read sharing only, so nobody can change or delete the file
// while it is staged; the destructor closes it, then deletes the file and
// removes its folder. The folder is held (a handle without delete sharing)
// from its creation until then, so no other run can remove or swap it.
class StagedInstaller {
 public:
  StagedInstaller() = default;
  // Owns (removes) the file and its folder from now on; `heldDirectory` is
  // the folder's handle, opened with delete access and without delete sharing.
  StagedInstaller(std::wstring filePath, std::wstring directory, void* heldDirectory);
  ~StagedInstaller();
  StagedInstaller(StagedInstaller&& other) noexcept;
  StagedInstaller& operator=(StagedInstaller&& other) noexcept;
  StagedInstaller(const StagedInstaller&) = delete;
  StagedInstaller& operator=(const StagedInstaller&) = delete;

  bool empty() const {
    return fileHandle_ == nullptr && heldDirectory_ == nullptr && filePath_.empty() && directory_.empty();
  }
  const std::wstring& filePath() const { return filePath_; }
  const std::wstring& directory() const { return directory_; }
  void* fileHandle() const { return fileHandle_; }
  // Takes the read handle that pins the file.
  void pin(void* fileHandle);

 private:
  friend void discardStagedInstaller(StagedInstaller* staged);
  std::wstring filePath_;
  std::wstring directory_;
  void* fileHandle_ = nullptr;
  void* heldDirectory_ = nullptr;
};

// Closes the pinning handle, deletes the file and removes its folder, leaving
// the record empty. Safe on an empty record, a null pointer and a second call.
void discardStagedInstaller(StagedInstaller* staged);

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

// The local path of an open file without the "\\?\" prefix; empty on failure
// and for network paths, which are never started.
std::wstring finalPathOfHandle(void* fileHandle);
