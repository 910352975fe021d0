#include <windows.h>
#include <winhttp.h>

#include <vector>

#include "fetch/body_receiver.h"
#include "fetch/pinned_trust.h"
#include "fetch/transfer.h"
#include "fetch/transfer_limits.h"
#include "fetch/winhttp_handles.h"
#include "host/log.h"

namespace {

constexpr wchar_t kUserAgent[] = L"Norvane";
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
constexpr DWORD kProxyAuthenticationRequired = 407;

// Logs the failed step with the error of the call that just failed.
bool stepFailed(const wchar_t* label) {
  const DWORD error = GetLastError();
  writeLog(kStepFailure, label, unsigned(error));
  return false;
}

// Send and receive share the rule: a TLS failure is remembered for the
// caller before the step is logged.
bool exchangeFailed(const wchar_t* label, const TransferContext& context, bool* secureFailureSeen,
                    TransferRoute& route) {
  const DWORD error = GetLastError();
  route.exchangeError = error;
  if (secureFailureSeen != nullptr && (context.secureFailureSeen || error == kSecureFailureError)) {
    *secureFailureSeen = true;
  }
  SetLastError(error);
  return stepFailed(label);
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
  std::wstring validator = readHeaderText(request, WINHTTP_QUERY_ETAG, kValidatorChars);
  if (validator.empty()) validator = readHeaderText(request, WINHTTP_QUERY_LAST_MODIFIED, kValidatorChars);
  return validator;
}

uint64_t readDeclaredLength(HINTERNET request) {
  return declaredLengthFromHeader(readHeaderText(request, WINHTTP_QUERY_CONTENT_LENGTH, kContentLengthChars).c_str());
}

}  // namespace

bool downloadToMemory(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs, std::vector<uint8_t>& body,
                      ProgressCallback progress, void* progressContext, bool pinnedMode, bool* secureFailureSeen,
                      int32_t redirectsLeft, bool* notPinnedChain) {
  TransferRoute route;
  return transferAlong(route, url, limit, receiveTimeoutMs, body, progress, progressContext, pinnedMode,
                       secureFailureSeen, redirectsLeft, notPinnedChain);
}

