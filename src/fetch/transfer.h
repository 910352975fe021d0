#pragma once
// One HTTPS GET into memory, and the fetch that retries it once in the other
// trust mode. Win32 (WinHTTP).
#include <cstdint>
#include <string>
#include <vector>

#include "fetch/fetch.h"
#include "fetch/resume_rules.h"

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

// What a transfer may do beyond the plain request, and what it tells the
// fallbacks around it.
struct TransferRoute {
  std::wstring proxy;                 // "host:port" of a named proxy; empty: WinHTTP's default setting
  PartialDownload* partial = nullptr;  // bytes to ask the rest for; emptied once answered
  // Filled by the transfer:
  uint32_t exchangeError = 0;  // the error of a failed send or receive, before any response
  bool answered = false;       // a response arrived, whatever its status
  bool bodyBrokeOff = false;   // the body ended early; what arrived is in the body
  std::wstring validator;      // the response's ETag, else its Last-Modified
  uint64_t total = 0;          // the whole file's declared length
};

// downloadToMemory along a route.
bool transferAlong(TransferRoute& route, const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                   std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext, bool pinnedMode,
                   bool* secureFailureSeen, int32_t redirectsLeft, bool* notPinnedChain);

// Every network fetch: one transfer in the preferred mode and, after a trust
// failure, one in the other. Each goes once more through the user's proxy
// when it failed in a way a proxy explains, and continues the bytes kept from
// an earlier broken-off download of the same URL.
bool downloadWithTrustFallback(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                               std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext);
