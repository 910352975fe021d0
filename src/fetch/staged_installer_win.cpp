#include "fetch/staged_installer_win.h"

#include "fetch/staging_names.h"
#include "fetch/temp_files_win.h"
#include "host/data_folders_win.h"

namespace {
const std::wstring kNone;
}  // namespace

StagedInstaller::StagedInstaller(std::wstring filePath, std::wstring directory, ScopedFile heldDirectory)
    : copy_(new Copy{std::move(filePath), std::move(directory), std::move(heldDirectory), ScopedFile()}) {}

const std::wstring& StagedInstaller::filePath() const { return copy_ ? copy_->filePath : kNone; }

const std::wstring& StagedInstaller::directory() const { return copy_ ? copy_->directory : kNone; }

void StagedInstaller::pin(ScopedFile file) {
  if (copy_) copy_->pinned = std::move(file);
}

std::wstring StagedInstaller::startablePath() const {
  if (!copy_ || !copy_->pinned) return {};
  return localPathFromFinalPath(finalPathOf(copy_->pinned.get()));
}

// The file goes once nothing pins it; the folder goes through the handle
// that held it since its creation, once it is empty.
StagedInstaller::Copy::~Copy() {
  pinned.reset();
  DeleteFileW(filePath.c_str());
  if (heldDirectory) deleteWhenClosed(heldDirectory.get());
}
