#include "host/account_win.h"

#include <windows.h>
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

// The token's user, in a buffer that TOKEN_USER points into; empty on failure.
std::vector<uint64_t> tokenUser(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  if (size == 0) return {};
  std::vector<uint64_t> buffer((size + sizeof(uint64_t) - 1) / sizeof(uint64_t), 0);  // zero-filled, aligned
  if (!GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) return {};
  return buffer;
}

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
