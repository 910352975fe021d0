#pragma once

// The BLAKE2b compression function F (RFC 7693, 3.2) in its forms: portable
// C++ everywhere, SSE2, SSSE3 and AVX2 on x86 processors that have them.

#include <cstddef>
#include <cstdint>

#include "crypto/blake2b.h"

void blake2bCompressPortable(uint64_t state[8], const uint8_t* blocks, size_t blockCount,
                             Blake2bBlockCounter firstCounter, bool lastBlock);
#if NORVANE_BLAKE2B_SIMD
void blake2bCompressSse2(uint64_t state[8], const uint8_t* blocks, size_t blockCount,
                         Blake2bBlockCounter firstCounter, bool lastBlock);
void blake2bCompressSsse3(uint64_t state[8], const uint8_t* blocks, size_t blockCount,
                          Blake2bBlockCounter firstCounter, bool lastBlock);
void blake2bCompressAvx2(uint64_t state[8], const uint8_t* blocks, size_t blockCount,
                         Blake2bBlockCounter firstCounter, bool lastBlock);
#endif

// The form of path; the portable one when this processor cannot run it.
Blake2bCompress blake2bCompressFor(Blake2bPath path);
