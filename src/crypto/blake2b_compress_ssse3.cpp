// BLAKE2b compression with SSSE3: byte shuffles rotate by 16 and 24 bits,
// byte alignment turns the rows.
#include <tmmintrin.h>

#include "crypto/blake2b_compress_sse.h"

namespace {

using namespace blake2b_detail;

struct Ssse3Ops {
  static __m128i rotateRight32(__m128i x) { return _mm_shuffle_epi32(x, _MM_SHUFFLE(2, 3, 0, 1)); }
  static __m128i rotateRight24(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(3, 4, 5, 6, 7, 0, 1, 2, 11, 12, 13, 14, 15, 8, 9, 10));
  }
  static __m128i rotateRight16(__m128i x) {
    return _mm_shuffle_epi8(x, _mm_setr_epi8(2, 3, 4, 5, 6, 7, 0, 1, 10, 11, 12, 13, 14, 15, 8, 9));
  }
  // (hi of first, lo of second).
  static __m128i straddle(__m128i first, __m128i second) { return _mm_alignr_epi8(second, first, 8); }
};

}  // namespace

void blake2bCompressSsse3(uint64_t state[8], const uint8_t* blocks, size_t blockCount, Blake2bBlockCounter counter,
                          bool lastBlock) {
  sseCompress<Ssse3Ops>(state, blocks, blockCount, counter, lastBlock);
}
