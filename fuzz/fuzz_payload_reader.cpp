// The payload reader takes whole files from the user's disk: any bytes must end
// in a clean accept or reject, and lookups on an accepted payload stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/entry_checks.h"
#include "payload/installer_image.h"
#include "payload/payload_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PayloadReader reader;
  if (!reader.acceptFileBytes(std::vector<uint8_t>(data, data + size))) return 0;
  for (const PayloadEntry& entry : reader.entries()) {
    std::vector<uint8_t> value;
    if (!reader.copyEntryBytes(entry, &value) || value.size() != entry.valueLength) __builtin_trap();
  }
  OwnPayload own;
  acceptOwnPayload(reader, own);
  carriesInstallerEntries(reader, 64);
  return 0;
}
