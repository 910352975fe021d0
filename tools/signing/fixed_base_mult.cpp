#include "fixed_base_mult.h"

#include "crypto/edwards25519_constants.h"
#include "crypto/wipe.h"

using namespace norvane::crypto;

namespace norvane::signing {
namespace {

constexpr int WindowBits = 4;
constexpr int TableSize = 1 << WindowBits;  // 0B .. 15B
constexpr int WindowCount = 256 / WindowBits;

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
void selectEntry(PointCached& r, const PointCached table[TableSize], uint32_t index) {
  r = table[0];
  for (int j = 1; j < TableSize; ++j) conditionalMove(r, table[j], equalMask(index, static_cast<uint32_t>(j)));
}

}  // namespace

void fixedBaseMultConstantTime(PointExtended& r, const uint8_t* scalar) {
  // The table holds only public multiples of B.
  PointCached table[TableSize];
  table[0] = cachedNeutral();
  PointExtended multiple = pointNeutral();
  PointCompleted completed;
  for (int j = 1; j < TableSize; ++j) {
    pointAdd(completed, multiple, BaseOddMultiples[0]);
    toExtended(multiple, completed);
    toCached(table[j], multiple);
  }

  r = pointNeutral();
  PointProjective projective;
  PointCached chosen;
  for (int window = WindowCount - 1; window >= 0; --window) {
    toProjective(projective, r);
    for (int d = 0; d < WindowBits; ++d) {
      pointDouble(completed, projective);
      if (d + 1 < WindowBits) toProjective(projective, completed);
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

}  // namespace norvane::signing
