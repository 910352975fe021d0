#include "fetch/release_urls.h"

#include "host/log.h"

#ifdef NORVANE_TEST_BUILD
#include <cstdlib>
#endif

namespace {
constexpr wchar_t kUnknownShapeMessage[] = L"판올림 주소가 아는 모양이 아니다. 조각을 받지 않는다";

bool endsWith(const std::wstring& text, const std::wstring& suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}
}  // namespace

const wchar_t* installerAssetName(uint32_t bits) { return bits == 64 ? L"Norvane-x64.exe" : L"Norvane-x86.exe"; }

std::wstring buildVersionedUrl(const std::wstring& source, const ReleaseVersion& version, const std::wstring& fileName) {
  if (source.empty()) return {};
  const std::wstring suffix = kLatestSuffix;
  if (!endsWith(source, suffix)) {
    writeLog(kUnknownShapeMessage);
    return {};
  }
  return source.substr(0, source.size() - suffix.size()) + L"/download/v" + std::to_wstring(version.major) + L"." +
         std::to_wstring(version.minor) + L"." + std::to_wstring(version.patch) + L"/" + fileName;
}

std::wstring hostOfUrl(const std::wstring& url) {
  const size_t schemeEnd = url.find(L"://");
  if (schemeEnd == std::wstring::npos) return url;
  const size_t hostStart = schemeEnd + 3;
  const size_t slash = url.find(L'/', hostStart);
  return url.substr(hostStart, slash == std::wstring::npos ? std::wstring::npos : slash - hostStart);
}

namespace {
#ifndef NORVANE_TEST_BUILD
constexpr wchar_t kPrimary[] = L"https://github.com/norvane-remote/norvane-host/releases/latest/download";
constexpr wchar_t kSecondary[] = L"https://releases.norvane.net/api/host/releases/latest/download";
#else
// Loopback release server of the tests; a journey may move it with the
// environment (ASCII URLs only).
constexpr wchar_t kPrimary[] = L"https://localhost:47443/norvane-test/host/releases/latest/download";
constexpr wchar_t kSecondary[] = L"https://localhost:47444/api/host/releases/latest/download";

std::wstring fromEnvironment(const char* name, const wchar_t* fallback) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return fallback;
  std::wstring wide;
  for (const char* p = value; *p; ++p) wide += wchar_t(static_cast<unsigned char>(*p));
  return wide;
}
#endif
}  // namespace

const std::wstring& primaryReleaseUrl() {
#ifndef NORVANE_TEST_BUILD
  static const std::wstring url = kPrimary;
#else
  static const std::wstring url = fromEnvironment("NORVANE_TEST_PRIMARY_URL", kPrimary);
#endif
  return url;
}

const std::wstring& secondaryReleaseUrl() {
#ifndef NORVANE_TEST_BUILD
  static const std::wstring url = kSecondary;
#else
  static const std::wstring url = fromEnvironment("NORVANE_TEST_SECONDARY_URL", kSecondary);
#endif
  return url;
}
