#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "fetch/fetch_state.h"
#include "fetch/release_sources.h"
#include "support/log_capture.h"

namespace {

const std::wstring kPrimary = L"https://p.example/o/r/releases/latest/download";
const std::wstring kSecondary = L"https://s.example/api/host/releases/latest/download";

TEST(SourceOrder, PrimaryFirstUnlessPinnedRootsComeFirst) {
  EXPECT_EQ(orderReleaseSources(kPrimary, kSecondary, false), (ReleaseSourceList{kPrimary, kSecondary}));
  EXPECT_EQ(orderReleaseSources(kPrimary, kSecondary, true), (ReleaseSourceList{kSecondary, kPrimary}));
  EXPECT_EQ(orderReleaseSources(L"", kSecondary, false), (ReleaseSourceList{kSecondary}));
  EXPECT_EQ(orderReleaseSources(kPrimary, L"", true), (ReleaseSourceList{kPrimary}));
}

TEST(SourceOrder, PromotionMovesOnlyALaterExactMatchToTheFront) {
  ReleaseSourceList list{kPrimary, kSecondary};
  promoteSource(list, kSecondary);
  EXPECT_EQ(list, (ReleaseSourceList{kSecondary, kPrimary}));
  promoteSource(list, kSecondary);  // already first: index 0 is not compared
  EXPECT_EQ(list, (ReleaseSourceList{kSecondary, kPrimary}));

  ReleaseSourceList three{L"a", L"b", L"c"};
  promoteSource(three, L"c");
  EXPECT_EQ(three, (ReleaseSourceList{L"c", L"a", L"b"}));
  for (const wchar_t* other : {L"C", L"", L"c ", L"d"}) {
    ReleaseSourceList unchanged{L"a", L"b", L"c"};
    promoteSource(unchanged, other);
    EXPECT_EQ(unchanged, (ReleaseSourceList{L"a", L"b", L"c"})) << other;
  }
}

}  // namespace

namespace {

const std::wstring kFirst = L"https://first.example/o/r/releases/latest/download";
const std::wstring kSecond = L"https://second.example/api/host/releases/latest/download";
constexpr wchar_t kFirstToSecond[] = L"판올림을 first.example 에서 받지 못해 second.example 에서 받는다";
constexpr wchar_t kNoSignature[] = L"판올림 서명을 받지 못했다";

// Serves bodies by URL; a missing URL fails like a 404. Records every request.
struct FakeServers {
  struct Request {
    std::wstring url;
    uint32_t limit;
    uint32_t timeoutMs;
    bool withProgress;
  };
  std::map<std::wstring, std::string> files;
  std::vector<Request> requests;
  std::atomic<bool>* cancelDuringInstaller = nullptr;

