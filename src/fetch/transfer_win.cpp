#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "fetch/fetch_state.h"
#include "fetch/pinned_trust_win.h"
#include "fetch/release_urls.h"
#include "fetch/temp_files_win.h"
#include "fetch/transfer.h"
#include "fetch/user_proxy.h"
#include "fetch/winhttp_handles_win.h"
#include "host/log.h"

namespace {

constexpr DWORD kSecureProtocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
constexpr DWORD kNormalNotifications = WINHTTP_CALLBACK_FLAG_SECURE_FAILURE;
constexpr DWORD kPinnedNotifications = WINHTTP_CALLBACK_FLAG_SECURE_FAILURE | WINHTTP_CALLBACK_FLAG_SEND_REQUEST;
constexpr DWORD kSecureFailureError = 12175;  // ERROR_WINHTTP_SECURE_FAILURE

constexpr wchar_t kStepFailure[] = L"다운로드 통신 실패: %s (WinHTTP %u)";
constexpr wchar_t kNotHttps[] = L"판올림 주소가 https 가 아니다";
constexpr wchar_t kPinFailure[] = L"고정 루트 확인 실패: %s";
constexpr wchar_t kNothingChecked[] = L"확인한 연결이 없다";
constexpr wchar_t kTooManyRedirects[] = L"리디렉션이 너무 많다";
constexpr wchar_t kBadStatus[] = L"판올림 서버가 %u 를 줬다";
constexpr wchar_t kSecureFailure[] = L"보안 연결 실패: %s (0x%08lx%s)";
constexpr wchar_t kUnknownRootNote[] = L", 모르는 루트";
constexpr wchar_t kProxyWantsLogon[] = L"프록시가 %s 인증을 요구한다 (407): %s";
constexpr wchar_t kResuming[] = L"끊긴 다운로드를 이어받는다 (%llu / %llu바이트)";
constexpr wchar_t kStartingOver[] = L"끊긴 다운로드를 잇지 못해 처음부터 받는다 (HTTP %u)";
constexpr DWORD kProxyAuthenticationRequired = 407;
// WINHTTP_AUTOLOGON_SECURITY_LEVEL_PROXY_ONLY: the signed-in user's
// credentials go to a proxy, never to a server. Newer than some headers.
constexpr DWORD kAutologonProxyOnly = 3;

// Logs the failed step with the error of the call that just failed; false.
bool stepFailed(const wchar_t* label) {
  const DWORD error = GetLastError();
  writeLog(kStepFailure, label, unsigned(error));
  return false;
}

// Send and receive share the rule: a TLS failure is remembered for the
// caller before the step is logged.
void exchangeFailed(const wchar_t* label, const TransferContext& context, TransferResult& result) {
  const DWORD error = GetLastError();
  result.exchangeError = error;
  if (context.secureFailureSeen || error == kSecureFailureError) result.secureFailureSeen = true;
  SetLastError(error);
  stepFailed(label);
}

void CALLBACK transferStatusCallback(HINTERNET request, DWORD_PTR contextValue, DWORD status, LPVOID information,
                                     DWORD informationLength) {
  auto* context = reinterpret_cast<TransferContext*>(contextValue);
  if (context == nullptr) return;
  const DWORD savedError = GetLastError();
  if (status == WINHTTP_CALLBACK_STATUS_SECURE_FAILURE) {
    context->secureFailureSeen = true;
    DWORD flags = 0;
    if (information != nullptr && informationLength >= sizeof(DWORD)) flags = *static_cast<const DWORD*>(information);
    const std::wstring host = hostOfRequest(request, *context);
    writeLog(kSecureFailure, host.c_str(), static_cast<unsigned long>(flags),
             (flags & WINHTTP_CALLBACK_STATUS_FLAG_INVALID_CA) ? kUnknownRootNote : L"");
  } else if (status == WINHTTP_CALLBACK_STATUS_SENDING_REQUEST && context->pinnedMode) {
    checkCertificateAtSending(request, *context);
  }
  SetLastError(savedError);
}

struct UrlParts {
  std::wstring host;
  std::wstring object;
  INTERNET_PORT port = INTERNET_DEFAULT_HTTPS_PORT;
  bool https = false;
};

bool splitUrl(const std::wstring& url, UrlParts& parts) {
  URL_COMPONENTS components = {};
  components.dwStructSize = sizeof components;
  components.dwHostNameLength = DWORD(-1);
  components.dwUrlPathLength = DWORD(-1);
  components.dwExtraInfoLength = DWORD(-1);
  if (url.empty() || !WinHttpCrackUrl(url.c_str(), DWORD(url.size()), 0, &components)) return false;
  if (components.lpszHostName == nullptr || components.dwHostNameLength == 0) {
    SetLastError(ERROR_WINHTTP_INVALID_URL);
    return false;
  }
  parts.host.assign(components.lpszHostName, components.dwHostNameLength);
  if (components.lpszUrlPath != nullptr) parts.object.assign(components.lpszUrlPath, components.dwUrlPathLength);
  if (components.lpszExtraInfo != nullptr) parts.object.append(components.lpszExtraInfo, components.dwExtraInfoLength);
  if (parts.object.empty()) parts.object = L"/";
  parts.port = components.nPort != 0 ? components.nPort : INTERNET_DEFAULT_HTTPS_PORT;
  parts.https = components.nScheme == INTERNET_SCHEME_HTTPS;
  return true;
}

bool readLocation(HINTERNET request, std::wstring& location) {
  DWORD bytes = 0;
  WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, nullptr, &bytes,
                      WINHTTP_NO_HEADER_INDEX);
  if (bytes == 0) return false;
  std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 1, L'\0');
  if (!WinHttpQueryHeaders(request, WINHTTP_QUERY_LOCATION, WINHTTP_HEADER_NAME_BY_INDEX, buffer.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return false;
  }
  location.assign(buffer.data());
  return true;
}

