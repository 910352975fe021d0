#include "crypto/builtin_keys.h"

namespace {

#if defined(NORVANE_TEST_BUILD)
// Derived from the fixed seeds in tests/keys/, so tests can sign what the
// program accepts.
constexpr char kTenantFilePublicKeyHex[] = "42854f47e3d38e22dc551104bb323c7003c193b7c9626164b2edececcdb31aec";
constexpr char kUpdatePublicKeyHex[] = "d4f8e6f267271177c11d17d39810d747166572a1b6db8e352363d9786eb07983";
#else
// Production keys; their secret halves never enter the repository (see
// src/crypto/README.md).
constexpr char kTenantFilePublicKeyHex[] = "2d2b4886f8b60435be8e68a838eac768f14c635cc509df2c12fd119a0a86c031";
constexpr char kUpdatePublicKeyHex[] = "b6902c8dbaa100177f970310a8afb5f58348fdb253e62d11e7a0c1adafff2468";
#endif

}  // namespace

const char* tenantFilePublicKeyHex() { return kTenantFilePublicKeyHex; }

const char* updatePublicKeyHex() { return kUpdatePublicKeyHex; }
