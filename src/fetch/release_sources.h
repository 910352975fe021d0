#pragma once
// Which release server is asked first, and walking the servers in that
// order: the version file from the first one that serves a parsable one; the
// signature and the installer together from the first one that serves both.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fetch/release_version.h"
#include "fetch/transfer_rules.h"

// Base URLs, index 0 first; at most two.
using ReleaseSourceList = std::vector<std::wstring>;

// Primary then secondary; the secondary first when chains are checked
// against the pinned roots first (systems without ISRG Root X1). Empty URLs
// are left out.
ReleaseSourceList orderReleaseSources(const std::wstring& primary, const std::wstring& secondary, bool pinnedFirst);

// Moves the first entry after index 0 that equals `source` (case-sensitive)
// to the front; the others keep their order.
void promoteSource(ReleaseSourceList& sources, const std::wstring& source);

// One fetch with the trust fallback (downloadWithTrustFallback in the
// program, a fake in tests); true with the whole body in `body`.
using Downloader = std::function<bool(const DownloadRequest& request, std::vector<uint8_t>& body)>;

// True with `version` and `servedBy` (the base URL) filled when a source
// served a parsable version.txt. Stops early, false, when the cancel hook
// fires.
bool fetchVersionFromSources(const ReleaseSourceList& sources, const Downloader& download, ReleaseVersion& version,
                             std::wstring& servedBy);

// The installer that the walk asks every source for.
struct InstallerFiles {
  ReleaseVersion version;
  std::wstring remoteName;  // "Norvane-x64.exe" or "Norvane-x86.exe"
  ProgressCallback progress = nullptr;
  void* progressContext = nullptr;
};

// What one source delivered.
struct ReceivedFiles {
  std::vector<uint8_t> signature;  // exactly kSignatureBytes
  std::vector<uint8_t> installer;
};

// True when one source delivered a 64-byte signature and then the installer
// body. Stops early, false, when the cancel hook fires.
bool fetchInstallerFromSources(const ReleaseSourceList& sources, const InstallerFiles& wanted,
                               const Downloader& download, ReceivedFiles& received);
