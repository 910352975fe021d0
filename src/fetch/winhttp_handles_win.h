#pragma once
// Scoped WinHTTP handles: session, connection and request all close with
// WinHttpCloseHandle.
#include <windows.h>
#include <winhttp.h>

#include "host/handles_win.h"

struct InternetHandleTraits {
  using Value = HINTERNET;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { WinHttpCloseHandle(v); }
};
using ScopedInternet = ScopedResource<InternetHandleTraits>;
