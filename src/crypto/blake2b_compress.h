#pragma once

// The BLAKE2b compression function F (RFC 7693, 3.2).

#include <cstdint>

namespace norvane::crypto {

struct Blake2bBlockCounter {
  uint64_t low, high;
};

void blake2bCompressPortable(uint64_t state[8], const uint8_t* block, Blake2bBlockCounter counter, bool lastBlock);

}  // namespace norvane::crypto
