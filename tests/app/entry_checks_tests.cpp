#include <gtest/gtest.h>

#include <cstring>

#include "app/entry_checks.h"
#include "payload/payload_reader.h"
#include "support/payload_builder.h"

namespace {

constexpr char kGoodId[] = "0123456789abcdef0123456789abcdef";

bool accepts(const CraftedPayload& payload, OwnPayload* out = nullptr) {
  PayloadReader reader;
  if (!reader.acceptFileBytes(payload.build())) return false;
  OwnPayload own;
  const bool ok = acceptOwnPayload(reader, own);
  if (out) *out = own;
  return ok;
}

TEST(OwnPayload, GoodPayloadYieldsIdAndSlug) {
  OwnPayload own;
  ASSERT_TRUE(accepts(onlineInstallerPayload(kGoodId, "acme"), &own));
  EXPECT_EQ(own.downloadId, kGoodId);
  EXPECT_EQ(own.tenantSlug, "acme");
}

TEST(OwnPayload, ExactlyThreeEntries) {
  CraftedPayload four = onlineInstallerPayload();
  four.entries.push_back({"extra", 0, "x"});
  EXPECT_FALSE(accepts(four));
  CraftedPayload two = onlineInstallerPayload();
  two.entries.pop_back();
  EXPECT_FALSE(accepts(two));
  CraftedPayload duplicate = onlineInstallerPayload();
  duplicate.entries[2] = duplicate.entries[1];  // three entries, but no slug
  EXPECT_FALSE(accepts(duplicate));
}

TEST(OwnPayload, OnlineVersionMustBeTheSingleCharacterOne) {
  for (const char* version : {"2", "11", "1\0"}) {
    CraftedPayload payload = onlineInstallerPayload();
    payload.entries[0].value = std::string(version, version[0] == '1' && version[1] == 0 ? 2 : std::strlen(version));
    EXPECT_FALSE(accepts(payload)) << version;
  }
  CraftedPayload tagged = onlineInstallerPayload();
  tagged.entries[0].tag = 32;
  EXPECT_FALSE(accepts(tagged));
}

TEST(OwnPayload, DownloadIdIsThirtyTwoLowerCaseHexDigits) {
  const std::string id(kGoodId);
  EXPECT_FALSE(accepts(onlineInstallerPayload(id.substr(1))));
  EXPECT_FALSE(accepts(onlineInstallerPayload(id + "0")));
  EXPECT_FALSE(accepts(onlineInstallerPayload("0123456789ABCDEF0123456789abcdef")));
  EXPECT_FALSE(accepts(onlineInstallerPayload("0123456789abcdeg0123456789abcdef")));
  EXPECT_TRUE(accepts(onlineInstallerPayload("ffffffffffffffffffffffffffffffff")));
}

TEST(OwnPayload, SlugRules) {
  EXPECT_TRUE(accepts(onlineInstallerPayload(kGoodId, "ab")));
  EXPECT_TRUE(accepts(onlineInstallerPayload(kGoodId, std::string(31, 'a'))));
  for (const std::string& slug : {std::string("a"), std::string(32, 'a'), std::string("Acme"), std::string("-acme"),
                                  std::string("ac_me")}) {
    EXPECT_FALSE(accepts(onlineInstallerPayload(kGoodId, slug))) << slug;
  }
}

}  // namespace
