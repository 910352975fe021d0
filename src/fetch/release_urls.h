#pragma once
// The two compiled-in release base URLs (see docs/release-servers.md), and the
// names and URL shapes that both servers share.
#include <cstdint>
#include <string>

#include "fetch/release_version.h"

// Test builds point these at the loopback release server instead.
const std::wstring& primaryReleaseUrl();
const std::wstring& secondaryReleaseUrl();

inline constexpr wchar_t kLatestSuffix[] = L"/latest/download";  // every base URL ends with it
inline constexpr wchar_t kVersionFileName[] = L"version.txt";
inline constexpr wchar_t kSignatureSuffix[] = L".sig";
inline constexpr wchar_t kLocalInstallerPrefix[] = L"Norvane--";
inline constexpr wchar_t kStagingFolderPrefix[] = L"Norvane-download-";

// "Norvane-x64.exe" for 64, "Norvane-x86.exe" for anything else.
const wchar_t* installerAssetName(uint32_t bits);

// source minus "/latest/download", then "/download/vX.Y.Z/" + fileName; empty
// (and logged) when source has another shape, empty silently when it is empty.
std::wstring buildVersionedUrl(const std::wstring& source, const ReleaseVersion& version, const std::wstring& fileName);

// The text between "://" and the next "/"; the whole url without "://".
std::wstring hostOfUrl(const std::wstring& url);
