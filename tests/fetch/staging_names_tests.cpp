#include <gtest/gtest.h>

#include "fetch/staging_names.h"

namespace {

TEST(LocalInstallerName, IsTheIdBetweenPrefixAndExtension) {
  EXPECT_EQ(localInstallerName("0123456789abcdef0123456789abcdef"), L"Norvane--0123456789abcdef0123456789abcdef.exe");
}

TEST(StagingFolderName, OnlyThePrefixWithAGuidAsStagingWritesIt) {
  EXPECT_TRUE(isStagingFolderName(L"Norvane-download-{0123ABCD-4567-89EF-0A1B-2C3D4E5F6789}"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-{0123abcd-4567-89EF-0A1B-2C3D4E5F6789}"));
  EXPECT_FALSE(isStagingFolderName(L"norvane-download-{0123ABCD-4567-89EF-0A1B-2C3D4E5F6789}"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-{0123ABCD-4567-89EF-0A1B-2C3D4E5F678G}"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-{0123ABCD-4567-89EF-0A1B-2C3D4E5F6789}x"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-{0123ABCD-4567-89EF-0A1B-2C3D4E5F678}"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-{0123ABCD-4567-89EF-0A1B2C3D4E5F67890}"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-0123ABCD-4567-89EF-0A1B-2C3D4E5F6789"));
  EXPECT_FALSE(isStagingFolderName(L"Norvane-download-"));
}

TEST(FinalPath, LocalPathsLoseTheLongPrefixNetworkPathsAreRefused) {
  EXPECT_EQ(localPathFromFinalPath(L"\\\\?\\C:\\Users\\u\\Temp\\x.exe"), L"C:\\Users\\u\\Temp\\x.exe");
  EXPECT_EQ(localPathFromFinalPath(L"\\\\?\\UNC\\server\\share\\x.exe"), L"");
  EXPECT_EQ(localPathFromFinalPath(L"C:\\plain.exe"), L"C:\\plain.exe");
  EXPECT_EQ(localPathFromFinalPath(L"\\\\?\\"), L"");
  EXPECT_EQ(localPathFromFinalPath(L"\\\\?\\UN"), L"UN");
}

TEST(StagingFolderAge, OnlyFoldersQuietForFiveMinutesGo) {
  const uint64_t minute = 60ull * 10000000;
  const uint64_t now = 1000 * minute;
  EXPECT_TRUE(isQuietLongEnough(now - 5 * minute, now));
  EXPECT_TRUE(isQuietLongEnough(0, now));
  EXPECT_FALSE(isQuietLongEnough(now - 5 * minute + 1, now));
  EXPECT_FALSE(isQuietLongEnough(now, now));
  EXPECT_FALSE(isQuietLongEnough(now + minute, now)) << "a stamp from the future keeps the folder";
  EXPECT_FALSE(isQuietLongEnough(UINT64_MAX, 5 * minute));
}

}  // namespace
