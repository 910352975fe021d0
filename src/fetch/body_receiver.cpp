#include "fetch/body_receiver.h"

#include <cwchar>

#include "host/log.h"

namespace {
constexpr wchar_t kDeclaredTooLarge[] = L"판올림 파일이 너무 크다 (%llu)";
constexpr wchar_t kTooLarge[] = L"판올림 파일이 너무 크다";
constexpr wchar_t kShortBody[] = L"다운로드 본문이 비었거나 덜 왔다 (%llu / %llu바이트)";
}  // namespace

uint64_t declaredLengthFromHeader(const wchar_t* text) {
  if (text == nullptr) return 0;
  return uint64_t(std::wcstoull(text, nullptr, 10));
}

bool isRedirectStatus(uint32_t status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

BodyReceiver::BodyReceiver(std::vector<uint8_t>& body, uint32_t limit, uint64_t declaredLength,
                           ProgressCallback progress, void* progressContext)
    : body_(body), limit_(limit), declaredLength_(declaredLength), progress_(progress), progressContext_(progressContext) {}

bool BodyReceiver::acceptDeclaredLength() {
  if (declaredLength_ <= limit_) {
    // One allocation of the known size instead of doubling towards it, which
    // would hold both the old and the new block at the end.
    body_.reserve(size_t(declaredLength_));
    return true;
  }
  writeLog(kDeclaredTooLarge, static_cast<unsigned long long>(declaredLength_));
  return false;
}

bool BodyReceiver::append(const uint8_t* piece, uint32_t count) {
  const uint64_t total = uint64_t(body_.size()) + count;
  if (total > limit_) {
    writeLog(kTooLarge);
    return false;
  }
  // More than declared is as wrong as less, and would push progress past 100.
  if (declaredLength_ != 0 && total > declaredLength_) {
    writeLog(kShortBody, static_cast<unsigned long long>(total), static_cast<unsigned long long>(declaredLength_));
    return false;
  }
  body_.insert(body_.end(), piece, piece + count);
  if (progress_ != nullptr && declaredLength_ != 0) {
    progress_(int32_t(uint64_t(body_.size()) * 100 / declaredLength_), progressContext_);
  }
  return true;
}

bool BodyReceiver::finish() const {
  const uint64_t received = body_.size();
  if (received == 0 || (declaredLength_ != 0 && received != declaredLength_)) {
    writeLog(kShortBody, static_cast<unsigned long long>(received), static_cast<unsigned long long>(declaredLength_));
    return false;
  }
  return true;
}
