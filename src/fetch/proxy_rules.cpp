#include "fetch/proxy_rules.h"

#include <cwchar>
#include <cwctype>
#include <vector>

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

void WorkingProxy::remember(const std::wstring& proxy) {
  std::lock_guard lock(guard_);
  proxy_ = proxy;
}

std::wstring WorkingProxy::get() const {
  std::lock_guard lock(guard_);
  return proxy_;
}

WorkingProxy& workingProxy() {
  static WorkingProxy record;
  return record;
}
