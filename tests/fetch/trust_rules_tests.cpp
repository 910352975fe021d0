#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fetch/trust_rules.h"
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
  bool gotSecureFailure;
  bool gotNotPinned;
};

// A scripted transfer: each call takes the next outcome and records its mode.
struct ScriptedTransfers {
  struct Outcome {
    bool ok;
    bool trustFailure;
  };
  explicit ScriptedTransfers(std::vector<Outcome> script) : outcomes(std::move(script)) {}
  std::vector<Outcome> outcomes;
  std::vector<Attempt> attempts;

  TrustTransfer function() {
    return [this](bool pinned, bool* secureFailureSeen, bool* notPinnedChain) {
      attempts.push_back({pinned, secureFailureSeen != nullptr, notPinnedChain != nullptr});
      const Outcome outcome = outcomes.at(attempts.size() - 1);
      if (notPinnedChain) *notPinnedChain = outcome.trustFailure;
      if (secureFailureSeen && outcome.trustFailure) *secureFailureSeen = true;
      return outcome.ok;
    };
  }
};

TEST(TrustFallback, NormalFirstRetriesPinnedOnlyAfterATlsFailure) {
  log_capture::clear();
  ScriptedTransfers ok({{true, false}});
  EXPECT_TRUE(runWithTrustFallback(false, ok.function()));
  ASSERT_EQ(ok.attempts.size(), 1u);
  EXPECT_FALSE(ok.attempts[0].pinnedMode);
  EXPECT_TRUE(ok.attempts[0].gotSecureFailure);
  EXPECT_FALSE(ok.attempts[0].gotNotPinned);

  ScriptedTransfers notFound({{false, false}});
  EXPECT_FALSE(runWithTrustFallback(false, notFound.function()));
  EXPECT_EQ(notFound.attempts.size(), 1u);
  EXPECT_TRUE(log_capture::lines().empty());

  ScriptedTransfers tls({{false, true}, {false, true}});
  EXPECT_FALSE(runWithTrustFallback(false, tls.function()));
  ASSERT_EQ(tls.attempts.size(), 2u) << "exactly one retry";
  EXPECT_TRUE(tls.attempts[1].pinnedMode);
  EXPECT_FALSE(tls.attempts[1].gotSecureFailure);
  EXPECT_FALSE(tls.attempts[1].gotNotPinned);
  EXPECT_EQ(log_capture::lines(), std::vector<std::wstring>{kRetryPinned});

  ScriptedTransfers rescued({{false, true}, {true, false}});
  EXPECT_TRUE(runWithTrustFallback(false, rescued.function()));
}

TEST(TrustFallback, PinnedFirstRetriesNormalOnlyAfterARejectedChain) {
  log_capture::clear();
  ScriptedTransfers other({{false, false}});
  EXPECT_FALSE(runWithTrustFallback(true, other.function()));
  ASSERT_EQ(other.attempts.size(), 1u);
  EXPECT_TRUE(other.attempts[0].pinnedMode);
  EXPECT_TRUE(other.attempts[0].gotNotPinned);
  EXPECT_FALSE(other.attempts[0].gotSecureFailure);

  ScriptedTransfers rejected({{false, true}, {false, false}});
  EXPECT_FALSE(runWithTrustFallback(true, rejected.function()));
  ASSERT_EQ(rejected.attempts.size(), 2u);
  EXPECT_FALSE(rejected.attempts[1].pinnedMode);
  EXPECT_FALSE(rejected.attempts[1].gotSecureFailure);
  EXPECT_EQ(log_capture::lines(), std::vector<std::wstring>{kRetryNormal});
}

}  // namespace
