#include "fetch/release_servers.h"

#ifdef NORVANE_TEST_BUILD
#include <cstdlib>
#endif

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
