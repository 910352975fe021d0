#include <gtest/gtest.h>

#include "fetch/release_urls.h"
#include "support/log_capture.h"

namespace {

constexpr wchar_t kUnknownShape[] = L"판올림 주소가 아는 모양이 아니다. 조각을 받지 않는다";

TEST(VersionedUrl, ReplacesTheLatestSuffixWithTheVersionedPath) {
  log_capture::clear();
  EXPECT_EQ(buildVersionedUrl(L"https://r.example/api/host/releases/latest/download", {1, 4, 12, 7}, L"Norvane-x64.exe"),
            L"https://r.example/api/host/releases/download/v1.4.12/Norvane-x64.exe");
  EXPECT_EQ(buildVersionedUrl(L"https://h/o/r/releases/latest/download", {0, 65535, 0, 0}, L"Norvane-x86.exe.sig"),
            L"https://h/o/r/releases/download/v0.65535.0/Norvane-x86.exe.sig");
  // The whole base may be the suffix.
  EXPECT_EQ(buildVersionedUrl(L"/latest/download", {1, 0, 0, 0}, L"a"), L"/download/v1.0.0/a");
  EXPECT_TRUE(log_capture::lines().empty());
}

TEST(VersionedUrl, UnknownShapesGiveNothingAndOneLineEachEmptyGivesNothingSilently) {
  log_capture::clear();
  EXPECT_EQ(buildVersionedUrl(L"", {1, 2, 3, 0}, L"x"), L"");
  EXPECT_TRUE(log_capture::lines().empty());
  for (const wchar_t* source : {L"https://h/releases/latest/download/", L"https://h/releases/Latest/Download",
                                L"https://h/releases/latest", L"atest/download"}) {
    EXPECT_EQ(buildVersionedUrl(source, {1, 2, 3, 0}, L"x"), L"") << source;
  }
  EXPECT_EQ(log_capture::lines(), std::vector<std::wstring>(4, kUnknownShape));
}

TEST(HostOfUrl, TakesTheTextBetweenSchemeAndPath) {
  EXPECT_EQ(hostOfUrl(L"https://github.com/o/r/releases/latest/download"), L"github.com");
  EXPECT_EQ(hostOfUrl(L"https://127.0.0.1:47444/api"), L"127.0.0.1:47444");
  EXPECT_EQ(hostOfUrl(L"https://host-only"), L"host-only");
  EXPECT_EQ(hostOfUrl(L"no scheme/at all"), L"no scheme/at all");
  EXPECT_EQ(hostOfUrl(L""), L"");
  EXPECT_EQ(hostOfUrl(L"a://b://c/d"), L"b:");
}

TEST(InstallerAssetName, FollowsTheMachineWidth) {
  EXPECT_STREQ(installerAssetName(64), L"Norvane-x64.exe");
  EXPECT_STREQ(installerAssetName(32), L"Norvane-x86.exe");
}

TEST(ReleaseServers, BothBaseUrlsAreHttpsOnTheDefaultPortOrLoopbackInTestBuilds) {
  for (const std::wstring* url : {&primaryReleaseUrl(), &secondaryReleaseUrl()}) {
    ASSERT_EQ(url->rfind(L"https://", 0), 0u) << *url;
    EXPECT_EQ(url->substr(url->size() - 16), L"/latest/download") << *url;
    const std::wstring host = hostOfUrl(*url);
#ifdef NORVANE_TEST_BUILD
    EXPECT_TRUE(host.rfind(L"localhost:", 0) == 0 || host.rfind(L"127.0.0.1:", 0) == 0) << *url;
#else
    EXPECT_EQ(host.find(L':'), std::wstring::npos) << *url;
#endif
  }
  EXPECT_NE(primaryReleaseUrl().find(L"/releases/latest/download"), std::wstring::npos);
  const std::wstring secondaryPath = L"/api/host/releases/latest/download";
  EXPECT_EQ(secondaryReleaseUrl().substr(secondaryReleaseUrl().size() - secondaryPath.size()), secondaryPath);
}

}  // namespace
