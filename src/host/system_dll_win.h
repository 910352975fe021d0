#pragma once
// Loading the system DLLs that the program delay-loads, from System32 only.
#include <windows.h>

// The DLL from System32: through the default DLL directories where the
// system has them, else by its full System32 path (Windows 7 without
// KB2533623). Null when it cannot be loaded; it is never looked for by name
// anywhere else. The module stays loaded.
HMODULE loadSystemDll(const wchar_t* name);

// Whether `name` (for example L"gdiplus.dll") loads from System32. Asked
// before the first call into a DLL whose absence has a fallback, so that the
// delay-loaded call is never made without it.
bool isSystemDllLoadable(const wchar_t* name);
