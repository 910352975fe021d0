#include <utility>

#include "crypto/blake2b_compress.h"
#include "crypto/blake2b_constants.h"

namespace {

using namespace blake2b_detail;

inline uint64_t rotr64(uint64_t x, unsigned n) { return (x >> n) | (x << (64 - n)); }

template <int a, int b, int c, int d>
inline void mix(uint64_t* v, uint64_t x, uint64_t y) {
  v[a] = v[a] + v[b] + x;
  v[d] = rotr64(v[d] ^ v[a], 32);
  v[c] = v[c] + v[d];
  v[b] = rotr64(v[b] ^ v[c], 24);
  v[a] = v[a] + v[b] + y;
  v[d] = rotr64(v[d] ^ v[a], 16);
  v[c] = v[c] + v[d];
  v[b] = rotr64(v[b] ^ v[c], 63);
}

template <size_t round>
inline void mixRound(uint64_t* v, const uint64_t* m) {
  constexpr const uint8_t* s = kSigma[round];
  mix<0, 4, 8, 12>(v, m[s[0]], m[s[1]]);
  mix<1, 5, 9, 13>(v, m[s[2]], m[s[3]]);
  mix<2, 6, 10, 14>(v, m[s[4]], m[s[5]]);
  mix<3, 7, 11, 15>(v, m[s[6]], m[s[7]]);
  mix<0, 5, 10, 15>(v, m[s[8]], m[s[9]]);
  mix<1, 6, 11, 12>(v, m[s[10]], m[s[11]]);
  mix<2, 7, 8, 13>(v, m[s[12]], m[s[13]]);
  mix<3, 4, 9, 14>(v, m[s[14]], m[s[15]]);
}

}  // namespace

namespace {

void compressOne(uint64_t state[8], const uint8_t* block, Blake2bBlockCounter counter, bool lastBlock) {
  uint64_t m[16];
  for (int i = 0; i < 16; ++i) m[i] = load64(block + 8 * i);

  uint64_t v[16];
  for (int i = 0; i < 8; ++i) {
    v[i] = state[i];
    v[i + 8] = kInitialVector[i];
  }
  v[12] ^= counter.low;
  v[13] ^= counter.high;
  if (lastBlock) v[14] = ~v[14];

  // Rounds are expanded at compile time so every message index is a
  // constant and the working vector can live in registers.
  [&]<size_t... round>(std::index_sequence<round...>) { (mixRound<round>(v, m), ...); }
  (std::make_index_sequence<kRoundCount>{});

  for (int i = 0; i < 8; ++i) state[i] ^= v[i] ^ v[i + 8];
}

}  // namespace

void blake2bCompressPortable(uint64_t state[8], const uint8_t* blocks, size_t blockCount,
                             Blake2bBlockCounter counter, bool lastBlock) {
  for (size_t i = 0; i < blockCount; ++i, blocks += kBlockBytes) {
    compressOne(state, blocks, counter, lastBlock);
    counter = nextBlockCounter(counter);
  }
}
