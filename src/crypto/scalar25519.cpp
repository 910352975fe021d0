#include "crypto/scalar25519.h"

#include "crypto/wipe.h"

namespace {

constexpr int kOrderWords = 8;
constexpr int kWideWords = 16;

constexpr uint32_t kOrder[kOrderWords] = {
    0x5cf5d3edU, 0x5812631aU, 0xa2f79cd6U, 0x14def9deU, 0x00000000U, 0x00000000U, 0x00000000U, 0x10000000U,
};

// floor(2^512 / L), the Barrett factor for 32-bit words and k = 8.
constexpr uint32_t kBarrettFactor[kOrderWords + 1] = {
    0x0a2c131bU, 0xed9ce5a3U, 0x086329a7U, 0x2106215dU, 0xffffffebU, 0xffffffffU, 0xffffffffU, 0xffffffffU, 0x0000000fU,
};

uint32_t load32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// r = r - L when r >= L; r has nine words and stays below 2^288.
void subtractOrderIfAbove(uint32_t r[kOrderWords + 1]) {
  uint32_t difference[kOrderWords + 1];
  uint64_t borrow = 0;
  for (int i = 0; i <= kOrderWords; ++i) {
    const uint64_t orderWord = (i < kOrderWords) ? kOrder[i] : 0;
    const uint64_t d = static_cast<uint64_t>(r[i]) - orderWord - borrow;
    difference[i] = static_cast<uint32_t>(d);
    borrow = (d >> 32) & 1;
  }
  // Keep the difference unless it borrowed out of the top word.
  const uint32_t keep = static_cast<uint32_t>(borrow) - 1;
  for (int i = 0; i <= kOrderWords; ++i) r[i] = (difference[i] & keep) | (r[i] & ~keep);
  wipeMemory(difference, sizeof difference);
}

// Barrett reduction (HAC 14.42) of a 512-bit value x < 2^512.
void reduce(uint8_t* out, const uint32_t x[kWideWords]) {
  // q = floor(floor(x / b^7) * mu / b^9), at most 2 below floor(x / L).
  uint32_t product[2 * (kOrderWords + 1)] = {};
  for (int i = 0; i <= kOrderWords; ++i) {
    uint64_t carry = 0;
    const uint64_t xi = x[kOrderWords - 1 + i];
    for (int j = 0; j <= kOrderWords; ++j) {
      const uint64_t t = xi * kBarrettFactor[j] + product[i + j] + carry;
      product[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    product[i + kOrderWords + 1] = static_cast<uint32_t>(carry);
  }
  const uint32_t* q = product + kOrderWords + 1;

  // r = (x - q*L) mod b^9; the true remainder is below 3L < b^9.
  uint32_t qTimesOrder[kOrderWords + 1] = {};
  for (int i = 0; i <= kOrderWords; ++i) {
    uint64_t carry = 0;
    for (int j = 0; i + j <= kOrderWords; ++j) {
      const uint64_t orderWord = (j < kOrderWords) ? kOrder[j] : 0;
      const uint64_t t = static_cast<uint64_t>(q[i]) * orderWord + qTimesOrder[i + j] + carry;
      qTimesOrder[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
  }
  uint32_t r[kOrderWords + 1];
  uint64_t borrow = 0;
  for (int i = 0; i <= kOrderWords; ++i) {
    const uint64_t d = static_cast<uint64_t>(x[i]) - qTimesOrder[i] - borrow;
    r[i] = static_cast<uint32_t>(d);
    borrow = (d >> 32) & 1;
  }
  subtractOrderIfAbove(r);
  subtractOrderIfAbove(r);

  for (int i = 0; i < kOrderWords; ++i) {
    for (int b = 0; b < 4; ++b) out[4 * i + b] = static_cast<uint8_t>(r[i] >> (8 * b));
  }
  wipeMemory(product, sizeof product);
  wipeMemory(qTimesOrder, sizeof qTimesOrder);
  wipeMemory(r, sizeof r);
}

}  // namespace

bool scalarIsCanonical(const uint8_t* scalar) {
  for (int i = kOrderWords - 1; i >= 0; --i) {
    const uint32_t word = load32(scalar + 4 * i);
    if (word < kOrder[i]) return true;
    if (word > kOrder[i]) return false;
  }
  return false;  // equal to L
}

void scalarReduceWide(uint8_t* out, const uint8_t* wide) {
  uint32_t x[kWideWords];
  for (int i = 0; i < kWideWords; ++i) x[i] = load32(wide + 4 * i);
  reduce(out, x);
  wipeMemory(x, sizeof x);
}

void scalarMulAdd(uint8_t* out, const uint8_t* a, const uint8_t* b, const uint8_t* c) {
  uint32_t aw[kOrderWords], bw[kOrderWords];
  for (int i = 0; i < kOrderWords; ++i) {
    aw[i] = load32(a + 4 * i);
    bw[i] = load32(b + 4 * i);
  }
  uint32_t x[kWideWords] = {};
  for (int i = 0; i < kOrderWords; ++i) {
    uint64_t carry = 0;
    for (int j = 0; j < kOrderWords; ++j) {
      const uint64_t t = static_cast<uint64_t>(aw[i]) * bw[j] + x[i + j] + carry;
      x[i + j] = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    x[i + kOrderWords] = static_cast<uint32_t>(carry);
  }
  // a*b < 2^512 - 2^257, so adding c < 2^256 cannot overflow.
  uint64_t carry = 0;
  for (int i = 0; i < kWideWords; ++i) {
    const uint64_t addend = (i < kOrderWords) ? load32(c + 4 * i) : 0;
    const uint64_t t = static_cast<uint64_t>(x[i]) + addend + carry;
    x[i] = static_cast<uint32_t>(t);
    carry = t >> 32;
  }
  reduce(out, x);
  wipeMemory(aw, sizeof aw);
  wipeMemory(bw, sizeof bw);
  wipeMemory(x, sizeof x);
}
