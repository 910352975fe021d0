#include "crypto/field25519.h"

namespace {

void squareTimes(FieldElement& out, const FieldElement& in, int count) {
  feSquare(out, in);
  for (int i = 1; i < count; ++i) feSquare(out, out);
}

// z^(2^250 - 1) and z^11, shared by inversion and the square-root exponent.
void powerChain(FieldElement& z250, FieldElement& z11, const FieldElement& z) {
  FieldElement z2, z9, t, z5, z10, z20, z50, z100;
  feSquare(z2, z);
  squareTimes(t, z2, 2);
  feMul(z9, t, z);
  feMul(z11, z9, z2);
  feSquare(t, z11);
  feMul(z5, t, z9);  // 2^5 - 1
  squareTimes(t, z5, 5);
  feMul(z10, t, z5);  // 2^10 - 1
  squareTimes(t, z10, 10);
  feMul(z20, t, z10);  // 2^20 - 1
  squareTimes(t, z20, 20);
  feMul(t, t, z20);  // 2^40 - 1
  squareTimes(t, t, 10);
  feMul(z50, t, z10);  // 2^50 - 1
  squareTimes(t, z50, 50);
  feMul(z100, t, z50);  // 2^100 - 1
  squareTimes(t, z100, 100);
  feMul(t, t, z100);  // 2^200 - 1
  squareTimes(t, t, 50);
  feMul(z250, t, z50);  // 2^250 - 1
}

}  // namespace

bool feIsZero(const FieldElement& f) {
  uint8_t bytes[kFieldElementBytes];
  feToBytes(bytes, f);
  uint8_t any = 0;
  for (uint8_t b : bytes) any |= b;
  return any == 0;
}

bool feIsNegative(const FieldElement& f) {
  uint8_t bytes[kFieldElementBytes];
  feToBytes(bytes, f);
  return (bytes[0] & 1) != 0;
}

bool feEqual(const FieldElement& f, const FieldElement& g) {
  FieldElement difference;
  feSub(difference, f, g);
  return feIsZero(difference);
}

void feInvert(FieldElement& out, const FieldElement& z) {
  FieldElement z250, z11;
  powerChain(z250, z11, z);
  squareTimes(z250, z250, 5);  // 2^255 - 32
  feMul(out, z250, z11);       // 2^255 - 21 = p - 2
}

void fePow2523(FieldElement& out, const FieldElement& z) {
  FieldElement z250, z11;
  powerChain(z250, z11, z);
  squareTimes(z250, z250, 2);  // 2^252 - 4
  feMul(out, z250, z);         // 2^252 - 3
}
