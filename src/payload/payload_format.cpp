#include "payload/payload_format.h"

namespace payload_format {

bool isValidEntryName(std::string_view name) {
  if (name.empty() || name.size() >= kNameFieldSize || name.front() == '.') return false;
  if (name.find("..") != std::string_view::npos) return false;
  for (char c : name) {
    const bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                         c == '.' || c == '_' || c == '-';
    if (!allowed) return false;
  }
  return true;
}

}  // namespace payload_format
