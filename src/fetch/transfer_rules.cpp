#include "fetch/transfer_rules.h"

#include <cwchar>
#include <cwctype>
#include <vector>

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

}  // namespace

std::wstring resumeHeaders(const PartialDownload& partial) {
  return L"Range: bytes=" + std::to_wstring(partial.bytes.size()) + L"-\r\nIf-Range: " + partial.validator;
}

bool continuesPartial(uint32_t status, const std::wstring& contentRange, uint64_t stored, uint64_t total) {
  constexpr uint32_t kPartialContent = 206;
  constexpr wchar_t kUnit[] = L"bytes ";
  if (status != kPartialContent || contentRange.compare(0, std::wcslen(kUnit), kUnit) != 0) return false;
  const wchar_t* p = contentRange.c_str() + std::wcslen(kUnit);
  uint64_t first = 0, last = 0, whole = 0;
  if (!readNumber(p, first) || !expect(p, L'-') || !readNumber(p, last) || !expect(p, L'/') ||
      !readNumber(p, whole) || *p != L'\0') {
    return false;
  }
  return whole == total && first == stored && last + 1 == total;
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

}  // namespace

bool couldProxyExplain(uint32_t winhttpError) {
  return winhttpError == kTimeout || winhttpError == kNameNotResolved || winhttpError == kCannotConnect ||
         winhttpError == kConnectionError;
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
  std::wstring rest = withoutScheme(entry);
  rest = rest.substr(0, rest.find(L'/'));
  const size_t at = rest.rfind(L'@');
  if (at != std::wstring::npos) rest = rest.substr(at + 1);
  if (rest.empty()) return {};
  const size_t closing = rest.find(L']');
  const size_t colon = rest.find(L':', closing == std::wstring::npos ? 0 : closing);
  if (colon == std::wstring::npos) return rest + L":" + kDefaultProxyPort;
  if (colon == 0) return {};
  if (colon + 1 == rest.size()) return rest + kDefaultProxyPort;
  return rest;
}

bool isBypassed(const std::wstring& host, const std::wstring& bypassList) {
  const std::wstring name = lowered(withoutPort(host));
  for (const std::wstring& raw : splitOn(bypassList, L";,")) {
    const std::wstring entry = lowered(raw);
    if (entry == kLocalToken) {
      if (name.find(L'.') == std::wstring::npos) return true;
      continue;
    }
    const std::wstring pattern = withoutPort(withoutScheme(entry));
    if (!pattern.empty() && wildcardMatch(pattern, name)) return true;
  }
  return false;
}

