#pragma once
// Who this process runs as, read from its own token.
#include <string>

// The token's user is LocalSystem (S-1-5-18).
bool isLocalSystem();

// The token is elevated (an administrator's full token).
bool isElevated();

// The token user's SID as text ("S-1-5-21-..."); empty when it cannot be read.
std::wstring processUserSid();
