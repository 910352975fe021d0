#include <gtest/gtest.h>

#include <cstring>

#include "payload/payload_format.h"
#include "payload/payload_reader.h"
#include "support/log_capture.h"
#include "support/payload_builder.h"

namespace {

constexpr wchar_t kVersionMessage1[] = L"붙어 온 조각의 판이 다르다 (1)";
constexpr wchar_t kBadNameMessage[] = L"붙어 온 조각의 이름이 이상하다. 전부 버린다";
constexpr wchar_t kOutsideMessage[] = L"붙어 온 조각이 파일 밖을 가리킨다. 전부 버린다";

class PayloadReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { log_capture::clear(); }

  bool accept(const std::vector<uint8_t>& bytes) { return reader.acceptFileBytes(bytes); }
  bool accept(const CraftedPayload& payload) { return accept(payload.build()); }
  bool acceptWithEntry(CraftedEntry entry) {
    CraftedPayload payload;
    payload.entries = {std::move(entry)};
    return accept(payload);
  }
  std::vector<std::wstring> logged() const { return log_capture::lines(); }

  PayloadReader reader;
};

// --- Finding the trailer ---

TEST_F(PayloadReaderTest, AcceptsTheOnlineInstallerLayoutAndKeepsDirectoryOrder) {
  ASSERT_TRUE(accept(onlineInstallerPayload()));
  ASSERT_EQ(reader.entries().size(), 3u);
  EXPECT_EQ(reader.entries()[0].name, "online.version");
  EXPECT_EQ(reader.entries()[2].name, "tenant.slug");
  EXPECT_EQ(reader.carriedVersion().build, 325);
  EXPECT_EQ(reader.carriedVersion().minor, 1);
  EXPECT_TRUE(logged().empty());
}

TEST_F(PayloadReaderTest, TrailerStartingExactlyAtTheWindowEdgeIsFoundOneByteFurtherIsNot) {
  const uint64_t window = payload_format::kTrailerSearchWindow;
  for (uint64_t distance : {window, window + 1}) {
    CraftedPayload payload = onlineInstallerPayload();
    payload.paddingAfterTrailer = size_t(distance - payload_format::kTrailerSize);
    EXPECT_EQ(accept(payload), distance == window) << "trailer starts " << distance << " bytes before the end";
  }
}

TEST_F(PayloadReaderTest, TheMagicNearestTheEndWins) {
  // A decoy trailer with a bad version sits before the real one.
  CraftedPayload decoy = onlineInstallerPayload();
  decoy.formatVersion = 7;
  std::vector<uint8_t> bytes = decoy.build();
  CraftedPayload real = onlineInstallerPayload("ffffffffffffffffffffffffffffffff");
  real.prefix = bytes;
  ASSERT_TRUE(accept(real));
  std::vector<uint8_t> id;
  ASSERT_TRUE(reader.copyEntryBytes(reader.entries()[1], &id));
  EXPECT_EQ(std::string(id.begin(), id.end()), "ffffffffffffffffffffffffffffffff");

  // And the other way round: the bad trailer nearer the end is the one used.
  CraftedPayload badLast = decoy;
  badLast.prefix = real.build();
  EXPECT_FALSE(accept(badLast));
}

TEST_F(PayloadReaderTest, ThirtyTwoByteFileIsSearchedAtZeroAndThirtyOneIsTooShort) {
  std::vector<uint8_t> bytes(32, 0);
  std::memcpy(bytes.data(), payload_format::kTrailerMagic, 8);
  payload_format::writeU32(bytes.data() + 8, 1);  // a wrong version proves that it was parsed
  payload_format::writeU32(bytes.data() + 12, 1);
  EXPECT_FALSE(accept(bytes));
  EXPECT_EQ(logged(), std::vector<std::wstring>{kVersionMessage1});

  log_capture::clear();
  bytes.resize(31);
  EXPECT_FALSE(accept(bytes));
  EXPECT_TRUE(logged().empty());
}

