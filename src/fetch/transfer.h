#pragma once
// One HTTPS GET into memory, and the fetch that retries it once in the other
// trust mode. Win32 (WinHTTP).
#include <cstdint>
#include <string>
#include <vector>

#include "fetch/fetch.h"

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

// Normal mode: the system's TLS checks decide and WinHTTP follows redirects.
// Pinned mode: unknown roots pass the handshake, every server certificate is
// checked against the pinned roots before the body is read, and each redirect
// (at most redirectsLeft) is a new checked transfer.
bool downloadToMemory(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs, std::vector<uint8_t>& body,
                      ProgressCallback progress, void* progressContext, bool pinnedMode, bool* secureFailureSeen,
                      int32_t redirectsLeft, bool* notPinnedChain);

// Every network fetch: one transfer in the preferred mode and, after a trust
// failure, one in the other.
bool downloadWithTrustFallback(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                               std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext);
