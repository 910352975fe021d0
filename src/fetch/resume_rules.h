#pragma once
// Continuing a download that broke off, apart from WinHTTP: which bytes are
// worth keeping, the Range request for the rest, whether the answer continues
// them, and the kept bytes themselves.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// The start of a body that broke off, with what identifies the whole file.
struct PartialDownload {
  std::wstring url;
  std::wstring validator;  // the first response's ETag, else its Last-Modified, as sent
  uint64_t total = 0;      // the whole file's declared length
  std::vector<uint8_t> bytes;

  // Only a known length and a validator let the rest be asked for safely.
  bool canContinue() const { return !bytes.empty() && total > bytes.size() && !validator.empty(); }
};

// "Range: bytes=N-" and "If-Range: <validator>", as extra request headers.
std::wstring resumeHeaders(const PartialDownload& partial);

// A 206 whose Content-Range is exactly "bytes <stored>-<total - 1>/<total>"
// continues the stored bytes; any other answer (a 200 for a changed file, a
// wrong range or total) does not.
bool continuesPartial(uint32_t status, const std::wstring& contentRange, uint64_t stored, uint64_t total);

// Kept for the rest of the run: at most one partial download per release
// source (the host and port of its URL). A new one of the same source
// replaces the old.
class KeptPartials {
 public:
  void keep(PartialDownload&& partial);
  // Moves out the partial kept for exactly this URL; false when there is none.
  bool take(const std::wstring& url, PartialDownload& partial);

 private:
  std::mutex guard_;
  std::vector<PartialDownload> kept_;
};

KeptPartials& keptPartials();
