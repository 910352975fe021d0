#pragma once
// The six root certificates that a server chain may end in even when the
// system does not trust them.
#include <cstddef>
#include <cstdint>
#include <span>

struct PinnedRoot {
  const char* name;          // common name, for log lines
  const uint8_t* certificate;  // DER, byte for byte as published
  uint32_t length;
  const char* fingerprint;   // SHA-256 of the DER, uppercase hex; identifies the row
};

inline constexpr size_t kPinnedRootCount = 6;
// Row 0 is ISRG Root X1, whose presence on the system is tested.
extern const PinnedRoot PinnedRootTable[kPinnedRootCount];

// The rows that chains are matched against, in order: the table, and in test
// builds the test CA named by NORVANE_TEST_PINNED_ROOT (a DER file) after it.
std::span<const PinnedRoot> pinnedRootRows();

// Index into pinnedRootRows() of the first row byte-identical to `der`, or -1.
int matchPinnedRoot(const uint8_t* der, size_t length);
