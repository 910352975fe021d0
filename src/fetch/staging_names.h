#pragma once
// Names and paths of the staged installer, apart from the file system.
#include <cstdint>
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

// Another run may be between creating its staging folder and holding it, or
// may just have finished with it: folders written to this recently are left
// alone. In FILETIME units (100 ns).
inline constexpr uint64_t kStagingFolderQuietTime = 5ull * 60 * 10000000;

// Whether a staging folder last created or written at `stamp` may go at
// `now`. A stamp in the future (a clock set back) keeps the folder.
bool isQuietLongEnough(uint64_t stamp, uint64_t now);
