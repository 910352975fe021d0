#include "fetch/user_proxy.h"

#include <windows.h>
#include <winhttp.h>

#include <cwchar>
#include <memory>

#include "fetch/fetch_state.h"
#include "fetch/winhttp_handles_win.h"
#include "host/log.h"
#include "host/handles_win.h"

// Windows' Internet settings, which WinHTTP's default setting does not use:
// a PAC URL, automatic detection (WPAD), a fixed proxy with its bypass list.
// The configured PAC URL goes first; detection only when there is none or its
// script gave nothing. Each runs on a thread of its own with its own
// deadline, because WinHttpGetProxyForUrl has none: a script server that
// accepts and never answers, or drips, and detection on a network without
// WPAD would hold the worker for seconds or minutes. The waiter gives up at
// the deadline or on cancel and leaves the thread to finish on its own; the
// thread owns its handles and its half of the shared record.

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
  std::wstring scriptUrl;  // empty: automatic detection
  ScriptAnswer answer = ScriptAnswer::None;
  std::wstring proxyList;
};

#ifdef NORVANE_TEST_BUILD
// Test build only: detection that takes this long, as on a network without WPAD.
void stallDetectionForTests() {
  wchar_t text[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"NORVANE_TEST_DETECTION_DELAY_MS", text, 16);
  if (length > 0 && length < 16) Sleep(DWORD(std::wcstoul(text, nullptr, 10)));
}
#endif

// Runs the given PAC script, or the detected one when `scriptUrl` is empty.
ScriptAnswer runScript(const std::wstring& url, const std::wstring& scriptUrl, std::wstring& proxyList) {
  ScopedInternet session(
      WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session || !WinHttpSetTimeouts(session.get(), int(kResolveTimeoutMs), int(kConnectTimeoutMs),
                                      int(kSendTimeoutMs), int(kSmallFileReceiveTimeoutMs))) {
    return ScriptAnswer::None;
  }
  WINHTTP_AUTOPROXY_OPTIONS options = {};
  if (!scriptUrl.empty()) {
    options.dwFlags = WINHTTP_AUTOPROXY_CONFIG_URL;
    options.lpszAutoConfigUrl = scriptUrl.c_str();
  } else {
#ifdef NORVANE_TEST_BUILD
    stallDetectionForTests();
#endif
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
  lookup.answer = runScript(lookup.url, lookup.scriptUrl, lookup.proxyList);
  return 0;
}

enum class LookupEnd { Answered, TimedOut, Cancelled };

// One script on a thread, waited for at most `deadlineMs` and only while no
// cancel request arrived.
LookupEnd runScriptWithin(const std::shared_ptr<ScriptLookup>& lookup, uint32_t deadlineMs) {
  auto* share = new std::shared_ptr<ScriptLookup>(lookup);
  const ScopedHandle thread(CreateThread(nullptr, 0, scriptLookupThread, share, 0, nullptr));
  if (!thread) {
    delete share;
    return LookupEnd::TimedOut;
  }
  const uint64_t deadline = GetTickCount64() + deadlineMs;
  for (;;) {
    if (WaitForSingleObject(thread.get(), kLookupPollMs) == WAIT_OBJECT_0) return LookupEnd::Answered;
    if (isFetchCancelled()) return LookupEnd::Cancelled;
    if (GetTickCount64() >= deadline) {
      writeLog(kLookupTimedOut, unsigned(deadlineMs));
      return LookupEnd::TimedOut;
    }
  }
}

// The script's answer for `url` into `facts`; false when cancelled.
bool askScript(const std::wstring& url, const std::wstring& scriptUrl, uint32_t deadlineMs, UserProxyFacts& facts) {
  auto lookup = std::make_shared<ScriptLookup>();
  lookup->url = url;
  lookup->scriptUrl = scriptUrl;
  const LookupEnd end = runScriptWithin(lookup, deadlineMs);
  if (end == LookupEnd::Answered) {
    facts.script = lookup->answer;
    facts.scriptProxyList = lookup->proxyList;
  }
  return end != LookupEnd::Cancelled;
}

}  // namespace

std::vector<std::wstring> userProxyRoutesFor(const std::wstring& url) {
  ProxyRoutes& routes = fetchState().proxyRoutes;
  const std::wstring host = hostNameOfUrl(url);
  std::vector<std::wstring> found;
  if (routes.lookedUp(host, found)) return found;

  UserProxyFacts facts;
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG config = {};
  if (WinHttpGetIEProxyConfigForCurrentUser(&config)) {
    const GlobalText scriptUrl(config.lpszAutoConfigUrl);
    const GlobalText fixed(config.lpszProxy);
    const GlobalText bypass(config.lpszProxyBypass);
    if (fixed) facts.fixedList = fixed.get();
    if (bypass) facts.bypassList = bypass.get();
    if (scriptUrl && !askScript(url, scriptUrl.get(), kProxyScriptDeadlineMs, facts)) return {};
    if (config.fAutoDetect && facts.script == ScriptAnswer::None &&
        !askScript(url, std::wstring(), kProxyDetectionDeadlineMs, facts)) {
      return {};
    }
  }
  found = userProxyRoutes(host, facts);
  routes.rememberLookup(host, found);
  return found;
}
