// BLAKE2b compression with SSE2 only: rotations by shifts and word shuffles.
#include "crypto/blake2b_compress_sse.h"

namespace {

using namespace blake2b_detail;

struct Sse2Ops {
  static __m128i rotateRight32(__m128i x) { return _mm_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1)); }
  static __m128i rotateRight24(__m128i x) { return _mm_or_si128(_mm_srli_epi64(x, 24), _mm_slli_epi64(x, 40)); }
  static __m128i rotateRight16(__m128i x) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(x, _MM_SHUFFLE(0, 3, 2, 1)), _MM_SHUFFLE(0, 3, 2, 1));
  }
  // (lo, hi) of two vectors: hi of first, lo of second.
  static __m128i straddle(__m128i first, __m128i second) {
    return _mm_unpackhi_epi64(first, _mm_unpacklo_epi64(second, second));
  }
};

}  // namespace

void blake2bCompressSse2(uint64_t state[8], const uint8_t* blocks, size_t blockCount, Blake2bBlockCounter counter,
                         bool lastBlock) {
  sseCompress<Sse2Ops>(state, blocks, blockCount, counter, lastBlock);
}
