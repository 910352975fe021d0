#pragma once
// The installed host: its service, the event a running host waits on, the
// marker files it reads, and starting it.
#include <cstddef>
#include <string>

namespace host_handoff {
inline constexpr wchar_t kServiceName[] = L"NorvaneHostSvc";
inline constexpr wchar_t kShowWindowEvent[] = L"Local\\NorvaneShowWindow";
inline constexpr wchar_t kSelectTenantMarker[] = L"\\select-tenant";
inline constexpr wchar_t kShowOnStartMarker[] = L"\\show-on-start";
inline constexpr wchar_t kHostProgram[] = L"NorvaneHost.exe";
inline constexpr wchar_t kHostArguments[] = L"--managed --resume";
inline constexpr size_t kMaxMarkerSlugBytes = 128;
}  // namespace host_handoff

// The executable named by a service command line: the text inside leading
// quotes, or everything before the first space. Environment references are
// not expanded.
std::wstring executableFromServiceCommandLine(const std::wstring& commandLine);

// Win32.
std::wstring hostServiceBinaryPath();
bool isHostInstallIncomplete();
bool isHostServiceUsable();
bool signalHostWindow();
void writeSelectTenantMarker(const std::string& slug);
void writeShowOnStartMarker();
int launchHost();
