// inspect: lists a file's payload entries and carried version.
#include <cstdio>

#include "cli.h"
#include "payload/payload_reader.h"

namespace {
constexpr char kName[] = "inspect";
constexpr uint64_t kShownValueLength = 64;

bool isShortPrintable(const std::vector<uint8_t>& bytes) {
  if (bytes.size() > kShownValueLength) return false;
  for (uint8_t b : bytes) {
    if (b < 0x20 || b > 0x7e) return false;
  }
  return true;
}
}  // namespace

int runInspect(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(arguments, {});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  if (parsed.positionals.size() != 1) return usageError(kName, "expected one FILE");
  std::vector<uint8_t> bytes;
  std::string error;
  if (!readFileBytes(parsed.positionals[0], bytes, error)) return failure(kName, error);
  if (!isReadablePayloadFileSize(bytes.size())) return failure(kName, "file is empty or larger than 128 MiB");

  PayloadReader reader;
  if (!reader.acceptFileBytes(std::move(bytes))) {
    return failure(kName, "no usable payload: no valid trailer in the last 128 KiB, or a malformed directory");
  }
  const CarriedVersion v = reader.carriedVersion();
  std::printf("carried version %u.%u.%u.%u\n", v.major, v.minor, v.build, v.revision);
  std::printf("%-40s %4s %12s %12s  %s\n", "name", "tag", "offset", "length", "value");
  for (const PayloadEntry& entry : reader.entries()) {
    std::vector<uint8_t> value;
    reader.copyEntryBytes(entry, &value);
    const std::string shown = isShortPrintable(value) ? "\"" + std::string(value.begin(), value.end()) + "\"" : "";
    std::printf("%-40s %4u %12llu %12llu  %s\n", entry.name.c_str(), entry.bitnessTag,
                static_cast<unsigned long long>(entry.valueOffset), static_cast<unsigned long long>(entry.valueLength),
                shown.c_str());
  }
  return kExitOk;
}
