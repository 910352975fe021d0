#include "fetch/user_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <memory>

#include "fetch/fetch_state.h"
#include "fetch/winhttp_handles.h"
#include "host/log.h"
#include "host/win32_handles.h"

// Windows' Internet settings, which WinHTTP's default setting does not use:
// automatic detection (WPAD), a PAC URL, a fixed proxy with its bypass list.
// Detection and the script run on a thread of their own because
// WinHttpGetProxyForUrl has no overall deadline: a script server that accepts
// and never answers, or drips, would hold the worker for minutes. The waiter
// gives up at the deadline or on cancel and leaves the thread to finish on
// its own; the thread owns its handles and its half of the shared record.

namespace {

constexpr DWORD kLookupPollMs = 50;
constexpr wchar_t kLookupTimedOut[] = L"프록시 자동 설정이 %u ms 안에 끝나지 않았다. 스크립트 없이 간다";

// WinHTTP hands proxy texts over in GlobalAlloc memory.
struct GlobalTextTraits {
  using Value = wchar_t*;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { GlobalFree(v); }
};
using GlobalText = ScopedResource<GlobalTextTraits>;

// What the look-up thread is asked and answers; shared with the waiter,
// which reads the answer only once the thread has ended.
struct ScriptLookup {
  std::wstring url;
  bool autoDetect = false;
  std::wstring scriptUrl;
  ScriptAnswer answer = ScriptAnswer::None;
  std::wstring proxyList;
};

// Runs the detected (scriptUrl null) or the given PAC script for `url`.
ScriptAnswer runScript(const std::wstring& url, const wchar_t* scriptUrl, std::wstring& proxyList) {
  ScopedInternet session(
      WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session || !WinHttpSetTimeouts(session.get(), int(kResolveTimeoutMs), int(kConnectTimeoutMs),
                                      int(kSendTimeoutMs), int(kSmallFileReceiveTimeoutMs))) {
    return ScriptAnswer::None;
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
  if (!WinHttpGetProxyForUrl(session.get(), url.c_str(), &options, &info)) return ScriptAnswer::None;
  const GlobalText list(info.lpszProxy);
  const GlobalText bypass(info.lpszProxyBypass);
  if (info.dwAccessType != WINHTTP_ACCESS_TYPE_NAMED_PROXY || !list) return ScriptAnswer::Direct;
  proxyList = list.get();
  return ScriptAnswer::Proxy;
}

DWORD WINAPI scriptLookupThread(void* parameter) {
  const std::unique_ptr<std::shared_ptr<ScriptLookup>> share(static_cast<std::shared_ptr<ScriptLookup>*>(parameter));
  ScriptLookup& lookup = **share;
  if (lookup.autoDetect) lookup.answer = runScript(lookup.url, nullptr, lookup.proxyList);
  if (lookup.answer == ScriptAnswer::None && !lookup.scriptUrl.empty()) {
    lookup.answer = runScript(lookup.url, lookup.scriptUrl.c_str(), lookup.proxyList);
  }
  return 0;
}

enum class LookupEnd { Answered, TimedOut, Cancelled };

// Detection, then the PAC URL, on a thread waited for at most
// kProxyLookupDeadlineMs and only while no cancel request arrived.
LookupEnd runScriptsWithinDeadline(const std::shared_ptr<ScriptLookup>& lookup) {
  auto* share = new std::shared_ptr<ScriptLookup>(lookup);
  const ScopedHandle thread(CreateThread(nullptr, 0, scriptLookupThread, share, 0, nullptr));
  if (!thread) {
    delete share;
    return LookupEnd::TimedOut;
  }
  const uint64_t deadline = GetTickCount64() + kProxyLookupDeadlineMs;
  for (;;) {
    if (WaitForSingleObject(thread.get(), kLookupPollMs) == WAIT_OBJECT_0) return LookupEnd::Answered;
    if (isFetchCancelled()) return LookupEnd::Cancelled;
    if (GetTickCount64() >= deadline) {
      writeLog(kLookupTimedOut, unsigned(kProxyLookupDeadlineMs));
      return LookupEnd::TimedOut;
    }
  }
}

}  // namespace

std::wstring userProxyFor(const std::wstring& url) {
  ProxyRoutes& routes = fetchState().proxyRoutes;
  const std::wstring host = hostNameOfUrl(url);
  std::wstring route;
  if (routes.lookedUp(host, route)) return route;

  UserProxyFacts facts;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&config)) {
    const GlobalText scriptUrl(config.lpszAutoConfigUrl);
    const GlobalText fixed(config.lpszProxy);
    const GlobalText bypass(config.lpszProxyBypass);
    if (fixed) facts.fixedList = fixed.get();
    if (bypass) facts.bypassList = bypass.get();
    if (config.fAutoDetect || scriptUrl) {
      auto lookup = std::make_shared<ScriptLookup>();
      lookup->url = url;
      lookup->autoDetect = config.fAutoDetect != FALSE;
      if (scriptUrl) lookup->scriptUrl = scriptUrl.get();
      const LookupEnd end = runScriptsWithinDeadline(lookup);
      if (end == LookupEnd::Cancelled) return {};
      if (end == LookupEnd::Answered) {
        facts.script = lookup->answer;
        facts.scriptProxyList = lookup->proxyList;
      }
    }
  }
  route = userProxyRoute(host, facts);
  routes.rememberLookup(host, route);
  return route;
}
