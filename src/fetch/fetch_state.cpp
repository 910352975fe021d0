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

void GuardedText::set(const std::wstring& text) {
  std::lock_guard lock(guard_);
  text_ = text;
}

std::wstring GuardedText::get() const {
  std::lock_guard lock(guard_);
  return text_;
}

bool DecidedOnce::get(bool (*decide)()) {
  std::call_once(once_, [&] { value_ = decide(); });
  return value_;
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
