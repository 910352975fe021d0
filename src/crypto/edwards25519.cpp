#include "crypto/edwards25519.h"

#include "crypto/edwards25519_constants.h"

PointExtended pointNeutral() {
  PointExtended r;
  r.x = feZero();
  r.y = feOne();
  r.z = feOne();
  r.t = feZero();
  return r;
}

PointCached cachedNeutral() {
  PointCached r;
  r.yPlusX = feOne();
  r.yMinusX = feOne();
  r.z = feOne();
  r.t2d = feZero();
  return r;
}

void toExtended(PointExtended& r, const PointCompleted& p) {
  feMul(r.x, p.x, p.t);
  feMul(r.y, p.y, p.z);
  feMul(r.z, p.z, p.t);
  feMul(r.t, p.x, p.y);
}

void toProjective(PointProjective& r, const PointCompleted& p) {
  feMul(r.x, p.x, p.t);
  feMul(r.y, p.y, p.z);
  feMul(r.z, p.z, p.t);
}

void toProjective(PointProjective& r, const PointExtended& p) {
  r.x = p.x;
  r.y = p.y;
  r.z = p.z;
}

void toCached(PointCached& r, const PointExtended& p) {
  feAdd(r.yPlusX, p.y, p.x);
  feSub(r.yMinusX, p.y, p.x);
  r.z = p.z;
  feMul(r.t2d, p.t, kEdwardsD2);
}

// Doubling for a = -1 (Hisil-Wong-Carter-Dawson). With A = X^2, B = Y^2,
// C = 2Z^2: x = E/G and y = (A+B)/(C-G), where G = B - A and
// E = (X+Y)^2 - A - B.
void pointDouble(PointCompleted& r, const PointProjective& p) {
  FieldElement a, b, c, sum;
  feSquare(a, p.x);
  feSquare(b, p.y);
  feSquareDouble(c, p.z);
  feAdd(sum, p.x, p.y);
  FieldElement sumSquared;
  feSquare(sumSquared, sum);
  feAdd(r.y, b, a);
  feSub(r.z, b, a);
  feSub(r.x, sumSquared, r.y);
  feSub(r.t, c, r.z);
}

// Unified addition for a = -1 with k = 2d: the completed result is
// x = (B-A)/(D+C), y = (B+A)/(D-C).
static void addCore(PointCompleted& r, const PointExtended& p, const FieldElement& qPlus, const FieldElement& qMinus,
                    const FieldElement& zz, const FieldElement& c) {
  FieldElement a, b, d;
  feSub(a, p.y, p.x);
  feMul(a, a, qMinus);
  feAdd(b, p.y, p.x);
  feMul(b, b, qPlus);
  feAdd(d, zz, zz);
  feSub(r.x, b, a);
  feAdd(r.y, b, a);
  feAdd(r.z, d, c);
  feSub(r.t, d, c);
}

void pointAdd(PointCompleted& r, const PointExtended& p, const PointCached& q) {
  FieldElement zz, c;
  feMul(zz, p.z, q.z);
  feMul(c, p.t, q.t2d);
  addCore(r, p, q.yPlusX, q.yMinusX, zz, c);
}

// -q has x negated: Y+X and Y-X swap and T changes sign.
void pointSub(PointCompleted& r, const PointExtended& p, const PointCached& q) {
  FieldElement zz, c;
  feMul(zz, p.z, q.z);
  feMul(c, p.t, q.t2d);
  FieldElement negC;
  feNeg(negC, c);
  addCore(r, p, q.yMinusX, q.yPlusX, zz, negC);
}

void pointAdd(PointCompleted& r, const PointExtended& p, const PointAffineCached& q) {
  FieldElement c;
  feMul(c, p.t, q.xy2d);
  addCore(r, p, q.yPlusX, q.yMinusX, p.z, c);
}

void pointSub(PointCompleted& r, const PointExtended& p, const PointAffineCached& q) {
  FieldElement c;
  feMul(c, p.t, q.xy2d);
  FieldElement negC;
  feNeg(negC, c);
  addCore(r, p, q.yMinusX, q.yPlusX, p.z, negC);
}

void pointNegate(PointExtended& r, const PointExtended& p) {
  feNeg(r.x, p.x);
  r.y = p.y;
  r.z = p.z;
  feNeg(r.t, p.t);
}

bool pointDecode(PointExtended& r, const uint8_t* bytes) {
  const bool xNegative = (bytes[31] >> 7) != 0;
  const FieldElement y = feFromBytes(bytes);  // bit 255 is not part of y
  const FieldElement one = feOne();

  // x^2 = u / v with u = y^2 - 1, v = d y^2 + 1. A candidate root is
  // u v^3 (u v^7)^((p-5)/8); it is right up to a factor of sqrt(-1).
  FieldElement y2, u, v;
  feSquare(y2, y);
  feSub(u, y2, one);
  feMul(v, y2, kEdwardsD);
  feAdd(v, v, one);

  FieldElement v3, v7, x;
  feSquare(v3, v);
  feMul(v3, v3, v);
  feSquare(v7, v3);
  feMul(v7, v7, v);
  feMul(x, u, v7);
  fePow2523(x, x);
  feMul(x, x, v3);
  feMul(x, x, u);

  FieldElement check;
  feSquare(check, x);
  feMul(check, check, v);
  if (!feEqual(check, u)) {
    FieldElement negU;
    feNeg(negU, u);
    if (!feEqual(check, negU)) return false;
    feMul(x, x, kSqrtMinusOne);
  }
  // For x = 0 the sign bit cannot be honoured; such encodings still decode.
  if (feIsNegative(x) != xNegative) feNeg(x, x);

  r.x = x;
  r.y = y;
  r.z = one;
  feMul(r.t, x, y);
  return true;
}

void pointEncode(uint8_t* bytes, const PointExtended& p) {
  FieldElement zInverse, x, y;
  feInvert(zInverse, p.z);
  feMul(x, p.x, zInverse);
  feMul(y, p.y, zInverse);
  feToBytes(bytes, y);
  bytes[31] = static_cast<uint8_t>(bytes[31] | (static_cast<uint8_t>(feIsNegative(x)) << 7));
}

bool pointIsNeutral(const PointExtended& p) { return feIsZero(p.x) && feEqual(p.y, p.z); }