TEST_F(PayloadReaderTest, StrippedFileWithoutTrailerFailsSilently) {
  EXPECT_FALSE(accept(std::vector<uint8_t>(200000, 0x41)));
  EXPECT_TRUE(logged().empty());
}

// --- Trailer fields ---

TEST_F(PayloadReaderTest, WrongFormatVersionIsLoggedWithTheNumberFound) {
  for (uint32_t version : {1u, 3u}) {
    log_capture::clear();
    CraftedPayload payload = onlineInstallerPayload();
    payload.formatVersion = version;
    EXPECT_FALSE(accept(payload));
    EXPECT_EQ(logged(), std::vector<std::wstring>{L"붙어 온 조각의 판이 다르다 (" + std::to_wstring(version) + L")"});
  }
}

TEST_F(PayloadReaderTest, EntryCountOutsideOneToThirtyTwoFailsSilently) {
  for (uint32_t count : {0u, 33u}) {
    CraftedPayload payload = onlineInstallerPayload();
    payload.forceCount = true;
    payload.count = count;
    EXPECT_FALSE(accept(payload)) << count;
  }
  EXPECT_TRUE(logged().empty());

  CraftedPayload full;
  for (int i = 0; i < 32; ++i) full.entries.push_back({"e" + std::to_string(i), 0, "x"});
  EXPECT_TRUE(accept(full));
  EXPECT_EQ(reader.entries().size(), 32u);
}

TEST_F(PayloadReaderTest, DirectoryOffsetMustLeaveRoomForEveryEntry) {
  const std::vector<uint8_t> good = onlineInstallerPayload().build();
  const uint64_t directoryAt = good.size() - 6 - 32 - 3 * 64;
  struct Case {
    uint64_t offset;
    bool ok;
  } cases[] = {
      {directoryAt, true},
      {uint64_t(1) << 32 | directoryAt, false},  // upper half set
      {good.size() + 1, false},                  // beyond the end
      {good.size() - 3 * 64 + 1, false},         // one byte short for three entries
  };
  for (const Case& c : cases) {
    CraftedPayload payload = onlineInstallerPayload();
    payload.forceDirectoryOffset = true;
    payload.directoryOffset = c.offset;
    const bool accepted = accept(payload);
    EXPECT_EQ(accepted, c.ok) << c.offset;
  }
}

// --- Entry names ---

TEST_F(PayloadReaderTest, NameRules) {
  struct Case {
    std::string name;
    bool ok;
  } cases[] = {
      {std::string(39, 'a'), true},
      {std::string(40, 'a'), false},  // fills the field without a NUL
      {"", false},
      {".hidden", false},
      {"a..b", false},
      {"has space", false},
      {std::string("caf\xC3\xA9"), false},
      {"slash/name", false},
      {"Mixed.Case_name-09", true},
      {"a.b", true},
  };
  for (const Case& c : cases) {
    log_capture::clear();
    EXPECT_EQ(acceptWithEntry({c.name, 0, "v"}), c.ok) << c.name;
    if (!c.ok) {
      EXPECT_EQ(logged(), std::vector<std::wstring>{kBadNameMessage}) << c.name;
      EXPECT_TRUE(reader.entries().empty());
    }
  }
}

TEST_F(PayloadReaderTest, BadNameInALaterEntryDiscardsTheEarlierOnes) {
  CraftedPayload payload = onlineInstallerPayload();
  payload.entries.push_back({"..", 0, "x"});
  EXPECT_FALSE(accept(payload));
  EXPECT_TRUE(reader.entries().empty());
}

TEST_F(PayloadReaderTest, BytesAfterTheNameTerminatorAreIgnored) {
  CraftedEntry entry{std::string("name\0garbage bytes!", 19), 0, "v"};
  ASSERT_TRUE(acceptWithEntry(entry));
  EXPECT_EQ(reader.entries()[0].name, "name");
}

// --- Tags and values ---

