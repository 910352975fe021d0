#pragma once
// The trust decisions, apart from CryptoAPI and WinHTTP: what a built chain
// and the SSL policy result mean, and when a fetch is retried in the other
// trust mode.
#include <cstdint>
#include <functional>
#include <string>

enum class RootCheckVerdict { TrustedBySystem = 0, AcceptedByPinnedRoot = 1, Rejected = 2 };

inline constexpr uint32_t kChainUntrustedRoot = 0x00000020;  // CERT_TRUST_IS_UNTRUSTED_ROOT
inline constexpr size_t kVerdictMessageChars = 96;

// What CryptoAPI said about one server chain.
struct ChainFacts {
  bool policyPassed = false;      // CertVerifyCertificateChainPolicy succeeded with error 0
  uint32_t policyError = 0;       // its status error; 0 when the call itself failed
  uint32_t chainErrorStatus = 0;  // the chain's trust error status
  const char* matchedRootName = nullptr;  // the pinned row byte-identical to the top certificate
};

// A chain passes when the policy passed and it is either fully trusted or its
// only error is an untrusted root that is one of the pinned ones.
RootCheckVerdict decideRootVerdict(const ChainFacts& facts, std::wstring& message);

// "0x" and eight lowercase hex digits, as "0x%08lx" prints.
std::wstring hex32(uint32_t value);

// One transfer in the given mode. Normal mode passes secureFailureSeen,
// pinned mode passes notPinnedChain; the other one is null.
using TrustTransfer = std::function<bool(bool pinnedMode, bool* secureFailureSeen, bool* notPinnedChain)>;

// At most two transfers: the first in the preferred mode and, only when it
// failed for a trust reason, one in the other mode.
bool runWithTrustFallback(bool pinnedFirst, const TrustTransfer& transfer);
