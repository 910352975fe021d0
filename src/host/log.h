#pragma once
// The diagnostic log "host.log", shared by every account of the machine.
// writeLog formats like printf with a wide format: %s takes a wide string,
// %u and %lu unsigned 32-bit values. Callable from any thread.
#include <cstddef>
#include <cstdint>

void writeLog(const wchar_t* format, ...);

namespace log_limits {
inline constexpr size_t kMessageChars = 2048;    // a longer message is cut to 2047 characters
inline constexpr size_t kLineChars = 2304;       // a longer line is cut to 2303 and loses its line feed
inline constexpr uint64_t kRotateAtBytes = 4194304;  // 4 MiB: then host.log becomes host.log.1
inline constexpr uint64_t kRefuseAtBytes = 2 * kRotateAtBytes;  // a log that cannot be rotated stops here
inline constexpr unsigned kMaxConsecutiveFailures = 5;
}  // namespace log_limits
