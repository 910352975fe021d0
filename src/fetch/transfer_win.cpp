#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "fetch/fetch_state.h"
#include "fetch/pinned_trust.h"
#include "fetch/release_urls.h"
#include "fetch/temp_files_win.h"
#include "fetch/transfer.h"
#include "fetch/user_proxy.h"
#include "fetch/winhttp_handles.h"
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
constexpr wchar_t kProxyWantsCredentials[] = L"프록시가 인증을 요구한다 (407): %s";
constexpr wchar_t kResuming[] = L"끊긴 다운로드를 이어받는다 (%llu / %llu바이트)";
constexpr wchar_t kStartingOver[] = L"끊긴 다운로드를 잇지 못해 처음부터 받는다 (HTTP %u)";
constexpr wchar_t kThroughUserProxy[] = L"사용자 프록시로 다시 묻는다: %s";
constexpr wchar_t kDirectAgain[] = L"프록시 %s 가 답하지 않아 바로 연결해 본다";
constexpr DWORD kProxyAuthenticationRequired = 407;

// Logs the failed step with the error of the call that just failed.
TransferResult stepFailed(const wchar_t* label, TransferResult& result) {
  const DWORD error = GetLastError();
  writeLog(kStepFailure, label, unsigned(error));
  return std::move(result);
}

// Send and receive share the rule: a TLS failure is remembered for the
// caller before the step is logged.
TransferResult exchangeFailed(const wchar_t* label, const TransferContext& context, TransferResult& result) {
  const DWORD error = GetLastError();
  result.exchangeError = error;
  if (context.secureFailureSeen || error == kSecureFailureError) result.secureFailureSeen = true;
  SetLastError(error);
  return stepFailed(label, result);
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

std::wstring readValidator(HINTERNET request) {
  return resumeValidator({readHeaderText(request, WINHTTP_QUERY_ETAG, kValidatorChars),
                          readHeaderText(request, WINHTTP_QUERY_LAST_MODIFIED, kValidatorChars),
                          readHeaderText(request, WINHTTP_QUERY_DATE, kHttpDateChars)});
}

uint64_t readDeclaredLength(HINTERNET request) {
  return declaredLengthFromHeader(readHeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH, kContentLengthChars).c_str());
}

// The route of a redirect hop to `url` in a transfer that took `proxy`. A hop
// to another host goes as a transfer to that host would: by the proxy that
// carried one before; else, when this transfer goes through a proxy at all,
// by what the user's settings give for that host (its bypass list or PAC
// answer may say direct); else direct. A hop without a host (a relative
// Location, which the hop refuses) keeps the route.
std::wstring routeOfHop(const std::wstring& url, const std::wstring& fromUrl, const std::wstring& proxy) {
  const std::wstring host = hostNameOfUrl(url);
  if (host.empty() || host == hostNameOfUrl(fromUrl)) return proxy;
  const std::wstring remembered = fetchState().proxyRoutes.working(host);
  if (!remembered.empty() || proxy.empty()) return remembered;
  return userProxyFor(url);
}

}  // namespace

