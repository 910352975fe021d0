#pragma once

// The program's two built-in public keys, 64 lowercase hexadecimal characters
// each, for decodeHexKey. A test build carries test keys instead (their seeds
// are in tests/keys/); the release build carries the production keys.

// Key that tenant files are signed with.
const char* tenantFilePublicKeyHex();

// Key that release installers (".sig" files) are signed with.
const char* updatePublicKeyHex();
