#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "fetch/transfer_rules.h"
#include "support/log_capture.h"

namespace {

constexpr wchar_t kTooLarge[] = L"판올림 파일이 너무 크다";

void recordPercent(int32_t percent, void* context) { static_cast<std::vector<int32_t>*>(context)->push_back(percent); }

class BodyReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override { log_capture::clear(); }
  std::vector<uint8_t> piece(size_t n) { return std::vector<uint8_t>(n, 0x5A); }
  std::vector<std::wstring> logged() const { return log_capture::lines(); }

  std::vector<uint8_t> body;
  std::vector<int32_t> percents;
};

TEST(DeclaredLength, ReadsLikeTheStandardConversion) {
  EXPECT_EQ(declaredLengthFromHeader(L"1234"), 1234u);
  EXPECT_EQ(declaredLengthFromHeader(L"  64"), 64u);
  EXPECT_EQ(declaredLengthFromHeader(L"64abc"), 64u);
  EXPECT_EQ(declaredLengthFromHeader(L"abc"), 0u);
  EXPECT_EQ(declaredLengthFromHeader(L""), 0u);
  EXPECT_EQ(declaredLengthFromHeader(nullptr), 0u);
  EXPECT_EQ(declaredLengthFromHeader(L"99999999999999999999999"), UINT64_MAX);
}

TEST(RedirectStatus, OnlyTheFiveRedirectCodes) {
  for (uint32_t status : {301u, 302u, 303u, 307u, 308u}) EXPECT_TRUE(isRedirectStatus(status)) << status;
  for (uint32_t status : {200u, 300u, 304u, 305u, 306u, 309u, 404u}) EXPECT_FALSE(isRedirectStatus(status)) << status;
}

TEST_F(BodyReceiverTest, DeclaredLengthAboveTheLimitIsRefusedBeforeTheBody) {
  EXPECT_TRUE(BodyReceiver(body, 64, 64, nullptr, nullptr).acceptDeclaredLength());
  EXPECT_TRUE(BodyReceiver(body, 64, 0, nullptr, nullptr).acceptDeclaredLength());
  EXPECT_FALSE(BodyReceiver(body, 64, 65, nullptr, nullptr).acceptDeclaredLength());
  EXPECT_FALSE(BodyReceiver(body, 67108864, UINT64_MAX, nullptr, nullptr).acceptDeclaredLength());
  EXPECT_EQ(logged(), (std::vector<std::wstring>{L"판올림 파일이 너무 크다 (65)",
                                                 L"판올림 파일이 너무 크다 (18446744073709551615)"}));
}

TEST_F(BodyReceiverTest, ExactlyTheLimitWithoutADeclaredLengthIsAcceptedOneMoreByteIsNot) {
  BodyReceiver receiver(body, 64, 0, recordPercent, &percents);
  ASSERT_TRUE(receiver.append(piece(60).data(), 60));
  ASSERT_TRUE(receiver.append(piece(4).data(), 4));
  EXPECT_TRUE(receiver.finish());
  EXPECT_EQ(body.size(), 64u);
  EXPECT_TRUE(percents.empty()) << "no progress without a declared length";
  EXPECT_FALSE(receiver.append(piece(1).data(), 1));
  EXPECT_EQ(body.size(), 64u);
  EXPECT_EQ(logged(), std::vector<std::wstring>{kTooLarge});
}

TEST_F(BodyReceiverTest, ShortAndEmptyBodiesAreRefusedWithBothCounts) {
  BodyReceiver truncated(body, 1024, 100, nullptr, nullptr);
  ASSERT_TRUE(truncated.append(piece(60).data(), 60));
  EXPECT_FALSE(truncated.finish());
  std::vector<uint8_t> empty;
  EXPECT_FALSE(BodyReceiver(empty, 1024, 0, nullptr, nullptr).finish());
  EXPECT_EQ(logged(), (std::vector<std::wstring>{L"다운로드 본문이 비었거나 덜 왔다 (60 / 100바이트)",
                                                 L"다운로드 본문이 비었거나 덜 왔다 (0 / 0바이트)"}));
}

TEST_F(BodyReceiverTest, MoreThanDeclaredIsRefusedBeforeProgressPassesHundred) {
  BodyReceiver receiver(body, 1024, 100, recordPercent, &percents);
  ASSERT_TRUE(receiver.append(piece(90).data(), 90));
  EXPECT_FALSE(receiver.append(piece(20).data(), 20));
  EXPECT_EQ(percents, std::vector<int32_t>{90});
  EXPECT_EQ(logged(), std::vector<std::wstring>{L"다운로드 본문이 비었거나 덜 왔다 (110 / 100바이트)"});
}

TEST_F(BodyReceiverTest, ProgressRisesPieceByPieceAndEndsAtExactlyHundred) {
  constexpr uint32_t kDeclared = 67108864;
  body.reserve(kDeclared);
  BodyReceiver receiver(body, kDeclared, kDeclared, recordPercent, &percents);
  ASSERT_TRUE(receiver.acceptDeclaredLength());
  const std::vector<uint8_t> full = piece(65536);
  for (uint32_t received = 0; received < kDeclared; received += 65536) ASSERT_TRUE(receiver.append(full.data(), 65536));
  EXPECT_TRUE(receiver.finish());
  ASSERT_EQ(percents.size(), 1024u);
  EXPECT_EQ(percents.front(), 0);  // 65536 * 100 / 64 MiB rounds down
  EXPECT_EQ(percents.back(), 100);
  for (size_t i = 1; i < percents.size(); ++i) ASSERT_GE(percents[i], percents[i - 1]);
  EXPECT_EQ(std::count(percents.begin(), percents.end(), 100), 1);
  EXPECT_TRUE(logged().empty());
}

}  // namespace
