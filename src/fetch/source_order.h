#pragma once
// Which release server is asked first.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// Base URLs, index 0 first; at most two.
using ReleaseSourceList = std::vector<std::wstring>;

// Primary then secondary; the secondary first when chains are checked
// against the pinned roots first (systems without ISRG Root X1). Empty URLs
// are left out.
ReleaseSourceList orderReleaseSources(const std::wstring& primary, const std::wstring& secondary, bool pinnedFirst);

// Moves the first entry after index 0 that equals `source` (case-sensitive)
// to the front; the others keep their order.
void promoteSource(ReleaseSourceList& sources, const std::wstring& source);

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

LastGoodSource& lastGoodSource();
