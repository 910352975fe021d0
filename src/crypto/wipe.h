#pragma once

#include <cstddef>

// Overwrites memory in a way the optimizer must keep, for secrets and hash
// state that go out of scope.
void wipeMemory(void* data, size_t length);
