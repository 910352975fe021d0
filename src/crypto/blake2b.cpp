#include "crypto/blake2b.h"

#include <cstring>

#include "crypto/blake2b_compress.h"
#include "crypto/blake2b_constants.h"
#include "crypto/wipe.h"

namespace {

// Parameter block word 0 for an unkeyed 64-byte digest: digest length 64,
// fanout 1, depth 1.
constexpr uint64_t kParameterWord = 0x01010000ULL | kBlake2bDigestBytes;

inline void store64(uint8_t* p, uint64_t value) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

Blake2b::Blake2b(Blake2bPath path) : compress_(blake2bCompressFor(path)) {
  std::memcpy(state_, blake2b_detail::kInitialVector, sizeof state_);
  state_[0] ^= kParameterWord;
  byteCount_[0] = byteCount_[1] = 0;
}

Blake2b::~Blake2b() { wipeMemory(this, sizeof *this); }

void Blake2b::compressFull(const uint8_t* blocks, size_t blockCount) {
  // The first block's counter includes the block itself.
  const Blake2bBlockCounter first = blake2b_detail::nextBlockCounter({byteCount_[0], byteCount_[1]});
  compress_(state_, blocks, blockCount, first, false);
  countBytes(uint64_t(blockCount) * kBlake2bBlockBytes);
}

void Blake2b::countBytes(uint64_t count) {
  byteCount_[0] += count;
  if (byteCount_[0] < count) ++byteCount_[1];
}

void Blake2b::update(const uint8_t* data, size_t length) {
  // The last block must go through compress with the final flag, so a full
  // buffer is only compressed once more input is known to follow.
  while (length > 0) {
    if (bufferUsed_ == kBlake2bBlockBytes) {
      compressFull(buffer_, 1);
      bufferUsed_ = 0;
    }
    if (bufferUsed_ == 0 && length > kBlake2bBlockBytes) {
      // All whole blocks but the one that may be the last, in one call.
      const size_t blocks = (length - 1) / kBlake2bBlockBytes;
      compressFull(data, blocks);
      data += blocks * kBlake2bBlockBytes;
      length -= blocks * kBlake2bBlockBytes;
    }
    size_t take = kBlake2bBlockBytes - bufferUsed_;
    if (take > length) take = length;
    std::memcpy(buffer_ + bufferUsed_, data, take);
    bufferUsed_ += static_cast<uint32_t>(take);
    data += take;
    length -= take;
  }
}

void Blake2b::finish(uint8_t* digest) {
  countBytes(bufferUsed_);
  std::memset(buffer_ + bufferUsed_, 0, kBlake2bBlockBytes - bufferUsed_);
  compress_(state_, buffer_, 1, Blake2bBlockCounter{byteCount_[0], byteCount_[1]}, true);
  for (int i = 0; i < 8; ++i) store64(digest + 8 * i, state_[i]);
}

void blake2b512(const uint8_t* data, size_t length, uint8_t* digest) {
  Blake2b hash;
  hash.update(data, length);
  hash.finish(digest);
}
