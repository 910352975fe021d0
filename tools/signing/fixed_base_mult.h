#pragma once

#include <cstdint>

#include "crypto/edwards25519.h"

namespace norvane::signing {

// [k]B for any 256-bit little-endian k, in constant time: the same sequence
// of operations and memory accesses whatever k is, for secret scalars.
void fixedBaseMultConstantTime(norvane::crypto::PointExtended& r, const uint8_t* scalar /* 32 bytes */);

}  // namespace norvane::signing
