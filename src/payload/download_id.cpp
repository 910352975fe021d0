#include "payload/download_id.h"

bool isValidDownloadId(const std::string& id) {
  if (id.size() != kDownloadIdLength) return false;
  for (char c : id) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}
