// The release build's built-in keys are the production keys documented in
// src/crypto/README.md, never the test keys.
#if defined(NORVANE_TEST_BUILD)
#error "this test must be compiled as a release build"
#endif

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "crypto/builtin_keys.h"

namespace {

// The hex value in the README table row that starts with `label`, in the
// section that starts with `section`.
std::string documentedKey(const std::string& section, const std::string& label) {
  std::ifstream in(NORVANE_CRYPTO_README);
  std::stringstream text;
  text << in.rdbuf();
  const std::string readme = text.str();
  const size_t start = readme.find(section);
  if (start == std::string::npos) return "";
  std::smatch match;
  const std::regex row("\\| " + label + " \\|[^\\n]*`([0-9a-f]{64})` \\|");
  const std::string rest = readme.substr(start);
  if (!std::regex_search(rest, match, row)) return "";
  return match[1].str();
}

}  // namespace

TEST(ProductionKeys, ReleaseBuildCarriesTheDocumentedProductionKeys) {
  const std::string update = documentedKey("| Key | Production public key |", "update-signing key");
  const std::string tenant = documentedKey("| Key | Production public key |", "tenant-file key");
  ASSERT_EQ(update.size(), 64u);
  ASSERT_EQ(tenant.size(), 64u);
  EXPECT_EQ(std::string(updatePublicKeyHex()), update);
  EXPECT_EQ(std::string(tenantFilePublicKeyHex()), tenant);
}

TEST(ProductionKeys, ReleaseBuildCarriesNoTestKey) {
  const std::string testUpdate = documentedKey("| Key | Seed file | Test public key |", "update-signing key");
  const std::string testTenant = documentedKey("| Key | Seed file | Test public key |", "tenant-file key");
  ASSERT_EQ(testUpdate.size(), 64u);
  ASSERT_EQ(testTenant.size(), 64u);
  for (const char* key : {updatePublicKeyHex(), tenantFilePublicKeyHex()}) {
    EXPECT_NE(std::string(key), testUpdate);
    EXPECT_NE(std::string(key), testTenant);
  }
  EXPECT_NE(std::string(updatePublicKeyHex()), std::string(tenantFilePublicKeyHex()));
}
