// verify: checks a detached signature exactly as the program does.
#include <cstdint>
#include <cstdio>
#include <limits>

#include "cli.h"
#include "crypto/signature.h"

namespace {
constexpr char kName[] = "verify";
constexpr size_t kPublicKeyBytes = 32;
constexpr size_t kSignatureBytes = 64;

int invalid(const std::string& input, const std::string& reason) {
  std::printf("invalid: %s: %s\n", input.c_str(), reason.c_str());
  return kExitFailure;
}
}  // namespace

int runVerify(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(arguments, {"--public"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  const auto publicHex = parsed.options.find("--public");
  if (publicHex == parsed.options.end()) return usageError(kName, "--public HEX64 is required");
  uint8_t publicKey[kPublicKeyBytes] = {};
  if (!decodeHexKey(publicHex->second.c_str(), publicKey, kPublicKeyBytes)) {
    return usageError(kName, "--public needs exactly 64 hexadecimal characters");
  }
  if (parsed.positionals.size() != 2) return usageError(kName, "expected IN and SIG");
  const std::string& input = parsed.positionals[0];

  std::vector<uint8_t> message, signature;
  std::string error;
  if (!readFileBytes(input, message, error)) return invalid(input, error);
  if (!readFileBytes(parsed.positionals[1], signature, error)) return invalid(input, error);
  if (signature.size() != kSignatureBytes) {
    return invalid(input, "signature file holds " + std::to_string(signature.size()) + " bytes, not 64");
  }
  if (message.size() > std::numeric_limits<uint32_t>::max()) return invalid(input, "file is larger than 4 GiB");
  if (!verifySignature(signature.data(), publicKey, message.data(), static_cast<uint32_t>(message.size()))) {
    return invalid(input, "signature does not match");
  }
  std::printf("valid: %s\n", input.c_str());
  return kExitOk;
}
