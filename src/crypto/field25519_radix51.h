#pragma once

// Arithmetic modulo p = 2^255 - 19 with five unsigned 51-bit limbs and 128-bit
// products. Only for compilers with a native 128-bit integer (64-bit GCC and
// Clang); everything else uses the ten-limb form.
//
// "Reduced" means limbs below about 2^51 + 2^14, as feMul, feSquare, feSub and
// feFromBytes leave them. feAdd does not reduce; operands of feMul and
// feSquare may be sums of up to three reduced values, and the subtrahend of
// feSub may be a sum of two.

#include <cstdint>

struct FieldElement {
  uint64_t limb[5];
};

namespace radix51 {

using Wide = unsigned __int128;
inline constexpr uint64_t kLimbMask = (uint64_t{1} << 51) - 1;

inline FieldElement carry(Wide r0, Wide r1, Wide r2, Wide r3, Wide r4) {
  r1 += r0 >> 51;
  r2 += r1 >> 51;
  r3 += r2 >> 51;
  r4 += r3 >> 51;
  const Wide low0 = (r0 & kLimbMask) + (r4 >> 51) * 19;
  FieldElement h;
  h.limb[0] = static_cast<uint64_t>(low0) & kLimbMask;
  h.limb[1] = (static_cast<uint64_t>(r1) & kLimbMask) + static_cast<uint64_t>(low0 >> 51);
  h.limb[2] = static_cast<uint64_t>(r2) & kLimbMask;
  h.limb[3] = static_cast<uint64_t>(r3) & kLimbMask;
  h.limb[4] = static_cast<uint64_t>(r4) & kLimbMask;
  return h;
}

inline Wide m(uint64_t a, uint64_t b) { return static_cast<Wide>(a) * b; }

}  // namespace radix51

inline constexpr FieldElement feFromBytes(const uint8_t* s) {
  uint64_t word[4] = {};
  for (int i = 0; i < 32; ++i) word[i / 8] |= static_cast<uint64_t>(s[i]) << (8 * (i % 8));
  FieldElement h{};
  h.limb[0] = word[0] & radix51::kLimbMask;
  h.limb[1] = ((word[0] >> 51) | (word[1] << 13)) & radix51::kLimbMask;
  h.limb[2] = ((word[1] >> 38) | (word[2] << 26)) & radix51::kLimbMask;
  h.limb[3] = ((word[2] >> 25) | (word[3] << 39)) & radix51::kLimbMask;
  h.limb[4] = (word[3] >> 12) & radix51::kLimbMask;
  return h;
}

inline void feAdd(FieldElement& h, const FieldElement& f, const FieldElement& g) {
  for (int i = 0; i < 5; ++i) h.limb[i] = f.limb[i] + g.limb[i];
}

// Adds 4p before subtracting so no limb goes below zero, then carries once.
inline void feSub(FieldElement& h, const FieldElement& f, const FieldElement& g) {
  constexpr uint64_t fourP0 = (uint64_t{1} << 53) - 76;
  constexpr uint64_t fourP = (uint64_t{1} << 53) - 4;
  uint64_t t[5];
  t[0] = f.limb[0] + fourP0 - g.limb[0];
  for (int i = 1; i < 5; ++i) t[i] = f.limb[i] + fourP - g.limb[i];
  for (int i = 0; i < 4; ++i) {
    t[i + 1] += t[i] >> 51;
    t[i] &= radix51::kLimbMask;
  }
  t[0] += 19 * (t[4] >> 51);
  t[4] &= radix51::kLimbMask;
  for (int i = 0; i < 5; ++i) h.limb[i] = t[i];
}

inline void feNeg(FieldElement& h, const FieldElement& f) {
  const FieldElement zero{};
  feSub(h, zero, f);
}

