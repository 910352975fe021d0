#include "tenant_file_builder.h"

#include <cstring>

#include "eddsa_signing.h"

namespace {

constexpr size_t kSignedBytes = 448;
constexpr size_t kSlugWidth = 32;
constexpr size_t kWideNameUnits = 64;
constexpr size_t kAsciiTextWidth = 64;

bool isPrintableAscii(const std::string& text) {
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte > 0x7e) return false;
  }
  return true;
}

// A text must leave room for its terminator inside the field.
std::string textProblem(const char* what, const std::string& text, size_t width) {
  if (text.empty()) return std::string(what) + " is empty";
  if (text.size() >= width) return std::string(what) + " is longer than " + std::to_string(width - 1) + " characters";
  if (!isPrintableAscii(text)) return std::string(what) + " has a character outside printable ASCII (0x20-0x7e)";
  return "";
}

}  // namespace

std::string tenantFieldsProblem(const TenantFileFields& fields) {
  if (fields.headerValue == 0) return "the header value must not be 0";
  std::string problem = textProblem("the tenant slug", fields.tenantSlug, kSlugWidth);
  if (!problem.empty()) return problem;
  if (fields.wideName.empty()) return "the name is empty";
  if (fields.wideName.size() >= kWideNameUnits) return "the name is longer than 63 UTF-16 code units";
  for (char16_t unit : fields.wideName) {
    if (unit == 0) return "the name contains a NUL character";
  }
  return textProblem("the ASCII text", fields.asciiText, kAsciiTextWidth);
}

void writeTenantFileBody(const TenantFileFields& fields, uint8_t* body) {
  std::memset(body, 0, kSignedBytes);
  std::memcpy(body, "TDTENANT", 8);
  for (int i = 0; i < 4; ++i) body[8 + i] = static_cast<uint8_t>(fields.headerValue >> (8 * i));
  std::memcpy(body + 12, fields.tenantId, sizeof fields.tenantId);
  std::memcpy(body + 28, fields.tenantSlug.data(), fields.tenantSlug.size());
  for (size_t i = 0; i < fields.wideName.size(); ++i) {
    body[60 + 2 * i] = static_cast<uint8_t>(fields.wideName[i] & 0xff);
    body[60 + 2 * i + 1] = static_cast<uint8_t>(fields.wideName[i] >> 8);
  }
  std::memcpy(body + 188, fields.asciiText.data(), fields.asciiText.size());
  std::memcpy(body + 252, fields.value1, sizeof fields.value1);
  std::memcpy(body + 284, fields.value2, sizeof fields.value2);
  std::memcpy(body + 316, fields.value3, sizeof fields.value3);
}

bool buildSignedTenantFile(const TenantFileFields& fields, const uint8_t* seed, uint8_t* file, std::string& problem) {
  problem = tenantFieldsProblem(fields);
  if (!problem.empty()) return false;
  writeTenantFileBody(fields, file);
  signMessage(file + kSignedBytes, seed, file, kSignedBytes);
  return true;
}