TEST_F(PayloadReaderTest, UnknownBitnessTagFailsSilently) {
  EXPECT_FALSE(acceptWithEntry({"host", 16, "v"}));
  EXPECT_TRUE(logged().empty());
  EXPECT_TRUE(acceptWithEntry({"host", 64, "v"}));
}

TEST_F(PayloadReaderTest, ValueBounds) {
  auto withValue = [](uint64_t offset, uint64_t length) {
    CraftedEntry entry{"v", 0, "abc"};
    entry.forceOffset = true;
    entry.offset = offset;
    entry.forceLength = true;
    entry.length = length;
    return entry;
  };
  const uint64_t size = [&] {
    CraftedPayload payload;
    payload.entries = {withValue(0, 1)};
    return uint64_t(payload.build().size());  // forced fields do not change the size
  }();
  struct Case {
    uint64_t offset, length;
    bool ok;
  } cases[] = {
      {0, 0, false},                       // empty value
      {uint64_t(1) << 32, 1, false},       // upper half of the offset
      {size + 1, 0x1, false},              // offset beyond the end
      {size - 1, 2, false},                // runs one byte past the end
      {size - 1, 1, true},                 // the last byte of the file
      {0, ~uint64_t(0), false},            // a length that wraps when added
  };
  for (const Case& c : cases) {
    log_capture::clear();
    EXPECT_EQ(acceptWithEntry(withValue(c.offset, c.length)), c.ok) << c.offset << "+" << c.length;
    if (!c.ok) {
      EXPECT_EQ(logged(), std::vector<std::wstring>{kOutsideMessage});
    }
  }
}

TEST_F(PayloadReaderTest, FindEntryMatchesExactTagAndNameAndTakesTheFirst) {
  CraftedPayload payload;
  payload.entries = {{"NorvaneHost.exe", 64, "first"}, {"NorvaneHost.exe", 64, "second"}, {"NorvaneHost.exe", 32, "x86"}};
  ASSERT_TRUE(accept(payload));
  EXPECT_EQ(reader.findEntry(L"NorvaneHost.exe", 0), nullptr);
  EXPECT_EQ(reader.findEntry(L"norvanehost.exe", 64), nullptr);
  EXPECT_EQ(reader.findEntry(L"NorvaneHost.ex", 64), nullptr);
  EXPECT_EQ(reader.findEntry(L"NorvaneHost.exe2", 64), nullptr);
  const PayloadEntry* found = reader.findEntry(L"NorvaneHost.exe", 64);
  ASSERT_NE(found, nullptr);
  std::vector<uint8_t> value;
  ASSERT_TRUE(reader.copyEntryBytes(*found, &value));
  EXPECT_EQ(std::string(value.begin(), value.end()), "first");
  EXPECT_EQ(reader.findEntry(L"NorvaneHost.exe", 32)->valueLength, 3u);
}

