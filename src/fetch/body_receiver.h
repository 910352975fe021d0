#pragma once
// The rules a response body must meet, apart from the network calls: the
// declared length against the limit before any byte, the running total before
// each append, the end of the body against the declared length, and progress.
#include <cstdint>
#include <vector>

#include "fetch/fetch.h"

// Content-Length text as the standard conversion reads it: leading blanks
// skipped, stops at the first non-digit, 0 without digits, the largest value
// on overflow. 0 means unknown.
uint64_t declaredLengthFromHeader(const wchar_t* text);

bool isRedirectStatus(uint32_t status);

class BodyReceiver {
 public:
  BodyReceiver(std::vector<uint8_t>& body, uint32_t limit, uint64_t declaredLength, ProgressCallback progress,
               void* progressContext);

  // Before the body: false (logged) when the declared length passes the
  // limit; otherwise room for the declared length is reserved.
  bool acceptDeclaredLength();
  // One received piece: false (logged) when the total would pass the limit or
  // the declared length; otherwise appended and progress reported.
  bool append(const uint8_t* piece, uint32_t count);
  // After the server ended the body: false (logged) when it is empty or
  // shorter than declared.
  bool finish() const;

 private:
  std::vector<uint8_t>& body_;
  uint32_t limit_;
  uint64_t declaredLength_;
  ProgressCallback progress_;
  void* progressContext_;
};
