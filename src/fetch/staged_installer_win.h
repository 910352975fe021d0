#pragma once
// A verified installer on disk, owned: the file, open for reading with read
// sharing only (nobody can change or delete it while it is staged), and its
// folder, held from its creation without delete sharing (no other run can
// remove or swap it). Letting go, by discard() or by the owner going, closes
// the file, deletes it and removes the folder.
#include <windows.h>

#include <memory>
#include <string>

#include "host/handles_win.h"

class StagedInstaller {
 public:
  StagedInstaller() = default;
  // Owns (removes) the file and its folder from now on; `heldDirectory` was
  // opened with delete access and without delete sharing.
  StagedInstaller(std::wstring filePath, std::wstring directory, ScopedFile heldDirectory);

  bool empty() const { return copy_ == nullptr; }
  const std::wstring& filePath() const;
  const std::wstring& directory() const;
  // Takes the read handle that pins the file.
  void pin(ScopedFile file);
  // The pinned file's local path, through which it is started; empty on
  // failure and for network paths, which are never started.
  std::wstring startablePath() const;
  // Closes the file, deletes it and removes its folder; safe to call again.
  void discard() { copy_.reset(); }

 private:
  struct Copy {
    std::wstring filePath;
    std::wstring directory;
    ScopedFile heldDirectory;
    ScopedFile pinned;
    ~Copy();
  };
  std::unique_ptr<Copy> copy_;
};
