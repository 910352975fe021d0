#include <gtest/gtest.h>

#include "host/write_access.h"

namespace {

using namespace write_access;

constexpr wchar_t kSystem[] = L"S-1-5-18";
constexpr wchar_t kAdministrators[] = L"S-1-5-32-544";
constexpr wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";
constexpr wchar_t kUsers[] = L"S-1-5-32-545";
constexpr wchar_t kAuthenticatedUsers[] = L"S-1-5-11";
constexpr wchar_t kEveryone[] = L"S-1-1-0";
constexpr wchar_t kSomeUser[] = L"S-1-5-21-1-2-3-1001";
constexpr wchar_t kCreatorOwner[] = L"S-1-3-0";

constexpr uint32_t kFullControl = 0x1F01FF;
constexpr uint32_t kReadExecute = 0x1200A9;
constexpr uint8_t kDeny = 1;

AceView allow(const wchar_t* sid, uint32_t mask, uint8_t flags = 0) { return {kAccessAllowedAceType, flags, mask, sid}; }

TEST(TrustedWriters, TheThreeSystemAccountsInAnyLetterCase) {
  EXPECT_TRUE(isTrustedWriterSid(kSystem));
  EXPECT_TRUE(isTrustedWriterSid(kAdministrators));
  EXPECT_TRUE(isTrustedWriterSid(kTrustedInstaller));
  EXPECT_TRUE(isTrustedWriterSid(L"s-1-5-18"));
  EXPECT_FALSE(isTrustedWriterSid(L"S-1-5-18-1"));
  EXPECT_FALSE(isTrustedWriterSid(L"S-1-5-1"));
  EXPECT_FALSE(isTrustedWriterSid(kUsers));
}

TEST(DaclWalk, TrustedWritersOnlyIsSafe) {
  const std::vector<AceView> entries = {allow(kSystem, kFullControl), allow(kAdministrators, kFullControl),
                                        allow(kTrustedInstaller, kFullControl), allow(kUsers, kReadExecute)};
  EXPECT_FALSE(entriesGrantUntrustedWrite(entries, kFileWriteMask));
  EXPECT_FALSE(entriesGrantUntrustedWrite(entries, kFolderWriteMask));
  EXPECT_FALSE(entriesGrantUntrustedWrite({}, kFileWriteMask));
}

TEST(DaclWalk, AnyWriteBitForAnOrdinaryAccountIsUnsafe) {
  const uint32_t fileBits[] = {0x2, 0x4, 0x10000 /*DELETE*/, 0x40000 /*WRITE_DAC*/, 0x80000 /*WRITE_OWNER*/,
                               0x40000000 /*GENERIC_WRITE*/, 0x10000000 /*GENERIC_ALL*/};
  for (const wchar_t* sid : {kUsers, kAuthenticatedUsers, kEveryone, kSomeUser}) {
    for (uint32_t bit : fileBits) {
      EXPECT_TRUE(entriesGrantUntrustedWrite({allow(sid, bit)}, kFileWriteMask)) << bit;
    }
    // FILE_DELETE_CHILD matters for the folder, not for the file.
    EXPECT_TRUE(entriesGrantUntrustedWrite({allow(sid, 0x40)}, kFolderWriteMask));
    EXPECT_FALSE(entriesGrantUntrustedWrite({allow(sid, 0x40)}, kFileWriteMask));
    EXPECT_FALSE(entriesGrantUntrustedWrite({allow(sid, kReadExecute)}, kFolderWriteMask));
  }
}

TEST(DaclWalk, InheritOnlyAndDenyEntriesAreIgnored) {
  EXPECT_FALSE(entriesGrantUntrustedWrite({allow(kCreatorOwner, kFullControl, kInheritOnlyAce | 0x3)}, kFolderWriteMask));
  EXPECT_TRUE(entriesGrantUntrustedWrite({allow(kCreatorOwner, kFullControl, 0x3)}, kFolderWriteMask));
  const AceView denyEveryone{kDeny, 0, kFullControl, std::wstring(kEveryone)};
  EXPECT_FALSE(entriesGrantUntrustedWrite({denyEveryone}, kFileWriteMask));
  EXPECT_TRUE(entriesGrantUntrustedWrite({denyEveryone, allow(kUsers, 0x2)}, kFileWriteMask));
}

TEST(DaclWalk, AnUnreadableSidCountsAsUntrustedOnlyWhenTheEntryMatters) {
  const AceView unknownWriter{kAccessAllowedAceType, 0, 0x2, std::nullopt};
  const AceView unknownReader{kAccessAllowedAceType, 0, kReadExecute, std::nullopt};
  EXPECT_TRUE(entriesGrantUntrustedWrite({unknownWriter}, kFileWriteMask));
  EXPECT_FALSE(entriesGrantUntrustedWrite({unknownReader}, kFileWriteMask));
}

TEST(DaclWalk, EntryTypesTheWalkDoesNotReadCountAsUntrustedWrite) {
  constexpr uint8_t kAllowedObject = 5, kAllowedCallback = 9, kAllowedCallbackObject = 11, kUnknown = 0x7f;
  for (uint8_t type : {kAllowedObject, kAllowedCallback, kAllowedCallbackObject, kUnknown}) {
    EXPECT_TRUE(entriesGrantUntrustedWrite({{type, 0, 0, std::nullopt}}, kFileWriteMask)) << int(type);
    EXPECT_FALSE(entriesGrantUntrustedWrite({{type, kInheritOnlyAce, 0, std::nullopt}}, kFileWriteMask)) << int(type);
  }
  for (uint8_t deny : kDenyAceTypes) {
    EXPECT_FALSE(entriesGrantUntrustedWrite({{deny, 0, kFullControl, std::nullopt}}, kFileWriteMask)) << int(deny);
  }
}

TEST(Owner, OnlyTheThreeSystemAccountsMayOwnWhatWeStart) {
  EXPECT_FALSE(isUntrustedOwner(std::wstring(kSystem)));
  EXPECT_FALSE(isUntrustedOwner(std::wstring(kAdministrators)));
  EXPECT_FALSE(isUntrustedOwner(std::wstring(kTrustedInstaller)));
  EXPECT_TRUE(isUntrustedOwner(std::wstring(kSomeUser)));
  EXPECT_TRUE(isUntrustedOwner(std::wstring(kUsers)));
  EXPECT_TRUE(isUntrustedOwner(std::nullopt));
}

TEST(Owner, AnElevatedRunWritesOnlyInFoldersOfTheSystemAccountsOrItsOwn) {
  const std::wstring self = L"S-1-5-21-7-8-9-500";
  for (const wchar_t* trusted : {kSystem, kAdministrators, kTrustedInstaller, L"S-1-5-21-7-8-9-500", L"s-1-5-32-544"}) {
    EXPECT_TRUE(isAcceptedFolderOwner(std::wstring(trusted), self)) << trusted;
  }
  for (const wchar_t* other : {kSomeUser, kUsers, kEveryone, kAuthenticatedUsers, kCreatorOwner, L"S-1-5-21-7-8-9-5001", L""}) {
    EXPECT_FALSE(isAcceptedFolderOwner(std::wstring(other), self)) << other;
  }
  EXPECT_FALSE(isAcceptedFolderOwner(std::nullopt, self));
  EXPECT_FALSE(isAcceptedFolderOwner(std::wstring(L""), L""));  // an unreadable self is nobody
  EXPECT_FALSE(isAcceptedFolderOwner(std::wstring(kSomeUser), L""));
}

}  // namespace
