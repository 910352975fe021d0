#include <gtest/gtest.h>

#include <cstring>

#include "tenants/tenant_store.h"

namespace {

TenantRecord recordWithSlug(const char* slug, uint8_t idByte) {
  TenantRecord record = {};
  std::strncpy(record.tenantSlug, slug, sizeof record.tenantSlug - 1);
  std::memset(record.tenantId, idByte, sizeof record.tenantId);
  return record;
}

TEST(TenantFileName, LowerCaseHexHighNibbleFirstThenCfg) {
  const uint8_t id[kTenantIdBytes] = {0x01, 0x23, 0x45, 0x67, 0x89, 0xab, 0xcd, 0xef,
                                      0xF0, 0x0F, 0x00, 0xFF, 0x10, 0x20, 0xA0, 0x0A};
  const std::wstring name = tenantFileName(id);
  EXPECT_EQ(name, L"0123456789abcdeff00f00ff1020a00a.cfg");
  EXPECT_EQ(name.size(), 36u);
}

TEST(TenantLookup, FirstExactSlugMatchInListOrder) {
  const std::vector<TenantRecord> tenants = {recordWithSlug("acme-corp", 1), recordWithSlug("acme", 2),
                                             recordWithSlug("acme", 3)};
  const TenantRecord* found = findTenantBySlug(tenants, "acme");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->tenantId[0], 2);
  EXPECT_EQ(findTenantBySlug(tenants, "acm"), nullptr);
  EXPECT_EQ(findTenantBySlug(tenants, "ACME"), nullptr);
  EXPECT_EQ(findTenantBySlug({}, "acme"), nullptr);
}

TEST(TenantLookup, AFullWidthSlugWithoutTerminatorIsComparedWithinItsField) {
  TenantRecord full = {};
  std::memset(full.tenantSlug, 'a', sizeof full.tenantSlug);
  EXPECT_NE(findTenantBySlug({full}, std::string(32, 'a')), nullptr);
  EXPECT_EQ(findTenantBySlug({full}, std::string(33, 'a')), nullptr);
}

}  // namespace
