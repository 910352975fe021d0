#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fetch/transfer_rules.h"
#include "support/log_capture.h"

namespace {

constexpr wchar_t kRetryNormal[] = L"고정 루트가 아닌 사슬이다. 평소대로 한 번 더 묻는다";
constexpr wchar_t kRetryPinned[] = L"보안 연결에 실패해 고정 루트로 한 번 더 확인한다";

RootCheckVerdict verdictOf(ChainFacts facts, std::wstring& message) { return decideRootVerdict(facts, message); }

TEST(RootVerdict, EachCombinationOfPolicyChainStatusAndPinnedMatch) {
  std::wstring message;
  EXPECT_EQ(verdictOf({true, 0, 0, nullptr}, message), RootCheckVerdict::TrustedBySystem);
  EXPECT_EQ(message, L"Windows 가 믿는 루트");
  EXPECT_EQ(verdictOf({true, 0, 0, "ISRG Root X1"}, message), RootCheckVerdict::TrustedBySystem);

  EXPECT_EQ(verdictOf({true, 0, 0x20, "USERTrust RSA Certification Authority"}, message),
            RootCheckVerdict::AcceptedByPinnedRoot);
  EXPECT_EQ(message, L"USERTrust RSA Certification Authority");

  EXPECT_EQ(verdictOf({true, 0, 0x20, nullptr}, message), RootCheckVerdict::Rejected);
  EXPECT_EQ(message, L"사슬 오류 0x00000020, 고정 루트 아님");
  // An untrusted pinned root together with any other chain error is not enough.
  EXPECT_EQ(verdictOf({true, 0, 0x21, "ISRG Root X1"}, message), RootCheckVerdict::Rejected);
  EXPECT_EQ(message, L"사슬 오류 0x00000021, 고정 루트 맞음");
  EXPECT_EQ(verdictOf({true, 0, 0x01000000, nullptr}, message), RootCheckVerdict::Rejected);
  EXPECT_EQ(message, L"사슬 오류 0x01000000, 고정 루트 아님");

  // A host-name mismatch fails the policy even under a pinned root.
  EXPECT_EQ(verdictOf({false, 0x800B010F, 0x20, "ISRG Root X1"}, message), RootCheckVerdict::Rejected);
  EXPECT_EQ(message, L"SSL 정책 실패 (0x800b010f)");
  EXPECT_EQ(verdictOf({false, 0, 0, nullptr}, message), RootCheckVerdict::Rejected);
  EXPECT_EQ(message, L"SSL 정책 실패 (0x00000000)");
}

struct Attempt {
  bool pinnedMode;
};

// A scripted transfer: each call takes the next outcome and records its mode.
// A trust failure is reported as each mode reports it.
struct ScriptedTransfers {
  struct Outcome {
    bool ok;
    bool trustFailure;
  };
  explicit ScriptedTransfers(std::vector<Outcome> script) : outcomes(std::move(script)) {}
  std::vector<Outcome> outcomes;
  std::vector<Attempt> attempts;

  TrustTransfer function() {
    return [this](bool pinned) {
      attempts.push_back({pinned});
      const Outcome outcome = outcomes.at(attempts.size() - 1);
      TransferResult result;
      result.done = outcome.ok;
      (pinned ? result.notPinnedChain : result.secureFailureSeen) = outcome.trustFailure;
      return result;
    };
  }
};

TEST(TrustFallback, NormalFirstRetriesPinnedOnlyAfterATlsFailure) {
  log_capture::clear();
  ScriptedTransfers ok({{true, false}});
  EXPECT_TRUE(runWithTrustFallback(false, ok.function()).done);
  ASSERT_EQ(ok.attempts.size(), 1u);
  EXPECT_FALSE(ok.attempts[0].pinnedMode);

  ScriptedTransfers notFound({{false, false}});
  EXPECT_FALSE(runWithTrustFallback(false, notFound.function()).done);
  EXPECT_EQ(notFound.attempts.size(), 1u);
  EXPECT_TRUE(log_capture::lines().empty());

  ScriptedTransfers tls({{false, true}, {false, true}});
  EXPECT_FALSE(runWithTrustFallback(false, tls.function()).done);
  ASSERT_EQ(tls.attempts.size(), 2u) << "exactly one retry";
  EXPECT_TRUE(tls.attempts[1].pinnedMode);
  EXPECT_EQ(log_capture::lines(), std::vector<std::wstring>{kRetryPinned});

  ScriptedTransfers rescued({{false, true}, {true, false}});
  EXPECT_TRUE(runWithTrustFallback(false, rescued.function()).done);
}

TEST(TrustFallback, PinnedFirstRetriesNormalOnlyAfterARejectedChain) {
  log_capture::clear();
  ScriptedTransfers other({{false, false}});
  EXPECT_FALSE(runWithTrustFallback(true, other.function()).done);
  ASSERT_EQ(other.attempts.size(), 1u);
  EXPECT_TRUE(other.attempts[0].pinnedMode);

  ScriptedTransfers rejected({{false, true}, {false, false}});
  EXPECT_FALSE(runWithTrustFallback(true, rejected.function()).done);
  ASSERT_EQ(rejected.attempts.size(), 2u);
  EXPECT_FALSE(rejected.attempts[1].pinnedMode);
  EXPECT_EQ(log_capture::lines(), std::vector<std::wstring>{kRetryNormal});
}

}  // namespace