inline void feMul(FieldElement& h, const FieldElement& f, const FieldElement& g) {
  using radix51::m;
  const uint64_t f0 = f.limb[0], f1 = f.limb[1], f2 = f.limb[2], f3 = f.limb[3], f4 = f.limb[4];
  const uint64_t g0 = g.limb[0], g1 = g.limb[1], g2 = g.limb[2], g3 = g.limb[3], g4 = g.limb[4];
  const uint64_t g1_19 = 19 * g1, g2_19 = 19 * g2, g3_19 = 19 * g3, g4_19 = 19 * g4;
  const radix51::Wide r0 = m(f0, g0) + m(f1, g4_19) + m(f2, g3_19) + m(f3, g2_19) + m(f4, g1_19);
  const radix51::Wide r1 = m(f0, g1) + m(f1, g0) + m(f2, g4_19) + m(f3, g3_19) + m(f4, g2_19);
  const radix51::Wide r2 = m(f0, g2) + m(f1, g1) + m(f2, g0) + m(f3, g4_19) + m(f4, g3_19);
  const radix51::Wide r3 = m(f0, g3) + m(f1, g2) + m(f2, g1) + m(f3, g0) + m(f4, g4_19);
  const radix51::Wide r4 = m(f0, g4) + m(f1, g3) + m(f2, g2) + m(f3, g1) + m(f4, g0);
  h = radix51::carry(r0, r1, r2, r3, r4);
}

namespace radix51 {

inline void square(FieldElement& h, const FieldElement& f, unsigned factor) {
  using radix51::m;
  const uint64_t f0 = f.limb[0], f1 = f.limb[1], f2 = f.limb[2], f3 = f.limb[3], f4 = f.limb[4];
  const uint64_t f0_2 = 2 * f0, f1_2 = 2 * f1;
  const uint64_t f1_38 = 38 * f1, f2_38 = 38 * f2, f3_38 = 38 * f3;
  const uint64_t f3_19 = 19 * f3, f4_19 = 19 * f4;
  const radix51::Wide r0 = m(f0, f0) + m(f1_38, f4) + m(f2_38, f3);
  const radix51::Wide r1 = m(f0_2, f1) + m(f2_38, f4) + m(f3_19, f3);
  const radix51::Wide r2 = m(f0_2, f2) + m(f1, f1) + m(f3_38, f4);
  const radix51::Wide r3 = m(f0_2, f3) + m(f1_2, f2) + m(f4_19, f4);
  const radix51::Wide r4 = m(f0_2, f4) + m(f1_2, f3) + m(f2, f2);
  h = carry(r0 * factor, r1 * factor, r2 * factor, r3 * factor, r4 * factor);
}

}  // namespace radix51

inline void feSquare(FieldElement& h, const FieldElement& f) { radix51::square(h, f, 1); }

// 2 * f^2, reduced.
inline void feSquareDouble(FieldElement& h, const FieldElement& f) { radix51::square(h, f, 2); }

// Canonical little-endian encoding, fully reduced below p.
inline void feToBytes(uint8_t* s, const FieldElement& f) {
  uint64_t t[5] = {f.limb[0], f.limb[1], f.limb[2], f.limb[3], f.limb[4]};
  for (int pass = 0; pass < 2; ++pass) {
    for (int i = 0; i < 4; ++i) {
      t[i + 1] += t[i] >> 51;
      t[i] &= radix51::kLimbMask;
    }
    t[0] += 19 * (t[4] >> 51);
    t[4] &= radix51::kLimbMask;
  }
  // Now t < 2^255 + small: subtract p once when t + 19 reaches 2^255.
  uint64_t q = (t[0] + 19) >> 51;
  for (int i = 1; i < 5; ++i) q = (t[i] + q) >> 51;
  t[0] += 19 * q;
  for (int i = 0; i < 4; ++i) {
    t[i + 1] += t[i] >> 51;
    t[i] &= radix51::kLimbMask;
  }
  t[4] &= radix51::kLimbMask;
  const uint64_t word[4] = {
      t[0] | (t[1] << 51),
      (t[1] >> 13) | (t[2] << 38),
      (t[2] >> 26) | (t[3] << 25),
      (t[3] >> 39) | (t[4] << 12),
  };
  for (int i = 0; i < 32; ++i) s[i] = static_cast<uint8_t>(word[i / 8] >> (8 * (i % 8)));
}
