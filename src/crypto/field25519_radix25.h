#pragma once

// Arithmetic modulo p = 2^255 - 19 with ten signed limbs of alternately 26 and
// 25 bits (weights 2^0, 2^26, 2^51, 2^77, ...), so every partial product fits a
// 64-bit integer: this is the form used on 32-bit targets.
//
// "Reduced" below means the form that feMul, feSquare and feFromBytes leave:
// every limb within about +-2^25. feMul and feSquare accept operands that are
// sums or differences of up to three reduced values (the 19-fold multiple of
// an operand limb must still fit 32 bits); feAdd and feSub do not reduce.

#include <cstdint>

struct FieldElement {
  int32_t limb[10];
};

namespace radix25 {

inline constexpr int kLimbBits[10] = {26, 25, 26, 25, 26, 25, 26, 25, 26, 25};
inline constexpr int kLimbOffset[10] = {0, 26, 51, 77, 102, 128, 153, 179, 204, 230};

inline int64_t m(int32_t a, int32_t b) { return static_cast<int64_t>(a) * b; }

// Rounded carries keep limbs signed and small; the order interleaves two
// chains so each carry lands on a limb that is carried later.
inline constexpr FieldElement carry(int64_t h[10]) {
  constexpr int order[12] = {0, 4, 1, 5, 2, 6, 3, 7, 4, 8, 9, 0};
  for (int i : order) {
    const int bits = kLimbBits[i];
    const int64_t c = (h[i] + (int64_t{1} << (bits - 1))) >> bits;
    h[i] -= c * (int64_t{1} << bits);
    if (i == 9) {
      h[0] += c * 19;
    } else {
      h[i + 1] += c;
    }
  }
  FieldElement r{};
  for (int i = 0; i < 10; ++i) r.limb[i] = static_cast<int32_t>(h[i]);
  return r;
}

}  // namespace radix25

// Reads the low 255 bits of a little-endian 32-byte number; bit 255 is
// ignored and values from p to 2^255 - 1 are kept, which arithmetic treats
// as their residue.
inline constexpr FieldElement feFromBytes(const uint8_t* s) {
  int64_t h[10] = {};
  for (int i = 0; i < 10; ++i) {
    const int offset = radix25::kLimbOffset[i];
    const int bits = radix25::kLimbBits[i];
    uint64_t value = 0;
    for (int b = 0; b < bits; ++b) {
      const int bit = offset + b;
      value |= static_cast<uint64_t>((s[bit >> 3] >> (bit & 7)) & 1) << b;
    }
    h[i] = static_cast<int64_t>(value);
  }
  return radix25::carry(h);
}

inline void feAdd(FieldElement& h, const FieldElement& f, const FieldElement& g) {
  for (int i = 0; i < 10; ++i) h.limb[i] = f.limb[i] + g.limb[i];
}

inline void feSub(FieldElement& h, const FieldElement& f, const FieldElement& g) {
  for (int i = 0; i < 10; ++i) h.limb[i] = f.limb[i] - g.limb[i];
}

inline void feNeg(FieldElement& h, const FieldElement& f) {
  for (int i = 0; i < 10; ++i) h.limb[i] = -f.limb[i];
}

