// Times the signature check and BLAKE2b against libsodium's BLAKE2b and
// Ed25519 verification over the same bytes, and prints the two ratios that
// the release targets are stated in.
#include <sodium.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "crypto/blake2b.h"
#include "crypto/signature.h"
#include "eddsa_signing.h"

namespace {

constexpr size_t kShortMessageBytes = 448;            // a tenant file's signed part
constexpr size_t kLargeMessageBytes = 64u << 20;      // the largest installer
constexpr double kMinimumSecondsPerRound = 0.5;
constexpr int kRounds = 7;

// One timed batch: seconds per call over at least kMinimumSecondsPerRound.
double timeBatch(const std::function<void()>& call) {
  long calls = 0;
  const auto start = std::chrono::steady_clock::now();
  double elapsed = 0;
  do {
    call();
    ++calls;
    elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  } while (elapsed < kMinimumSecondsPerRound);
  return elapsed / static_cast<double>(calls);
}

// Best seconds per call of each operation. The operations take turns round
// by round, so a busy machine slows both sides of a ratio alike.
std::vector<double> bestSecondsPerCall(const std::vector<std::function<void()>>& calls) {
  std::vector<double> best(calls.size(), 1e30);
  for (int round = 0; round < kRounds; ++round) {
    for (size_t i = 0; i < calls.size(); ++i) best[i] = std::min(best[i], timeBatch(calls[i]));
  }
  return best;
}

void report(const char* what, double seconds, size_t bytes) {
  if (seconds < 1e-3) {
    std::printf("%-44s %10.2f us", what, seconds * 1e6);
  } else {
    std::printf("%-44s %10.2f ms", what, seconds * 1e3);
  }
  if (bytes >= 4096) std::printf("  (%.0f MB/s)", static_cast<double>(bytes) / seconds / 1e6);
  std::printf("\n");
}

std::vector<uint8_t> patternBytes(size_t length) {
  std::vector<uint8_t> bytes(length);
  uint32_t state = 0x9e3779b9u;
  for (uint8_t& b : bytes) {
    state = state * 1664525u + 1013904223u;
    b = static_cast<uint8_t>(state >> 24);
  }
  return bytes;
}

// "crypto_bench sodium-blake2b": one pass of libsodium's BLAKE2b over 64 MiB,
// the reference that the check inside the 32-bit program (bench/wine/
// check_timer) is timed against in turns.
int timeSodiumBlake2bOnce() {
  const std::vector<uint8_t> message = patternBytes(kLargeMessageBytes);
  uint8_t digest[64];
  const auto start = std::chrono::steady_clock::now();
  crypto_generichash(digest, sizeof digest, message.data(), message.size(), nullptr, 0);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("sodium-blake2b-us %.0f (digest starts %02x)\n", seconds * 1e6, digest[0]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (sodium_init() < 0) {
    std::fprintf(stderr, "libsodium failed to start\n");
    return 1;
  }
  if (argc == 2 && std::string(argv[1]) == "sodium-blake2b") return timeSodiumBlake2bOnce();
  const std::vector<uint8_t> shortMessage = patternBytes(kShortMessageBytes);
  const std::vector<uint8_t> largeMessage = patternBytes(kLargeMessageBytes);

  uint8_t seed[kSeedBytes];
  for (uint32_t i = 0; i < sizeof seed; ++i) seed[i] = static_cast<uint8_t>(i * 7 + 1);
  uint8_t publicKey[kPublicKeyBytes];
  uint8_t shortSignature[kSignatureBytes];
  uint8_t largeSignature[kSignatureBytes];
  derivePublicKey(publicKey, seed);
  signMessage(shortSignature, seed, shortMessage.data(), shortMessage.size());
  signMessage(largeSignature, seed, largeMessage.data(), largeMessage.size());

  uint8_t sodiumPublic[crypto_sign_PUBLICKEYBYTES], sodiumSecret[crypto_sign_SECRETKEYBYTES];
  uint8_t sodiumSignature[crypto_sign_BYTES];
  crypto_sign_seed_keypair(sodiumPublic, sodiumSecret, seed);
  crypto_sign_detached(sodiumSignature, nullptr, shortMessage.data(), shortMessage.size(), sodiumSecret);

  bool allValid = true;
  uint8_t digest[64];
  const std::vector<double> best = bestSecondsPerCall({
      [&] { allValid &= verifySignature(shortSignature, publicKey, shortMessage.data(), kShortMessageBytes); },
      [&] { allValid &= verifySignature(largeSignature, publicKey, largeMessage.data(), kLargeMessageBytes); },
      [&] { blake2b512(largeMessage.data(), largeMessage.size(), digest); },
      [&] { crypto_generichash(digest, sizeof digest, largeMessage.data(), largeMessage.size(), nullptr, 0); },
      [&] {
        allValid &= crypto_sign_verify_detached(sodiumSignature, shortMessage.data(), shortMessage.size(),
                                                sodiumPublic) == 0;
      },
  });
  const double oursShort = best[0], oursLarge = best[1], oursBlake2b = best[2];
  const double sodiumBlake2b = best[3], sodiumShort = best[4];
  if (!allValid) {
    std::fprintf(stderr, "a signature that must verify did not\n");
    return 1;
  }

  report("verifySignature, 448 bytes", oursShort, kShortMessageBytes);
  report("verifySignature, 64 MiB", oursLarge, kLargeMessageBytes);
  report("our BLAKE2b-512, 64 MiB", oursBlake2b, kLargeMessageBytes);
  report("libsodium crypto_generichash (BLAKE2b), 64 MiB", sodiumBlake2b, kLargeMessageBytes);
  report("libsodium crypto_sign_verify_detached, 448 B", sodiumShort, kShortMessageBytes);
  std::printf("\nratio 64 MiB verify / libsodium BLAKE2b 64 MiB:   %.2f (target <= 1.30)\n", oursLarge / sodiumBlake2b);
  std::printf("ratio 448-byte verify / libsodium Ed25519 verify: %.2f (target <= 1.50)\n", oursShort / sodiumShort);
  return 0;
}
