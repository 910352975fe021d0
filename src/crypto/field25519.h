#pragma once

// Field arithmetic modulo p = 2^255 - 19 for the edwards25519 group. The
// ten-limb form is the portable one (it is what the 32-bit product runs); the
// 51-bit form is a faster equivalent where the compiler has 128-bit integers.
// NORVANE_CRYPTO_PORTABLE forces the ten-limb form so that tests cover it on
// 64-bit hosts too.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#if defined(__SIZEOF_INT128__) && !defined(NORVANE_CRYPTO_PORTABLE)
#include "crypto/field25519_radix51.h"
#else
#include "crypto/field25519_radix25.h"
#endif

inline constexpr uint32_t kFieldElementBytes = 32;

inline FieldElement feZero() { return FieldElement{}; }

inline FieldElement feOne() {
  FieldElement one{};
  one.limb[0] = 1;
  return one;
}

// Replaces f by g when select is 1, keeps f when it is 0, without branching.
inline void feConditionalMove(FieldElement& f, const FieldElement& g, uint32_t select) {
  using Limb = std::remove_reference_t<decltype(f.limb[0])>;
  const Limb mask = static_cast<Limb>(-static_cast<int64_t>(select & 1));
  for (size_t i = 0; i < sizeof f.limb / sizeof f.limb[0]; ++i) {
    f.limb[i] = static_cast<Limb>(f.limb[i] ^ (mask & (f.limb[i] ^ g.limb[i])));
  }
}

bool feIsZero(const FieldElement& f);
bool feIsNegative(const FieldElement& f);  // lowest bit of the canonical value
bool feEqual(const FieldElement& f, const FieldElement& g);
void feInvert(FieldElement& out, const FieldElement& z);   // z^(p-2)
void fePow2523(FieldElement& out, const FieldElement& z);  // z^((p-5)/8)
