#include <gtest/gtest.h>

#include "fetch/fetch_state.h"

namespace {
PartialDownload partialOf(const wchar_t* url, size_t stored, uint64_t total, const wchar_t* validator = L"\"v1\"") {
  return PartialDownload{url, validator, total, std::vector<uint8_t>(stored, 7)};
}
}  // namespace

TEST(ResumeRules, OnlyAStartWithLengthAndValidatorCanBeContinued) {
  EXPECT_TRUE(partialOf(L"u", 60, 100).canContinue());
  EXPECT_FALSE(partialOf(L"u", 0, 100).canContinue());
  EXPECT_FALSE(partialOf(L"u", 100, 100).canContinue());
  EXPECT_FALSE(partialOf(L"u", 60, 0).canContinue());
  EXPECT_FALSE(partialOf(L"u", 60, 100, L"").canContinue());
}

TEST(ResumeRules, OnlyTheExactRestContinues) {
  EXPECT_TRUE(continuesPartial(206, L"bytes 60-99/100", 60, 100));
  EXPECT_FALSE(continuesPartial(200, L"bytes 60-99/100", 60, 100));
  EXPECT_FALSE(continuesPartial(206, L"bytes 0-99/100", 60, 100));
  EXPECT_FALSE(continuesPartial(206, L"bytes 60-98/100", 60, 100));
  EXPECT_FALSE(continuesPartial(206, L"bytes 60-100/101", 60, 100));
  EXPECT_FALSE(continuesPartial(206, L"bytes 60-99/100 ", 60, 100));
  EXPECT_FALSE(continuesPartial(206, L"bytes 60-99/99999999999999999999999", 60, 100));
}

TEST(ResumeRules, OnePartialPerSourceTakenOnlyForItsUrl) {
  KeptPartials kept;
  kept.keep(partialOf(L"https://a:1/download/v1.0.0/x.exe", 10, 100));
  kept.keep(partialOf(L"https://b:2/download/v1.0.0/x.exe", 20, 100));
  kept.keep(partialOf(L"https://a:1/download/v1.0.1/x.exe", 30, 100));  // replaces a's older one

  PartialDownload taken;
  EXPECT_FALSE(kept.take(L"https://a:1/download/v1.0.0/x.exe", taken));
  ASSERT_TRUE(kept.take(L"https://a:1/download/v1.0.1/x.exe", taken));
  EXPECT_EQ(taken.bytes.size(), 30u);
  EXPECT_FALSE(kept.take(L"https://a:1/download/v1.0.1/x.exe", taken));
  ASSERT_TRUE(kept.take(L"https://b:2/download/v1.0.0/x.exe", taken));
  EXPECT_EQ(taken.bytes.size(), 20u);
}
