#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "fetch/release_version.h"

namespace {

bool parse(const std::string& text, ReleaseVersion& version) {
  return parseReleaseVersionText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), version);
}

TEST(VersionText, AcceptedBodiesGiveMajorMinorPatchAndRevisionZero) {
  const struct {
    std::string body;
    ReleaseVersion expected;
  } cases[] = {
      {"1.2.3", {1, 2, 3, 0}},
      {"01.002.00003", {1, 2, 3, 0}},
      {"1.2.3\n", {1, 2, 3, 0}},
      {"1.2.3\r\n", {1, 2, 3, 0}},
      {"1.2.3-beta", {1, 2, 3, 0}},
      {"1.2.3.9", {1, 2, 3, 0}},
      {"65535.65535.65535", {65535, 65535, 65535, 0}},
      {"0.0.0", {0, 0, 0, 0}},
      {std::string("1.4.12\0junk", 11), {1, 4, 12, 0}},
  };
  for (const auto& c : cases) {
    ReleaseVersion version{9, 9, 9, 9};
    ASSERT_TRUE(parse(c.body, version)) << c.body;
    EXPECT_EQ(version, c.expected) << c.body;
  }
}

TEST(VersionText, MalformedBodiesFailAndLeaveTheOutputAlone) {
  const char* bodies[] = {"1.2",     "1.2.",   "1..3",      "v1.2.3",  " 1.2.3", "1.2.x", "65536.0.0",
                          "000001.0.0", "1.000001.0", "1.0.999999", "", ".1.2.3", "1,2,3", "1.2.-3", ("\xef\xbb\xbf" "1.2.3")};
  for (const char* body : bodies) {
    ReleaseVersion version{7, 7, 7, 7};
    EXPECT_FALSE(parse(body, version)) << body;
    EXPECT_EQ(version, (ReleaseVersion{7, 7, 7, 7})) << body;
  }
}

TEST(VersionText, ParsingStopsAtTheEndOfTheBodyEvenWithoutATerminator) {
  // The body is not NUL-terminated: the digits run into bytes past its end.
  const char memory[] = "1.2.34567";
  ReleaseVersion version;
  ASSERT_TRUE(parseReleaseVersionText(reinterpret_cast<const uint8_t*>(memory), 5, version));
  EXPECT_EQ(version, (ReleaseVersion{1, 2, 3, 0}));
  EXPECT_FALSE(parseReleaseVersionText(reinterpret_cast<const uint8_t*>(memory), 4, version));
  EXPECT_FALSE(parseReleaseVersionText(nullptr, 0, version));
}

// VS_FIXEDFILEINFO as VerQueryValueW returns it.
std::vector<uint8_t> fixedInfo(uint32_t signature, uint32_t ms, uint32_t ls, size_t length = 52) {
  std::vector<uint8_t> block(length, 0);
  const uint32_t words[] = {signature, 0x00010000, ms, ls};
  for (size_t i = 0; i < 4 && (i + 1) * 4 <= length; ++i) std::memcpy(block.data() + i * 4, &words[i], 4);
  return block;
}

TEST(FixedFileVersion, ReadsTheFourPartsOnlyFromAWholeSignedBlock) {
  auto block = fixedInfo(0xFEEF04BD, (1u << 16) | 4u, (12u << 16) | 1u);
  EXPECT_EQ(versionFromFixedFileInfo(block.data(), block.size()), (ReleaseVersion{1, 4, 12, 1}));
  EXPECT_EQ(versionFromFixedFileInfo(block.data(), 51), ReleaseVersion{});
  block = fixedInfo(0xFEEF04BC, (1u << 16) | 4u, 12u << 16);
  EXPECT_EQ(versionFromFixedFileInfo(block.data(), block.size()), ReleaseVersion{});
  EXPECT_EQ(versionFromFixedFileInfo(nullptr, 52), ReleaseVersion{});
}

TEST(ReleaseFloor, EachPartDecidesInOrderAndNoFloorAdmitsEverything) {
  const ReleaseVersion floor{1, 4, 12, 0};
  EXPECT_TRUE(meetsReleaseFloor({1, 4, 12, 0}, floor));   // the floor itself
  EXPECT_TRUE(meetsReleaseFloor({1, 4, 13, 0}, floor));
  EXPECT_TRUE(meetsReleaseFloor({1, 5, 0, 0}, floor));    // a higher minor outweighs a lower patch
  EXPECT_TRUE(meetsReleaseFloor({2, 0, 0, 0}, floor));
  EXPECT_FALSE(meetsReleaseFloor({1, 4, 11, 0}, floor));
  EXPECT_FALSE(meetsReleaseFloor({1, 3, 65535, 0}, floor));
  EXPECT_FALSE(meetsReleaseFloor({0, 65535, 65535, 0}, floor));
  EXPECT_TRUE(meetsReleaseFloor({1, 4, 12, 0}, {1, 4, 12, 9}));  // revisions are not compared
  EXPECT_TRUE(meetsReleaseFloor({0, 0, 0, 0}, ReleaseVersion{}));
  EXPECT_TRUE(meetsReleaseFloor({65535, 65535, 65535, 0}, {65535, 65535, 65535, 0}));
}

}  // namespace
