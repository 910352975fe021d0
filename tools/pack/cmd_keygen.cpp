// keygen: makes a signing key pair; the secret seed goes to a 0600 file and
// the public key is printed for the program's built-in keys.
#include <cstdio>

#include "cli.h"
#include "crypto/signature.h"
#include "secret_key_file.h"

namespace {
constexpr char kName[] = "keygen";
}  // namespace

int runKeygen(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(arguments, {"--secret-out", "--seed-hex"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  if (!parsed.positionals.empty()) return usageError(kName, "unexpected argument " + parsed.positionals[0]);
  const auto secretOut = parsed.options.find("--secret-out");
  if (secretOut == parsed.options.end()) return usageError(kName, "--secret-out FILE is required");

  SecretSeed seed;
  std::string error;
  const auto seedHex = parsed.options.find("--seed-hex");
  if (seedHex != parsed.options.end()) {
    if (!decodeHexKey(seedHex->second.c_str(), seed.bytes, kSeedBytes)) {
      return usageError(kName, "--seed-hex needs exactly 64 hexadecimal characters");
    }
  } else if (!randomSeed(seed, error)) {
    return failure(kName, error);
  }

  if (!writeSecretKeyFile(secretOut->second, seed, error)) return failure(kName, error);
  uint8_t publicKey[kPublicKeyBytes];
  derivePublicKey(publicKey, seed.bytes);
  std::printf("%s\n", lowerHex(publicKey, sizeof publicKey).c_str());
  return kExitOk;
}
