#pragma once

// Integers modulo the group order L = 2^252 + 27742317777372353535851937790883648493,
// as 32-byte little-endian strings. The arithmetic runs in constant time, so
// the signing side may use it with secret scalars.

#include <cstdint>

inline constexpr uint32_t kScalarBytes = 32;

// True when the 32-byte little-endian number is below L. Variable time.
bool scalarIsCanonical(const uint8_t* scalar);

// out = (64-byte little-endian number) mod L.
void scalarReduceWide(uint8_t* out, const uint8_t* wide /* 64 bytes */);

// out = (a * b + c) mod L for 32-byte inputs below 2^256.
void scalarMulAdd(uint8_t* out, const uint8_t* a, const uint8_t* b, const uint8_t* c);
