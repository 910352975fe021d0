#pragma once
// The start-up check of our own payload: exactly "online.version" = "1", a
// 32-character lower-case hex "download.id" and a valid "tenant.slug".
#include <string>

#include "payload/download_id.h"

class PayloadReader;

struct OwnPayload {
  std::string downloadId;
  std::string tenantSlug;
};

inline constexpr size_t kOwnPayloadEntryCount = 3;

bool acceptOwnPayload(const PayloadReader& reader, OwnPayload& payload);
