#pragma once
// Renaming a full host.log to host.log.1. The file measured is the file
// renamed: two processes that both found the log full rename the same file,
// and the second rename leaves it where the first put it instead of moving a
// fresh host.log over the rotated one.
#include <string>

#include "host/win32_handles.h"

// An open handle to `path` when it has reached log_limits::kRotateAtBytes and
// is the plain, single-named file `expectedFinalPath` (never through a link),
// else an invalid one. Writers and readers are never locked out by it.
ScopedFile openFullLog(const std::wstring& path, const std::wstring& expectedFinalPath);

// Renames the open file to `rotatedPath`, replacing what is there.
bool renameOpenFile(HANDLE file, const std::wstring& rotatedPath);
