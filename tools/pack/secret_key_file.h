#pragma once
// Secret key files of the signing commands: exactly the 32-byte seed, raw,
// readable by the owner only. The public key is derived from it on use.
#include <cstdint>
#include <string>

#include "eddsa_signing.h"

struct SecretSeed {
  uint8_t bytes[kSeedBytes] = {};
  SecretSeed() = default;
  ~SecretSeed();
  SecretSeed(const SecretSeed&) = delete;
  SecretSeed& operator=(const SecretSeed&) = delete;
};

// Fails when the file cannot be read or is not exactly 32 bytes long.
bool readSecretKeyFile(const std::string& path, SecretSeed& seed, std::string& error);

// Creates the file with mode 0600; refuses to replace an existing file.
bool writeSecretKeyFile(const std::string& path, const SecretSeed& seed, std::string& error);

// Fills the seed from the system's random source (getrandom, else /dev/urandom).
bool randomSeed(SecretSeed& seed, std::string& error);

std::string lowerHex(const uint8_t* bytes, size_t length);
