#include "fixed_base_mult.h"

#include "crypto/edwards25519_constants.h"
#include "crypto/wipe.h"

namespace {

constexpr int kWindowBits = 4;
constexpr int kTableSize = 1 << kWindowBits;  // 0B .. 15B
constexpr int kWindowCount = 256 / kWindowBits;

void conditionalMove(PointCached& r, const PointCached& p, uint32_t select) {
  feConditionalMove(r.yPlusX, p.yPlusX, select);
  feConditionalMove(r.yMinusX, p.yMinusX, select);
  feConditionalMove(r.z, p.z, select);
  feConditionalMove(r.t2d, p.t2d, select);
}

// 1 when a == b, else 0, without a branch or a comparison the compiler could
// turn into one.
uint32_t equalMask(uint32_t a, uint32_t b) {
  const uint32_t difference = a ^ b;
  return ((difference | (0U - difference)) >> 31) ^ 1U;
}

// Reads every table entry and keeps the one at `index`, so the memory
// access pattern does not depend on the index.
void selectEntry(PointCached& r, const PointCached table[kTableSize], uint32_t index) {
  r = table[0];
  for (int j = 1; j < kTableSize; ++j) conditionalMove(r, table[j], equalMask(index, static_cast<uint32_t>(j)));
}

}  // namespace

void fixedBaseMultConstantTime(PointExtended& r, const uint8_t* scalar) {
  // The table holds only public multiples of B.
  PointCached table[kTableSize];
  table[0] = cachedNeutral();
  PointExtended multiple = pointNeutral();
  PointCompleted completed;
  for (int j = 1; j < kTableSize; ++j) {
    pointAdd(completed, multiple, kBaseOddMultiples[0]);
    toExtended(multiple, completed);
    toCached(table[j], multiple);
  }

  r = pointNeutral();
  PointProjective projective;
  PointCached chosen;
  for (int window = kWindowCount - 1; window >= 0; --window) {
    toProjective(projective, r);
    for (int d = 0; d < kWindowBits; ++d) {
      pointDouble(completed, projective);
      if (d + 1 < kWindowBits) toProjective(projective, completed);
    }
    toExtended(r, completed);
    const uint32_t digit = (scalar[window / 2] >> (4 * (window % 2))) & 0x0f;
    selectEntry(chosen, table, digit);
    pointAdd(completed, r, chosen);
    toExtended(r, completed);
  }
  wipeMemory(&chosen, sizeof chosen);
  wipeMemory(&completed, sizeof completed);
  wipeMemory(&projective, sizeof projective);
}
