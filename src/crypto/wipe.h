#pragma once

#include <cstddef>

namespace norvane::crypto {

// Overwrites memory in a way the optimizer must keep, for secrets and hash
// state that go out of scope.
void wipeMemory(void* data, size_t length);

}  // namespace norvane::crypto
