#pragma once

#include <cstdint>

#include "crypto/edwards25519.h"

// [k]B for any 256-bit little-endian k, in constant time: the same sequence
// of operations and memory accesses whatever k is, for secret scalars.
void fixedBaseMultConstantTime(PointExtended& r, const uint8_t* scalar /* 32 bytes */);