bool transferAlong(TransferRoute& route, const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                   std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext, bool pinnedMode,
                   bool* secureFailureSeen, int32_t redirectsLeft, bool* notPinnedChain) {
  body.clear();
  route.exchangeError = 0;
  route.answered = false;
  route.bodyBrokeOff = false;
  if (isFetchCancelled()) return false;
  if (notPinnedChain != nullptr) *notPinnedChain = false;

  UrlParts parts;
  if (!splitUrl(url, parts)) return stepFailed(L"주소 해석");
  if (!parts.https) {
    writeLog(kNotHttps);
    return false;
  }

  // Declared before the handles: it must outlive every callback of the request.
  TransferContext context;
  context.pinnedMode = pinnedMode;
  context.connectedHost = parts.host;

  ScopedInternet session(
      route.proxy.empty()
          ? WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0)
          : WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_NAMED_PROXY, route.proxy.c_str(), WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session) return stepFailed(L"세션 열기");
  if (!WinHttpSetTimeouts(session.get(), int(kResolveTimeoutMs), int(kConnectTimeoutMs), int(kSendTimeoutMs),
                          int(receiveTimeoutMs))) {
    return stepFailed(L"시간 제한 설정");
  }
  DWORD protocols = kSecureProtocols;
  if (!WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols, sizeof protocols)) {
    return stepFailed(L"TLS 설정");
  }
  ScopedInternet connection(WinHttpConnect(session.get(), parts.host.c_str(), parts.port, 0));
  if (!connection) return stepFailed(L"연결 열기");
  ScopedInternet request(WinHttpOpenRequest(connection.get(), L"GET", parts.object.c_str(), nullptr,
                                            WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
  if (!request) return stepFailed(L"요청 열기");

  DWORD_PTR contextValue = reinterpret_cast<DWORD_PTR>(&context);
  if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_CONTEXT_VALUE, &contextValue, sizeof contextValue) ||
      WinHttpSetStatusCallback(request.get(), transferStatusCallback,
                               pinnedMode ? kPinnedNotifications : kNormalNotifications,
                               0) == WINHTTP_INVALID_STATUS_CALLBACK) {
    return stepFailed(L"상태 콜백 준비");
  }
  if (pinnedMode) {
    DWORD securityFlags = SECURITY_FLAG_IGNORE_UNKNOWN_CA;
    DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
    if (!WinHttpSetOption(request.get(), WINHTTP_OPTION_SECURITY_FLAGS, &securityFlags, sizeof securityFlags) ||
        !WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled, sizeof disabled)) {
      return stepFailed(L"고정 루트 확인 준비");
    }
  }

  const bool askingForRest = route.partial != nullptr && route.partial->canContinue();
  const std::wstring extraHeaders = askingForRest ? resumeHeaders(*route.partial) : std::wstring();
  if (!WinHttpSendRequest(request.get(), askingForRest ? extraHeaders.c_str() : WINHTTP_NO_ADDITIONAL_HEADERS,
                          askingForRest ? DWORD(extraHeaders.size()) : 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
    return exchangeFailed(L"요청 전송", context, secureFailureSeen, route);
  }
  if (!WinHttpReceiveResponse(request.get(), nullptr)) {
    return exchangeFailed(L"응답 수신", context, secureFailureSeen, route);
  }
  route.answered = true;

  if (pinnedMode && (context.pinCheckFailed || context.certificatesChecked == 0)) {
    if (notPinnedChain != nullptr) *notPinnedChain = context.pinCheckFailed;
    writeLog(kPinFailure, context.failureDetail.empty() ? kNothingChecked : context.failureDetail.c_str());
    return false;
  }

  DWORD status = 0;
  DWORD statusBytes = sizeof status;
  if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusBytes, WINHTTP_NO_HEADER_INDEX)) {
    return stepFailed(L"HTTP 상태 읽기");
  }

  if (pinnedMode && isRedirectStatus(status)) {
    if (redirectsLeft <= 0) {
      writeLog(kTooManyRedirects);
      return false;
    }
    std::wstring location;
    if (!readLocation(request.get(), location)) return stepFailed(L"리디렉션 주소 읽기");
    // This request stays open until the next hop has returned.
    // The next hop asks for the rest of the kept bytes too.
    return transferAlong(route, location, limit, receiveTimeoutMs, body, progress, progressContext, true, nullptr,
                         redirectsLeft - 1, notPinnedChain);
  }
  if (status == kProxyAuthenticationRequired && !route.proxy.empty()) {
    writeLog(kProxyWantsCredentials, route.proxy.c_str());
    return false;
  }

  uint64_t declaredLength = 0;
  if (askingForRest) {
    PartialDownload& partial = *route.partial;
    const uint64_t stored = partial.bytes.size();
    if (continuesPartial(status, readHeaderText(request.get(), WINHTTP_QUERY_CONTENT_RANGE, kContentRangeChars),
                         stored, partial.total)) {
      writeLog(kResuming, static_cast<unsigned long long>(stored), static_cast<unsigned long long>(partial.total));
      body = std::move(partial.bytes);
      declaredLength = partial.total;
      route.validator = partial.validator;
    } else {
      writeLog(kStartingOver, unsigned(status));
    }
    partial = PartialDownload{};
    // A partial answer that does not fit is no file at all: ask again for the whole.
    if (status == 206 && body.empty()) {
      return transferAlong(route, url, limit, receiveTimeoutMs, body, progress, progressContext, pinnedMode,
                           secureFailureSeen, redirectsLeft, notPinnedChain);
    }
  }
  if (body.empty()) {
    if (status != 200) {
      writeLog(kBadStatus, unsigned(status));
      return false;
    }
    declaredLength = readDeclaredLength(request.get());
    route.validator = readValidator(request.get());
  }
  route.total = declaredLength;

  BodyReceiver receiver(body, limit, declaredLength, progress, progressContext);
  if (!receiver.acceptDeclaredLength()) return false;
  route.bodyBrokeOff = true;  // until the body is complete
  std::vector<uint8_t> piece(kPieceBytes);
  for (;;) {
    if (isFetchCancelled()) return false;
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), piece.data(), kPieceBytes, &read)) return stepFailed(L"본문 수신");
    if (read == 0) {
      if (!receiver.finish()) return false;
      route.bodyBrokeOff = false;
      return true;
    }
    if (!receiver.append(piece.data(), read)) return false;
  }
}
