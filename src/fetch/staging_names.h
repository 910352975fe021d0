#pragma once
// Names and paths of the staged installer, apart from the file system.
#include <string>

#include "payload/download_id.h"

// "Norvane--" + id + ".exe", each byte widened.
std::wstring localInstallerName(const std::string& id);

// True only for a folder name as staging makes it: "Norvane-download-" and a
// GUID in StringFromGUID2's form, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
// with upper-case hex digits.
bool isStagingFolderName(const std::wstring& name);

// GetFinalPathNameByHandleW output made startable: "\\?\" removed from local
// paths; "\\?\UNC\..." (a network path) gives empty.
std::wstring localPathFromFinalPath(const std::wstring& finalPath);
