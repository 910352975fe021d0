// sign: writes the 64-byte detached signature of a file (installers, .sig).
#include "cli.h"
#include "secret_key_file.h"

namespace {
constexpr char kName[] = "sign";
constexpr char kSignatureSuffix[] = ".sig";
}  // namespace

int runSign(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(arguments, {"--secret", "--out"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  const auto secret = parsed.options.find("--secret");
  if (secret == parsed.options.end()) return usageError(kName, "--secret FILE is required");
  if (parsed.positionals.size() != 1) return usageError(kName, "expected one input file IN");
  const std::string& input = parsed.positionals[0];
  const auto out = parsed.options.find("--out");
  const std::string signaturePath = out != parsed.options.end() ? out->second : input + kSignatureSuffix;

  SecretSeed seed;
  std::string error;
  if (!readSecretKeyFile(secret->second, seed, error)) return failure(kName, error);
  std::vector<uint8_t> message;
  if (!readFileBytes(input, message, error)) return failure(kName, error);

  std::vector<uint8_t> signature(kSignatureBytes);
  signMessage(signature.data(), seed.bytes, message.data(), message.size());
  if (!writeFileBytes(signaturePath, signature, error)) return failure(kName, error);
  return kExitOk;
}
