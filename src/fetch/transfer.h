#pragma once
// One HTTPS GET into memory, and every network fetch built on it: the retry
// in the other trust mode, the user's proxy and the continuation of a body
// that broke off. Implemented with WinHTTP; the rules are in transfer_rules.h.
#include <cstdint>
#include <string>
#include <vector>

#include "fetch/transfer_rules.h"

// Per request: what the status callback learnt, read by the transfer after
// WinHttpSendRequest and WinHttpReceiveResponse have returned.
struct TransferContext {
  std::wstring connectedHost;  // the host the request was opened for
  bool pinnedMode = false;
  uint32_t certificatesChecked = 0;
  bool pinCheckFailed = false;
  bool secureFailureSeen = false;
  std::wstring failureDetail;  // host + ": " + reason when the pin check rejected
};

// One transfer as asked; see TransferRequest.
TransferResult downloadToMemory(const TransferRequest& request);

// Every network fetch: one transfer in the preferred mode and, after a trust
// failure, one in the other. Each goes once more through the user's proxy
// when it failed in a way a proxy explains, and continues the bytes kept from
// an earlier broken-off download of the same URL.
bool downloadWithTrustFallback(const DownloadRequest& request, std::vector<uint8_t>& body);
