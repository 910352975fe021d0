#pragma once
// Builds the bytes of an appended payload: values back to back, then the
// directory, then the trailer, then zero bytes up to a multiple of 8.
#include <cstdint>
#include <string>
#include <vector>

struct PayloadValue {
  std::string name;
  uint32_t bitnessTag = 0;
  std::vector<uint8_t> bytes;
};

struct PayloadVersion {
  uint16_t major = 0, minor = 0, build = 0, revision = 0;
};

// `baseOffset` is the file offset at which the payload will start.
std::vector<uint8_t> buildPayload(const std::vector<PayloadValue>& values, uint64_t baseOffset,
                                  const PayloadVersion& version);
