#pragma once
#include <string>

// What the command line asked for; filled once at start, read by the install flow.
struct LaunchOptions {
  std::string tenantSlug;          // the payload's slug, or the tenant of an open link
  std::string requestedTenant;     // from --tenant / --tenant=, empty when none
  bool background = false;         // --background: no window and no message box
  std::wstring forwardedArguments; // passed to the program that this run starts
};
