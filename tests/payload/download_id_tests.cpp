#include <gtest/gtest.h>

#include <string>

#include "payload/download_id.h"

TEST(DownloadId, ExactlyThirtyTwoLowercaseHexCharacters) {
  EXPECT_TRUE(isValidDownloadId("0123456789abcdef0123456789abcdef"));
  EXPECT_FALSE(isValidDownloadId("0123456789abcdef0123456789abcdeF"));
  EXPECT_FALSE(isValidDownloadId("0123456789abcdef0123456789abcde"));
  EXPECT_FALSE(isValidDownloadId("0123456789abcdef0123456789abcdef0"));
  EXPECT_FALSE(isValidDownloadId("0123456789abcdef0123456789abcdeg"));
  EXPECT_FALSE(isValidDownloadId(std::string("0123456789abcdef0123456789abcde\0", 32)));
  EXPECT_FALSE(isValidDownloadId(""));
}
