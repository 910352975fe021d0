#include <windows.h>
#include <winhttp.h>

#include "fetch/proxy_rules.h"
#include "fetch/release_urls.h"
#include "fetch/transfer_limits.h"
#include "fetch/user_proxy.h"
#include "fetch/winhttp_handles.h"

namespace {

constexpr wchar_t kUserAgent[] = L"Norvane";

// WinHTTP hands proxy texts over in GlobalAlloc memory.
struct GlobalTextTraits {
  using Value = wchar_t*;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { GlobalFree(v); }
};
using GlobalText = ScopedResource<GlobalTextTraits>;

// Runs the detected (scriptUrl null) or the given PAC script for `url`.
// Time-bounded: detection and the script download use the transfer's short
// time-outs, so a network without any of it costs seconds, not minutes.
std::wstring proxyFromScript(const std::wstring& url, const wchar_t* scriptUrl) {
  ScopedInternet session(
      WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session || !WinHttpSetTimeouts(session.get(), int(kResolveTimeoutMs), int(kConnectTimeoutMs),
                                      int(kSendTimeoutMs), int(kSmallFileReceiveTimeoutMs))) {
    return {};
  }
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (scriptUrl != nullptr) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = scriptUrl;
  } else {
    options.dwFlags = WINHTTP_AUTOPROXY_AUTO_DETECT;
    options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
  }
  options.fAutoLogonIfChallenged = FALSE;  // never offer credentials to fetch a script
  WINHTTP_PROXY_INFO info = {};
  if (!WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info)) return {};
  const GlobalText list(info.lpszProxy);
  const GlobalText bypass(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || !list) return {};
  return httpsProxyOf(list.get());
}

}  // namespace

std::wstring userProxyFor(const std::wstring& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&config)) return {};
  const GlobalText scriptUrl(config.lpszAutoConfigUrl);
  const GlobalText fixed(config.lpszProxy);
  const GlobalText bypass(config.lpszProxyBypass);

  std::wstring entry;
  if (config.fAutoDetect) entry = proxyFromScript(url, nullptr);
  if (entry.empty() && scriptUrl) entry = proxyFromScript(url, scriptUrl.get());
  if (entry.empty() && fixed && !isBypassed(hostOfUrl(url), bypass ? bypass.get() : L"")) entry = httpsProxyOf(fixed.get());
  return entry.empty() ? std::wstring() : proxyHostPort(entry);
}
