#include "eddsa_signing.h"

#include "crypto/blake2b.h"
#include "crypto/edwards25519.h"
#include "crypto/scalar25519.h"
#include "crypto/wipe.h"
#include "fixed_base_mult.h"

namespace {

// BLAKE2b-512(seed) split into the secret scalar (first half, clamped: a
// multiple of 8 with bit 254 set) and the nonce prefix (second half).
struct ExpandedSecret {
  uint8_t scalar[32];
  uint8_t prefix[32];

  explicit ExpandedSecret(const uint8_t* seed) {
    uint8_t digest[kBlake2bDigestBytes];
    blake2b512(seed, kSeedBytes, digest);
    for (int i = 0; i < 32; ++i) {
      scalar[i] = digest[i];
      prefix[i] = digest[32 + i];
    }
    scalar[0] &= 248;
    scalar[31] &= 127;
    scalar[31] |= 64;
    wipeMemory(digest, sizeof digest);
  }
  ~ExpandedSecret() { wipeMemory(this, sizeof *this); }
  ExpandedSecret(const ExpandedSecret&) = delete;
  ExpandedSecret& operator=(const ExpandedSecret&) = delete;
};

void publicPoint(uint8_t* encoded, const uint8_t* scalar) {
  PointExtended point;
  fixedBaseMultConstantTime(point, scalar);
  pointEncode(encoded, point);
  wipeMemory(&point, sizeof point);
}

}  // namespace

void derivePublicKey(uint8_t* publicKey, const uint8_t* seed) {
  const ExpandedSecret secret(seed);
  publicPoint(publicKey, secret.scalar);
}

void signMessage(uint8_t* signature, const uint8_t* seed, const uint8_t* message, size_t length) {
  const ExpandedSecret secret(seed);
  uint8_t publicKey[kPublicKeyBytes];
  publicPoint(publicKey, secret.scalar);

  // r = BLAKE2b(prefix || M) mod L, R = [r]B.
  uint8_t digest[kBlake2bDigestBytes];
  {
    Blake2b hash;
    hash.update(secret.prefix, sizeof secret.prefix);
    hash.update(message, length);
    hash.finish(digest);
  }
  uint8_t nonce[kScalarBytes];
  scalarReduceWide(nonce, digest);
  uint8_t encodedR[kPointBytes];
  publicPoint(encodedR, nonce);

  // h = BLAKE2b(R || A || M) mod L, S = r + h * s mod L.
  {
    Blake2b hash;
    hash.update(encodedR, sizeof encodedR);
    hash.update(publicKey, sizeof publicKey);
    hash.update(message, length);
    hash.finish(digest);
  }
  uint8_t challenge[kScalarBytes];
  scalarReduceWide(challenge, digest);
  uint8_t s[kScalarBytes];
  scalarMulAdd(s, challenge, secret.scalar, nonce);

  for (uint32_t i = 0; i < kPointBytes; ++i) signature[i] = encodedR[i];
  for (uint32_t i = 0; i < kScalarBytes; ++i) signature[kPointBytes + i] = s[i];
  wipeMemory(digest, sizeof digest);
  wipeMemory(nonce, sizeof nonce);
  wipeMemory(s, sizeof s);
}
