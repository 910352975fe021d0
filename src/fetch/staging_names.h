#pragma once
// Names and paths of the staged installer, apart from the file system.
#include <cstddef>
#include <string>

inline constexpr size_t kDownloadIdLength = 32;

// Exactly 32 characters of 0-9 a-f.
bool isValidDownloadId(const std::string& id);

// "Norvane--" + id + ".exe", each byte widened.
std::wstring localInstallerName(const std::string& id);

// GetFinalPathNameByHandleW output made startable: "\\?\" removed from local
// paths; "\\?\UNC\..." (a network path) gives empty.
std::wstring localPathFromFinalPath(const std::wstring& finalPath);
