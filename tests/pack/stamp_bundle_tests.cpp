// norvane-pack stamp and bundle on a small real PE image: the exact layout the
// program expects, and refusals of what it must never produce.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/entry_checks.h"
#include "payload/installer_image.h"
#include "payload/payload_format.h"
#include "payload/payload_reader.h"

int runStamp(const std::vector<std::string>& arguments);
int runBundle(const std::vector<std::string>& arguments);
int runPublish(const std::vector<std::string>& arguments);

namespace {

namespace fs = std::filesystem;
using payload_format::writeU16;
using payload_format::writeU32;

constexpr char kId[] = "0123456789abcdef0123456789abcdef";
constexpr size_t kImageSize = 0x400;  // headers in the first 0x200 bytes, one section after

// A PE32 image (PE32+ for x64) with one section whose raw data ends the file
// and holds a VS_FIXEDFILEINFO for version 0.1.325.0.
std::vector<uint8_t> minimalImage(bool x64 = false) {
  const uint16_t optionalSize = x64 ? 0xf0 : 0xe0;
  std::vector<uint8_t> image(kImageSize, 0);
  image[0] = 'M';
  image[1] = 'Z';
  writeU32(&image[0x3c], 0x80);
  writeU32(&image[0x80], 0x00004550);
  writeU16(&image[0x84], x64 ? 0x8664 : 0x14c);
  writeU16(&image[0x86], 1);           // one section
  writeU16(&image[0x94], optionalSize);
  writeU16(&image[0x98], x64 ? 0x20b : 0x10b);
  const size_t section = 0x98 + optionalSize;
  std::copy_n(".rsrc", 5, &image[section]);
  writeU32(&image[section + 16], 0x200);  // SizeOfRawData
  writeU32(&image[section + 20], 0x200);  // PointerToRawData
  writeU32(&image[0x210], 0xFEEF04BD);
  writeU32(&image[0x214], 0x00010000);
  writeU32(&image[0x218], 0x00000001);   // 0.1
  writeU32(&image[0x21c], 325u << 16);   // 325.0
  return image;
}

class PackImageCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    directory_ = fs::temp_directory_path() / ("norvane-pack-image-" + std::to_string(::getpid()) + "-" +
                                              ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(directory_);
    fs::create_directories(directory_);
    write("in.exe", minimalImage());
  }
  void TearDown() override { fs::remove_all(directory_); }

  std::string path(const std::string& name) const { return (directory_ / name).string(); }
  void write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  }
  std::vector<uint8_t> read(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  int stamp(const std::string& id, const std::string& slug, const std::string& in = "in.exe") {
    return runStamp({"--download-id", id, "--tenant", slug, path(in), path("out.exe")});
  }

  fs::path directory_;
};

TEST_F(PackImageCommands, StampLaysValuesDirectoryAndTrailerRightAfterTheSections) {
  ASSERT_EQ(stamp(kId, "acme"), 0);
  const std::vector<uint8_t> out = read("out.exe");
  const std::vector<uint8_t> image = minimalImage();
  ASSERT_TRUE(std::equal(image.begin(), image.end(), out.begin()));
  EXPECT_EQ(out.size() % 8, 0u);

  PayloadReader reader;
  ASSERT_TRUE(reader.acceptFileBytes(out));
  ASSERT_EQ(reader.entries().size(), 3u);
  EXPECT_EQ(reader.entries()[0].valueOffset, kImageSize);  // values start where the sections end
  EXPECT_EQ(reader.entries()[1].valueOffset, kImageSize + 1);
  EXPECT_EQ(reader.entries()[2].valueOffset, kImageSize + 1 + 32);
  const size_t directoryAt = kImageSize + 1 + 32 + 4;
  const size_t trailerAt = directoryAt + 3 * payload_format::kEntrySize;
  EXPECT_EQ(payload_format::readU64(&out[trailerAt + payload_format::kTrailerDirectoryAt]), directoryAt);
  EXPECT_EQ(std::string(out.begin() + ptrdiff_t(trailerAt), out.begin() + ptrdiff_t(trailerAt) + 8), "TDPAYLD1");
  EXPECT_TRUE(std::all_of(out.begin() + ptrdiff_t(trailerAt + 32), out.end(), [](uint8_t b) { return b == 0; }));
  EXPECT_LT(out.size() - (trailerAt + 32), 8u);
  EXPECT_EQ(reader.carriedVersion().build, 325);
  EXPECT_EQ(reader.carriedVersion().minor, 1);

  OwnPayload own;
  ASSERT_TRUE(acceptOwnPayload(reader, own));  // what the program itself will accept
  EXPECT_EQ(own.tenantSlug, "acme");
}

TEST_F(PackImageCommands, StampRefusesWhatTheProgramWouldRefuse) {
  EXPECT_EQ(stamp("0123456789ABCDEF0123456789abcdef", "acme"), 2);
  EXPECT_EQ(stamp(std::string(kId).substr(1), "acme"), 2);
  EXPECT_EQ(stamp(kId, "a"), 2);
  EXPECT_EQ(stamp(kId, std::string(32, 'a')), 2);
  EXPECT_EQ(stamp(kId, "Acme"), 2);
  EXPECT_EQ(stamp(kId, "-acme"), 2);
  EXPECT_EQ(runStamp({"--download-id", kId, path("in.exe"), path("out.exe")}), 2);
  EXPECT_EQ(runStamp({"--download-id", kId, "--tenant", "acme", "--tenant", "b", path("in.exe"), path("out.exe")}), 2);
  EXPECT_FALSE(fs::exists(path("out.exe")));
}

