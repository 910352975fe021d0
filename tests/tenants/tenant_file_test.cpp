#include "tenants/tenant_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <vector>

#include "eddsa_signing.h"
#include "tenant_file_builder.h"

namespace {

using File = std::vector<uint8_t>;

constexpr size_t kSlugOffset = 28;
constexpr size_t kWideNameOffset = 60;
constexpr size_t kAsciiTextOffset = 188;
constexpr size_t kReservedOffset = 348;

std::vector<uint8_t> readSeed(const char* name) {
  std::vector<uint8_t> seed(kSeedBytes);
  const std::string path = std::string(NORVANE_TEST_KEYS_DIR) + "/" + name;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  const size_t got = std::fread(seed.data(), 1, seed.size(), file);
  std::fclose(file);
  return got == seed.size() ? seed : std::vector<uint8_t>{};
}

const std::vector<uint8_t>& tenantTestSeed() {
  static const std::vector<uint8_t> seed = readSeed("tenant-file-test.key");
  return seed;
}

TenantFileFields sampleFields() {
  TenantFileFields fields;
  fields.headerValue = 0x01020304;
  for (int i = 0; i < 16; ++i) fields.tenantId[i] = static_cast<uint8_t>(0xa0 + i);
  fields.tenantSlug = "acme-support";
  fields.wideName = u"\uc5d0\uc774\ud06c\ubbf8 Corp";  // Korean name with ASCII
  fields.asciiText = "Acme remote support";
  for (int i = 0; i < 32; ++i) {
    fields.value1[i] = static_cast<uint8_t>(i);
    fields.value2[i] = static_cast<uint8_t>(0xff - i);
    fields.value3[i] = static_cast<uint8_t>(0x55);
  }
  return fields;
}

// A file with `change` applied to its 448 signed bytes and then a correct
// signature over them, so only the structure rules can refuse it.
File signedFileWith(const std::function<void(uint8_t* body)>& change,
                    const std::vector<uint8_t>& seed = tenantTestSeed()) {
  File file(kTenantFileBytes);
  writeTenantFileBody(sampleFields(), file.data());
  change(file.data());
  signMessage(file.data() + kTenantFileSignedBytes, seed.data(), file.data(),
                                kTenantFileSignedBytes);
  return file;
}

File validFile() {
  return signedFileWith([](uint8_t*) {});
}

bool verifies(const File& file) { return verifyTenantFile(file.data(), file.size(), nullptr); }

void setSlug(uint8_t* body, const std::string& slug) {
  std::memset(body + kSlugOffset, 0, 32);
  std::memcpy(body + kSlugOffset, slug.data(), std::min<size_t>(slug.size(), 32));
}

class TenantFile : public ::testing::Test {
 protected:
  void SetUp() override {
#if !defined(NORVANE_TEST_BUILD)
    GTEST_SKIP() << "needs the test build's tenant-file key";
#endif
    ASSERT_EQ(tenantTestSeed().size(), kSeedBytes) << "tests/keys/tenant-file-test.key";
  }
};

}  // namespace

TEST_F(TenantFile, SignedFileYieldsItsFields) {
  const File file = validFile();
  TenantRecord record;
  std::memset(&record, 0xcc, sizeof record);
  ASSERT_TRUE(verifyTenantFile(file.data(), file.size(), &record));
  const TenantFileFields fields = sampleFields();
  EXPECT_EQ(record.headerValue, 0x01020304u);
  EXPECT_EQ(0, std::memcmp(record.tenantId, fields.tenantId, 16));
  EXPECT_STREQ(record.tenantSlug, "acme-support");
  EXPECT_EQ(std::u16string(record.wideName), fields.wideName);
  EXPECT_STREQ(record.asciiText, "Acme remote support");
  EXPECT_EQ(0, std::memcmp(record.value1, fields.value1, 32));
  EXPECT_EQ(0, std::memcmp(record.value2, fields.value2, 32));
  EXPECT_EQ(0, std::memcmp(record.value3, fields.value3, 32));
  EXPECT_EQ(0, std::memcmp(record.signature, file.data() + kTenantFileSignedBytes, 64));
  // The padding after each text is zero in the record too.
  EXPECT_EQ(record.tenantSlug[31], '\0');
  EXPECT_EQ(record.wideName[63], u'\0');
  EXPECT_TRUE(verifyTenantFile(file.data(), file.size(), nullptr));
}

TEST_F(TenantFile, WrongSignaturesAreRefused) {
  // Signed over all 512 bytes instead of the first 448.
  File wholeFileSigned(kTenantFileBytes, 0);
  writeTenantFileBody(sampleFields(), wholeFileSigned.data());
  uint8_t signature[64];
  signMessage(signature, tenantTestSeed().data(), wholeFileSigned.data(), kTenantFileBytes);
  std::memcpy(wholeFileSigned.data() + kTenantFileSignedBytes, signature, 64);
  EXPECT_FALSE(verifies(wholeFileSigned));

  // Signed with another key (the update-signing test key).
  const std::vector<uint8_t> otherSeed = readSeed("update-signing-test.key");
  ASSERT_EQ(otherSeed.size(), 32u);
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t*) {}, otherSeed)));

  // A record handed out on failure would be a leak of unverified data.
  TenantRecord record;
  std::memset(&record, 0xcc, sizeof record);
  EXPECT_FALSE(verifyTenantFile(wholeFileSigned.data(), wholeFileSigned.size(), &record));
  EXPECT_EQ(record.headerValue, 0xccccccccu);
}

