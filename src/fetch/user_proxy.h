#pragma once
// The route that the user's proxy settings give for a URL, looked up at most
// once per host and run, within a deadline and open to the user's cancel.
#include <string>

// "host:port" of the proxy for `url`; empty for the direct route, also when
// the look-up ran out of time or was cancelled.
std::wstring userProxyFor(const std::wstring& url);