TEST_F(PackImageCommands, StampRefusesNonImagesAndImagesWithTrailingData) {
  write("text.exe", std::vector<uint8_t>(600, 'x'));
  EXPECT_EQ(stamp(kId, "acme", "text.exe"), 1);
  ASSERT_EQ(stamp(kId, "acme"), 0);
  fs::rename(path("out.exe"), path("stamped.exe"));
  EXPECT_EQ(stamp(kId, "acme", "stamped.exe"), 1);  // a second payload would hide the first
  std::vector<uint8_t> truncated = minimalImage();
  truncated.resize(0x300);  // the section runs past the end
  write("short.exe", truncated);
  EXPECT_EQ(stamp(kId, "acme", "short.exe"), 1);
  EXPECT_FALSE(fs::exists(path("out.exe")));
}

TEST_F(PackImageCommands, BundleTagsEveryFileWithItsWidth) {
  write("host.bin", {1, 2, 3});
  write("service.bin", {4});
  write("agent.bin", {5, 6});
  ASSERT_EQ(runBundle({"--bits", "32", "--file", "NorvaneHost.exe=" + path("host.bin"), "--file",
                       "NorvaneHostService.exe=" + path("service.bin"), "--file",
                       "NorvaneAgent.exe=" + path("agent.bin"), path("in.exe"), path("out.exe")}),
            0);
  PayloadReader reader;
  ASSERT_TRUE(reader.acceptFileBytes(read("out.exe")));
  EXPECT_TRUE(carriesInstallerEntries(reader, 32));
  EXPECT_FALSE(carriesInstallerEntries(reader, 64));
  std::vector<uint8_t> host;
  ASSERT_TRUE(reader.copyEntryBytes(*reader.findEntry(L"NorvaneHost.exe", 32), &host));
  EXPECT_EQ(host, (std::vector<uint8_t>{1, 2, 3}));
}

TEST_F(PackImageCommands, BundleRefusesBadWidthsNamesAndEmptyFiles) {
  write("host.bin", {1});
  write("empty.bin", {});
  const std::string host = "NorvaneHost.exe=" + path("host.bin");
  EXPECT_EQ(runBundle({"--bits", "16", "--file", host, path("in.exe"), path("out.exe")}), 2);
  EXPECT_EQ(runBundle({"--file", host, path("in.exe"), path("out.exe")}), 2);
  EXPECT_EQ(runBundle({"--bits", "64", "--file", "../evil=" + path("host.bin"), path("in.exe"), path("out.exe")}), 2);
  EXPECT_EQ(runBundle({"--bits", "64", "--file", "NorvaneHost.exe", path("in.exe"), path("out.exe")}), 2);
  EXPECT_EQ(runBundle({"--bits", "64", "--file", "x=" + path("empty.bin"), path("in.exe"), path("out.exe")}), 1);
  EXPECT_EQ(runBundle({"--bits", "64", "--file", "x=" + path("missing.bin"), path("in.exe"), path("out.exe")}), 1);
  EXPECT_FALSE(fs::exists(path("out.exe")));
}

TEST_F(PackImageCommands, PublishTakesOnlyAFullInstallerOfEachWidth) {
  write("in64.exe", minimalImage(true));
  write("program.bin", {1});
  const auto bundle = [&](const char* bits, const std::string& in, const std::string& out) {
    const std::string program = path("program.bin");
    ASSERT_EQ(runBundle({"--bits", bits, "--file", "NorvaneHost.exe=" + program, "--file",
                         "NorvaneHostService.exe=" + program, "--file", "NorvaneAgent.exe=" + program, path(in),
                         path(out)}),
              0);
  };
  bundle("32", "in.exe", "x86.exe");
  bundle("64", "in64.exe", "x64.exe");
  bundle("64", "in.exe", "x86-image-x64-payload.exe");
  bundle("32", "in64.exe", "x64-image-x86-payload.exe");
  const auto publish = [&](const std::string& x64, const std::string& x86) {
    return runPublish({"--secret", std::string(NORVANE_TEST_KEYS_DIR) + "/update-signing-test.key", "--version",
                       "0.1.325", "--x64", path(x64), "--x86", path(x86), path("release")});
  };
  EXPECT_EQ(publish("x86-image-x64-payload.exe", "x86.exe"), 1);
  EXPECT_EQ(publish("x64-image-x86-payload.exe", "x86.exe"), 1);
  EXPECT_EQ(publish("in64.exe", "x86.exe"), 1);
  EXPECT_EQ(publish("x64.exe", "x64.exe"), 1);
  EXPECT_EQ(publish("x64.exe", "x86-image-x64-payload.exe"), 1);
  EXPECT_EQ(publish("x64.exe", "in.exe"), 1);
  EXPECT_FALSE(fs::exists(path("release")));
  EXPECT_EQ(publish("x64.exe", "x86.exe"), 0);
  EXPECT_TRUE(fs::exists(path("release/latest/download/Norvane-x64.exe.sig")));
}

}  // namespace