// A response header as text; empty when it is missing or longer than `chars`.
std::wstring readHeaderText(HINTERNET request, DWORD query, size_t chars) {
  std::vector<wchar_t> text(chars, L'\0');
  DWORD bytes = DWORD(chars * sizeof(wchar_t));
  if (!WinHttpQueryHeaders(request, query, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                           WINHTTP_NO_HEADER_INDEX)) {
    return {};
  }
  return std::wstring(text.data(), bytes / sizeof(wchar_t));
}

ResponseValidators readValidators(HINTERNET request) {
  return {readHeaderText(request, WINHTTP_QUERY_ETAG, kValidatorChars),
          readHeaderText(request, WINHTTP_QUERY_LAST_MODIFIED, kValidatorChars),
          readHeaderText(request, WINHTTP_QUERY_DATE, kHttpDateChars)};
}

uint64_t readDeclaredLength(HINTERNET request) {
  return declaredLengthFromHeader(readHeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH, kContentLengthChars).c_str());
}

// The route of a redirect hop to `url` in a transfer that took `proxy`. A hop
// to another host goes as a transfer to that host would: by the proxy that
// carried one before; else, when this transfer goes through a proxy at all,
// by the first route the user's settings give for that host (its bypass list
// or PAC answer may say direct); else direct. A hop without a host (a
// relative Location, which the hop refuses) keeps the route.
std::wstring routeOfHop(const std::wstring& url, const std::wstring& fromUrl, const std::wstring& proxy) {
  const std::wstring host = hostNameOfUrl(url);
  if (host.empty() || host == hostNameOfUrl(fromUrl)) return proxy;
  const std::wstring remembered = fetchState().proxyRoutes.working(host);
  if (!remembered.empty() || proxy.empty()) return remembered;
  const std::vector<std::wstring> routes = userProxyRoutesFor(url);
  return routes.empty() ? std::wstring() : routes.front();
}

// One request on its own session and connection. The context comes first:
// it must outlive every callback of the handles, which close in reverse
// order (request, connection, session).
struct Exchange {
  TransferContext context;
  ScopedInternet session;
  ScopedInternet connection;
  ScopedInternet request;
  DWORD status = 0;
};

// The step after an answer.
enum class Next { Stop, Redirect, StartOver, ReadBody };

