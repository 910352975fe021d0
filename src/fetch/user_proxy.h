#pragma once
// The routes that the user's proxy settings give for a URL, looked up at most
// once per host and run, within deadlines and open to the user's cancel.
#include <string>
#include <vector>

// In order, "host:port" of a proxy or empty for the direct route; none when
// the settings name no proxy, a look-up ran out of time or was cancelled.
std::vector<std::wstring> userProxyRoutesFor(const std::wstring& url);
