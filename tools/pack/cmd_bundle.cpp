// bundle: appends a full installer's payload, the product's programs tagged
// with the processor width they are built for.
#include "cli.h"
#include "payload/payload_format.h"
#include "image_payload.h"

namespace {
constexpr char kName[] = "bundle";

bool parseFileOption(const std::string& option, std::string& name, std::string& path) {
  const size_t equals = option.find('=');
  if (equals == std::string::npos) return false;
  name = option.substr(0, equals);
  path = option.substr(equals + 1);
  return !path.empty();
}
}  // namespace

int runBundle(const std::vector<std::string>& arguments) {
  // --file may repeat, so it is collected here before the generic parse.
  std::vector<std::string> rest;
  std::vector<std::string> fileOptions;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--file") {
      if (i + 1 >= arguments.size()) return usageError(kName, "--file needs NAME=PATH");
      fileOptions.push_back(arguments[++i]);
    } else {
      rest.push_back(arguments[i]);
    }
  }
  const ParsedArguments parsed = parseArguments(rest, {"--bits"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  const auto bits = parsed.options.find("--bits");
  if (bits == parsed.options.end() || (bits->second != "32" && bits->second != "64")) {
    return usageError(kName, "--bits must be 32 or 64");
  }
  if (fileOptions.empty()) return usageError(kName, "at least one --file NAME=PATH is required");
  if (fileOptions.size() > payload_format::kMaxEntryCount) return usageError(kName, "at most 32 files fit a payload");
  if (parsed.positionals.size() != 2) return usageError(kName, "expected IN.exe and OUT.exe");

  const uint32_t tag = bits->second == "32" ? payload_format::kTag32 : payload_format::kTag64;
  std::vector<PayloadValue> values;
  std::string error;
  for (const std::string& option : fileOptions) {
    PayloadValue value{{}, tag, {}};
    std::string path;
    if (!parseFileOption(option, value.name, path)) return usageError(kName, "--file needs NAME=PATH: " + option);
    if (!payload_format::isValidEntryName(value.name)) return usageError(kName, "bad entry name: " + value.name);
    if (!readFileBytes(path, value.bytes, error)) return failure(kName, error);
    if (value.bytes.empty()) return failure(kName, path + " is empty");
    values.push_back(std::move(value));
  }

  if (!appendPayloadToImage(parsed.positionals[0], parsed.positionals[1], values, error)) return failure(kName, error);
  return kExitOk;
}
