#pragma once
// How much of an image file its Authenticode signature covers. The signature
// hashes everything before the certificate table but not the table itself, so
// bytes placed inside the table can be changed without breaking it: a payload
// is trusted only when it lies wholly before the table.
#include <cstdint>
#include <vector>

// The table is at most 7 zero bytes after the payload: signing pads the file
// to a multiple of 8 before appending it.
inline constexpr uint64_t kCertificateTableAlignment = 8;

// False when the image names a certificate table that does not lie inside the
// file. Otherwise `signedEnd` is the table's offset, or the file size when the
// bytes are not a PE image or the image has no table.
bool findSignedEnd(const std::vector<uint8_t>& bytes, uint64_t& signedEnd);
