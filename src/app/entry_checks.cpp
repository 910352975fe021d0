#include "app/entry_checks.h"

#include "app/command_line.h"
#include "payload/payload_reader.h"

namespace {

constexpr uint32_t kOnlineVersionMaxLength = 1;
constexpr uint32_t kTenantSlugMaxLength = 31;

}  // namespace

bool acceptOwnPayload(const PayloadReader& reader, OwnPayload& payload) {
  if (reader.entries().size() != kOwnPayloadEntryCount) return false;
  std::string version;
  if (!readPayloadText(reader, L"online.version", kOnlineVersionMaxLength, version) || version != "1") return false;
  if (!readPayloadText(reader, L"download.id", kDownloadIdLength, payload.downloadId) ||
      !isValidDownloadId(payload.downloadId)) {
    return false;
  }
  return readPayloadText(reader, L"tenant.slug", kTenantSlugMaxLength, payload.tenantSlug) &&
         isValidTenantSlug(payload.tenantSlug);
}
