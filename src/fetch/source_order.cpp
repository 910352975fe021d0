#include "fetch/source_order.h"

ReleaseSourceList orderReleaseSources(const std::wstring& primary, const std::wstring& secondary, bool pinnedFirst) {
  ReleaseSourceList sources;
  if (!primary.empty()) sources.push_back(primary);
  if (!secondary.empty()) {
    if (pinnedFirst) {
      sources.insert(sources.begin(), secondary);
    } else {
      sources.push_back(secondary);
    }
  }
  return sources;
}

void promoteSource(ReleaseSourceList& sources, const std::wstring& source) {
  if (source.empty()) return;
  for (size_t i = 1; i < sources.size(); ++i) {
    if (sources[i] == source) {
      std::wstring moved = std::move(sources[i]);
      sources.erase(sources.begin() + std::ptrdiff_t(i));
      sources.insert(sources.begin(), std::move(moved));
      return;
    }
  }
}

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

LastGoodSource& lastGoodSource() {
  static LastGoodSource record;
  return record;
}
