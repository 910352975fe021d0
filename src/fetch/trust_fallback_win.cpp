#include "fetch/pinned_trust.h"
#include "fetch/transfer.h"
#include "fetch/transfer_limits.h"

bool downloadWithTrustFallback(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                               std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext) {
  return runWithTrustFallback(pinnedRootsFirst(), [&](bool pinnedMode, bool* secureFailureSeen, bool* notPinnedChain) {
    return downloadToMemory(url, limit, receiveTimeoutMs, body, progress, progressContext, pinnedMode,
                            secureFailureSeen, kMaxRedirects, notPinnedChain);
  });
}
