#include <gtest/gtest.h>

#include "fetch/fetch_state.h"
#include "fetch/release_sources.h"

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

}  // namespace
