#pragma once
// SHA-256 for checking the embedded root certificates' fingerprints.
#include <cstddef>
#include <cstdint>
#include <string>

// Uppercase hexadecimal digest.
std::string sha256Hex(const uint8_t* data, size_t length);
