#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fetch/pinned_roots.h"
#include "sha256.h"

namespace {

struct ExpectedRoot {
  const char* name;
  uint32_t length;
  const char* sha256;
  const char* file;
};

// The published roots, identified by their SHA-256 fingerprints.
constexpr ExpectedRoot kExpected[] = {
    {"ISRG Root X1", 1391, "96BCEC06264976F37460779ACF28C5A7CFE8A3C0AAE11A8FFCEE05C0BDDF08C6", "0-isrg-root-x1.der"},
    {"ISRG Root X2", 543, "69729B8E15A86EFC177A57AFB7171DFC64ADD28C2FCA8CF1507E34453CCB1470", "1-isrg-root-x2.der"},
    {"ISRG Root YR", 1325, "E57B7E6F150C419102E8D5C055729FF967B9D1A829BF00CEC89CA604EBF4A86F", "2-isrg-root-yr.der"},
    {"ISRG Root YE", 477, "E14FFCAD5B0025731006CAA43A121A22D8E9700F4FB9CF852F02A708AA5D5666", "3-isrg-root-ye.der"},
    {"USERTrust ECC Certification Authority", 659, "4FF460D54B9C86DABFBCFC5712E0400D2BED3FBC4D4FBDAA86E06ADCD2A9AD7A",
     "4-usertrust-ecc.der"},
    {"USERTrust RSA Certification Authority", 1506, "E793C9B02FD8AA13E21C31228ACCB08119643B749C898964B1746D46C3D4CBD2",
     "5-usertrust-rsa.der"},
};

TEST(Sha256, MatchesTheStandardVectors) {
  EXPECT_EQ(sha256Hex(reinterpret_cast<const uint8_t*>("abc"), 3),
            "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  EXPECT_EQ(sha256Hex(reinterpret_cast<const uint8_t*>(twoBlocks.data()), twoBlocks.size()),
            "248D6A61D20638B8E5C026930C3E6039A33CE45964FF2167F6ECEDD419DB06C1");
}

TEST(PinnedRootTable, HoldsTheSixPublishedRootsInOrderByteForByte) {
  for (size_t row = 0; row < kPinnedRootCount; ++row) {
    const PinnedRoot& root = PinnedRootTable[row];
    const ExpectedRoot& expected = kExpected[row];
    EXPECT_STREQ(root.name, expected.name);
    EXPECT_EQ(root.length, expected.length) << expected.name;
    EXPECT_EQ(sha256Hex(root.certificate, root.length), expected.sha256) << expected.name;
    EXPECT_STREQ(root.fingerprint, expected.sha256) << expected.name;
    EXPECT_EQ(root.certificate[0], 0x30) << "a DER SEQUENCE";
  }
}

TEST(PinnedRootTable, EqualsTheDerFilesInTheRepository) {
  for (const ExpectedRoot& expected : kExpected) {
    std::ifstream file(std::string(NORVANE_PINNED_ROOTS_DIR) + "/" + expected.file, std::ios::binary);
    ASSERT_TRUE(file) << expected.file;
    const std::vector<uint8_t> der{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const int row = matchPinnedRoot(der.data(), der.size());
    EXPECT_EQ(row, int(&expected - kExpected)) << expected.file;
  }
}

TEST(PinnedRootMatch, OnlyAByteIdenticalCertificateMatches) {
  const PinnedRoot& usertrust = PinnedRootTable[5];
  std::vector<uint8_t> der(usertrust.certificate, usertrust.certificate + usertrust.length);
  EXPECT_EQ(matchPinnedRoot(der.data(), der.size()), 5);
  der[der.size() / 2] ^= 0x01;
  EXPECT_EQ(matchPinnedRoot(der.data(), der.size()), -1) << "one byte differs";
  der[der.size() / 2] ^= 0x01;
  der.push_back(0);
  EXPECT_EQ(matchPinnedRoot(der.data(), der.size()), -1) << "one byte longer";
  EXPECT_EQ(matchPinnedRoot(der.data(), der.size() - 2), -1) << "one byte shorter";
  EXPECT_EQ(matchPinnedRoot(nullptr, 0), -1);
}

TEST(PinnedRootRows, AreTheTableFirstAndOnlyATestBuildMayAddOne) {
  const auto rows = pinnedRootRows();
  ASSERT_GE(rows.size(), kPinnedRootCount);
  for (size_t row = 0; row < kPinnedRootCount; ++row) EXPECT_EQ(rows[row].certificate, PinnedRootTable[row].certificate);
#ifdef NORVANE_TEST_BUILD
  EXPECT_LE(rows.size(), kPinnedRootCount + 1);
#else
  EXPECT_EQ(rows.size(), kPinnedRootCount);
#endif
}

}  // namespace
