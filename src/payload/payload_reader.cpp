#include "payload/payload_reader.h"

#include <cstring>

#include "host/log.h"
#include "payload/payload_format.h"
#include "payload/signed_extent.h"

using namespace payload_format;

namespace {

// The match nearest the end wins: the slot right before the end is the usual
// place, then the search walks backwards through the window one byte at a time.
bool findTrailer(const std::vector<uint8_t>& bytes, uint64_t& trailerAt) {
  const uint64_t size = bytes.size();
  const uint64_t floor = size > kTrailerSearchWindow ? size - kTrailerSearchWindow : 0;
  for (uint64_t at = size - kTrailerSize + 1; at-- > floor;) {
    if (std::memcmp(bytes.data() + at, kTrailerMagic, sizeof kTrailerMagic) == 0) {
      trailerAt = at;
      return true;
    }
  }
  return false;
}

// In a signed image the trailer must close the signed part: only signing's
// zero padding may stand between it and the certificate table.
bool endsAtSignedEnd(const std::vector<uint8_t>& bytes, uint64_t trailerAt) {
  const uint64_t trailerEnd = trailerAt + kTrailerSize;
  if (bytes.size() - trailerEnd >= kCertificateTableAlignment) return false;
  for (uint64_t at = trailerEnd; at < bytes.size(); ++at) {
    if (bytes[at] != 0) return false;
  }
  return true;
}

}  // namespace

bool isReadablePayloadFileSize(uint64_t size) { return size != 0 && size <= kMaxFileSize; }

void PayloadReader::clear() {
  fileBytes_.clear();
  entries_.clear();
  carriedVersion_ = {};
}

bool PayloadReader::acceptFileBytes(std::vector<uint8_t> fileBytes) {
  clear();
  fileBytes_ = std::move(fileBytes);
  uint64_t signedEnd = 0;
  if (!findSignedEnd(fileBytes_, signedEnd)) return false;
  const bool signedImage = signedEnd < fileBytes_.size();
  fileBytes_.resize(signedEnd);  // from here on the certificate table is not part of the file
  const uint64_t size = fileBytes_.size();
  if (size < kTrailerSize) return false;

  uint64_t trailerAt = 0;
  if (!findTrailer(fileBytes_, trailerAt)) return false;
  if (signedImage && !endsAtSignedEnd(fileBytes_, trailerAt)) return false;
  const uint8_t* trailer = fileBytes_.data() + trailerAt;

  const uint32_t version = readU32(trailer + kTrailerVersionAt);
  if (version != kFormatVersion) {
    writeLog(L"붙어 온 조각의 판이 다르다 (%u)", version);
    return false;
  }
  const uint32_t count = readU32(trailer + kTrailerCountAt);
  const uint64_t directoryOffset = readU64(trailer + kTrailerDirectoryAt);
  if (count == 0 || count > kMaxEntryCount) return false;
  if ((directoryOffset >> 32) != 0 || directoryOffset > size) return false;
  if (size - directoryOffset < uint64_t(count) * kEntrySize) return false;

  const uint8_t* carried = trailer + kTrailerCarriedVersionAt;
  carriedVersion_ = {readU16(carried), readU16(carried + 2), readU16(carried + 4), readU16(carried + 6)};
  return parseEntries(directoryOffset, count);
}

bool PayloadReader::parseEntries(uint64_t directoryOffset, uint32_t count) {
  const uint64_t size = fileBytes_.size();
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* raw = fileBytes_.data() + directoryOffset + uint64_t(i) * kEntrySize;
    const void* nul = std::memchr(raw, 0, kNameFieldSize);
    const std::string_view name(reinterpret_cast<const char*>(raw),
                                nul ? size_t(static_cast<const uint8_t*>(nul) - raw) : 0);
    if (!nul || !isValidEntryName(name)) {
      writeLog(L"붙어 온 조각의 이름이 이상하다. 전부 버린다");
      entries_.clear();
      return false;
    }
    PayloadEntry entry{std::string(name), readU32(raw + kEntryTagAt), readU64(raw + kEntryValueOffsetAt),
                       readU64(raw + kEntryValueLengthAt)};
    if (!isKnownBitnessTag(entry.bitnessTag)) {
      entries_.clear();
      return false;
    }
    if (entry.valueLength == 0 || (entry.valueOffset >> 32) != 0 || entry.valueOffset > size ||
        size - entry.valueOffset < entry.valueLength) {
      writeLog(L"붙어 온 조각이 파일 밖을 가리킨다. 전부 버린다");
      entries_.clear();
      return false;
    }
    entries_.push_back(std::move(entry));
  }
  return true;
}

const PayloadEntry* PayloadReader::findEntry(std::wstring_view name, uint32_t bitnessTag) const {
  for (const PayloadEntry& entry : entries_) {
    if (entry.bitnessTag != bitnessTag || entry.name.size() != name.size()) continue;
    bool same = true;
    for (size_t i = 0; i < name.size() && same; ++i) {
      same = name[i] == wchar_t(static_cast<signed char>(entry.name[i]));
    }
    if (same) return &entry;
  }
  return nullptr;
}

bool PayloadReader::copyEntryBytes(const PayloadEntry& entry, std::vector<uint8_t>* out) const {
  if (!out) return false;
  const uint64_t end = entry.valueOffset + entry.valueLength;
  if (end < entry.valueOffset || end > fileBytes_.size()) return false;
  out->assign(fileBytes_.begin() + ptrdiff_t(entry.valueOffset), fileBytes_.begin() + ptrdiff_t(end));
  return true;
}

bool readPayloadText(const PayloadReader& reader, std::wstring_view name, uint32_t maxLength, std::string& out) {
  const PayloadEntry* entry = reader.findEntry(name, kTagAny);
  if (!entry) return false;
  if ((entry->valueLength >> 32) != 0 || entry->valueLength > maxLength) return false;
  std::vector<uint8_t> bytes;
  if (!reader.copyEntryBytes(*entry, &bytes)) return false;
  out.assign(bytes.begin(), bytes.end());
  return !out.empty() && out.find('\0') == std::string::npos;
}
