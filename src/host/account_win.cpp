#include "host/account_win.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstdint>
#include <vector>

#include "host/handles_win.h"

namespace {

ScopedHandle processToken() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return ScopedHandle();
  return ScopedHandle(token);
}

// One kind of the token's information (TOKEN_USER, TOKEN_OWNER, ...), in a
// buffer that the record points into; empty on failure.
std::vector<uint64_t> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
  DWORD size = 0;
  GetTokenInformation(token, kind, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<uint64_t> buffer((size + sizeof(uint64_t) - 1) / sizeof(uint64_t), 0);  // zero-filled, aligned
  if (!GetTokenInformation(token, kind, buffer.data(), size, &size)) return {};
  return buffer;
}

std::vector<uint64_t> tokenUser(HANDLE token) { return tokenInformation(token, TokenUser); }

PSID userSidOf(std::vector<uint64_t>& user) { return reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid; }

}  // namespace

bool isLocalSystem() {
  const ScopedHandle token = processToken();
  std::vector<uint64_t> user = token ? tokenUser(token.get()) : std::vector<uint64_t>();
  if (user.empty()) return false;
  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID system = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 1, SECURITY_LOCAL_SYSTEM_RID, 0, 0, 0, 0, 0, 0, 0, &system)) return false;
  const bool same = EqualSid(userSidOf(user), system) != FALSE;
  FreeSid(system);
  return same;
}

bool isElevated() {
  const ScopedHandle token = processToken();
  TOKEN_ELEVATION elevation = {};
  DWORD size = 0;
  return token && GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size) &&
         elevation.TokenIsElevated != 0;
}

std::wstring processUserSid() {
  const ScopedHandle token = processToken();
  std::vector<uint64_t> user = token ? tokenUser(token.get()) : std::vector<uint64_t>();
  wchar_t* text = nullptr;
  if (user.empty() || !ConvertSidToStringSidW(userSidOf(user), &text)) return {};
  const ScopedLocalMemory owner(text);
  return text;
}

bool isOwnedByThisAccount(HANDLE object) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                      &descriptor) != ERROR_SUCCESS) {
    return false;
  }
  const ScopedLocalMemory freeDescriptor(descriptor);
  const ScopedHandle token = processToken();
  if (owner == nullptr || !token) return false;
  std::vector<uint64_t> user = tokenUser(token.get());
  const std::vector<uint64_t> defaultOwner = tokenInformation(token.get(), TokenOwner);
  return (!user.empty() && EqualSid(owner, userSidOf(user))) ||
         (!defaultOwner.empty() && EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(defaultOwner.data())->Owner));
}
