#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "crypto/signature.h"

namespace {
const std::string kKeyHex = "00112233445566778899aabbccddeeff0123456789abcdefFEDCBA9876543210";
const uint8_t kKeyBytes[32] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xaa,
                               0xbb, 0xcc, 0xdd, 0xee, 0xff, 0x01, 0x23, 0x45, 0x67, 0x89, 0xab,
                               0xcd, 0xef, 0xfe, 0xdc, 0xba, 0x98, 0x76, 0x54, 0x32, 0x10};
}  // namespace

TEST(DecodeHexKey, DecodesBothCasesHighNibbleFirst) {
  uint8_t out[32] = {};
  ASSERT_TRUE(decodeHexKey(kKeyHex.c_str(), out, 32));
  EXPECT_EQ(0, memcmp(out, kKeyBytes, 32));

  std::string upper = kKeyHex;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  uint8_t outUpper[32] = {};
  ASSERT_TRUE(decodeHexKey(upper.c_str(), outUpper, 32));
  EXPECT_EQ(0, memcmp(outUpper, kKeyBytes, 32));
}

TEST(DecodeHexKey, RefusesAnyLengthButTwiceTheByteCount) {
  uint8_t out[33] = {};
  EXPECT_FALSE(decodeHexKey(kKeyHex.substr(0, 63).c_str(), out, 32));
  EXPECT_FALSE(decodeHexKey((kKeyHex + "0").c_str(), out, 32));
  EXPECT_FALSE(decodeHexKey((kKeyHex + "00").c_str(), out, 32));
  EXPECT_FALSE(decodeHexKey(kKeyHex.substr(0, 62).c_str(), out, 32));
  EXPECT_FALSE(decodeHexKey("", out, 32));
  EXPECT_FALSE(decodeHexKey(nullptr, out, 32));
  EXPECT_TRUE(decodeHexKey("ab", out, 1));
  EXPECT_EQ(out[0], 0xab);
}

TEST(DecodeHexKey, RefusesEveryCharacterOutsideTheHexDigits) {
  const char bad[] = {'g', 'G', 'z', 'x', ' ', '\t', '-', '+', '/', ':', '@', '`', '\xff'};
  for (size_t position : {size_t{0}, size_t{1}, size_t{31}, size_t{63}}) {
    for (char c : bad) {
      std::string text = kKeyHex;
      text[position] = c;
      uint8_t out[32] = {};
      EXPECT_FALSE(decodeHexKey(text.c_str(), out, 32)) << "character " << int(c) << " at " << position;
    }
  }
  // A prefix or leading blank is not skipped, even when the length fits.
  std::string prefixed = kKeyHex;
  prefixed[0] = '0';
  prefixed[1] = 'x';
  std::string blank = kKeyHex;
  blank[0] = ' ';
  uint8_t out[32] = {};
  EXPECT_FALSE(decodeHexKey(prefixed.c_str(), out, 32));
  EXPECT_FALSE(decodeHexKey(blank.c_str(), out, 32));
}
