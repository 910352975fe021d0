// BLAKE2b compression with AVX2: each row of the working matrix is one
// 256-bit vector, so one step mixes all four columns (or diagonals).
#include <immintrin.h>

#include <utility>

#include "crypto/blake2b_constants.h"

namespace {

using namespace blake2b_detail;

struct AvxRows {
  __m256i a, b, c, d;
};

inline __m256i rotateRight32(__m256i x) { return _mm256_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1)); }
inline __m256i rotateRight24(__m256i x) {
  return _mm256_shuffle_epi8(x, _mm256_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10, 3, 4, 5, 6, 7,
                                                 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10));
}
inline __m256i rotateRight16(__m256i x) {
  return _mm256_shuffle_epi8(x, _mm256_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9, 2, 3, 4, 5, 6,
                                                 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9));
}
inline __m256i rotateRight63(__m256i x) {
  return _mm256_xor_si256(_mm256_srli_epi64(x, 63), _mm256_add_epi64(x, x));
}

inline __m128i loadWord(const uint8_t* block, int index) {
  return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(block + 8 * index));
}

// Message words i, j, k, l of a block as one vector (little-endian loads).
template <int i, int j, int k, int l>
inline __m256i wordQuad(const uint8_t* block) {
  const __m128i low = _mm_unpacklo_epi64(loadWord(block, i), loadWord(block, j));
  const __m128i high = _mm_unpacklo_epi64(loadWord(block, k), loadWord(block, l));
  return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

inline void mix(AvxRows& r, __m256i x, __m256i y) {
  r.a = _mm256_add_epi64(_mm256_add_epi64(r.a, r.b), x);
  r.d = rotateRight32(_mm256_xor_si256(r.d, r.a));
  r.c = _mm256_add_epi64(r.c, r.d);
  r.b = rotateRight24(_mm256_xor_si256(r.b, r.c));
  r.a = _mm256_add_epi64(_mm256_add_epi64(r.a, r.b), y);
  r.d = rotateRight16(_mm256_xor_si256(r.d, r.a));
  r.c = _mm256_add_epi64(r.c, r.d);
  r.b = rotateRight63(_mm256_xor_si256(r.b, r.c));
}

template <size_t round>
inline void avxRound(AvxRows& r, const uint8_t* block) {
  constexpr const uint8_t* s = kSigma[round];
  mix(r, wordQuad<s[0], s[2], s[4], s[6]>(block), wordQuad<s[1], s[3], s[5], s[7]>(block));
  // Rows b, c, d turn by one, two and three words: the columns become the diagonals.
  r.b = _mm256_permute4x64_epi64(r.b, _MM_SHUFFLE(0, 3, 2, 1));
  r.c = _mm256_permute4x64_epi64(r.c, _MM_SHUFFLE(1, 0, 3, 2));
  r.d = _mm256_permute4x64_epi64(r.d, _MM_SHUFFLE(2, 1, 0, 3));
  mix(r, wordQuad<s[8], s[10], s[12], s[14]>(block), wordQuad<s[9], s[11], s[13], s[15]>(block));
  r.b = _mm256_permute4x64_epi64(r.b, _MM_SHUFFLE(2, 1, 0, 3));
  r.c = _mm256_permute4x64_epi64(r.c, _MM_SHUFFLE(1, 0, 3, 2));
  r.d = _mm256_permute4x64_epi64(r.d, _MM_SHUFFLE(0, 3, 2, 1));
}

template <size_t... round>
inline void avxRounds(AvxRows& r, const uint8_t* block, std::index_sequence<round...>) {
  (avxRound<round>(r, block), ...);
}

}  // namespace

void blake2bCompressAvx2(uint64_t state[8], const uint8_t* blocks, size_t blockCount, Blake2bBlockCounter counter,
                         bool lastBlock) {
  const auto* iv = reinterpret_cast<const __m256i*>(kInitialVector);
  auto* h = reinterpret_cast<__m256i*>(state);
  __m256i h0 = _mm256_loadu_si256(h), h1 = _mm256_loadu_si256(h + 1);
  const int flag = lastBlock ? -1 : 0;
  for (size_t i = 0; i < blockCount; ++i, blocks += kBlockBytes) {
    const __m256i tail = _mm256_setr_epi32(int(counter.low), int(counter.low >> 32), int(counter.high),
                                           int(counter.high >> 32), flag, flag, 0, 0);
    AvxRows r{h0, h1, _mm256_loadu_si256(iv), _mm256_xor_si256(_mm256_loadu_si256(iv + 1), tail)};
    avxRounds(r, blocks, std::make_index_sequence<kRoundCount>{});
    h0 = _mm256_xor_si256(h0, _mm256_xor_si256(r.a, r.c));
    h1 = _mm256_xor_si256(h1, _mm256_xor_si256(r.b, r.d));
    counter = nextBlockCounter(counter);
  }
  _mm256_storeu_si256(h, h0);
  _mm256_storeu_si256(h + 1, h1);
}
