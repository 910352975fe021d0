#include "fetch/resume_rules.h"

#include <cwchar>
#include <cwctype>

#include "fetch/release_urls.h"

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

void KeptPartials::keep(PartialDownload&& partial) {
  std::lock_guard lock(guard_);
  const std::wstring source = hostOfUrl(partial.url);
  for (PartialDownload& entry : kept_) {
    if (hostOfUrl(entry.url) == source) {
      entry = std::move(partial);
      return;
    }
  }
  kept_.push_back(std::move(partial));
}

bool KeptPartials::take(const std::wstring& url, PartialDownload& partial) {
  std::lock_guard lock(guard_);
  for (auto entry = kept_.begin(); entry != kept_.end(); ++entry) {
    if (entry->url == url) {
      partial = std::move(*entry);
      kept_.erase(entry);
      return true;
    }
  }
  return false;
}

KeptPartials& keptPartials() {
  static KeptPartials record;
  return record;
}
