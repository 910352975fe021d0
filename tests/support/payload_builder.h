#pragma once
// Crafts payload bytes field by field, so that tests can build every defect.
#include <cstdint>
#include <string>
#include <vector>

struct CraftedEntry {
  std::string name;      // written into the 40-byte field; longer names fill it without NUL
  uint32_t tag = 0;
  std::string value;     // appended to the values area unless offset/length are forced
  bool forceOffset = false;
  uint64_t offset = 0;
  bool forceLength = false;
  uint64_t length = 0;
};

struct CraftedPayload {
  std::vector<uint8_t> prefix = std::vector<uint8_t>(64, 0x90);  // stands in for the image
  std::vector<CraftedEntry> entries;
  uint32_t formatVersion = 2;
  bool forceCount = false;
  uint32_t count = 0;
  bool forceDirectoryOffset = false;
  uint64_t directoryOffset = 0;
  uint16_t carried[4] = {0, 1, 325, 0};
  size_t paddingAfterTrailer = 6;

  std::vector<uint8_t> build() const;
};

// The three entries of a good online installer payload.
CraftedPayload onlineInstallerPayload(const std::string& downloadId = "0123456789abcdef0123456789abcdef",
                                      const std::string& slug = "acme");
