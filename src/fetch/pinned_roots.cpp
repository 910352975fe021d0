#include "fetch/pinned_roots.h"

#include <cstring>

#ifdef NORVANE_TEST_BUILD
#include <cstdio>
#include <cstdlib>
#include <vector>
#endif

namespace {
#ifdef NORVANE_TEST_BUILD
constexpr size_t kMaxTestRootBytes = 16384;

struct TestRows {
  std::vector<uint8_t> der;
  std::vector<PinnedRoot> rows;
};

bool readTestRoot(const char* path, std::vector<uint8_t>& der) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  uint8_t buffer[kMaxTestRootBytes];
  const size_t length = std::fread(buffer, 1, sizeof buffer, file);
  std::fclose(file);
  if (length == 0 || length == sizeof buffer) return false;
  der.assign(buffer, buffer + length);
  return true;
}

const TestRows& testRows() {
  static const TestRows rows = [] {
    TestRows made;
    made.rows.assign(PinnedRootTable, PinnedRootTable + kPinnedRootCount);
    const char* path = std::getenv("NORVANE_TEST_PINNED_ROOT");
    if (path != nullptr && *path != '\0' && readTestRoot(path, made.der)) {
      made.rows.push_back({"Norvane Test Root", made.der.data(), uint32_t(made.der.size()), ""});
    }
    return made;
  }();
  return rows;
}
#endif
}  // namespace

std::span<const PinnedRoot> pinnedRootRows() {
#ifdef NORVANE_TEST_BUILD
  return testRows().rows;
#else
  return {PinnedRootTable, kPinnedRootCount};
#endif
}

int matchPinnedRoot(const uint8_t* der, size_t length) {
  if (der == nullptr) return -1;
  const std::span<const PinnedRoot> rows = pinnedRootRows();
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].length == length && std::memcmp(rows[i].certificate, der, length) == 0) return int(i);
  }
  return -1;
}
