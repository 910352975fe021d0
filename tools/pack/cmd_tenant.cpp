// tenant: writes a signed 512-byte tenant file <id>.cfg for an installed product.
#include <cstdio>
#include <cstdlib>

#include "cli.h"
#include "crypto/signature.h"
#include "secret_key_file.h"
#include "tenant_file_builder.h"
#include "tenants/tenant_file.h"
#include "utf8_to_utf16.h"

namespace {
constexpr char kName[] = "tenant";
constexpr uint32_t kTenantIdBytes = 16;
constexpr uint32_t kValueBytes = 32;
constexpr char kFileSuffix[] = ".cfg";

bool parseHeaderValue(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
  if (parsed > 0xffffffffULL) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

std::string optionOr(const ParsedArguments& parsed, const char* name, const std::string& fallback) {
  const auto found = parsed.options.find(name);
  return found == parsed.options.end() ? fallback : found->second;
}
}  // namespace

int runTenant(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(
      arguments, {"--secret", "--id", "--slug", "--name", "--text", "--header", "--value1", "--value2", "--value3",
                  "--out-dir"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  if (!parsed.positionals.empty()) return usageError(kName, "unexpected argument " + parsed.positionals[0]);
  for (const char* required : {"--secret", "--id", "--slug", "--name", "--text", "--out-dir"}) {
    if (!parsed.options.count(required)) return usageError(kName, std::string(required) + " is required");
  }

  TenantFileFields fields;
  const std::string id = parsed.options.at("--id");
  if (!decodeHexKey(id.c_str(), fields.tenantId, kTenantIdBytes)) {
    return usageError(kName, "--id needs exactly 32 hexadecimal characters");
  }
  if (!parseHeaderValue(optionOr(parsed, "--header", "1"), fields.headerValue)) {
    return usageError(kName, "--header needs a decimal number from 1 to 4294967295");
  }
  fields.tenantSlug = parsed.options.at("--slug");
  if (!utf8ToUtf16(parsed.options.at("--name"), fields.wideName)) return usageError(kName, "--name is not valid UTF-8");
  fields.asciiText = parsed.options.at("--text");
  const std::pair<const char*, uint8_t*> values[] = {
      {"--value1", fields.value1}, {"--value2", fields.value2}, {"--value3", fields.value3}};
  for (const auto& [option, bytes] : values) {
    const auto given = parsed.options.find(option);
    if (given != parsed.options.end() && !decodeHexKey(given->second.c_str(), bytes, kValueBytes)) {
      return usageError(kName, std::string(option) + " needs exactly 64 hexadecimal characters");
    }
  }
  const std::string problem = tenantFieldsProblem(fields);
  if (!problem.empty()) return usageError(kName, problem);

  SecretSeed seed;
  std::string error;
  if (!readSecretKeyFile(parsed.options.at("--secret"), seed, error)) return failure(kName, error);
  std::vector<uint8_t> file(kTenantFileBytes);
  std::string buildProblem;
  if (!buildSignedTenantFile(fields, seed.bytes, file.data(), buildProblem)) return failure(kName, buildProblem);
  TenantRecord record;
  if (!parseTenantFile(file.data(), file.size(), &record)) return failure(kName, "built file fails its own checks");

  const std::string path = parsed.options.at("--out-dir") + "/" + lowerHex(fields.tenantId, kTenantIdBytes) + kFileSuffix;
  if (!writeFileBytes(path, file, error)) return failure(kName, error);
  std::printf("%s\n", path.c_str());
  return kExitOk;
}
