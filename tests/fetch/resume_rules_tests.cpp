#include <gtest/gtest.h>

#include "fetch/fetch_state.h"

namespace {
PartialDownload partialOf(const wchar_t* url, size_t stored, uint64_t total, const wchar_t* validator = L"\"v1\"") {
  return PartialDownload{url, validator, total, stored, nullptr};
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
  // The range fits the kept start and its own total, but the file is no longer the first answer's length.
  EXPECT_FALSE(continuesPartial(206, L"bytes 60-99/100", 60, 120));
}

TEST(ResumeRules, AnAnswerThatDoesNotContinueDropsTheKeptBytes) {
  const PartialDownload kept = partialOf(L"u", 60, 100);
  const ResponseValidators same{L"\"v1\"", L"", L""};
  EXPECT_EQ(judgeContinuation(206, L"bytes 60-99/100", same, kept), ContinuationAnswer::Continues);
  EXPECT_EQ(judgeContinuation(200, L"", same, kept), ContinuationAnswer::WholeFile);
  // The file shrank, or the server ignores If-Range: ask for the whole file again.
  EXPECT_EQ(judgeContinuation(416, L"bytes */40", same, kept), ContinuationAnswer::AskAgain);
  EXPECT_EQ(judgeContinuation(206, L"bytes 60-99/100", {L"\"v2\"", L"", L""}, kept), ContinuationAnswer::AskAgain);
  EXPECT_EQ(judgeContinuation(206, L"bytes 0-99/100", same, kept), ContinuationAnswer::AskAgain);
  EXPECT_EQ(judgeContinuation(404, L"", same, kept), ContinuationAnswer::Refused);
}

TEST(ResumeRules, OnlyStrongValidatorsAreSentWithIfRange) {
  const wchar_t* date = L"Sun, 06 Nov 1994 08:50:37 GMT";
  EXPECT_EQ(resumeValidator({L"\"v1\"", L"", L""}), L"\"v1\"");
  EXPECT_EQ(resumeValidator({L"W/\"v1\"", L"", date}), L"");
  for (const wchar_t* notQuoted : {L"v1", L"\"v1", L"v1\"", L"\"", L"\"a\"b\""}) {
    EXPECT_EQ(resumeValidator({notQuoted, L"", L""}), L"") << notQuoted;
  }
  // Last-Modified is strong only a full minute before the answer's Date, in any of the three forms.
  EXPECT_EQ(resumeValidator({L"W/\"v1\"", L"Sun, 06 Nov 1994 08:49:37 GMT", date}), L"Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(resumeValidator({L"v1", L"Sunday, 06-Nov-94 08:49:37 GMT", date}), L"Sunday, 06-Nov-94 08:49:37 GMT");
  EXPECT_EQ(resumeValidator({L"", L"Sun Nov  6 08:49:37 1994", date}), L"Sun Nov  6 08:49:37 1994");
  EXPECT_EQ(resumeValidator({L"", L"Sun, 06 Nov 1994 08:49:38 GMT", date}), L"");
  EXPECT_EQ(resumeValidator({L"", L"Sun, 06 Nov 1994 08:49:37 GMT", L""}), L"");
  EXPECT_EQ(resumeValidator({L"", L"yesterday", date}), L"");
  int64_t seconds = 0;
  ASSERT_TRUE(parseHttpDate(L"Thu, 01 Jan 1970 00:00:00 GMT", seconds));
  EXPECT_EQ(seconds, 0);
  ASSERT_TRUE(parseHttpDate(L"Tue, 29 Feb 2028 23:59:59 GMT", seconds));
  EXPECT_EQ(seconds, 1835481599);
  for (const wchar_t* bad : {L"Sun, 06 Nov 1994 08:49:37", L"Sun, 06 Foo 1994 08:49:37 GMT",
                             L"Sun, 32 Nov 1994 08:49:37 GMT", L"Sun, 06 Nov 1994 24:00:00 GMT", L""}) {
    EXPECT_FALSE(parseHttpDate(bad, seconds)) << bad;
  }
}

TEST(ResumeRules, A206OfAnotherValidatorIsAnotherFile) {
  const wchar_t* modified = L"Sun, 06 Nov 1994 08:49:37 GMT";
  EXPECT_TRUE(sameEntityAsKept(L"\"v1\"", {L"\"v1\"", L"", L""}));
  EXPECT_FALSE(sameEntityAsKept(L"\"v1\"", {L"\"v2\"", modified, L""}));
  EXPECT_FALSE(sameEntityAsKept(L"\"v1\"", {L"", L"", L""}));
  EXPECT_TRUE(sameEntityAsKept(modified, {L"\"any\"", modified, L""}));
  EXPECT_FALSE(sameEntityAsKept(modified, {L"\"any\"", L"Sun, 06 Nov 1994 08:49:38 GMT", L""}));
  EXPECT_FALSE(sameEntityAsKept(modified, {L"\"any\"", L"", L""}));
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
