#include "fetch/pinned_trust.h"
#include "fetch/proxy_rules.h"
#include "fetch/transfer.h"
#include "fetch/transfer_limits.h"
#include "fetch/user_proxy.h"
#include "host/log.h"

namespace {

constexpr wchar_t kThroughUserProxy[] = L"사용자 프록시로 다시 묻는다: %s";

// One transfer in one trust mode: through the proxy that already worked, or
// directly and, after a failure that a proxy explains, once more through the
// user's proxy.
bool transferWithUserProxy(TransferRoute& route, const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                           std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext,
                           bool pinnedMode, bool* secureFailureSeen, bool* notPinnedChain) {
  route.proxy = workingProxy().get();
  const bool knownProxy = !route.proxy.empty();
  if (transferAlong(route, url, limit, receiveTimeoutMs, body, progress, progressContext, pinnedMode,
                    secureFailureSeen, kMaxRedirects, notPinnedChain)) {
    return true;
  }
  if (knownProxy || route.answered || !couldProxyExplain(route.exchangeError) || isFetchCancelled()) return false;
  route.proxy = userProxyFor(url);
  if (route.proxy.empty()) return false;
  writeLog(kThroughUserProxy, route.proxy.c_str());
  if (!transferAlong(route, url, limit, receiveTimeoutMs, body, progress, progressContext, pinnedMode,
                     secureFailureSeen, kMaxRedirects, notPinnedChain)) {
    return false;
  }
  workingProxy().remember(route.proxy);
  return true;
}

}  // namespace

bool downloadWithTrustFallback(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                               std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext) {
  PartialDownload kept;
  keptPartials().take(url, kept);
  TransferRoute route;
  route.partial = &kept;
  const bool done =
      runWithTrustFallback(pinnedRootsFirst(), [&](bool pinnedMode, bool* secureFailureSeen, bool* notPinnedChain) {
        return transferWithUserProxy(route, url, limit, receiveTimeoutMs, body, progress, progressContext,
                                     pinnedMode, secureFailureSeen, notPinnedChain);
      });
  if (done || isFetchCancelled()) return done;
  // A body that broke off is kept for a later attempt, or the older bytes
  // when this one never got as far as an answer about them.
  if (route.bodyBrokeOff) {
    PartialDownload broken{url, route.validator, route.total, std::move(body)};
    if (broken.canContinue()) keptPartials().keep(std::move(broken));
  } else if (kept.canContinue()) {
    keptPartials().keep(std::move(kept));
  }
  return false;
}
