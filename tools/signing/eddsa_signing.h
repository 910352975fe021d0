#pragma once

// Key pairs and signatures of the program's signature scheme (EdDSA over
// edwards25519 with BLAKE2b-512), for the release tool only. A secret key is
// its 32-byte seed. Constant time with respect to the seed and the derived
// secrets; every secret intermediate is wiped before returning.

#include <cstddef>
#include <cstdint>

inline constexpr uint32_t kSeedBytes = 32;
inline constexpr uint32_t kPublicKeyBytes = 32;
inline constexpr uint32_t kSignatureBytes = 64;

void derivePublicKey(uint8_t* publicKey, const uint8_t* seed);

// Deterministic: the same seed and message always give the same signature.
void signMessage(uint8_t* signature, const uint8_t* seed, const uint8_t* message, size_t length);