inline void feMul(FieldElement& out, const FieldElement& f, const FieldElement& g) {
  using radix25::m;
  const int32_t f0 = f.limb[0], f1 = f.limb[1], f2 = f.limb[2], f3 = f.limb[3], f4 = f.limb[4];
  const int32_t f5 = f.limb[5], f6 = f.limb[6], f7 = f.limb[7], f8 = f.limb[8], f9 = f.limb[9];
  const int32_t g0 = g.limb[0], g1 = g.limb[1], g2 = g.limb[2], g3 = g.limb[3], g4 = g.limb[4];
  const int32_t g5 = g.limb[5], g6 = g.limb[6], g7 = g.limb[7], g8 = g.limb[8], g9 = g.limb[9];
  // Odd limbs sit half a bit above their nominal weight, so odd x odd
  // products count twice; products that pass 2^255 fold back times 19.
  const int32_t f1_2 = 2 * f1, f3_2 = 2 * f3, f5_2 = 2 * f5, f7_2 = 2 * f7, f9_2 = 2 * f9;
  const int32_t g1_19 = 19 * g1, g2_19 = 19 * g2, g3_19 = 19 * g3, g4_19 = 19 * g4;
  const int32_t g5_19 = 19 * g5, g6_19 = 19 * g6, g7_19 = 19 * g7, g8_19 = 19 * g8, g9_19 = 19 * g9;
  int64_t h0 = m(f0, g0) + m(f1_2, g9_19) + m(f2, g8_19) + m(f3_2, g7_19) + m(f4, g6_19) + m(f5_2, g5_19) +
               m(f6, g4_19) + m(f7_2, g3_19) + m(f8, g2_19) + m(f9_2, g1_19);
  int64_t h1 = m(f0, g1) + m(f1, g0) + m(f2, g9_19) + m(f3, g8_19) + m(f4, g7_19) + m(f5, g6_19) + m(f6, g5_19) +
               m(f7, g4_19) + m(f8, g3_19) + m(f9, g2_19);
  int64_t h2 = m(f0, g2) + m(f1_2, g1) + m(f2, g0) + m(f3_2, g9_19) + m(f4, g8_19) + m(f5_2, g7_19) + m(f6, g6_19) +
               m(f7_2, g5_19) + m(f8, g4_19) + m(f9_2, g3_19);
  int64_t h3 = m(f0, g3) + m(f1, g2) + m(f2, g1) + m(f3, g0) + m(f4, g9_19) + m(f5, g8_19) + m(f6, g7_19) +
               m(f7, g6_19) + m(f8, g5_19) + m(f9, g4_19);
  int64_t h4 = m(f0, g4) + m(f1_2, g3) + m(f2, g2) + m(f3_2, g1) + m(f4, g0) + m(f5_2, g9_19) + m(f6, g8_19) +
               m(f7_2, g7_19) + m(f8, g6_19) + m(f9_2, g5_19);
  int64_t h5 = m(f0, g5) + m(f1, g4) + m(f2, g3) + m(f3, g2) + m(f4, g1) + m(f5, g0) + m(f6, g9_19) + m(f7, g8_19) +
               m(f8, g7_19) + m(f9, g6_19);
  int64_t h6 = m(f0, g6) + m(f1_2, g5) + m(f2, g4) + m(f3_2, g3) + m(f4, g2) + m(f5_2, g1) + m(f6, g0) +
               m(f7_2, g9_19) + m(f8, g8_19) + m(f9_2, g7_19);
  int64_t h7 = m(f0, g7) + m(f1, g6) + m(f2, g5) + m(f3, g4) + m(f4, g3) + m(f5, g2) + m(f6, g1) + m(f7, g0) +
               m(f8, g9_19) + m(f9, g8_19);
  int64_t h8 = m(f0, g8) + m(f1_2, g7) + m(f2, g6) + m(f3_2, g5) + m(f4, g4) + m(f5_2, g3) + m(f6, g2) + m(f7_2, g1) +
               m(f8, g0) + m(f9_2, g9_19);
  int64_t h9 = m(f0, g9) + m(f1, g8) + m(f2, g7) + m(f3, g6) + m(f4, g5) + m(f5, g4) + m(f6, g3) + m(f7, g2) +
               m(f8, g1) + m(f9, g0);
  int64_t h[10] = {h0, h1, h2, h3, h4, h5, h6, h7, h8, h9};
  out = radix25::carry(h);
}

