// stamp: turns the built online installer into one customer's download by
// appending its three payload values right after the last section.
#include "app/command_line.h"
#include "payload/download_id.h"
#include "cli.h"
#include "image_payload.h"

namespace {
constexpr char kName[] = "stamp";

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }
}  // namespace

int runStamp(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(arguments, {"--download-id", "--tenant"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  if (!parsed.options.count("--download-id") || !parsed.options.count("--tenant")) {
    return usageError(kName, "--download-id and --tenant are required");
  }
  if (parsed.positionals.size() != 2) return usageError(kName, "expected IN.exe and OUT.exe");
  const std::string& id = parsed.options.at("--download-id");
  const std::string& slug = parsed.options.at("--tenant");
  if (!isValidDownloadId(id)) {
    return usageError(kName, "download id must be 32 lower-case hexadecimal characters: " + id);
  }
  if (!isValidTenantSlug(slug)) {
    return usageError(kName, "tenant slug must be 2-31 of a-z 0-9 - and not start with '-': " + slug);
  }

  const std::vector<PayloadValue> values = {
      {"online.version", 0, bytesOf("1")}, {"download.id", 0, bytesOf(id)}, {"tenant.slug", 0, bytesOf(slug)}};
  std::string error;
  if (!appendPayloadToImage(parsed.positionals[0], parsed.positionals[1], values, error)) return failure(kName, error);
  return kExitOk;
}
