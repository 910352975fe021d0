#include <gtest/gtest.h>

#include "host/locations.h"

TEST(ParentDirectory, DropsTheLastComponentWithoutItsBackslash) {
  EXPECT_EQ(parentDirectory(L"C:\\Program Files\\Norvane.exe"), L"C:\\Program Files");
  EXPECT_EQ(parentDirectory(L"C:\\a\\b\\"), L"C:\\a\\b");
  EXPECT_EQ(parentDirectory(L"Norvane.exe"), L"");
  EXPECT_EQ(parentDirectory(L"\\Norvane.exe"), L"");
  EXPECT_EQ(parentDirectory(L""), L"");
}