namespace radix25 {

inline void square(FieldElement& out, const FieldElement& f, int64_t factor) {
  const int32_t f0 = f.limb[0], f1 = f.limb[1], f2 = f.limb[2], f3 = f.limb[3], f4 = f.limb[4];
  const int32_t f5 = f.limb[5], f6 = f.limb[6], f7 = f.limb[7], f8 = f.limb[8], f9 = f.limb[9];
  const int32_t f0_2 = 2 * f0, f1_2 = 2 * f1, f2_2 = 2 * f2, f3_2 = 2 * f3, f4_2 = 2 * f4;
  const int32_t f5_2 = 2 * f5, f6_2 = 2 * f6, f7_2 = 2 * f7, f8_2 = 2 * f8, f9_2 = 2 * f9;
  const int32_t f1_4 = 4 * f1, f3_4 = 4 * f3, f5_4 = 4 * f5, f7_4 = 4 * f7;
  const int32_t f5_19 = 19 * f5, f6_19 = 19 * f6, f7_19 = 19 * f7, f8_19 = 19 * f8, f9_19 = 19 * f9;
  int64_t h0 = m(f0, f0) + m(f1_4, f9_19) + m(f2_2, f8_19) + m(f3_4, f7_19) + m(f4_2, f6_19) + m(f5_2, f5_19);
  int64_t h1 = m(f0_2, f1) + m(f2_2, f9_19) + m(f3_2, f8_19) + m(f4_2, f7_19) + m(f5_2, f6_19);
  int64_t h2 = m(f0_2, f2) + m(f1_2, f1) + m(f3_4, f9_19) + m(f4_2, f8_19) + m(f5_4, f7_19) + m(f6, f6_19);
  int64_t h3 = m(f0_2, f3) + m(f1_2, f2) + m(f4_2, f9_19) + m(f5_2, f8_19) + m(f6_2, f7_19);
  int64_t h4 = m(f0_2, f4) + m(f1_4, f3) + m(f2, f2) + m(f5_4, f9_19) + m(f6_2, f8_19) + m(f7_2, f7_19);
  int64_t h5 = m(f0_2, f5) + m(f1_2, f4) + m(f2_2, f3) + m(f6_2, f9_19) + m(f7_2, f8_19);
  int64_t h6 = m(f0_2, f6) + m(f1_4, f5) + m(f2_2, f4) + m(f3_2, f3) + m(f7_4, f9_19) + m(f8, f8_19);
  int64_t h7 = m(f0_2, f7) + m(f1_2, f6) + m(f2_2, f5) + m(f3_2, f4) + m(f8_2, f9_19);
  int64_t h8 = m(f0_2, f8) + m(f1_4, f7) + m(f2_2, f6) + m(f3_4, f5) + m(f4, f4) + m(f9_2, f9_19);
  int64_t h9 = m(f0_2, f9) + m(f1_2, f8) + m(f2_2, f7) + m(f3_2, f6) + m(f4_2, f5);
  int64_t h[10] = {h0 * factor, h1 * factor, h2 * factor, h3 * factor, h4 * factor,
                   h5 * factor, h6 * factor, h7 * factor, h8 * factor, h9 * factor};
  out = carry(h);
}

}  // namespace radix25

inline void feSquare(FieldElement& out, const FieldElement& f) { radix25::square(out, f, 1); }

// 2 * f^2, reduced.
inline void feSquareDouble(FieldElement& out, const FieldElement& f) { radix25::square(out, f, 2); }

// Canonical little-endian encoding, fully reduced below p.
inline void feToBytes(uint8_t* s, const FieldElement& f) {
  // Add 4p limb by limb so every limb is non-negative, then carry with
  // floor division until the value lies in [0, 2^255).
  int64_t h[10];
  for (int i = 0; i < 10; ++i) {
    const int64_t pLimb = (i == 0) ? (int64_t{1} << 26) - 19 : (int64_t{1} << radix25::kLimbBits[i]) - 1;
    h[i] = f.limb[i] + 4 * pLimb;
  }
  for (int pass = 0; pass < 3; ++pass) {
    for (int i = 0; i < 9; ++i) {
      h[i + 1] += h[i] >> radix25::kLimbBits[i];
      h[i] &= (int64_t{1} << radix25::kLimbBits[i]) - 1;
    }
    const int64_t top = h[9] >> 25;
    h[9] &= (int64_t{1} << 25) - 1;
    h[0] += 19 * top;
  }
  // Now 0 <= h < 2^255 < 2p: subtract p once when h + 19 reaches 2^255.
  int64_t q = (h[0] + 19) >> 26;
  for (int i = 1; i < 10; ++i) q = (h[i] + q) >> radix25::kLimbBits[i];
  h[0] += 19 * q;
  for (int i = 0; i < 9; ++i) {
    h[i + 1] += h[i] >> radix25::kLimbBits[i];
    h[i] &= (int64_t{1} << radix25::kLimbBits[i]) - 1;
  }
  h[9] &= (int64_t{1} << 25) - 1;

  for (int i = 0; i < 32; ++i) s[i] = 0;
  for (int i = 0; i < 10; ++i) {
    const int offset = radix25::kLimbOffset[i];
    for (int b = 0; b < radix25::kLimbBits[i]; ++b) {
      const int bit = offset + b;
      s[bit >> 3] = static_cast<uint8_t>(s[bit >> 3] | (((h[i] >> b) & 1) << (bit & 7)));
    }
  }
}
