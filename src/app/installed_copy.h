#pragma once
#include <string>

// Whether an installed copy may take the run over. `setupPath` always receives
// the installed setup program's path (empty without an install folder).
bool isInstalledCopyUsable(std::wstring& setupPath);
