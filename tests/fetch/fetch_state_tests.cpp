#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "fetch/fetch_state.h"

namespace {
const std::wstring kPrimary = L"https://p.example/o/r/releases/latest/download";
const std::wstring kSecondary = L"https://s.example/api/host/releases/latest/download";

PartialDownload partialOf(const wchar_t* url, size_t stored, uint64_t total) {
  return PartialDownload{url, L"\"v1\"", total, stored, nullptr};
}
}  // namespace

TEST(LastGoodSourceRecord, IsUsedForLessThanFiveMinutes) {
  LastGoodSource record;
  EXPECT_EQ(record.recent(1000), L"");
  record.remember(kSecondary, 1000);
  EXPECT_EQ(record.recent(1000), kSecondary);
  EXPECT_EQ(record.recent(1000 + 299999), kSecondary);
  EXPECT_EQ(record.recent(1000 + 300000), L"");
  record.remember(kPrimary, 5000);
  EXPECT_EQ(record.recent(5001), kPrimary);
}

TEST(LastGoodSourceRecord, AClockThatSeemsToGoBackCountsAsOld) {
  LastGoodSource record;
  record.remember(kSecondary, 10000);
  EXPECT_EQ(record.recent(9999), L"");
}

TEST(ResumeRules, OnePartialPerSourceTakenOnlyForItsUrl) {
  KeptPartials kept;
  kept.keep(partialOf(L"https://a:1/download/v1.0.0/x.exe", 10, 100));
  kept.keep(partialOf(L"https://b:2/download/v1.0.0/x.exe", 20, 100));
  kept.keep(partialOf(L"https://a:1/download/v1.0.1/x.exe", 30, 100));  // replaces a's older one

  PartialDownload taken;
  EXPECT_FALSE(kept.take(L"https://a:1/download/v1.0.0/x.exe", taken));
  ASSERT_TRUE(kept.take(L"https://a:1/download/v1.0.1/x.exe", taken));
  EXPECT_EQ(taken.stored, 30u);
  EXPECT_FALSE(kept.take(L"https://a:1/download/v1.0.1/x.exe", taken));
  ASSERT_TRUE(kept.take(L"https://b:2/download/v1.0.0/x.exe", taken));
  EXPECT_EQ(taken.stored, 20u);
  kept.keep(partialOf(L"https://a:1/download/v1.0.1/x.exe", 30, 100));
  kept.release();  // once staged
  EXPECT_FALSE(kept.take(L"https://a:1/download/v1.0.1/x.exe", taken));
}

TEST(ProxyRules, RoutesAreKeptPerHostName) {
  ProxyRoutes routes;
  std::vector<std::wstring> looked{L"unset"};
  EXPECT_FALSE(routes.lookedUp(L"a.corp", looked));
  routes.rememberLookup(L"a.corp", {});  // looked up: nothing, also after a look-up ran out of time
  ASSERT_TRUE(routes.lookedUp(L"a.corp", looked));
  EXPECT_TRUE(looked.empty());
  routes.rememberWorking(L"a.corp", L"p:1");
  EXPECT_EQ(routes.working(L"a.corp"), L"p:1");
  EXPECT_EQ(routes.working(L"b.corp"), L"");  // another host, perhaps on the bypass list, goes its own way
  routes.rememberWorking(L"a.corp", L"");
  EXPECT_EQ(routes.working(L"a.corp"), L"");
}

TEST(CancelHook, OnlyTheHookedThreadSeesTheFlagAndOnlyWhileHooked) {
  std::atomic<bool> cancel{true};
  EXPECT_FALSE(isFetchCancelled());
  {
    ScopedCancelHook hook(&cancel);
    EXPECT_TRUE(isFetchCancelled());
    bool otherThreadSaw = true;
    std::thread([&] { otherThreadSaw = isFetchCancelled(); }).join();
    EXPECT_FALSE(otherThreadSaw);
    cancel.store(false);
    EXPECT_FALSE(isFetchCancelled());
    cancel.store(true);
  }
  EXPECT_FALSE(isFetchCancelled()) << "the hook is gone after the scope";
}
