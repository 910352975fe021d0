#include "support/payload_builder.h"

#include <algorithm>

#include "payload/payload_format.h"

using namespace payload_format;

std::vector<uint8_t> CraftedPayload::build() const {
  std::vector<uint8_t> file = prefix;
  std::vector<uint64_t> offsets;
  for (const CraftedEntry& entry : entries) {
    offsets.push_back(file.size());
    file.insert(file.end(), entry.value.begin(), entry.value.end());
  }
  const uint64_t directoryAt = file.size();
  for (size_t i = 0; i < entries.size(); ++i) {
    const CraftedEntry& entry = entries[i];
    uint8_t raw[kEntrySize] = {};
    std::copy_n(entry.name.begin(), std::min(entry.name.size(), kNameFieldSize), raw);
    writeU32(raw + kEntryTagAt, entry.tag);
    writeU64(raw + kEntryValueOffsetAt, entry.forceOffset ? entry.offset : offsets[i]);
    writeU64(raw + kEntryValueLengthAt, entry.forceLength ? entry.length : entry.value.size());
    file.insert(file.end(), raw, raw + kEntrySize);
  }
  uint8_t trailer[kTrailerSize] = {};
  std::copy_n(kTrailerMagic, sizeof kTrailerMagic, trailer);
  writeU32(trailer + kTrailerVersionAt, formatVersion);
  writeU32(trailer + kTrailerCountAt, forceCount ? count : uint32_t(entries.size()));
  writeU64(trailer + kTrailerDirectoryAt, forceDirectoryOffset ? directoryOffset : directoryAt);
  for (size_t i = 0; i < 4; ++i) writeU16(trailer + kTrailerCarriedVersionAt + 2 * i, carried[i]);
  file.insert(file.end(), trailer, trailer + kTrailerSize);
  file.insert(file.end(), paddingAfterTrailer, 0);
  return file;
}

CraftedPayload onlineInstallerPayload(const std::string& downloadId, const std::string& slug) {
  CraftedPayload payload;
  payload.entries = {{"online.version", 0, "1"}, {"download.id", 0, downloadId}, {"tenant.slug", 0, slug}};
  return payload;
}
