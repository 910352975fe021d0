#include "payload/installer_image.h"

#include "payload/payload_reader.h"

bool carriesInstallerEntries(const PayloadReader& reader, uint32_t bitness) {
  for (const wchar_t* name : kInstallerPayloadEntries) {
    if (!reader.findEntry(name, bitness)) return false;
  }
  return true;
}