// Session, timeouts, TLS versions and connection to the URL's host, along
// the request's route.
bool openSession(const TransferRequest& request, const UrlParts& parts, Exchange& exchange) {
  const DWORD access = request.proxy.empty() ? WINHTTP_ACCESS_TYPE_DEFAULT_PROXY : WINHTTP_ACCESS_TYPE_NAMED_PROXY;
  exchange.session.reset(WinHttpOpen(kUserAgent, access,
                                     request.proxy.empty() ? WINHTTP_NO_PROXY_NAME : request.proxy.c_str(),
                                     WINHTTP_NO_PROXY_BYPASS, 0));
  if (!exchange.session) return stepFailed(L"세션 열기");
  if (!WinHttpSetTimeouts(exchange.session.get(), int(kResolveTimeoutMs), int(kConnectTimeoutMs),
                          int(kSendTimeoutMs), int(request.download.receiveTimeoutMs))) {
    return stepFailed(L"시간 제한 설정");
  }
  DWORD protocols = kSecureProtocols;
  if (!WinHttpSetOption(exchange.session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    return stepFailed(L"TLS 설정");
  }
  exchange.connection.reset(WinHttpConnect(exchange.session.get(), parts.host.c_str(), parts.port, 0));
  if (!exchange.connection) return stepFailed(L"연결 열기");
  return true;
}

// The GET request with its context, status callback and, in pinned mode,
// the options that bring every certificate and redirect back to this code.
bool openRequest(const TransferRequest& request, Exchange& exchange) {
  UrlParts parts;
  if (!splitUrl(request.download.url, parts)) return stepFailed(L"주소 해석");
  if (!parts.https) {
    writeLog(kNotHttps);
    return false;
  }
  exchange.context.pinnedMode = request.pinnedMode;
  exchange.context.connectedHost = parts.host;
  if (!openSession(request, parts, exchange)) return false;
  exchange.request.reset(WinHttpOpenRequest(exchange.connection.get(), L"GET", parts.object.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
  HINTERNET handle = exchange.request.get();
  if (handle == nullptr) return stepFailed(L"요청 열기");
  DWORD_PTR contextValue = reinterpret_cast<DWORD_PTR>(&exchange.context);
  if (!WinHttpSetOption(handle, WINHTTP_OPTION_CONTEXT_VALUE, &contextValue, sizeof contextValue) ||
      WinHttpSetStatusCallback(handle, transferStatusCallback,
                               request.pinnedMode ? kPinnedNotifications : kNormalNotifications,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    return stepFailed(L"상태 콜백 준비");
  }
  if (!request.pinnedMode) return true;
  DWORD securityFlags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
  DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
  if (!WinHttpSetOption(handle, WINHTTP_OPTION_SECURITY_FLAGS, &securityFlags, sizeof securityFlags) ||
      !WinHttpSetOption(handle, WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled)) {
    return stepFailed(L"고정 루트 확인 준비");
  }
  return true;
}

bool askingForRest(const TransferRequest& request) {
  return request.partial != nullptr && request.partial->canContinue();
}

// Sends the request (with Range and If-Range when continuing) and waits for
// the answer's headers; then the pinned verdict and the status.
bool sendAndReceive(const TransferRequest& request, Exchange& exchange, TransferResult& result) {
  HINTERNET handle = exchange.request.get();
  const std::wstring extraHeaders = askingForRest(request) ? resumeHeaders(*request.partial) : std::wstring();
  if (!WinHttpSendRequest(handle, extraHeaders.empty() ? WINHTTP_NO_ADDITIONAL_HEADERS : extraHeaders.c_str(),
                          DWORD(extraHeaders.size()), WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    exchangeFailed(L"요청 전송", exchange.context, result);
    return false;
  }
  if (!WinHttpReceiveResponse(handle, nullptr)) {
    exchangeFailed(L"응답 수신", exchange.context, result);
    return false;
  }
  result.answered = true;
  const TransferContext& context = exchange.context;
  if (request.pinnedMode && (context.pinCheckFailed || context.certificatesChecked == 0)) {
    result.notPinnedChain = context.pinCheckFailed;
    writeLog(kPinFailure, context.failureDetail.empty() ? kNothingChecked : context.failureDetail.c_str());
    return false;
  }
  DWORD statusBytes = sizeof exchange.status;
  if (!WinHttpQueryHeaders(handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &exchange.status, &statusBytes, WINHTTP_NO_HEADER_INDEX)) {
    return stepFailed(L"HTTP 상태 읽기");
  }
  return true;
}

// Lets WinHTTP log the signed-in user on to the proxy (Negotiate or NTLM,
// no name and password of our own) for the one resend; the autologon policy
// keeps those credentials from any server. False when the proxy wants
// another scheme or Windows refuses.
bool allowProxyLogon(HINTERNET handle, DWORD& schemes) {
  DWORD first = 0, target = 0;
  schemes = 0;
  if (!WinHttpQueryAuthSchemes(handle, &schemes, &first, &target) || target != WINHTTP_AUTH_TARGET_PROXY) return false;
  const uint32_t scheme = proxyLogonScheme(schemes);
  if (scheme == 0) return false;
  DWORD policy = kAutologonProxyOnly;
  if (!WinHttpSetOption(handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy)) {
    // Before the proxy-only level existed: the default level, which still
    // keeps the credentials from servers outside the intranet.
    policy = WINHTTP_AUTOLOGON_SECURITY_LEVEL_MEDIUM;
    if (!WinHttpSetOption(handle, WINHTTP_OPTION_AUTOLOGON_POLICY, &policy, sizeof policy)) return false;
  }
  return WinHttpSetCredentials(handle, WINHTTP_AUTH_TARGET_PROXY, scheme, nullptr, nullptr, nullptr) != FALSE;
}

// The request sent and answered. A proxy that asks for a logon gets the
// signed-in user's, once; a second 407, or one that wants a typed password,
// ends this route with one line naming the scheme.
bool answer(const TransferRequest& request, Exchange& exchange, TransferResult& result) {
  if (!sendAndReceive(request, exchange, result)) return false;
  if (exchange.status != kProxyAuthenticationRequired) return true;
  DWORD schemes = 0;
  if (allowProxyLogon(exchange.request.get(), schemes)) {
    if (!sendAndReceive(request, exchange, result)) return false;
    if (exchange.status != kProxyAuthenticationRequired) return true;
  }
  result.proxyLogonRefused = true;
  const std::wstring route = request.proxy.empty() ? exchange.context.connectedHost : request.proxy;
  writeLog(kProxyWantsLogon, authSchemeName(schemes), route.c_str());
  return false;
}

// Pinned mode: a redirect is the next hop of this transfer, checked afresh.
Next redirect(TransferRequest& request, const Exchange& exchange) {
  if (request.redirectsLeft <= 0) {
    writeLog(kTooManyRedirects);
    return Next::Stop;
  }
  std::wstring location;
  if (!readLocation(exchange.request.get(), location)) {
    stepFailed(L"리디렉션 주소 읽기");
    return Next::Stop;
  }
  if (isFetchCancelled()) return Next::Stop;
  // The next hop asks for the rest of the kept bytes too.
  request.proxy = routeOfHop(location, request.download.url, request.proxy);
  request.download.url = std::move(location);
  --request.redirectsLeft;
  return Next::Redirect;
}

// The answer to "the rest, if unchanged": the kept bytes go ahead of the
// body, or they go and the answer (a 200) or a new request (a 206 that does
// not fit, a 416) brings the whole file; any other status is judged as a
// plain answer's.
Next continuation(TransferRequest& request, const Exchange& exchange, TransferResult& result) {
  HINTERNET handle = exchange.request.get();
  PartialDownload& partial = *request.partial;
  const ContinuationAnswer verdict =
      judgeContinuation(exchange.status, readHeaderText(handle, WINHTTP_QUERY_CONTENT_RANGE, kContentRangeChars),
                        readValidators(handle), partial);
  Next next = Next::ReadBody;
  if (verdict == ContinuationAnswer::Continues && unparkBytes(partial, result.body)) {
    writeLog(kResuming, static_cast<unsigned long long>(partial.stored),
             static_cast<unsigned long long>(partial.total));
    result.total = partial.total;
    result.validator = partial.validator;
  } else {
    writeLog(kStartingOver, unsigned(exchange.status));
    // A 206 (one that fits but whose kept bytes are lost too) or a 416 is no file at all.
    if (verdict == ContinuationAnswer::Continues || verdict == ContinuationAnswer::AskAgain) next = Next::StartOver;
  }
  partial = PartialDownload{};
  return next;
}

// What follows the answer's headers.
Next afterAnswer(TransferRequest& request, const Exchange& exchange, TransferResult& result) {
  if (request.pinnedMode && isRedirectStatus(exchange.status)) return redirect(request, exchange);
  if (askingForRest(request)) {
    const Next next = continuation(request, exchange, result);
    if (next != Next::ReadBody || !result.body.empty()) return next;
  }
  if (exchange.status != 200) {
    writeLog(kBadStatus, unsigned(exchange.status));
    return Next::Stop;
  }
  result.total = readDeclaredLength(exchange.request.get());
  result.validator = resumeValidator(readValidators(exchange.request.get()));
  return Next::ReadBody;
}

// The body, piece by piece, behind any kept bytes already in `result.body`.
void receiveBody(const Exchange& exchange, const DownloadRequest& download, TransferResult& result) {
  BodyReceiver receiver(result.body, download.limit, result.total, download.progress, download.progressContext);
  if (!receiver.acceptDeclaredLength()) return;
  result.bodyBrokeOff = true;  // until the body is complete
  std::vector<uint8_t> piece(kPieceBytes);
  for (;;) {
    if (isFetchCancelled()) return;
    DWORD read = 0;
    if (!WinHttpReadData(exchange.request.get(), piece.data(), kPieceBytes, &read)) {
      stepFailed(L"본문 수신");
      return;
    }
    if (read == 0) {
      if (!receiver.finish()) return;
      result.bodyBrokeOff = false;
      result.done = true;
      return;
    }
    if (!receiver.append(piece.data(), read)) return;
  }
}

}  // namespace

TransferResult downloadToMemory(const TransferRequest& asked) {
  TransferRequest request = asked;
  // One request per pass: the first, each redirect hop (pinned mode), and
  // the whole file once more after a continuation that did not fit.
  for (;;) {
    TransferResult result;
    if (isFetchCancelled()) return result;
    Exchange exchange;
    if (!openRequest(request, exchange) || !answer(request, exchange, result)) return result;
    switch (afterAnswer(request, exchange, result)) {
      case Next::Stop:
        return result;
      case Next::Redirect:
      case Next::StartOver:
        continue;
      case Next::ReadBody:
        receiveBody(exchange, request.download, result);
        return result;
    }
  }
}

bool downloadWithTrustFallback(const DownloadRequest& request, std::vector<uint8_t>& body) {
  KeptPartials& keptPartials = fetchState().keptPartials;
  PartialDownload kept;
  keptPartials.take(request.url, kept);
  TransferResult last = runWithTrustFallback(pinnedRootsFirst(), [&](bool pinnedMode) {
    return transferAlongRoutes({request, pinnedMode, kMaxRedirects, {}, &kept}, fetchState().proxyRoutes,
                               userProxyRoutesFor, downloadToMemory);
  });
  body = std::move(last.body);
  if (last.done || isFetchCancelled()) return last.done;
  // A body that broke off is kept for a later attempt, or the older bytes
  // when this one never got as far as an answer about them.
  if (last.bodyBrokeOff) {
    PartialDownload broken{request.url, last.validator, last.total, body.size(), nullptr};
    if (broken.canContinue()) broken.parked = parkBytes(body);
    if (broken.parked) keptPartials.keep(std::move(broken));
  } else if (kept.parked && kept.canContinue()) {
    keptPartials.keep(std::move(kept));
  }
  std::vector<uint8_t>().swap(body);  // a failed download's bytes are of no use to the caller
  return false;
}
