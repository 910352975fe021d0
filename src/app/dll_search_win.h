#pragma once
#include <windows.h>

// Makes every later load of a DLL by name come from System32, never from the
// folder the program was started from (a user's Downloads folder, writable by
// other downloads). Called first thing in the entry function, before any
// delay-loaded DLL is touched.
void restrictDllSearchToSystem32();

// What the delay-load failure hook hands out for `function` of `dll` (as the
// delay-load helper names them, "winhttp.dll"): a stand-in that takes the
// function's argument bytes off the stack and fails in that DLL's terms
// (GDI+ GenericError, DWM E_FAIL, else 0: FALSE or a null handle), with
// ERROR_MOD_NOT_FOUND as the last error. Null for an unknown function.
FARPROC delayLoadStandIn(const char* dll, const char* function);
