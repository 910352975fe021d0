#pragma once
// The two compiled-in release base URLs (see docs/release-servers.md). Test
// builds point them at the loopback release server instead.
#include <string>

const std::wstring& primaryReleaseUrl();
const std::wstring& secondaryReleaseUrl();
