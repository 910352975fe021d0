#pragma once
// The user's proxy as a second way out, apart from WinHTTP: which failures a
// proxy could explain, which proxy of a list serves https, whether a host is
// on the bypass list, and the proxy that already worked in this process.
#include <cstdint>
#include <mutex>
#include <string>

// Name not resolved, cannot connect, connection reset or aborted, time-out:
// what a network that only lets a proxy out looks like from inside.
bool couldProxyExplain(uint32_t winhttpError);

// The entry of a WinHTTP proxy list that serves https: "https=host:port" first,
// else an entry without a scheme ("host:port"); entries are separated by ';'
// or blanks. Empty when none serves https.
std::wstring httpsProxyOf(const std::wstring& proxyList);

// "host:port" of one proxy entry without scheme prefix, credentials or path;
// port 80 when none is given. Empty when no host is left. This is both what
// the session is opened with and what the log may show.
std::wstring proxyHostPort(const std::wstring& entry);

// Whether `host` (a URL's host, with or without ":port") is on the bypass
// list: entries separated by ';', ',' or blanks, "<local>" for names without a
// dot, '*' for any run of characters, case-insensitive; a scheme prefix or a
// port on an entry is ignored, and so is the host's port.
bool isBypassed(const std::wstring& host, const std::wstring& bypassList);

// The proxy ("host:port") through which a transfer of this process last
// succeeded; later transfers go through it at once.
class WorkingProxy {
 public:
  void remember(const std::wstring& proxy);
  std::wstring get() const;

 private:
  mutable std::mutex guard_;
  std::wstring proxy_;
};

WorkingProxy& workingProxy();
