#pragma once
// The download identifier that every copy of the online installer carries:
// exactly 32 characters of "0123456789abcdef" (upper-case digits are refused).
// The program checks it at start and names the staged installer after it; the
// release tool checks it before stamping.
#include <cstddef>
#include <string>

inline constexpr size_t kDownloadIdLength = 32;

bool isValidDownloadId(const std::string& id);
