#pragma once
// Makes signed 512-byte tenant files for the release tool and the tests. The
// fields are checked against the same rules the program applies when it
// reads a tenant file, so a built file always parses.
#include <cstdint>
#include <string>

struct TenantFileFields {
  uint32_t headerValue = 1;
  uint8_t tenantId[16] = {};
  std::string tenantSlug;   // 1..31 printable ASCII characters
  std::u16string wideName;  // 1..63 non-zero UTF-16 code units
  std::string asciiText;    // 1..63 printable ASCII characters
  uint8_t value1[32] = {};
  uint8_t value2[32] = {};
  uint8_t value3[32] = {};
};

// Why the fields cannot go into a tenant file, or empty when they can.
std::string tenantFieldsProblem(const TenantFileFields& fields);

// The 448 signed bytes (magic, fields, zero reserved bytes). The fields must
// pass tenantFieldsProblem.
void writeTenantFileBody(const TenantFileFields& fields, uint8_t* body /* 448 bytes */);

// Body plus the signature made with `seed` (32 bytes). False, with the
// reason, when the fields break a rule.
bool buildSignedTenantFile(const TenantFileFields& fields, const uint8_t* seed, uint8_t* file /* 512 bytes */,
                           std::string& problem);
