#include <gtest/gtest.h>

#include "host/locations.h"

TEST(ParentDirectory, DropsTheLastComponentWithoutItsBackslash) {
  EXPECT_EQ(parentDirectory(L"C:\\Program Files\\Norvane.exe"), L"C:\\Program Files");
  EXPECT_EQ(parentDirectory(L"C:\\a\\b\\"), L"C:\\a\\b");
  EXPECT_EQ(parentDirectory(L"Norvane.exe"), L"");
  EXPECT_EQ(parentDirectory(L"\\Norvane.exe"), L"");
  EXPECT_EQ(parentDirectory(L""), L"");
}

TEST(ProductFiles, TheFiveFilesInOrderWithTheirServiceCompanions) {
  ASSERT_EQ(kProductFileCount, 5u);
  EXPECT_STREQ(ProductFileTable[0].name, L"NorvaneHost.exe");
  EXPECT_TRUE(ProductFileTable[0].serviceCompanion);
  EXPECT_FALSE(ProductFileTable[1].serviceCompanion);
  EXPECT_TRUE(ProductFileTable[2].serviceCompanion);
  EXPECT_STREQ(ProductFileTable[4].name, L"uninstall.exe");
}
