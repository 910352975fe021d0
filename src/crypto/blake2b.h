#pragma once

#include <cstddef>
#include <cstdint>

// Unkeyed BLAKE2b with a 64-byte digest (RFC 7693). Incremental, so a caller
// can hash R || A || message without copying the message.
inline constexpr uint32_t kBlake2bBlockBytes = 128;
inline constexpr uint32_t kBlake2bDigestBytes = 64;

// The forms of the compression function, slowest first. The portable one runs
// everywhere; the others on x86 processors that have the instructions.
enum class Blake2bPath { Portable, Sse2, Ssse3, Avx2 };
inline constexpr Blake2bPath kBlake2bPaths[] = {Blake2bPath::Portable, Blake2bPath::Sse2, Blake2bPath::Ssse3,
                                        Blake2bPath::Avx2};

bool isBlake2bPathSupported(Blake2bPath path);
// The fastest path this processor runs; decided once per process.
Blake2bPath bestBlake2bPath();
const char* blake2bPathName(Blake2bPath path);

struct Blake2bBlockCounter {
  uint64_t low, high;
};

// Compresses blockCount consecutive 128-byte blocks into state; block i is
// counted as firstCounter + 128 * i bytes. lastBlock marks the message's final
// block (blockCount is 1 then).
using Blake2bCompress = void (*)(uint64_t state[8], const uint8_t* blocks, size_t blockCount,
                                 Blake2bBlockCounter firstCounter, bool lastBlock);

class Blake2b {
 public:
  // Every path gives the same digest; tests pick each one in turn.
  explicit Blake2b(Blake2bPath path = bestBlake2bPath());
  ~Blake2b();
  Blake2b(const Blake2b&) = delete;
  Blake2b& operator=(const Blake2b&) = delete;

  void update(const uint8_t* data, size_t length);
  void finish(uint8_t* digest /* kBlake2bDigestBytes */);

 private:
  void compressFull(const uint8_t* blocks, size_t blockCount);
  void countBytes(uint64_t count);

  Blake2bCompress compress_;
  uint64_t state_[8];
  uint64_t byteCount_[2];
  uint8_t buffer_[kBlake2bBlockBytes];
  uint32_t bufferUsed_ = 0;
};

void blake2b512(const uint8_t* data, size_t length, uint8_t* digest /* kBlake2bDigestBytes */);
