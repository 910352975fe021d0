#pragma once
// Fixed limits of the three fetches and of one transfer.
#include <cstdint>

inline constexpr uint32_t kVersionFileLimit = 64;
inline constexpr uint32_t kSignatureFileLimit = 1024;
inline constexpr uint32_t kInstallerLimit = 67108864;     // 64 MiB
inline constexpr uint32_t kSmallFileReceiveTimeoutMs = 5000;
inline constexpr uint32_t kInstallerReceiveTimeoutMs = 60000;
inline constexpr uint32_t kResolveTimeoutMs = 3000;
inline constexpr uint32_t kConnectTimeoutMs = 3000;
inline constexpr uint32_t kSendTimeoutMs = 3000;
inline constexpr int32_t kMaxRedirects = 5;               // followed after the first request, pinned mode
inline constexpr uint32_t kPieceBytes = 65536;            // one WinHttpReadData
inline constexpr uint32_t kDiskSliceBytes = 1048576;      // one WriteFile / ReadFile of the staged file
inline constexpr uint32_t kContentLengthChars = 32;
inline constexpr uint32_t kValidatorChars = 256;           // ETag or Last-Modified text
inline constexpr uint32_t kContentRangeChars = 96;
