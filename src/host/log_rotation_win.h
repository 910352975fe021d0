#pragma once
// Renaming a full host.log to host.log.1 inside the held log folder. The file
// measured is the file renamed: two processes that both found the log full
// rename the same file, and the second rename leaves it where the first put
// it instead of moving a fresh host.log over the rotated one.
#include <string>

#include "host/handles_win.h"

// An open handle (with DELETE) to the entry `name` of the held `folder` when
// it has reached log_limits::kRotateAtBytes and is the plain, single-named
// file `expectedFinalPath` (never through a link), else an invalid one.
// Writers and readers are never locked out by it.
ScopedFile openFullLog(HANDLE folder, const std::wstring& name, const std::wstring& expectedFinalPath);
