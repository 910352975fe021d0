#pragma once

// Key pairs and signatures of the program's signature scheme (EdDSA over
// edwards25519 with BLAKE2b-512), for the release tool only. A secret key is
// its 32-byte seed. Constant time with respect to the seed and the derived
// secrets; every secret intermediate is wiped before returning.

#include <cstddef>
#include <cstdint>

namespace norvane::signing {

constexpr uint32_t SeedBytes = 32;
constexpr uint32_t PublicKeyBytes = 32;
constexpr uint32_t SignatureBytes = 64;

void derivePublicKey(uint8_t* publicKey, const uint8_t* seed);

// Deterministic: the same seed and message always give the same signature.
void signMessage(uint8_t* signature, const uint8_t* seed, const uint8_t* message, size_t length);

}  // namespace norvane::signing
