#include "fetch/fetch_state.h"

#include "fetch/release_urls.h"

namespace {
thread_local const std::atomic<bool>* cancelHook = nullptr;
}  // namespace

void LastGoodSource::remember(const std::wstring& source, uint64_t nowMs) {
  std::lock_guard lock(guard_);
  source_ = source;
  stampMs_ = nowMs;
}

std::wstring LastGoodSource::recent(uint64_t nowMs) const {
  std::lock_guard lock(guard_);
  // Unsigned difference: a stamp from the "future" is simply very old.
  if (source_.empty() || nowMs - stampMs_ >= kLifetimeMs) return {};
  return source_;
}

void KeptPartials::keep(PartialDownload&& partial) {
  std::lock_guard lock(guard_);
  const std::wstring source = hostOfUrl(partial.url);
  for (PartialDownload& entry : kept_) {
    if (hostOfUrl(entry.url) == source) {
      entry = std::move(partial);
      return;
    }
  }
  kept_.push_back(std::move(partial));
}

bool KeptPartials::take(const std::wstring& url, PartialDownload& partial) {
  std::lock_guard lock(guard_);
  for (auto entry = kept_.begin(); entry != kept_.end(); ++entry) {
    if (entry->url == url) {
      partial = std::move(*entry);
      kept_.erase(entry);
      return true;
    }
  }
  return false;
}

void KeptPartials::release() {
  std::lock_guard lock(guard_);
  std::vector<PartialDownload>().swap(kept_);
}

bool ProxyRoutes::lookedUp(const std::wstring& host, std::vector<std::wstring>& routes) const {
  std::lock_guard lock(guard_);
  const auto found = lookedUp_.find(host);
  if (found == lookedUp_.end()) return false;
  routes = found->second;
  return true;
}

void ProxyRoutes::rememberLookup(const std::wstring& host, const std::vector<std::wstring>& routes) {
  std::lock_guard lock(guard_);
  lookedUp_[host] = routes;
}

std::wstring ProxyRoutes::working(const std::wstring& host) const {
  std::lock_guard lock(guard_);
  const auto found = working_.find(host);
  return found == working_.end() ? std::wstring() : found->second;
}

void ProxyRoutes::rememberWorking(const std::wstring& host, const std::wstring& proxy) {
  std::lock_guard lock(guard_);
  if (proxy.empty()) {
    working_.erase(host);
  } else {
    working_[host] = proxy;
  }
}

bool SeenNames::firstTime(const std::wstring& name) {
  std::lock_guard lock(guard_);
  return seen_.insert(name).second;
}

FetchState& fetchState() {
  static FetchState state;
  return state;
}

ScopedCancelHook::ScopedCancelHook(const std::atomic<bool>* cancelFlag) { cancelHook = cancelFlag; }

ScopedCancelHook::~ScopedCancelHook() { cancelHook = nullptr; }

bool isFetchCancelled() { return cancelHook != nullptr && cancelHook->load(); }
