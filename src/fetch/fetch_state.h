#pragma once
// Everything the fetch path keeps beyond one call: what outlives a fetch
// attempt (the process-wide FetchState) and how the user's cancel request
// reaches the transfers (a thread-local hook). Nothing here is held across a
// network request; each record has its own guard.
#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "fetch/transfer_rules.h"

// The base URL that last served a parsable version.txt, trusted for the
// installer fetch for five minutes.
class LastGoodSource {
 public:
  static constexpr uint64_t kLifetimeMs = 300000;

  void remember(const std::wstring& source, uint64_t nowMs);
  // The remembered source while younger than kLifetimeMs, else empty.
  std::wstring recent(uint64_t nowMs) const;

 private:
  mutable std::mutex guard_;
  std::wstring source_;
  uint64_t stampMs_ = 0;
};

// At most one partial download per release source (the host and port of its
// URL). A new one of the same source replaces the old.
class KeptPartials {
 public:
  void keep(PartialDownload&& partial);
  // Moves out the partial kept for exactly this URL; false when there is none.
  bool take(const std::wstring& url, PartialDownload& partial);
  // Frees every kept body: once a file is staged none of them is needed.
  void release();

 private:
  std::mutex guard_;
  std::vector<PartialDownload> kept_;
};

// Per host name of a release URL: the routes that the user's settings gave,
// looked up at most once per run, and the proxy that carried a transfer.
// Routes are "host:port" of a proxy, empty for the direct route.
class ProxyRoutes {
 public:
  // True with `routes` filled when this host was looked up before.
  bool lookedUp(const std::wstring& host, std::vector<std::wstring>& routes) const;
  void rememberLookup(const std::wstring& host, const std::vector<std::wstring>& routes);
  // The proxy that last carried a transfer to this host; empty when none did.
  std::wstring working(const std::wstring& host) const;
  // An empty proxy forgets the host's working proxy.
  void rememberWorking(const std::wstring& host, const std::wstring& proxy);

 private:
  mutable std::mutex guard_;
  std::map<std::wstring, std::vector<std::wstring>> lookedUp_;
  std::map<std::wstring, std::wstring> working_;
};

// A value decided by its first reader and kept.
template <typename Value>
class DecidedOnce {
 public:
  Value get(Value (*decide)()) {
    std::call_once(once_, [&] { value_ = decide(); });
    return value_;
  }

 private:
  std::once_flag once_;
  Value value_{};
};

// Names seen before, so that something is logged once per name.
class SeenNames {
 public:
  // True the first time `name` is offered.
  bool firstTime(const std::wstring& name);

 private:
  std::mutex guard_;
  std::set<std::wstring> seen_;
};

// The fetch path's state for the whole process; it starts empty and is never
// reset, so a retry or a second fetch reuses it.
struct FetchState {
  // Written by fetchReleaseVersion when a source served a parsable
  // version.txt; read when the installer fetch orders its sources.
  LastGoodSource lastGoodSource;
  // Written by downloadWithTrustFallback when a download broke off (or left
  // its older bytes unused); taken by the next download of the same URL;
  // released once the installer is staged.
  KeptPartials keptPartials;
  // Per host: the user's proxy routes, written by the first look-up for it
  // (also when it ran out of time); and the proxy that carried a transfer,
  // written once it answered and tried first by every later transfer to
  // that host, forgotten when the direct route then answers again.
  ProxyRoutes proxyRoutes;
  // Whether chains are checked against the pinned roots first (systems
  // before Windows 8 without ISRG Root X1); decided by the first caller of
  // pinnedRootsFirst.
  DecidedOnce<bool> pinnedRootsFirst;
  // The pinned roots in an in-memory certificate store (an HCERTSTORE), made
  // by the first pinned check and left to process exit; null when it could
  // not be opened, and chains are then built without them.
  DecidedOnce<void*> pinnedRootStore;
  // Hosts whose pinned acceptance was logged, written by the pinned check.
  SeenNames pinnedHostsLogged;
};

FetchState& fetchState();

// The user's cancel flag reaches the transfers and proxy look-ups of
// fetchReleaseVersion and fetchInstaller through a thread-local hook instead
// of through every call. Null (the default on every thread) means no cancel
// request can arrive.
// Sets the hook for its lifetime and clears it on every way out.
class ScopedCancelHook {
 public:
  explicit ScopedCancelHook(const std::atomic<bool>* cancelFlag);
  ~ScopedCancelHook();
  ScopedCancelHook(const ScopedCancelHook&) = delete;
  ScopedCancelHook& operator=(const ScopedCancelHook&) = delete;
};

// True while a ScopedCancelHook is set on this thread and its flag is set.
bool isFetchCancelled();
