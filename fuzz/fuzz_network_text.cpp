// Text from the network and from the user's proxy settings: proxy lists and
// PAC answers, bypass lists, Content-Range, ETag, Last-Modified and Date. The
// input is taken as UTF-16 and cut at line breaks into those fields; each
// parser must accept or refuse any text without reading outside it, and what
// it accepts must keep its promises.
#include <cstddef>
#include <cstdint>
#include <cwctype>
#include <string>
#include <vector>

#include "fetch/transfer_rules.h"

namespace {

std::vector<std::wstring> fields(const uint8_t* data, size_t size, size_t count) {
  std::vector<std::wstring> parts(1);
  for (size_t i = 0; i + 1 < size; i += 2) {
    const wchar_t c = wchar_t(data[i] | data[i + 1] << 8);
    if (c == L'\n' && parts.size() < count) {
      parts.emplace_back();
    } else {
      parts.back().push_back(c);
    }
  }
  parts.resize(count);
  return parts;
}

// "bytes 060-99/100" reads as "bytes 60-99/100": leading zeros are digits too.
std::wstring withoutLeadingZeros(const std::wstring& text) {
  std::wstring kept;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool leadingZero = text[i] == L'0' && (i == 0 || !std::iswdigit(text[i - 1])) && i + 1 < text.size() &&
                             std::iswdigit(text[i + 1]);
    if (!leadingZero) kept.push_back(text[i]);
  }
  return kept;
}

void checkRoute(const std::wstring& route) {
  if (route.find(L'@') != std::wstring::npos || route.find(L'/') != std::wstring::npos) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<std::wstring> field = fields(data, size, 5);
  const std::wstring& proxyText = field[0];
  const std::wstring& contentRange = field[1];
  const ResponseValidators answer{field[2], field[3], field[4]};

  // Proxy lists, PAC answers and bypass lists: credentials and paths never survive.
  checkRoute(proxyHostPort(httpsProxyOf(proxyText)));
  const std::vector<std::wstring> routes = scriptRoutes(proxyText);
  if (routes.size() > kMaxScriptRoutes) __builtin_trap();
  for (const std::wstring& route : routes) checkRoute(route);
  isBypassed(L"releases.example.test:443", proxyText);
  isBypassed(proxyText, L"<local>;*.example.test;.corp");

  // Content-Range: only the exact rest of the kept bytes continues them.
  const uint64_t stored = size > 0 ? data[0] : 1;
  const uint64_t total = stored + (size > 1 ? data[1] : 0) + 1;
  if (continuesPartial(206, contentRange, stored, total) &&
      withoutLeadingZeros(contentRange) != L"bytes " + std::to_wstring(stored) + L"-" + std::to_wstring(total - 1) + L"/" +
                          std::to_wstring(total)) {
    __builtin_trap();
  }
  const PartialDownload kept{L"u", resumeValidator(answer), total, stored, nullptr};
  judgeContinuation(206, contentRange, answer, kept);

  // ETag, Last-Modified and Date: a validator is one of the texts received, and a strong ETag is quoted.
  const std::wstring validator = resumeValidator(answer);
  if (!validator.empty() && validator != answer.etag && validator != answer.lastModified) __builtin_trap();
  if (isStrongEtag(answer.etag) && (answer.etag.size() < 2 || answer.etag.front() != L'"' || answer.etag.back() != L'"')) {
    __builtin_trap();
  }
  if (!validator.empty() && !sameEntityAsKept(validator, answer)) __builtin_trap();
  int64_t seconds = 0;
  parseHttpDate(answer.lastModified, seconds);
  parseHttpDate(answer.date, seconds);
  return 0;
}
