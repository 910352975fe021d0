#pragma once
// Reader for the payload appended to a program image: finds the trailer near the
// end of the file, validates it and every directory entry, then answers lookups.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PayloadEntry {
  std::string name;  // at most 39 ASCII characters
  uint32_t bitnessTag = 0;
  uint64_t valueOffset = 0;
  uint64_t valueLength = 0;
};

struct CarriedVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t build = 0;
  uint16_t revision = 0;
};

class PayloadReader {
 public:
  // Reads the whole file (at most 128 MiB) and accepts its payload. Win32.
  bool readFile(const std::wstring& path);
  // readFile on the program's own image. Win32.
  bool readOwnImage();
  // Takes the file's bytes and validates the payload in them; the rules of
  // readFile after the file has been read.
  bool acceptFileBytes(std::vector<uint8_t> fileBytes);

  const PayloadEntry* findEntry(std::wstring_view name, uint32_t bitnessTag) const;
  bool copyEntryBytes(const PayloadEntry& entry, std::vector<uint8_t>* out) const;

  const std::vector<PayloadEntry>& entries() const { return entries_; }
  CarriedVersion carriedVersion() const { return carriedVersion_; }

 private:
  void clear();
  bool parseEntries(uint64_t directoryOffset, uint32_t count);

  std::vector<uint8_t> fileBytes_;
  std::vector<PayloadEntry> entries_;
  CarriedVersion carriedVersion_;
};

// The value of the entry `name` tagged 0, as text of 1..maxLength bytes without NUL.
bool readPayloadText(const PayloadReader& reader, std::wstring_view name, uint32_t maxLength, std::string& out);

// Whether a file of this size may be read at all.
bool isReadablePayloadFileSize(uint64_t size);

// 64 on 64-bit Windows (we run under WOW64), otherwise 32. Win32.
uint32_t machineBitness();
