// Which BLAKE2b compression form this processor runs, asked of the processor
// once per process. Built without instruction-set options: it only asks.
#include "crypto/blake2b_compress.h"

#if NORVANE_BLAKE2B_SIMD
#if defined(_MSC_VER)
#include <immintrin.h>
#include <intrin.h>
#else
#include <cpuid.h>
#endif
#endif

namespace {

struct ProcessorFeatures {
  bool sse2 = false, ssse3 = false, avx2 = false;
};

#if NORVANE_BLAKE2B_SIMD
constexpr uint32_t kLeaf1EdxSse2 = 1u << 26;
constexpr uint32_t kLeaf1EcxSsse3 = 1u << 9;
constexpr uint32_t kLeaf1EcxOsXsave = 1u << 27;
constexpr uint32_t kLeaf1EcxAvx = 1u << 28;
constexpr uint32_t kLeaf7EbxAvx2 = 1u << 5;
constexpr uint64_t kXcrSseAndAvxState = 0x6;  // the system saves XMM and YMM registers

void cpuid(uint32_t leaf, uint32_t out[4]) {
#if defined(_MSC_VER)
  int values[4];
  __cpuidex(values, int(leaf), 0);
  for (int i = 0; i < 4; ++i) out[i] = uint32_t(values[i]);
#else
  out[0] = out[1] = out[2] = out[3] = 0;
  __get_cpuid_count(leaf, 0, &out[0], &out[1], &out[2], &out[3]);
#endif
}

uint64_t extendedControlRegister0() {
#if defined(_MSC_VER)
  return _xgetbv(0);
#else
  uint32_t low = 0, high = 0;
  __asm__ volatile("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
  return (uint64_t(high) << 32) | low;
#endif
}

ProcessorFeatures askProcessor() {
  ProcessorFeatures features;
  uint32_t r[4];  // eax, ebx, ecx, edx
  cpuid(0, r);
  const uint32_t highestLeaf = r[0];
  if (highestLeaf < 1) return features;
  cpuid(1, r);
  features.sse2 = (r[3] & kLeaf1EdxSse2) != 0;
  features.ssse3 = features.sse2 && (r[2] & kLeaf1EcxSsse3) != 0;
  // AVX2 needs the processor's flag and a system that saves the YMM registers.
  const bool avxState = (r[2] & kLeaf1EcxOsXsave) && (r[2] & kLeaf1EcxAvx) &&
                        (extendedControlRegister0() & kXcrSseAndAvxState) == kXcrSseAndAvxState;
  if (avxState && highestLeaf >= 7) {
    cpuid(7, r);
    features.avx2 = features.ssse3 && (r[1] & kLeaf7EbxAvx2) != 0;
  }
  return features;
}
#else
ProcessorFeatures askProcessor() { return {}; }
#endif

const ProcessorFeatures& processorFeatures() {
  static const ProcessorFeatures features = askProcessor();
  return features;
}

}  // namespace

bool isBlake2bPathSupported(Blake2bPath path) {
  const ProcessorFeatures& has = processorFeatures();
  switch (path) {
    case Blake2bPath::Portable: return true;
    case Blake2bPath::Sse2: return has.sse2;
    case Blake2bPath::Ssse3: return has.ssse3;
    case Blake2bPath::Avx2: return has.avx2;
  }
  return false;
}

Blake2bPath bestBlake2bPath() {
  static const Blake2bPath best = [] {
    Blake2bPath fastest = Blake2bPath::Portable;
    for (Blake2bPath path : kBlake2bPaths) {
      if (isBlake2bPathSupported(path)) fastest = path;
    }
    return fastest;
  }();
  return best;
}

const char* blake2bPathName(Blake2bPath path) {
  switch (path) {
    case Blake2bPath::Portable: return "portable";
    case Blake2bPath::Sse2: return "sse2";
    case Blake2bPath::Ssse3: return "ssse3";
    case Blake2bPath::Avx2: return "avx2";
  }
  return "?";
}

Blake2bCompress blake2bCompressFor(Blake2bPath path) {
#if NORVANE_BLAKE2B_SIMD
  if (isBlake2bPathSupported(path)) {
    switch (path) {
      case Blake2bPath::Sse2: return blake2bCompressSse2;
      case Blake2bPath::Ssse3: return blake2bCompressSsse3;
      case Blake2bPath::Avx2: return blake2bCompressAvx2;
      case Blake2bPath::Portable: break;
    }
  }
#else
  (void)path;
#endif
  return blake2bCompressPortable;
}
