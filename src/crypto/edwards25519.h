#pragma once

// Points of the twisted Edwards curve -x^2 + y^2 = 1 + d x^2 y^2 over GF(2^255 - 19)
// in the coordinate systems that make addition and doubling cheap. The
// formulas are complete for this curve, so they hold for the neutral point,
// for doubling through addition and for points of small order alike.

#include <cstdint>

#include "crypto/field25519.h"

inline constexpr uint32_t kPointBytes = 32;
inline constexpr int kBaseTableSize = 64;  // odd multiples of B for an 8-bit signed window

// Extended coordinates: x = X/Z, y = Y/Z, x*y = T/Z.
struct PointExtended {
  FieldElement x, y, z, t;
};

// Projective coordinates: x = X/Z, y = Y/Z (enough to double).
struct PointProjective {
  FieldElement x, y, z;
};

// Result of an addition or doubling before the last multiplications:
// x = X/Z, y = Y/T.
struct PointCompleted {
  FieldElement x, y, z, t;
};

// A point prepared as the right-hand operand of additions.
struct PointCached {
  FieldElement yPlusX, yMinusX, z, t2d;
};

// Same with Z = 1, for precomputed tables.
struct PointAffineCached {
  FieldElement yPlusX, yMinusX, xy2d;
};

PointExtended pointNeutral();
PointCached cachedNeutral();

void toExtended(PointExtended& r, const PointCompleted& p);
void toProjective(PointProjective& r, const PointCompleted& p);
void toProjective(PointProjective& r, const PointExtended& p);
void toCached(PointCached& r, const PointExtended& p);

void pointDouble(PointCompleted& r, const PointProjective& p);
void pointAdd(PointCompleted& r, const PointExtended& p, const PointCached& q);
void pointSub(PointCompleted& r, const PointExtended& p, const PointCached& q);
void pointAdd(PointCompleted& r, const PointExtended& p, const PointAffineCached& q);
void pointSub(PointCompleted& r, const PointExtended& p, const PointAffineCached& q);
void pointNegate(PointExtended& r, const PointExtended& p);

// Decodes 32 bytes with the verifier's acceptance rule: bit 255 is the sign
// of x, y may be any 255-bit value (taken modulo p), x = 0 with the sign bit
// set is accepted as x = 0, points of small order are accepted. Fails only
// when no x satisfies the curve equation. Variable time.
bool pointDecode(PointExtended& r, const uint8_t* bytes);

// Canonical encoding: y below p, bit 255 = lowest bit of x. Constant time.
void pointEncode(uint8_t* bytes, const PointExtended& p);

bool pointIsNeutral(const PointExtended& p);
