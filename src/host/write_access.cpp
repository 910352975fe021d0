#include "host/write_access.h"

#include <cwctype>

namespace {

constexpr const wchar_t* kTrustedWriters[] = {
    L"S-1-5-18",
    L"S-1-5-32-544",
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",
};

bool equalsIgnoringCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i) {
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  }
  return i == a.size() && b[i] == 0;
}

bool isDenyEntry(uint8_t type) {
  for (uint8_t deny : write_access::kDenyAceTypes) {
    if (type == deny) return true;
  }
  return false;
}

}  // namespace

bool isTrustedWriterSid(const std::wstring& sid) {
  for (const wchar_t* trusted : kTrustedWriters) {
    if (equalsIgnoringCase(sid, trusted)) return true;
  }
  return false;
}

bool entriesGrantUntrustedWrite(const std::vector<AceView>& entries, uint32_t mask) {
  using namespace write_access;
  for (const AceView& entry : entries) {
    if (isDenyEntry(entry.type)) continue;        // deny entries neither help nor hurt
    if (entry.flags & kInheritOnlyAce) continue;  // applies to children only
    if (entry.type != kAccessAllowedAceType) return true;
    if ((entry.mask & mask) == 0) continue;
    if (!entry.sid || !isTrustedWriterSid(*entry.sid)) return true;
  }
  return false;
}

bool isUntrustedOwner(const std::optional<std::wstring>& sid) { return !sid || !isTrustedWriterSid(*sid); }

bool isAcceptedFolderOwner(const std::optional<std::wstring>& owner, const std::wstring& self) {
  if (!owner || owner->empty()) return false;
  return isTrustedWriterSid(*owner) || (!self.empty() && equalsIgnoringCase(*owner, self.c_str()));
}
