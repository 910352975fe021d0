#pragma once
// Names and paths of the staged installer, apart from the file system.
#include <string>

#include "payload/download_id.h"

// "Norvane--" + id + ".exe", each byte widened.
std::wstring localInstallerName(const std::string& id);

// GetFinalPathNameByHandleW output made startable: "\\?\" removed from local
// paths; "\\?\UNC\..." (a network path) gives empty.
std::wstring localPathFromFinalPath(const std::wstring& finalPath);
