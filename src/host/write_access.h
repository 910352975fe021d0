#pragma once
// Whether accounts other than the system's own may write a file or its folder.
// A copy that an ordinary account could have replaced is never started.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace write_access {
inline constexpr uint32_t kFileWriteMask = 0x500D0006;    // GENERIC_ALL|GENERIC_WRITE|WRITE_OWNER|WRITE_DAC|DELETE|FILE_WRITE_DATA|FILE_APPEND_DATA
inline constexpr uint32_t kFolderWriteMask = 0x500D0042;  // ... FILE_ADD_FILE|FILE_DELETE_CHILD
inline constexpr uint8_t kAccessAllowedAceType = 0;
// Deny entries in all their forms: plain, object, callback, callback object.
inline constexpr uint8_t kDenyAceTypes[] = {1, 6, 10, 12};
inline constexpr uint8_t kInheritOnlyAce = 0x08;
}  // namespace write_access

// One access-control entry as the walk sees it. `sid` is empty when the SID
// could not be turned into its string form.
struct AceView {
  uint8_t type = 0;
  uint8_t flags = 0;
  uint32_t mask = 0;
  std::optional<std::wstring> sid;
};

// LocalSystem, Administrators and TrustedInstaller, compared case-insensitively.
bool isTrustedWriterSid(const std::wstring& sid);

// True when an allow entry that applies to the object grants a write bit of
// `mask` to an account that is not a trusted writer. An entry of a type the
// walk does not read (object and callback allow entries, anything unknown)
// may grant anything to anyone, so it counts as such a grant.
bool entriesGrantUntrustedWrite(const std::vector<AceView>& entries, uint32_t mask);

// The owner may always rewrite the DACL, so only a trusted writer may own the
// file. `sid` is empty when the owner is missing or unreadable.
bool isUntrustedOwner(const std::optional<std::wstring>& sid);

// Whom an elevated run lets own a folder it writes in: a trusted writer, or
// the account `self` that runs it (its own folders, as made under the
// "object creator" default-owner policy). Any other owner could have made the
// folder to redirect us, and may rewrite its rights at any time.
bool isAcceptedFolderOwner(const std::optional<std::wstring>& owner, const std::wstring& self);

// Win32: the object's owner and DACL (a missing DACL grants everyone
// everything; an unreadable descriptor is treated as writable).
bool daclGrantsUntrustedWrite(const std::wstring& path, uint32_t mask);
bool isWritableByUntrusted(const std::wstring& path);
