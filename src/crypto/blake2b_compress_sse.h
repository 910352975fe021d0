#pragma once

// The BLAKE2b compression on 128-bit vectors, two words a vector: each row of
// the working matrix is a low and a high half, and one step mixes two columns
// (or diagonals) at once. Included by the SSE2 and the SSSE3 file; Ops gives
// the rotations and the diagonal shuffles of each instruction set.

#include <emmintrin.h>

#include <utility>

#include "crypto/blake2b_constants.h"

namespace blake2b_detail {
// Internal linkage on purpose: each including file is built for its own
// instruction set (see blake2b_constants.h).
namespace {

struct SseRows {
  __m128i a0, a1, b0, b1, c0, c1, d0, d1;
};

inline __m128i rotateRight63(__m128i x) { return _mm_xor_si128(_mm_srli_epi64(x, 63), _mm_add_epi64(x, x)); }

// Message words i and j of a block as one vector (little-endian loads).
template <int i, int j>
inline __m128i wordPair(const uint8_t* block) {
  if constexpr (i % 2 == 0 && j == i + 1) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 8 * i));
  } else {
    return _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + 8 * i)),
                              _mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + 8 * j)));
  }
}

template <class Ops>
inline void mixHalf(__m128i& a, __m128i& b, __m128i& c, __m128i& d, __m128i x, __m128i y) {
  a = _mm_add_epi64(_mm_add_epi64(a, b), x);
  d = Ops::rotateRight32(_mm_xor_si128(d, a));
  c = _mm_add_epi64(c, d);
  b = Ops::rotateRight24(_mm_xor_si128(b, c));
  a = _mm_add_epi64(_mm_add_epi64(a, b), y);
  d = Ops::rotateRight16(_mm_xor_si128(d, a));
  c = _mm_add_epi64(c, d);
  b = rotateRight63(_mm_xor_si128(b, c));
}

// Rows b, c, d turn by one, two and three words, so the same lanes hold the
// diagonals; Ops::straddle(x, y) is (high word of x, low word of y).
template <class Ops>
inline void diagonalize(SseRows& r) {
  const __m128i b0 = r.b0, d0 = r.d0;
  r.b0 = Ops::straddle(b0, r.b1);
  r.b1 = Ops::straddle(r.b1, b0);
  std::swap(r.c0, r.c1);
  r.d0 = Ops::straddle(r.d1, d0);
  r.d1 = Ops::straddle(d0, r.d1);
}

template <class Ops>
inline void undiagonalize(SseRows& r) {
  const __m128i b0 = r.b0, d0 = r.d0;
  r.b0 = Ops::straddle(r.b1, b0);
  r.b1 = Ops::straddle(b0, r.b1);
  std::swap(r.c0, r.c1);
  r.d0 = Ops::straddle(d0, r.d1);
  r.d1 = Ops::straddle(r.d1, d0);
}

template <class Ops, size_t round>
inline void sseRound(SseRows& r, const uint8_t* block) {
  constexpr const uint8_t* s = kSigma[round];
  mixHalf<Ops>(r.a0, r.b0, r.c0, r.d0, wordPair<s[0], s[2]>(block), wordPair<s[1], s[3]>(block));
  mixHalf<Ops>(r.a1, r.b1, r.c1, r.d1, wordPair<s[4], s[6]>(block), wordPair<s[5], s[7]>(block));
  diagonalize<Ops>(r);
  mixHalf<Ops>(r.a0, r.b0, r.c0, r.d0, wordPair<s[8], s[10]>(block), wordPair<s[9], s[11]>(block));
  mixHalf<Ops>(r.a1, r.b1, r.c1, r.d1, wordPair<s[12], s[14]>(block), wordPair<s[13], s[15]>(block));
  undiagonalize<Ops>(r);
}

template <class Ops, size_t... round>
inline void sseRounds(SseRows& r, const uint8_t* block, std::index_sequence<round...>) {
  (sseRound<Ops, round>(r, block), ...);
}

template <class Ops>
inline void sseCompress(uint64_t state[8], const uint8_t* blocks, size_t blockCount, Blake2bBlockCounter counter,
                        bool lastBlock) {
  const auto* iv = reinterpret_cast<const __m128i*>(kInitialVector);
  auto* h = reinterpret_cast<__m128i*>(state);
  __m128i h0 = _mm_loadu_si128(h), h1 = _mm_loadu_si128(h + 1);
  __m128i h2 = _mm_loadu_si128(h + 2), h3 = _mm_loadu_si128(h + 3);
  const __m128i flags = lastBlock ? _mm_set_epi32(0, 0, -1, -1) : _mm_setzero_si128();
  for (size_t i = 0; i < blockCount; ++i, blocks += kBlockBytes) {
    const __m128i count = _mm_set_epi32(int(counter.high >> 32), int(counter.high), int(counter.low >> 32),
                                        int(counter.low));
    SseRows r{h0, h1, h2, h3, _mm_loadu_si128(iv), _mm_loadu_si128(iv + 1),
              _mm_xor_si128(_mm_loadu_si128(iv + 2), count), _mm_xor_si128(_mm_loadu_si128(iv + 3), flags)};
    sseRounds<Ops>(r, blocks, std::make_index_sequence<kRoundCount>{});
    h0 = _mm_xor_si128(h0, _mm_xor_si128(r.a0, r.c0));
    h1 = _mm_xor_si128(h1, _mm_xor_si128(r.a1, r.c1));
    h2 = _mm_xor_si128(h2, _mm_xor_si128(r.b0, r.d0));
    h3 = _mm_xor_si128(h3, _mm_xor_si128(r.b1, r.d1));
    counter = nextBlockCounter(counter);
  }
  _mm_storeu_si128(h, h0);
  _mm_storeu_si128(h + 1, h1);
  _mm_storeu_si128(h + 2, h2);
  _mm_storeu_si128(h + 3, h3);
}

}  // namespace
}  // namespace blake2b_detail