TransferResult downloadToMemory(const TransferRequest& request) {
  TransferResult result;
  const DownloadRequest& download = request.download;
  if (isFetchCancelled()) return result;

  UrlParts parts;
  if (!splitUrl(download.url, parts)) return stepFailed(L"주소 해석", result);
  if (!parts.https) {
    writeLog(kNotHttps);
    return result;
  }

  // Declared before the handles: it must outlive every callback of the request.
  TransferContext context;
  context.pinnedMode = request.pinnedMode;
  context.connectedHost = parts.host;

  ScopedInternet session(
      request.proxy.empty()
          ? WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)
          : WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, request.proxy.c_str(), WINHTTP_NO_PROXY_BYPASS,
                        0));
  if (!session) return stepFailed(L"세션 열기", result);
  if (!WinHttpSetTimeouts(session.get(), int(kResolveTimeoutMs), int(kConnectTimeoutMs), int(kSendTimeoutMs),
                          int(download.receiveTimeoutMs))) {
    return stepFailed(L"시간 제한 설정", result);
  }
  DWORD protocols = kSecureProtocols;
  if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    return stepFailed(L"TLS 설정", result);
  }
  ScopedInternet connection(WinHttpConnect(session.get(), parts.host.c_str(), parts.port, 0));
  if (!connection) return stepFailed(L"연결 열기", result);
  ScopedInternet handle(WinHttpOpenRequest(connection.get(), L"GET", parts.object.c_str(), nullptr,
                                           WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
  if (!handle) return stepFailed(L"요청 열기", result);

  DWORD_PTR contextValue = reinterpret_cast<DWORD_PTR>(&context);
  if (!WinHttpSetOption(handle.get(), WINHTTP_OPTION_CONTEXT_VALUE, &contextValue, sizeof contextValue) ||
      WinHttpSetStatusCallback(handle.get(), transferStatusCallback,
                               request.pinnedMode ? kPinnedNotifications : kNormalNotifications,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    return stepFailed(L"상태 콜백 준비", result);
  }
  if (request.pinnedMode) {
    DWORD securityFlags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(handle.get(), WINHTTP_OPTION_SECURITY_FLAGS, &securityFlags, sizeof securityFlags) ||
        !WinHttpSetOption(handle.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled)) {
      return stepFailed(L"고정 루트 확인 준비", result);
    }
  }

  const bool askingForRest = request.partial != nullptr && request.partial->canContinue();
  const std::wstring extraHeaders = askingForRest ? resumeHeaders(*request.partial) : std::wstring();
  if (!WinHttpSendRequest(handle.get(), askingForRest ? extraHeaders.c_str() : WINHTTP_NO_ADDITIONAL_HEADERS,
                          askingForRest ? DWORD(extraHeaders.size()) : 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    return exchangeFailed(L"요청 전송", context, result);
  }
  if (!WinHttpReceiveResponse(handle.get(), nullptr)) return exchangeFailed(L"응답 수신", context, result);
  result.answered = true;

  if (request.pinnedMode && (context.pinCheckFailed || context.certificatesChecked == 0)) {
    result.notPinnedChain = context.pinCheckFailed;
    writeLog(kPinFailure, context.failureDetail.empty() ? kNothingChecked : context.failureDetail.c_str());
    return result;
  }

  DWORD status = 0;
  DWORD statusBytes = sizeof status;
  if (!WinHttpQueryHeaders(handle.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusBytes, WINHTTP_NO_HEADER_INDEX)) {
    return stepFailed(L"HTTP 상태 읽기", result);
  }

  if (request.pinnedMode && isRedirectStatus(status)) {
    if (request.redirectsLeft <= 0) {
      writeLog(kTooManyRedirects);
      return result;
    }
    TransferRequest nextHop = request;
    if (!readLocation(handle.get(), nextHop.download.url)) return stepFailed(L"리디렉션 주소 읽기", result);
    // This request stays open until the next hop has returned.
    // The next hop asks for the rest of the kept bytes too.
    nextHop.proxy = routeOfHop(nextHop.download.url, download.url, request.proxy);
    if (isFetchCancelled()) return result;
    --nextHop.redirectsLeft;
    return downloadToMemory(nextHop);
  }
  if (status == kProxyAuthenticationRequired && !request.proxy.empty()) {
    writeLog(kProxyWantsCredentials, request.proxy.c_str());
    return result;
  }

  std::vector<uint8_t>& body = result.body;
  uint64_t declaredLength = 0;
  if (askingForRest) {
    PartialDownload& partial = *request.partial;
    if (continuesPartial(status, readHeaderText(handle.get(), WINHTTP_QUERY_CONTENT_RANGE, kContentRangeChars),
                         partial.stored, partial.total) &&
        sameEntityAsKept(partial.validator, readHeaderText(handle.get(), WINHTTP_QUERY_ETAG, kValidatorChars)) &&
        unparkBytes(partial, body)) {
      writeLog(kResuming, static_cast<unsigned long long>(partial.stored),
               static_cast<unsigned long long>(partial.total));
      declaredLength = partial.total;
      result.validator = partial.validator;
    } else {
      writeLog(kStartingOver, unsigned(status));
    }
    partial = PartialDownload{};
    // A partial answer that does not fit is no file at all: ask again for the whole.
    if (status == 206 && body.empty()) return downloadToMemory(request);
  }
  if (body.empty()) {
    if (status != 200) {
      writeLog(kBadStatus, unsigned(status));
      return result;
    }
    declaredLength = readDeclaredLength(handle.get());
    result.validator = readValidator(handle.get());
  }
  result.total = declaredLength;

  BodyReceiver receiver(body, download.limit, declaredLength, download.progress, download.progressContext);
  if (!receiver.acceptDeclaredLength()) return result;
  result.bodyBrokeOff = true;  // until the body is complete
  std::vector<uint8_t> piece(kPieceBytes);
  for (;;) {
    if (isFetchCancelled()) return result;
    DWORD read = 0;
    if (!WinHttpReadData(handle.get(), piece.data(), kPieceBytes, &read)) return stepFailed(L"본문 수신", result);
    if (read == 0) {
      if (!receiver.finish()) return result;
      result.bodyBrokeOff = false;
      result.done = true;
      return result;
    }
    if (!receiver.append(piece.data(), read)) return result;
  }
}

namespace {

// One transfer in one trust mode along at most two routes. A proxy that
// carried an earlier transfer to this host goes first, and the direct route
// once more when it fails before any response (the network changed);
// otherwise the direct route goes first and, after a failure that a proxy
// explains, the route that the user's settings give for this URL.
TransferResult transferAlongRoutes(TransferRequest request) {
  ProxyRoutes& routes = fetchState().proxyRoutes;
  const std::wstring host = hostNameOfUrl(request.download.url);
  const std::wstring remembered = routes.working(host);
  request.proxy = remembered;
  TransferResult first = downloadToMemory(request);
  if (!failedBeforeAnyResponse(first) || isFetchCancelled()) return first;
  if (remembered.empty()) {
    request.proxy = userProxyFor(request.download.url);
    if (request.proxy.empty() || isFetchCancelled()) return first;
    writeLog(kThroughUserProxy, request.proxy.c_str());
  } else {
    request.proxy.clear();
    writeLog(kDirectAgain, remembered.c_str());
  }
  TransferResult second = downloadToMemory(request);
  second.secureFailureSeen = second.secureFailureSeen || first.secureFailureSeen;
  if (second.done) routes.rememberWorking(host, request.proxy);
  return second;
}

}  // namespace

bool downloadWithTrustFallback(const DownloadRequest& request, std::vector<uint8_t>& body) {
  KeptPartials& keptPartials = fetchState().keptPartials;
  PartialDownload kept;
  keptPartials.take(request.url, kept);
  TransferResult last = runWithTrustFallback(pinnedRootsFirst(), [&](bool pinnedMode) {
    return transferAlongRoutes({request, pinnedMode, kMaxRedirects, {}, &kept});
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
