#pragma once

#include <cstddef>
#include <cstdint>

namespace norvane::crypto {

// Unkeyed BLAKE2b with a 64-byte digest (RFC 7693). Incremental, so a caller
// can hash R || A || message without copying the message.
constexpr uint32_t Blake2bBlockBytes = 128;
constexpr uint32_t Blake2bDigestBytes = 64;

class Blake2b {
 public:
  Blake2b();
  ~Blake2b();
  Blake2b(const Blake2b&) = delete;
  Blake2b& operator=(const Blake2b&) = delete;

  void update(const uint8_t* data, size_t length);
  void finish(uint8_t* digest /* Blake2bDigestBytes */);

 private:
  void compress(const uint8_t* block, bool lastBlock);
  void countBytes(uint32_t count);

  uint64_t state_[8];
  uint64_t byteCount_[2];
  uint8_t buffer_[Blake2bBlockBytes];
  uint32_t bufferUsed_ = 0;
};

void blake2b512(const uint8_t* data, size_t length, uint8_t* digest /* Blake2bDigestBytes */);

}  // namespace norvane::crypto
