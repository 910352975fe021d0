#include <windows.h>

#include "app/installed_copy.h"
#include "app/link_scheme.h"
#include "host/write_access.h"
#include "host/host_handoff.h"
#include "host/locations.h"
#include "payload/installer_image.h"

namespace {
bool allProductFilesPresent() {
  for (const ProductFile& file : ProductFileTable) {
    const DWORD attributes = GetFileAttributesW(installedFilePath(file.name).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  }
  return true;
}
}  // namespace

bool isInstalledCopyUsable(std::wstring& setupPath) {
  // Cheapest and most protective checks first: the registry is not even read
  // for a copy that an ordinary account could have replaced.
  setupPath = installedFilePath(L"Norvane.exe");
  return !setupPath.empty() && !samePath(setupPath, ownModulePath()) && !isWritableByUntrusted(setupPath) &&
         isHostServiceUsable() && isLinkSchemeRegistered() && isInstallerImage(setupPath) && allProductFilesPresent();
}
