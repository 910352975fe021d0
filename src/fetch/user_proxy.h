#pragma once
// The current user's proxy (Windows' Internet settings), which WinHTTP's
// default setting does not use. Win32 (WinHTTP).
#include <string>

// The proxy ("host:port") that the user's settings give for `url`: automatic
// detection, then the PAC URL, then the fixed proxy unless the URL's host is on
// its bypass list. Empty for a direct connection.
std::wstring userProxyFor(const std::wstring& url);
