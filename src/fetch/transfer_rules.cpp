#include "fetch/transfer_rules.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "fetch/fetch_state.h"
#include "host/log.h"

// --- The body -------------------------------------------------------------
namespace {
constexpr wchar_t kDeclaredTooLarge[] = L"판올림 파일이 너무 크다 (%llu)";
constexpr wchar_t kTooLarge[] = L"판올림 파일이 너무 크다";
constexpr wchar_t kShortBody[] = L"다운로드 본문이 비었거나 덜 왔다 (%llu / %llu바이트)";
}  // namespace

uint64_t declaredLengthFromHeader(const wchar_t* text) {
  if (text == nullptr) return 0;
  return uint64_t(std::wcstoull(text, nullptr, 10));
}

bool isRedirectStatus(uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

BodyReceiver::BodyReceiver(std::vector<uint8_t>& body, uint32_t limit, uint64_t declaredLength,
                           ProgressCallback progress, void* progressContext)
    : body_(body), limit_(limit), declaredLength_(declaredLength), progress_(progress), progressContext_(progressContext) {}

bool BodyReceiver::acceptDeclaredLength() {
  if (declaredLength_ <= limit_) {
    // One allocation of the known size instead of doubling towards it, which
    // would hold both the old and the new block at the end.
    body_.reserve(size_t(declaredLength_));
    return true;
  }
  writeLog(kDeclaredTooLarge, static_cast<unsigned long long>(declaredLength_));
  return false;
}

bool BodyReceiver::append(const uint8_t* piece, uint32_t count) {
  const uint64_t total = uint64_t(body_.size()) + count;
  if (total > limit_) {
    writeLog(kTooLarge);
    return false;
  }
  // More than declared is as wrong as less, and would push progress past 100.
  if (declaredLength_ != 0 && total > declaredLength_) {
    writeLog(kShortBody, static_cast<unsigned long long>(total), static_cast<unsigned long long>(declaredLength_));
    return false;
  }
  body_.insert(body_.end(), piece, piece + count);
  if (progress_ != nullptr && declaredLength_ != 0) {
    progress_(int32_t(uint64_t(body_.size()) * 100 / declaredLength_), progressContext_);
  }
  return true;
}

bool BodyReceiver::finish() const {
  const uint64_t received = body_.size();
  if (received == 0 || (declaredLength_ != 0 && received != declaredLength_)) {
    writeLog(kShortBody, static_cast<unsigned long long>(received), static_cast<unsigned long long>(declaredLength_));
    return false;
  }
  return true;
}

// --- Continuing a body that broke off ---------------------------------------

namespace {

// Reads a run of decimal digits; false when there is none or it overflows.
bool readNumber(const wchar_t*& p, uint64_t& value) {
  if (!std::iswdigit(*p)) return false;
  value = 0;
  for (; std::iswdigit(*p); ++p) {
    const uint64_t digit = uint64_t(*p - L'0');
    if (value > (UINT64_MAX - digit) / 10) return false;
    value = value * 10 + digit;
  }
  return true;
}

bool expect(const wchar_t*& p, wchar_t c) {
  if (*p != c) return false;
  ++p;
  return true;
}

// Exactly `count` decimal digits.
bool readFixedNumber(const wchar_t*& p, int count, int& value) {
  value = 0;
  for (int i = 0; i < count; ++i, ++p) {
    if (!std::iswdigit(*p)) return false;
    value = value * 10 + int(*p - L'0');
  }
  return true;
}

bool expectText(const wchar_t*& p, const wchar_t* text) {
  const size_t length = std::wcslen(text);
  if (std::wcsncmp(p, text, length) != 0) return false;
  p += length;
  return true;
}

// A run of ASCII letters (a day or month name).
std::wstring readName(const wchar_t*& p) {
  std::wstring name;
  for (; (*p >= L'A' && *p <= L'Z') || (*p >= L'a' && *p <= L'z'); ++p) name += *p;
  return name;
}

// 1..12 for "Jan".."Dec", 0 for anything else.
int monthNumber(const std::wstring& name) {
  static constexpr const wchar_t* kMonths[] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                               L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
  for (int i = 0; i < 12; ++i) {
    if (name == kMonths[i]) return i + 1;
  }
  return 0;
}

struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

bool readClock(const wchar_t*& p, CivilTime& time) {
  return readFixedNumber(p, 2, time.hour) && expect(p, L':') && readFixedNumber(p, 2, time.minute) &&
         expect(p, L':') && readFixedNumber(p, 2, time.second);
}

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t daysFromCivil(int year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// "Sun, 06 Nov 1994 08:49:37 GMT"
bool readImfFixdate(const wchar_t* p, CivilTime& time) {
  return readName(p).size() == 3 && expectText(p, L", ") && readFixedNumber(p, 2, time.day) && expect(p, L' ') &&
         (time.month = monthNumber(readName(p))) != 0 && expect(p, L' ') && readFixedNumber(p, 4, time.year) &&
         expect(p, L' ') && readClock(p, time) && expectText(p, L" GMT") && *p == L'\0';
}

// "Sunday, 06-Nov-94 08:49:37 GMT"; two-digit years from 70 are the 1900s.
bool readRfc850Date(const wchar_t* p, CivilTime& time) {
  if (!(readName(p).size() >= 6 && expectText(p, L", ") && readFixedNumber(p, 2, time.day) && expect(p, L'-') &&
        (time.month = monthNumber(readName(p))) != 0 && expect(p, L'-') && readFixedNumber(p, 2, time.year) &&
        expect(p, L' ') && readClock(p, time) && expectText(p, L" GMT") && *p == L'\0')) {
    return false;
  }
  time.year += time.year >= 70 ? 1900 : 2000;
  return true;
}

// "Sun Nov  6 08:49:37 1994"
bool readAsctimeDate(const wchar_t* p, CivilTime& time) {
  if (!(readName(p).size() == 3 && expect(p, L' ') && (time.month = monthNumber(readName(p))) != 0 &&
        expect(p, L' '))) {
    return false;
  }
  const bool oneDigitDay = expect(p, L' ');  // "Nov  6"
  if (!readFixedNumber(p, oneDigitDay ? 1 : 2, time.day)) return false;
  return expect(p, L' ') && readClock(p, time) && expect(p, L' ') && readFixedNumber(p, 4, time.year) && *p == L'\0';
}

}  // namespace

bool parseHttpDate(const std::wstring& text, int64_t& seconds) {
  if (text.find(L'\0') != std::wstring::npos) return false;  // the parsers stop at the first NUL
  CivilTime time;
  if (!readImfFixdate(text.c_str(), time) && !readRfc850Date(text.c_str(), time) &&
      !readAsctimeDate(text.c_str(), time)) {
    return false;
  }
  if (time.month < 1 || time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 || time.minute > 59 ||
      time.second > 60) {
    return false;
  }
  seconds = daysFromCivil(time.year, time.month, time.day) * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
  return true;
}

bool isStrongEtag(const std::wstring& etag) {
  if (etag.size() < 2 || etag.front() != L'"' || etag.back() != L'"') return false;
  // etagc: '!', '#'..'~' and anything beyond ASCII; no quote, blank or control inside.
  for (size_t i = 1; i + 1 < etag.size(); ++i) {
    const wchar_t c = etag[i];
    if (!(c == L'!' || (c >= L'#' && c <= L'~') || c >= 0x80)) return false;
  }
  return true;
}

std::wstring resumeValidator(const ResponseValidators& validators) {
  if (isStrongEtag(validators.etag)) return validators.etag;
  int64_t modified = 0, answered = 0;
  if (parseHttpDate(validators.lastModified, modified) && parseHttpDate(validators.date, answered) &&
      answered - modified >= kStrongDateMarginSeconds) {
    return validators.lastModified;
  }
  return {};
}

bool sameEntityAsKept(const std::wstring& keptValidator, const ResponseValidators& answer) {
  if (keptValidator.empty()) return false;
  return keptValidator == (isStrongEtag(keptValidator) ? answer.etag : answer.lastModified);
}

std::wstring resumeHeaders(const PartialDownload& partial) {
  return L"Range: bytes=" + std::to_wstring(partial.stored) + L"-\r\nIf-Range: " + partial.validator;
}

bool continuesPartial(uint32_t status, const std::wstring& contentRange, uint64_t stored, uint64_t total) {
  constexpr uint32_t kPartialContent = 206;
  constexpr wchar_t kUnit[] = L"bytes ";
  if (status != kPartialContent || contentRange.compare(0, std::wcslen(kUnit), kUnit) != 0 ||
      contentRange.find(L'\0') != std::wstring::npos) {
    return false;
  }
  const wchar_t* p = contentRange.c_str() + std::wcslen(kUnit);
  uint64_t first = 0, last = 0, whole = 0;
  if (!readNumber(p, first) || !expect(p, L'-') || !readNumber(p, last) || !expect(p, L'/') ||
      !readNumber(p, whole) || *p != L'\0') {
    return false;
  }
  return whole == total && first == stored && last + 1 == total;
}

ContinuationAnswer judgeContinuation(uint32_t status, const std::wstring& contentRange,
                                     const ResponseValidators& answer, const PartialDownload& kept) {
  constexpr uint32_t kOk = 200, kPartialContent = 206, kRangeNotSatisfiable = 416;
  if (status == kOk) return ContinuationAnswer::WholeFile;
  if (status == kRangeNotSatisfiable) return ContinuationAnswer::AskAgain;
  if (status != kPartialContent) return ContinuationAnswer::Refused;
  return continuesPartial(status, contentRange, kept.stored, kept.total) && sameEntityAsKept(kept.validator, answer)
             ? ContinuationAnswer::Continues
             : ContinuationAnswer::AskAgain;
}

// --- Trust ----------------------------------------------------------------

namespace {
constexpr wchar_t kRetryNormal[] = L"고정 루트가 아닌 사슬이다. 평소대로 한 번 더 묻는다";
constexpr wchar_t kRetryPinned[] = L"보안 연결에 실패해 고정 루트로 한 번 더 확인한다";

std::wstring widened(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p; ++p) wide += wchar_t(static_cast<unsigned char>(*p));
  return wide;
}

void bounded(std::wstring& message) {
  if (message.size() > kVerdictMessageChars - 1) message.resize(kVerdictMessageChars - 1);
}
}  // namespace

std::wstring hex32(uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

RootCheckVerdict decideRootVerdict(const ChainFacts& facts, std::wstring& message) {
  RootCheckVerdict verdict = RootCheckVerdict::Rejected;
  if (!facts.policyPassed) {
    message = L"SSL 정책 실패 (" + hex32(facts.policyError) + L")";
  } else if (facts.chainErrorStatus == 0) {
    message = L"Windows 가 믿는 루트";
    verdict = RootCheckVerdict::TrustedBySystem;
  } else if (facts.chainErrorStatus == kChainUntrustedRoot && facts.matchedRootName != nullptr) {
    message = widened(facts.matchedRootName);
    verdict = RootCheckVerdict::AcceptedByPinnedRoot;
  } else {
    message = L"사슬 오류 " + hex32(facts.chainErrorStatus) + L", 고정 루트 " +
              (facts.matchedRootName != nullptr ? L"맞음" : L"아님");
  }
  bounded(message);
  return verdict;
}

TransferResult runWithTrustFallback(bool pinnedFirst, const TrustTransfer& transfer) {
  TransferResult first = transfer(pinnedFirst);
  if (first.done) return first;
  if (pinnedFirst ? !first.notPinnedChain : !first.secureFailureSeen) return first;
  writeLog(pinnedFirst ? kRetryNormal : kRetryPinned);
  return transfer(!pinnedFirst);
}

// --- The user's proxy -----------------------------------------------------

namespace {

constexpr uint32_t kTimeout = 12002;             // ERROR_WINHTTP_TIMEOUT
constexpr uint32_t kNameNotResolved = 12007;     // ERROR_WINHTTP_NAME_NOT_RESOLVED
constexpr uint32_t kCannotConnect = 12029;       // ERROR_WINHTTP_CANNOT_CONNECT
constexpr uint32_t kConnectionError = 12030;     // ERROR_WINHTTP_CONNECTION_ERROR
// Wine's WinHTTP can pass the socket's own error through where Windows reports
// one of the two above; they mean the same failure.
constexpr uint32_t kSocketConnectionAborted = 10053;  // WSAECONNABORTED
constexpr uint32_t kSocketConnectionReset = 10054;    // WSAECONNRESET
constexpr uint32_t kSocketConnectionRefused = 10061;  // WSAECONNREFUSED
constexpr wchar_t kLocalToken[] = L"<local>";
constexpr wchar_t kDefaultProxyPort[] = L"80";

std::vector<std::wstring> splitOn(const std::wstring& text, const wchar_t* separators) {
  std::vector<std::wstring> parts;
  std::wstring current;
  for (wchar_t c : text) {
    if (std::wcschr(separators, c) != nullptr || std::iswspace(c)) {
      if (!current.empty()) parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) parts.push_back(current);
  return parts;
}

std::wstring lowered(std::wstring text) {
  for (wchar_t& c : text) c = wchar_t(std::towlower(c));
  return text;
}

std::wstring withoutScheme(const std::wstring& text) {
  const size_t marker = text.find(L"://");
  return marker == std::wstring::npos ? text : text.substr(marker + 3);
}

// '*' matches any run of characters, everything else itself; the last star
// is retried one character later, so the cost stays pattern x text.
bool wildcardMatch(const std::wstring& pattern, const std::wstring& text) {
  size_t p = 0, t = 0, star = std::wstring::npos, resume = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == L'*') {
      star = p++;
      resume = t;
    } else if (p < pattern.size() && pattern[p] == text[t]) {
      ++p;
      ++t;
    } else if (star != std::wstring::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == L'*') ++p;
  return p == pattern.size();
}

// Drops ":port" from a host or a bypass entry; a bare IPv6 address (several colons)
// stays whole, a bracketed one keeps its brackets.
std::wstring withoutPort(const std::wstring& entry) {
  if (!entry.empty() && entry.front() == L'[') return entry.substr(0, entry.find(L']') + 1);
  const size_t colon = entry.find(L':');
  if (colon == std::wstring::npos || entry.find(L':', colon + 1) != std::wstring::npos) return entry;
  return entry.substr(0, colon);
}

std::wstring withoutBrackets(const std::wstring& host) {
  if (host.size() >= 2 && host.front() == L'[' && host.back() == L']') return host.substr(1, host.size() - 2);
  return host;
}

}  // namespace

bool couldProxyExplain(uint32_t winhttpError) {
  return winhttpError == kTimeout || winhttpError == kNameNotResolved || winhttpError == kCannotConnect ||
         winhttpError == kConnectionError || winhttpError == kSocketConnectionAborted ||
         winhttpError == kSocketConnectionReset || winhttpError == kSocketConnectionRefused;
}

std::wstring httpsProxyOf(const std::wstring& proxyList) {
  std::wstring general;
  for (const std::wstring& entry : splitOn(proxyList, L";")) {
    const size_t equals = entry.find(L'=');
    if (equals == std::wstring::npos) {
      if (general.empty()) general = entry;
    } else if (lowered(entry.substr(0, equals)) == L"https" && equals + 1 < entry.size()) {
      return entry.substr(equals + 1);
    }
  }
  return general;
}

std::wstring proxyHostPort(const std::wstring& entry) {
  constexpr uint64_t kLargestPort = 65535;
  std::wstring rest = withoutScheme(entry);
  const size_t at = rest.rfind(L'@');
  if (at != std::wstring::npos) rest = rest.substr(at + 1);
  rest = rest.substr(0, rest.find(L'/'));
  const size_t closing = rest.find(L']');
  const bool bracketed = !rest.empty() && rest.front() == L'[';
  if (bracketed && closing == std::wstring::npos) return {};
  const size_t hostEnd = bracketed ? closing + 1 : rest.find(L':');
  const std::wstring host = rest.substr(0, hostEnd);
  std::wstring port = hostEnd < rest.size() ? rest.substr(hostEnd) : std::wstring();
  if (!port.empty() && port.front() != L':') return {};
  if (port.size() <= 1) port = std::wstring(L":") + kDefaultProxyPort;
  const wchar_t* digits = port.c_str() + 1;
  uint64_t number = 0;
  if (!readNumber(digits, number) || *digits != L'\0' || number == 0 || number > kLargestPort) return {};
  const std::wstring name = bracketed ? host.substr(1, host.size() - 2) : host;
  if (name.empty()) return {};
  for (wchar_t c : name) {
    const bool allowed = bracketed ? (std::iswxdigit(c) || c == L':' || c == L'.')
                                   : ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') ||
                                      (c >= L'0' && c <= L'9') || c == L'.' || c == L'-' || c == L'_');
    if (!allowed) return {};
  }
  return host + port;
}

bool isBypassed(const std::wstring& host, const std::wstring& bypassList, const std::wstring& scheme) {
  const std::wstring name = withoutBrackets(lowered(withoutPort(host)));
  for (const std::wstring& raw : splitOn(bypassList, L";,")) {
    const std::wstring entry = lowered(raw);
    if (entry == kLocalToken) {
      if (name.find(L'.') == std::wstring::npos && name.find(L':') == std::wstring::npos) return true;
      continue;
    }
    const size_t marker = entry.find(L"://");
    if (marker != std::wstring::npos && entry.compare(0, marker, lowered(scheme)) != 0) continue;
    std::wstring pattern = withoutBrackets(withoutPort(withoutScheme(entry)));
    if (!pattern.empty() && pattern.front() == L'.') pattern.insert(0, 1, L'*');  // ".corp" is "*.corp"
    if (!pattern.empty() && wildcardMatch(pattern, name)) return true;
  }
  return false;
}

std::wstring hostNameOfUrl(const std::wstring& url) {
  const std::wstring rest = withoutScheme(url);
  return lowered(withoutPort(rest.substr(0, rest.find(L'/'))));
}

std::vector<std::wstring> scriptRoutes(const std::wstring& proxyList) {
  std::vector<std::wstring> routes;
  for (const std::wstring& raw : splitOn(proxyList, L";")) {
    if (routes.size() == kMaxScriptRoutes) break;
    const std::wstring word = lowered(raw);
    if (word == L"proxy") continue;  // "PROXY host:port": the entry is the next word
    if (word == L"direct") {
      routes.emplace_back();
      continue;
    }
    const size_t equals = raw.find(L'=');
    if (equals != std::wstring::npos && lowered(raw.substr(0, equals)) != L"https") continue;
    const std::wstring route = proxyHostPort(equals == std::wstring::npos ? raw : raw.substr(equals + 1));
    if (!route.empty()) routes.push_back(route);
  }
  return routes;
}

std::vector<std::wstring> userProxyRoutes(const std::wstring& host, const UserProxyFacts& facts) {
  switch (facts.script) {
    case ScriptAnswer::Direct:
      return {std::wstring()};
    case ScriptAnswer::Proxy:
      return scriptRoutes(facts.scriptProxyList);
    case ScriptAnswer::None:
      break;
  }
  if (facts.fixedList.empty() || isBypassed(host, facts.bypassList)) return {};
  const std::wstring fixed = proxyHostPort(httpsProxyOf(facts.fixedList));
  if (fixed.empty()) return {};
  return {fixed};
}

bool failedBeforeAnyResponse(const TransferResult& result) {
  return !result.done && !result.answered && couldProxyExplain(result.exchangeError);
}

bool worthAnotherRoute(const TransferResult& result) {
  return failedBeforeAnyResponse(result) || (!result.done && result.proxyLogonRefused);
}

namespace {
constexpr wchar_t kThroughUserProxy[] = L"사용자 프록시로 다시 묻는다: %s";
constexpr wchar_t kDirectAgain[] = L"프록시 %s 가 답하지 않아 바로 연결해 본다";
}  // namespace

TransferResult transferAlongRoutes(TransferRequest request, ProxyRoutes& routes, const RouteLookup& lookUp,
                                   const RouteTransfer& transfer) {
  const std::wstring host = hostNameOfUrl(request.download.url);
  request.proxy = routes.working(host);
  TransferResult result = transfer(request);
  if (!worthAnotherRoute(result) || isFetchCancelled()) return result;
  std::vector<std::wstring> tried{request.proxy};
  const std::vector<std::wstring> next =
      request.proxy.empty() ? lookUp(request.download.url) : std::vector<std::wstring>{std::wstring()};
  bool secureFailureSeen = result.secureFailureSeen;
  for (const std::wstring& route : next) {
    if (std::find(tried.begin(), tried.end(), route) != tried.end()) continue;
    if (isFetchCancelled()) break;
    if (route.empty()) {
      writeLog(kDirectAgain, request.proxy.c_str());
    } else {
      writeLog(kThroughUserProxy, route.c_str());
    }
    request.proxy = route;
    tried.push_back(route);
    result = transfer(request);
    secureFailureSeen = secureFailureSeen || result.secureFailureSeen;
    if (result.answered && !result.proxyLogonRefused) routes.rememberWorking(host, route);
    if (!worthAnotherRoute(result)) break;
  }
  result.secureFailureSeen = secureFailureSeen;
  return result;
}

// --- Logging on to a proxy -------------------------------------------------

uint32_t proxyLogonScheme(uint32_t supportedSchemes) {
  if (supportedSchemes & kAuthNegotiate) return kAuthNegotiate;
  if (supportedSchemes & kAuthNtlm) return kAuthNtlm;
  return 0;
}

const wchar_t* authSchemeName(uint32_t supportedSchemes) {
  static constexpr struct {
    uint32_t scheme;
    const wchar_t* name;
  } kNames[] = {{kAuthNegotiate, L"Negotiate"}, {kAuthNtlm, L"NTLM"}, {kAuthDigest, L"Digest"},
                {kAuthBasic, L"Basic"}, {kAuthPassport, L"Passport"}};
  for (const auto& entry : kNames) {
    if (supportedSchemes & entry.scheme) return entry.name;
  }
  return L"?";
}
