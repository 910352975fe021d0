#pragma once
// Captured log lines of a unit test: the message text of each writeLog call.
#include <string>
#include <vector>

namespace log_capture {
void clear();
std::vector<std::wstring> lines();
}  // namespace log_capture