TEST_F(PayloadReaderTest, CopyEntryBytesRefusesAMissingBufferAndForeignEntries) {
  ASSERT_TRUE(accept(onlineInstallerPayload()));
  EXPECT_FALSE(reader.copyEntryBytes(reader.entries()[0], nullptr));
  std::vector<uint8_t> untouched{1, 2, 3};
  const PayloadEntry outside{"x", 0, 10, 1u << 20};
  EXPECT_FALSE(reader.copyEntryBytes(outside, &untouched));
  EXPECT_EQ(untouched, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(PayloadReaderTest, ReadingAgainStartsFromAnEmptyReader) {
  ASSERT_TRUE(accept(onlineInstallerPayload()));
  EXPECT_FALSE(accept(std::vector<uint8_t>(40, 0)));
  EXPECT_TRUE(reader.entries().empty());
  EXPECT_EQ(reader.carriedVersion().build, 0);
}

// --- Signed images: only bytes before the certificate table count ---

constexpr size_t kCertificateEntryAt = 0x80 + 24 + 96 + 4 * 8;  // PE32 data directory 4

// `payload` behind a PE32 header, then a certificate table of `tableSize` bytes.
std::vector<uint8_t> signedImage(CraftedPayload payload, size_t tableSize = 40) {
  payload.prefix.assign(0x200, 0);
  std::memcpy(payload.prefix.data(), "MZ", 2);
  payload.prefix[0x3c] = 0x80;
  std::memcpy(payload.prefix.data() + 0x80, "PE\0\0", 4);
  payload_format::writeU16(payload.prefix.data() + 0x80 + 20, 224);  // optional header size
  payload_format::writeU16(payload.prefix.data() + 0x80 + 24, 0x10b);
  std::vector<uint8_t> image = payload.build();
  payload_format::writeU32(image.data() + kCertificateEntryAt, uint32_t(image.size()));
  payload_format::writeU32(image.data() + kCertificateEntryAt + 4, uint32_t(tableSize));
  image.resize(image.size() + tableSize, 0x30);
  return image;
}

TEST_F(PayloadReaderTest, InASignedImageOnlyThePayloadThatEndsAtTheTableCounts) {
  ASSERT_TRUE(accept(signedImage(onlineInstallerPayload())));
  CraftedPayload gap = onlineInstallerPayload();
  gap.paddingAfterTrailer = 8;
  EXPECT_FALSE(accept(signedImage(gap)));
  std::vector<uint8_t> image = signedImage(onlineInstallerPayload());
  image[payload_format::readU32(image.data() + kCertificateEntryAt) - 1] = 1;  // padding that is not signing's
  EXPECT_FALSE(accept(image));
  image = signedImage(onlineInstallerPayload());
  payload_format::writeU32(image.data() + kCertificateEntryAt + 4, 41);  // a table past the end of the file
  EXPECT_FALSE(accept(image));
  // A payload planted inside the table, after the signed one, is not read.
  CraftedPayload planted = onlineInstallerPayload("fedcba9876543210fedcba9876543210", "evil");
  planted.prefix = signedImage(onlineInstallerPayload());
  image = planted.build();
  const uint32_t tableAt = payload_format::readU32(image.data() + kCertificateEntryAt);
  payload_format::writeU32(image.data() + kCertificateEntryAt + 4, uint32_t(image.size() - tableAt));
  ASSERT_TRUE(accept(image));
  std::string slug;
  EXPECT_TRUE(readPayloadText(reader, L"tenant.slug", 31, slug));
  EXPECT_EQ(slug, "acme");
  // A value reaching into the table lies outside the signed part.
  CraftedPayload reaching;
  reaching.entries = {{"x", 0, "", true, 0x200 + 8, true, 100}};
  EXPECT_FALSE(accept(signedImage(reaching, 200)));
  EXPECT_EQ(logged().back(), kOutsideMessage);
}

TEST(PayloadFileSize, EmptyAndOverCapFilesAreNotRead) {
  EXPECT_FALSE(isReadablePayloadFileSize(0));
  EXPECT_TRUE(isReadablePayloadFileSize(1));
  EXPECT_TRUE(isReadablePayloadFileSize(payload_format::kMaxFileSize));
  EXPECT_FALSE(isReadablePayloadFileSize(payload_format::kMaxFileSize + 1));
}

// --- readPayloadText ---

class ReadPayloadTextTest : public PayloadReaderTest {};

TEST_F(ReadPayloadTextTest, ReadsTaggedZeroTextWithinTheMaximum) {
  CraftedPayload payload;
  payload.entries = {{"tenant.slug", 64, "wrong-tag"}, {"tenant.slug", 0, "acme"}, {"nul", 0, std::string("a\0b", 3)}};
  ASSERT_TRUE(accept(payload));
  std::string text;
  EXPECT_TRUE(readPayloadText(reader, L"tenant.slug", 31, text));
  EXPECT_EQ(text, "acme");
  EXPECT_TRUE(readPayloadText(reader, L"tenant.slug", 4, text));
  EXPECT_FALSE(readPayloadText(reader, L"tenant.slug", 3, text));
  EXPECT_FALSE(readPayloadText(reader, L"nul", 31, text));
  EXPECT_FALSE(readPayloadText(reader, L"missing", 31, text));
}

}  // namespace