  Downloader downloader() {
    return [this](const DownloadRequest& request, std::vector<uint8_t>& body) {
      const auto& [url, limit, timeoutMs, progress, context] = request;
      requests.push_back({url, limit, timeoutMs, progress != nullptr});
      body.clear();
      auto found = files.find(url);
      if (found == files.end() || found->second.size() > limit) return false;
      if (progress) progress(100, context);
      if (cancelDuringInstaller && limit > 1024) {
        cancelDuringInstaller->store(true);
        return false;
      }
      body.assign(found->second.begin(), found->second.end());
      return true;
    };
  }
};

class SourceWalkTest : public ::testing::Test {
 protected:
  void SetUp() override { log_capture::clear(); }
  std::vector<std::wstring> logged() const { return log_capture::lines(); }
  FakeServers servers;
};

TEST_F(SourceWalkTest, VersionComesFromTheFirstSourceWithSmallLimitsAndNoProgress) {
  servers.files[kFirst + L"/version.txt"] = "1.4.12\n";
  ReleaseVersion version;
  std::wstring servedBy;
  ASSERT_TRUE(fetchVersionFromSources({kFirst, kSecond}, servers.downloader(), version, servedBy));
  EXPECT_EQ(version, (ReleaseVersion{1, 4, 12, 0}));
  EXPECT_EQ(servedBy, kFirst);
  ASSERT_EQ(servers.requests.size(), 1u);
  EXPECT_EQ(servers.requests[0].limit, 64u);
  EXPECT_EQ(servers.requests[0].timeoutMs, 5000u);
  EXPECT_FALSE(servers.requests[0].withProgress);
  EXPECT_TRUE(logged().empty());
}

TEST_F(SourceWalkTest, AnUnparsableOrMissingVersionMovesOnAndSaysSo) {
  for (const char* firstBody : {static_cast<const char*>("v1.2.3"), static_cast<const char*>(nullptr)}) {
    SetUp();
    servers = {};
    if (firstBody) servers.files[kFirst + L"/version.txt"] = firstBody;
    servers.files[kSecond + L"/version.txt"] = "2.0.1";
    ReleaseVersion version;
    std::wstring servedBy;
    ASSERT_TRUE(fetchVersionFromSources({kFirst, kSecond}, servers.downloader(), version, servedBy));
    EXPECT_EQ(version, (ReleaseVersion{2, 0, 1, 0}));
    EXPECT_EQ(servedBy, kSecond);
    EXPECT_EQ(logged(), std::vector<std::wstring>{kFirstToSecond});
  }
}

TEST_F(SourceWalkTest, NoSourceWithAVersionFailsWithoutAFurtherLine) {
  ReleaseVersion version{3, 3, 3, 3};
  std::wstring servedBy;
  EXPECT_FALSE(fetchVersionFromSources({kFirst, kSecond}, servers.downloader(), version, servedBy));
  EXPECT_EQ(version, (ReleaseVersion{3, 3, 3, 3}));
  EXPECT_EQ(servedBy, L"");
  EXPECT_EQ(logged(), std::vector<std::wstring>{kFirstToSecond});
  EXPECT_FALSE(fetchVersionFromSources({}, servers.downloader(), version, servedBy));
}

const ReleaseVersion kVersion{1, 4, 12, 0};
const std::wstring kFirstVersioned = L"https://first.example/o/r/releases/download/v1.4.12/Norvane-x64.exe";
const std::wstring kSecondVersioned = L"https://second.example/api/host/releases/download/v1.4.12/Norvane-x64.exe";

TEST_F(SourceWalkTest, SignatureThenInstallerFromOneSourceWithTheirLimitsAndProgress) {
  servers.files[kFirstVersioned + L".sig"] = std::string(64, 's');
  servers.files[kFirstVersioned] = "MZ installer";
  ReceivedFiles received;
  auto& [signature, installer] = received;
  int32_t lastPercent = -1;
  ProgressCallback store = [](int32_t p, void* c) { *static_cast<int32_t*>(c) = p; };
  ASSERT_TRUE(fetchInstallerFromSources({kFirst, kSecond}, {kVersion, L"Norvane-x64.exe", store, &lastPercent},
                                        servers.downloader(), received));
  EXPECT_EQ(signature.size(), 64u);
  EXPECT_EQ(std::string(installer.begin(), installer.end()), "MZ installer");
  EXPECT_EQ(lastPercent, 100);
  ASSERT_EQ(servers.requests.size(), 2u);
  EXPECT_EQ(servers.requests[0].url, kFirstVersioned + L".sig");
  EXPECT_EQ(servers.requests[0].limit, 1024u);
  EXPECT_EQ(servers.requests[0].timeoutMs, 5000u);
  EXPECT_FALSE(servers.requests[0].withProgress);
  EXPECT_EQ(servers.requests[1].url, kFirstVersioned);
  EXPECT_EQ(servers.requests[1].limit, 67108864u);
  EXPECT_EQ(servers.requests[1].timeoutMs, 60000u);
  EXPECT_TRUE(servers.requests[1].withProgress);
  EXPECT_TRUE(logged().empty());
}

TEST_F(SourceWalkTest, ASignatureOfAnyOtherLengthLeavesTheWholeSource) {
  for (size_t length : {63u, 65u}) {
    SetUp();
    servers = {};
    servers.files[kFirstVersioned + L".sig"] = std::string(length, 's');
    servers.files[kFirstVersioned] = "first";
    servers.files[kSecondVersioned + L".sig"] = std::string(64, 't');
    servers.files[kSecondVersioned] = "second";
    ReceivedFiles received;
  auto& [signature, installer] = received;
    ASSERT_TRUE(fetchInstallerFromSources({kFirst, kSecond}, {kVersion, L"Norvane-x64.exe", nullptr, nullptr},
                                          servers.downloader(), received));
    EXPECT_EQ(std::string(installer.begin(), installer.end()), "second");
    EXPECT_EQ(signature, std::vector<uint8_t>(64, 't'));
    EXPECT_EQ(servers.requests.size(), 3u) << "the first installer is never asked for";
    EXPECT_EQ(logged(), (std::vector<std::wstring>{kNoSignature, kFirstToSecond}));
  }
}

TEST_F(SourceWalkTest, AFailedInstallerMovesToTheNextSourceForBothFiles) {
  servers.files[kFirstVersioned + L".sig"] = std::string(64, 's');
  servers.files[kSecondVersioned + L".sig"] = std::string(64, 't');
  servers.files[kSecondVersioned] = "second";
  ReceivedFiles received;
  auto& [signature, installer] = received;
  ASSERT_TRUE(fetchInstallerFromSources({kFirst, kSecond}, {kVersion, L"Norvane-x64.exe", nullptr, nullptr},
                                        servers.downloader(), received));
  EXPECT_EQ(signature, std::vector<uint8_t>(64, 't'));
  EXPECT_EQ(logged(), std::vector<std::wstring>{kFirstToSecond});
}

TEST_F(SourceWalkTest, ASourceOfUnknownShapeIsSkippedWithOneLinePerFileName) {
  const std::wstring odd = L"https://odd.example/releases";
  servers.files[kSecondVersioned + L".sig"] = std::string(64, 't');
  servers.files[kSecondVersioned] = "second";
  ReceivedFiles received;
  ASSERT_TRUE(fetchInstallerFromSources({odd, kSecond}, {kVersion, L"Norvane-x64.exe", nullptr, nullptr},
                                        servers.downloader(), received));
  const std::wstring shape = L"판올림 주소가 아는 모양이 아니다. 조각을 받지 않는다";
  EXPECT_EQ(logged(), (std::vector<std::wstring>{shape, shape, L"판올림을 odd.example 에서 받지 못해 second.example 에서 받는다"}));
  EXPECT_EQ(servers.requests.size(), 2u);
}

TEST_F(SourceWalkTest, ACancelDuringTheInstallerStopsBeforeTheNextSource) {
  servers.files[kFirstVersioned + L".sig"] = std::string(64, 's');
  servers.files[kFirstVersioned] = "first";
  servers.files[kSecondVersioned + L".sig"] = std::string(64, 't');
  servers.files[kSecondVersioned] = "second";
  std::atomic<bool> cancel{false};
  servers.cancelDuringInstaller = &cancel;
  ScopedCancelHook hook(&cancel);
  ReceivedFiles received;
  EXPECT_FALSE(fetchInstallerFromSources({kFirst, kSecond}, {kVersion, L"Norvane-x64.exe", nullptr, nullptr},
                                         servers.downloader(), received));
  EXPECT_EQ(servers.requests.size(), 2u);
  EXPECT_TRUE(logged().empty());
}

}  // namespace
