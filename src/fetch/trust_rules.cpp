#include "fetch/trust_rules.h"

#include "host/log.h"

namespace {
constexpr wchar_t kRetryNormal[] = L"고정 루트가 아닌 사슬이다. 평소대로 한 번 더 묻는다";
constexpr wchar_t kRetryPinned[] = L"보안 연결에 실패해 고정 루트로 한 번 더 확인한다";

std::wstring widened(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p; ++p) wide += wchar_t(static_cast<unsigned char>(*p));
  return wide;
}

void bounded(std::wstring& message) {
  if (message.size() > kVerdictMessageChars - 1) message.resize(kVerdictMessageChars - 1);
}
}  // namespace

std::wstring hex32(uint32_t value) {
  static constexpr wchar_t kDigits[] = L"0123456789abcdef";
  std::wstring text = L"0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
  return text;
}

RootCheckVerdict decideRootVerdict(const ChainFacts& facts, std::wstring& message) {
  RootCheckVerdict verdict = RootCheckVerdict::Rejected;
  if (!facts.policyPassed) {
    message = L"SSL 정책 실패 (" + hex32(facts.policyError) + L")";
  } else if (facts.chainErrorStatus == 0) {
    message = L"Windows 가 믿는 루트";
    verdict = RootCheckVerdict::TrustedBySystem;
  } else if (facts.chainErrorStatus == kChainUntrustedRoot && facts.matchedRootName != nullptr) {
    message = widened(facts.matchedRootName);
    verdict = RootCheckVerdict::AcceptedByPinnedRoot;
  } else {
    message = L"사슬 오류 " + hex32(facts.chainErrorStatus) + L", 고정 루트 " +
              (facts.matchedRootName != nullptr ? L"맞음" : L"아님");
  }
  bounded(message);
  return verdict;
}

bool runWithTrustFallback(bool pinnedFirst, const TrustTransfer& transfer) {
  if (pinnedFirst) {
    bool notPinnedChain = false;
    if (transfer(true, nullptr, &notPinnedChain)) return true;
    if (!notPinnedChain) return false;
    writeLog(kRetryNormal);
    return transfer(false, nullptr, nullptr);
  }
  bool secureFailureSeen = false;
  if (transfer(false, &secureFailureSeen, nullptr)) return true;
  if (!secureFailureSeen) return false;
  writeLog(kRetryPinned);
  return transfer(true, nullptr, nullptr);
}
