// norvane-pack keygen, sign, verify and tenant, run as the release engineer
// runs them.
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "crypto/builtin_keys.h"
#include "crypto/signature.h"
#include "eddsa_signing.h"
#include "tenants/tenant_file.h"
#include "vector_file.h"

namespace {

namespace fs = std::filesystem;

struct PackRun {
  int exitCode = -1;
  std::string output;  // stdout and stderr
};

PackRun pack(const std::string& arguments) {
  PackRun run;
  const std::string command = std::string(NORVANE_PACK_PATH) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::vector<uint8_t> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class PackSigningCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() /
                 ("norvane-pack-test-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
  }
  void TearDown() override { fs::remove_all(directory_); }
  std::string path(const char* name) const { return (directory_ / name).string(); }

  fs::path directory_;
};

const char kSeedHex[] = "0102030405060708090a0b0c0d0e0f101112131415161718191a1b1c1d1e1f20";

}  // namespace

TEST_F(PackSigningCommands, KeygenWritesAnOwnerOnlySeedAndPrintsItsPublicKey) {
  const PackRun run = pack("keygen --secret-out " + path("a.key") + " --seed-hex " + kSeedHex);
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<uint8_t> seed = readAll(path("a.key"));
  ASSERT_EQ(seed.size(), 32u);
  uint8_t publicKey[32];
  derivePublicKey(publicKey, seed.data());
  EXPECT_EQ(run.output, toHex(publicKey, 32) + "\n");
  EXPECT_EQ(toHex(seed.data(), 32), kSeedHex);
  struct stat status {};
  ASSERT_EQ(stat(path("a.key").c_str(), &status), 0);
  EXPECT_EQ(status.st_mode & 0777, 0600u);

  // A second keygen never replaces a secret.
  EXPECT_EQ(pack("keygen --secret-out " + path("a.key")).exitCode, 1);
  EXPECT_EQ(readAll(path("a.key")), seed);

  // Random seeds differ from run to run.
  const PackRun first = pack("keygen --secret-out " + path("r1.key"));
  const PackRun second = pack("keygen --secret-out " + path("r2.key"));
  ASSERT_EQ(first.exitCode, 0);
  ASSERT_EQ(first.output.size(), 65u);
  EXPECT_NE(first.output, second.output);
}

TEST_F(PackSigningCommands, SignThenVerify) {
  ASSERT_EQ(pack("keygen --secret-out " + path("s.key") + " --seed-hex " + kSeedHex).exitCode, 0);
  const std::string publicHex = pack("keygen --secret-out " + path("t.key") + " --seed-hex " + kSeedHex).output.substr(0, 64);
  std::ofstream(path("installer.exe"), std::ios::binary) << std::string(100000, 'x') << "end";

  ASSERT_EQ(pack("sign --secret " + path("s.key") + " " + path("installer.exe")).exitCode, 0);
  const std::vector<uint8_t> signature = readAll(path("installer.exe.sig"));
  ASSERT_EQ(signature.size(), 64u);
  const std::vector<uint8_t> message = readAll(path("installer.exe"));
  uint8_t publicKey[32];
  ASSERT_TRUE(decodeHexKey(publicHex.c_str(), publicKey, 32));
  EXPECT_TRUE(verifySignature(signature.data(), publicKey, message.data(), static_cast<uint32_t>(message.size())));

  const PackRun valid = pack("verify --public " + publicHex + " " + path("installer.exe") + " " + path("installer.exe.sig"));
  EXPECT_EQ(valid.exitCode, 0);
  EXPECT_EQ(valid.output.rfind("valid:", 0), 0u) << valid.output;

  ASSERT_EQ(pack("sign --secret " + path("s.key") + " " + path("installer.exe") + " --out " + path("other.sig")).exitCode, 0);
  EXPECT_EQ(readAll(path("other.sig")), signature);

  std::ofstream(path("installer.exe"), std::ios::binary | std::ios::app) << "!";
  const PackRun invalid = pack("verify --public " + publicHex + " " + path("installer.exe") + " " + path("installer.exe.sig"));
  EXPECT_EQ(invalid.exitCode, 1);
  EXPECT_EQ(invalid.output.rfind("invalid:", 0), 0u) << invalid.output;
  EXPECT_EQ(std::count(invalid.output.begin(), invalid.output.end(), '\n'), 1);
}

TEST_F(PackSigningCommands, UsageErrorsExitTwoAndNameTheProblem) {
  const PackRun shortKey = pack("verify --public abcd a b");
  EXPECT_EQ(shortKey.exitCode, 2);
  EXPECT_NE(shortKey.output.find("--public"), std::string::npos) << shortKey.output;
  EXPECT_EQ(pack("sign " + path("x")).exitCode, 2);
  EXPECT_EQ(pack("keygen --secret-out " + path("k") + " --seed-hex 00").exitCode, 2);
  EXPECT_EQ(pack("keygen --bogus").exitCode, 2);
  EXPECT_EQ(pack("tenant --help").exitCode, 0);
}

TEST_F(PackSigningCommands, TenantWritesASignedFileTheProgramAccepts) {
  const std::string key = std::string(NORVANE_TEST_KEYS_DIR) + "/tenant-file-test.key";
  const std::string common = "tenant --secret " + key + " --id 00112233445566778899AABBCCDDEEFF --text 'Acme support'" +
                             " --out-dir " + directory_.string();
  const PackRun run = pack(common + " --slug acme --name '에이크미' --header 7 --value2 " + std::string(64, 'f'));
  ASSERT_EQ(run.exitCode, 0) << run.output;
  const std::vector<uint8_t> file = readAll(directory_ / "00112233445566778899aabbccddeeff.cfg");
  ASSERT_EQ(file.size(), 512u);
  TenantRecord record;
#if defined(NORVANE_TEST_BUILD)
  ASSERT_TRUE(verifyTenantFile(file.data(), file.size(), &record));
#else
  ASSERT_TRUE(parseTenantFile(file.data(), file.size(), &record));
#endif
  EXPECT_EQ(record.headerValue, 7u);
  EXPECT_STREQ(record.tenantSlug, "acme");
  EXPECT_EQ(std::u16string(record.wideName), u"\uc5d0\uc774\ud06c\ubbf8");
  EXPECT_EQ(record.value2[31], 0xff);
  EXPECT_EQ(record.value1[0], 0);

  EXPECT_EQ(pack(common + " --slug " + std::string(32, 'a') + " --name n").exitCode, 2);
  EXPECT_EQ(pack(common + " --slug acme --name n --header 0").exitCode, 2);
  EXPECT_EQ(pack(common + " --slug acme --name " + std::string(64, 'n')).exitCode, 2);
  EXPECT_EQ(pack(common + " --slug acme --name \"$(printf '\\303')\"").exitCode, 2);
  EXPECT_EQ(pack(common + " --slug acme --name n --value1 12").exitCode, 2);
}