TEST_F(TenantFile, ChangingAnySignedByteIsRefused) {
  const File original = validFile();
  ASSERT_TRUE(verifies(original));
  for (size_t offset = 0; offset < kTenantFileSignedBytes; ++offset) {
    File changed = original;
    changed[offset] ^= 0x01;
    EXPECT_FALSE(verifies(changed)) << "offset " << offset;
  }
}

TEST_F(TenantFile, SlugLengthAndCharacterRules) {
  EXPECT_TRUE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, std::string(31, 's')); })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, std::string(32, 's')); })));
  EXPECT_TRUE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, "with space"); })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, "del\x7f"); })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, "tab\there"); })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, "high\xc3\xa9"); })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { setSlug(b, ""); })));
  // A byte after the terminator.
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { b[kSlugOffset + 31] = 'x'; })));
}

TEST_F(TenantFile, WideNameRules) {
  auto setName = [](uint8_t* body, size_t units) {
    std::memset(body + kWideNameOffset, 0, 128);
    for (size_t i = 0; i < units; ++i) body[kWideNameOffset + 2 * i + 1] = 0xac;  // U+AC00 each
  };
  EXPECT_TRUE(verifies(signedFileWith([&](uint8_t* b) { setName(b, 63); })));
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setName(b, 64); })));
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setName(b, 0); })));
  // A non-zero unit after the terminator, in its low or its high byte.
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setName(b, 3), b[kWideNameOffset + 2 * 10] = 1; })));
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setName(b, 3), b[kWideNameOffset + 127] = 1; })));
}

TEST_F(TenantFile, AsciiTextRules) {
  auto setText = [](uint8_t* body, const std::string& text) {
    std::memset(body + kAsciiTextOffset, 0, 64);
    std::memcpy(body + kAsciiTextOffset, text.data(), std::min<size_t>(text.size(), 64));
  };
  EXPECT_TRUE(verifies(signedFileWith([&](uint8_t* b) { setText(b, std::string(63, '~')); })));
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setText(b, std::string(64, '~')); })));
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setText(b, ""); })));
  EXPECT_FALSE(verifies(signedFileWith([&](uint8_t* b) { setText(b, "bell\x07"); })));
}

TEST_F(TenantFile, HeaderMagicAndReservedRules) {
  // Header value 0 is refused although the signature is right.
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { std::memset(b + 8, 0, 4); })));
  EXPECT_TRUE(verifies(signedFileWith([](uint8_t* b) { std::memset(b + 8, 0, 3); })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { b[0] = 't'; })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { b[kReservedOffset + 99] = 1; })));
  EXPECT_FALSE(verifies(signedFileWith([](uint8_t* b) { b[kReservedOffset] = 0x80; })));
}

TEST_F(TenantFile, WrongLengthIsRefusedBeforeAnyFieldIsRead) {
  File longer = validFile();
  longer.push_back(0);
  EXPECT_FALSE(verifies(longer));
  const File file = validFile();
  EXPECT_FALSE(verifyTenantFile(file.data(), 511, nullptr));
  EXPECT_FALSE(verifyTenantFile(nullptr, kTenantFileBytes, nullptr));

  TenantRecord record;
  std::memset(&record, 0xcc, sizeof record);
  EXPECT_FALSE(parseTenantFile(file.data(), 511, &record));
  EXPECT_FALSE(parseTenantFile(longer.data(), 513, &record));
  EXPECT_EQ(record.headerValue, 0xccccccccu);
  EXPECT_EQ(static_cast<uint8_t>(record.tenantSlug[0]), 0xcc);
}

TEST(TenantFileBuilder, RefusesWhatTheFormatRefuses) {
  TenantFileFields fields = sampleFields();
  EXPECT_EQ(tenantFieldsProblem(fields), "");
  fields.tenantSlug = std::string(32, 'a');
  EXPECT_NE(tenantFieldsProblem(fields), "");
  fields = sampleFields();
  fields.wideName = std::u16string(64, u'a');
  EXPECT_NE(tenantFieldsProblem(fields), "");
  fields = sampleFields();
  fields.asciiText = "line\nbreak";
  EXPECT_NE(tenantFieldsProblem(fields), "");
  fields = sampleFields();
  fields.headerValue = 0;
  EXPECT_NE(tenantFieldsProblem(fields), "");

  // What it accepts, the parser accepts.
  File file(kTenantFileBytes);
  writeTenantFileBody(sampleFields(), file.data());
  TenantRecord record;
  EXPECT_TRUE(parseTenantFile(file.data(), file.size(), &record));
}
