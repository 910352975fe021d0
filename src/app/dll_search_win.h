#pragma once
#include <windows.h>

// Makes every later load of a DLL by name come from System32, never from the
// folder the program was started from (a user's Downloads folder, writable by
// other downloads). Called first thing in the entry function, before any
// delay-loaded DLL is touched.
void restrictDllSearchToSystem32();

