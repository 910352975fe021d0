#include "host/host_handoff.h"

std::wstring executableFromServiceCommandLine(const std::wstring& commandLine) {
  if (commandLine.empty()) return {};
  if (commandLine.front() == L'"') {
    const size_t closing = commandLine.find(L'"', 1);
    if (closing == std::wstring::npos) return {};
    return commandLine.substr(1, closing - 1);
  }
  return commandLine.substr(0, commandLine.find(L' '));
}
