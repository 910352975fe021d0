#pragma once
#include <windows.h>

#include <string>

#include "app/launch_options.h"

// Carries an accepted run to its end; the result is the process exit code.
int runInstallFlow(HINSTANCE instance, const std::string& downloadId, const LaunchOptions& options);
