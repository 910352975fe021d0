#pragma once
// Command line and norvane open links. The program knows exactly "--uri",
// "--background" and "--tenant" / "--tenant="; anything else rejects the run.
#include <string>
#include <vector>

#include "app/launch_options.h"

using ArgumentList = std::vector<std::string>;  // UTF-8, program name left out

namespace command_line_limits {
inline constexpr size_t kMinSlugLength = 2;
inline constexpr size_t kMaxSlugLength = 31;
inline constexpr size_t kMaxRequestedTenantLength = 128;
}  // namespace command_line_limits

bool isValidTenantSlug(const std::string& slug);
bool isValidRequestedTenant(const std::string& tenant);

// The process's arguments, split once and kept for the life of the process. Win32.
const ArgumentList& commandLineArguments();

// parseCommandLineArguments on commandLineArguments().
bool parseCommandLine(const std::string& payloadSlug, LaunchOptions& options);
bool parseCommandLineArguments(const ArgumentList& arguments, const std::string& payloadSlug, LaunchOptions& options);

bool parseOpenLinkArguments(const ArgumentList& arguments, LaunchOptions& options);
bool tenantFromOpenLink(const std::string& link, LaunchOptions& options);
std::wstring buildOpenLinkArgument(const LaunchOptions& options);

// An ASCII-checked narrow string as UTF-16, one unit per byte.
std::wstring widenBytes(const std::string& text);
