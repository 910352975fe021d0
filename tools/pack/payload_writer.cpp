#include "payload_writer.h"

#include <algorithm>

#include "payload/payload_format.h"

using namespace payload_format;

namespace {
constexpr uint64_t kPayloadAlignment = 8;  // the certificate table that may follow starts aligned
}

std::vector<uint8_t> buildPayload(const std::vector<PayloadValue>& values, uint64_t baseOffset,
                                  const PayloadVersion& version) {
  std::vector<uint8_t> out;
  std::vector<uint64_t> offsets;
  for (const PayloadValue& value : values) {
    offsets.push_back(baseOffset + out.size());
    out.insert(out.end(), value.bytes.begin(), value.bytes.end());
  }
  const uint64_t directoryOffset = baseOffset + out.size();
  for (size_t i = 0; i < values.size(); ++i) {
    uint8_t entry[kEntrySize] = {};
    std::copy(values[i].name.begin(), values[i].name.end(), entry);
    writeU32(entry + kEntryTagAt, values[i].bitnessTag);
    writeU64(entry + kEntryValueOffsetAt, offsets[i]);
    writeU64(entry + kEntryValueLengthAt, values[i].bytes.size());
    out.insert(out.end(), entry, entry + kEntrySize);
  }
  uint8_t trailer[kTrailerSize] = {};
  std::copy(std::begin(kTrailerMagic), std::end(kTrailerMagic), trailer);
  writeU32(trailer + kTrailerVersionAt, kFormatVersion);
  writeU32(trailer + kTrailerCountAt, uint32_t(values.size()));
  writeU64(trailer + kTrailerDirectoryAt, directoryOffset);
  const uint16_t fields[4] = {version.major, version.minor, version.build, version.revision};
  for (size_t i = 0; i < 4; ++i) writeU16(trailer + kTrailerCarriedVersionAt + 2 * i, fields[i]);
  out.insert(out.end(), trailer, trailer + kTrailerSize);
  const uint64_t end = baseOffset + out.size();
  out.resize(out.size() + size_t((kPayloadAlignment - end % kPayloadAlignment) % kPayloadAlignment), 0);
  return out;
}
