#include "crypto/double_scalar_mult.h"

#include "crypto/edwards25519_constants.h"

namespace {

constexpr int kPointWindow = 5;  // runtime table of 8 odd multiples of P
constexpr int kBaseWindow = 8;   // constant table of 64 odd multiples of B
constexpr int kPointTableSize = 1 << (kPointWindow - 2);
static_assert(kBaseTableSize == 1 << (kBaseWindow - 2));

void buildOddMultiples(PointCached table[kPointTableSize], const PointExtended& p) {
  PointProjective projective;
  toProjective(projective, p);
  PointCompleted completed;
  pointDouble(completed, projective);
  PointExtended twice;
  toExtended(twice, completed);

  PointExtended current = p;
  toCached(table[0], current);
  for (int i = 1; i < kPointTableSize; ++i) {
    pointAdd(completed, twice, table[i - 1]);
    toExtended(current, completed);
    toCached(table[i], current);
  }
}

}  // namespace

void slidingWindowDigits(int8_t digits[256], const uint8_t* scalar, int width) {
  uint64_t words[5] = {};
  for (int i = 0; i < 32; ++i) words[i / 8] |= static_cast<uint64_t>(scalar[i]) << (8 * (i % 8));
  for (int i = 0; i < 256; ++i) digits[i] = 0;

  const uint64_t windowMask = (uint64_t{1} << width) - 1;
  const uint64_t half = uint64_t{1} << (width - 1);
  uint64_t carry = 0;
  int position = 0;
  while (position < 256) {
    const int word = position / 64;
    const int shift = position % 64;
    uint64_t bits = words[word] >> shift;
    if (shift + width > 64) bits |= words[word + 1] << (64 - shift);
    const uint64_t window = carry + (bits & windowMask);
    if ((window & 1) == 0) {
      // An even window puts a zero digit here; a pending carry moves up.
      ++position;
      continue;
    }
    if (window < half) {
      carry = 0;
      digits[position] = static_cast<int8_t>(window);
    } else {
      // Take window - 2^width here and carry 2^width upwards.
      carry = 1;
      digits[position] = static_cast<int8_t>(static_cast<int64_t>(window) - (int64_t{1} << width));
    }
    position += width;
  }
}

void doubleScalarMultVartime(PointExtended& r, const uint8_t* a, const PointExtended& p, const uint8_t* b) {
  int8_t aDigits[256];
  int8_t bDigits[256];
  slidingWindowDigits(aDigits, a, kPointWindow);
  slidingWindowDigits(bDigits, b, kBaseWindow);

  PointCached pointTable[kPointTableSize];
  buildOddMultiples(pointTable, p);

  int top = 255;
  while (top >= 0 && aDigits[top] == 0 && bDigits[top] == 0) --top;
  r = pointNeutral();
  if (top < 0) return;

  PointProjective accumulator;
  toProjective(accumulator, r);
  PointCompleted step;
  for (int i = top; i >= 0; --i) {
    pointDouble(step, accumulator);
    if (aDigits[i] > 0) {
      toExtended(r, step);
      pointAdd(step, r, pointTable[aDigits[i] / 2]);
    } else if (aDigits[i] < 0) {
      toExtended(r, step);
      pointSub(step, r, pointTable[-aDigits[i] / 2]);
    }
    if (bDigits[i] > 0) {
      toExtended(r, step);
      pointAdd(step, r, kBaseOddMultiples[bDigits[i] / 2]);
    } else if (bDigits[i] < 0) {
      toExtended(r, step);
      pointSub(step, r, kBaseOddMultiples[-bDigits[i] / 2]);
    }
    if (i > 0) toProjective(accumulator, step);
  }
  toExtended(r, step);
}
