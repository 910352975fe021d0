#include "crypto/blake2b.h"

#include <cstring>

#include "crypto/wipe.h"

namespace norvane::crypto {
namespace {

constexpr uint64_t InitialVector[8] = {
    0x6a09e667f3bcc908ULL, 0xbb67ae8584caa73bULL, 0x3c6ef372fe94f82bULL, 0xa54ff53a5f1d36f1ULL,
    0x510e527fade682d1ULL, 0x9b05688c2b3e6c1fULL, 0x1f83d9abfb41bd6bULL, 0x5be0cd19137e2179ULL,
};

constexpr uint8_t Sigma[12][16] = {
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
    {11, 8, 12, 0, 5, 2, 15, 13, 10, 14, 3, 6, 7, 1, 9, 4},
    {7, 9, 3, 1, 13, 12, 11, 14, 2, 6, 5, 10, 4, 0, 15, 8},
    {9, 0, 5, 7, 2, 4, 10, 15, 14, 1, 11, 12, 6, 8, 3, 13},
    {2, 12, 6, 10, 0, 11, 8, 3, 4, 13, 7, 5, 15, 14, 1, 9},
    {12, 5, 1, 15, 14, 13, 4, 10, 0, 7, 6, 3, 9, 2, 8, 11},
    {13, 11, 7, 14, 12, 1, 3, 9, 5, 0, 15, 4, 8, 6, 2, 10},
    {6, 15, 14, 9, 11, 3, 0, 8, 12, 2, 13, 7, 1, 4, 10, 5},
    {10, 2, 8, 4, 7, 6, 1, 5, 15, 11, 9, 14, 3, 12, 13, 0},
    {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
    {14, 10, 4, 8, 9, 15, 13, 6, 1, 12, 0, 2, 11, 7, 5, 3},
};

// Parameter block word 0 for an unkeyed 64-byte digest: digest length 64, fanout 1, depth 1.
constexpr uint64_t ParameterWord = 0x01010000ULL | Blake2bDigestBytes;

inline uint64_t load64(const uint8_t* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

inline void store64(uint8_t* p, uint64_t value) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

inline uint64_t rotr64(uint64_t x, unsigned n) { return (x >> n) | (x << (64 - n)); }

}  // namespace

Blake2b::Blake2b() {
    std::memcpy(state_, InitialVector, sizeof state_);
    state_[0] ^= ParameterWord;
    byteCount_[0] = byteCount_[1] = 0;
}

Blake2b::~Blake2b() { wipeMemory(this, sizeof *this); }

void Blake2b::compress(const uint8_t* block, bool lastBlock) {
    uint64_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = load64(block + 8 * i);

    uint64_t v[16];
    for (int i = 0; i < 8; ++i) {
        v[i] = state_[i];
        v[i + 8] = InitialVector[i];
    }
    v[12] ^= byteCount_[0];
    v[13] ^= byteCount_[1];
    if (lastBlock) v[14] = ~v[14];

#define NORVANE_B2B_G(a, b, c, d, x, y)   \
    do {                                  \
        v[a] = v[a] + v[b] + (x);         \
        v[d] = rotr64(v[d] ^ v[a], 32);   \
        v[c] = v[c] + v[d];               \
        v[b] = rotr64(v[b] ^ v[c], 24);   \
        v[a] = v[a] + v[b] + (y);         \
        v[d] = rotr64(v[d] ^ v[a], 16);   \
        v[c] = v[c] + v[d];               \
        v[b] = rotr64(v[b] ^ v[c], 63);   \
    } while (0)

    for (int round = 0; round < 12; ++round) {
        const uint8_t* s = Sigma[round];
        NORVANE_B2B_G(0, 4, 8, 12, m[s[0]], m[s[1]]);
        NORVANE_B2B_G(1, 5, 9, 13, m[s[2]], m[s[3]]);
        NORVANE_B2B_G(2, 6, 10, 14, m[s[4]], m[s[5]]);
        NORVANE_B2B_G(3, 7, 11, 15, m[s[6]], m[s[7]]);
        NORVANE_B2B_G(0, 5, 10, 15, m[s[8]], m[s[9]]);
        NORVANE_B2B_G(1, 6, 11, 12, m[s[10]], m[s[11]]);
        NORVANE_B2B_G(2, 7, 8, 13, m[s[12]], m[s[13]]);
        NORVANE_B2B_G(3, 4, 9, 14, m[s[14]], m[s[15]]);
    }
#undef NORVANE_B2B_G

    for (int i = 0; i < 8; ++i) state_[i] ^= v[i] ^ v[i + 8];
}

void Blake2b::update(const uint8_t* data, size_t length) {
    // The last block must go through compress with the final flag, so a full
    // buffer is only compressed once more input is known to follow.
    while (length > 0) {
        if (bufferUsed_ == Blake2bBlockBytes) {
            byteCount_[0] += Blake2bBlockBytes;
            if (byteCount_[0] < Blake2bBlockBytes) ++byteCount_[1];
            compress(buffer_, false);
            bufferUsed_ = 0;
        }
        if (bufferUsed_ == 0) {
            while (length > Blake2bBlockBytes) {
                byteCount_[0] += Blake2bBlockBytes;
                if (byteCount_[0] < Blake2bBlockBytes) ++byteCount_[1];
                compress(data, false);
                data += Blake2bBlockBytes;
                length -= Blake2bBlockBytes;
            }
        }
        size_t take = Blake2bBlockBytes - bufferUsed_;
        if (take > length) take = length;
        std::memcpy(buffer_ + bufferUsed_, data, take);
        bufferUsed_ += static_cast<uint32_t>(take);
        data += take;
        length -= take;
    }
}

void Blake2b::finish(uint8_t* digest) {
    byteCount_[0] += bufferUsed_;
    if (byteCount_[0] < bufferUsed_) ++byteCount_[1];
    std::memset(buffer_ + bufferUsed_, 0, Blake2bBlockBytes - bufferUsed_);
    compress(buffer_, true);
    for (int i = 0; i < 8; ++i) store64(digest + 8 * i, state_[i]);
}

void blake2b512(const uint8_t* data, size_t length, uint8_t* digest) {
    Blake2b hash;
    hash.update(data, length);
    hash.finish(digest);
}

}  // namespace norvane::crypto
