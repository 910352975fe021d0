#pragma once
// Who this process runs as, read from its own token.
#include <windows.h>

#include <string>

// The token's user is LocalSystem (S-1-5-18).
bool isLocalSystem();

// The token is elevated (an administrator's full token).
bool isElevated();

// The token user's SID as text ("S-1-5-21-..."); empty when it cannot be read.
std::wstring processUserSid();

// A file or folder owned by this account: its user, or the default owner its
// new objects get (the Administrators group for an elevated administrator).
bool isOwnedByThisAccount(HANDLE object);
