// In the test build the built-in keys are the public halves of the committed
// test seeds, so tests can sign what the program accepts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "crypto/builtin_keys.h"
#include "eddsa_signing.h"
#include "vector_file.h"

namespace {
std::string publicKeyOfSeedFile(const std::string& name) {
  std::ifstream in(std::string(NORVANE_TEST_KEYS_DIR) + "/" + name, std::ios::binary);
  const std::vector<uint8_t> seed((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (seed.size() != kSeedBytes) return "missing or malformed " + name;
  uint8_t publicKey[kPublicKeyBytes];
  derivePublicKey(publicKey, seed.data());
  return toHex(publicKey, sizeof publicKey);
}
}  // namespace

TEST(BuiltinKeys, TestBuildCarriesThePublicHalvesOfTheTestSeeds) {
#if !defined(NORVANE_TEST_BUILD)
  GTEST_SKIP() << "release build: see production_keys_tests";
#endif
  EXPECT_EQ(publicKeyOfSeedFile("update-signing-test.key"), updatePublicKeyHex());
  EXPECT_EQ(publicKeyOfSeedFile("tenant-file-test.key"), tenantFilePublicKeyHex());
}
