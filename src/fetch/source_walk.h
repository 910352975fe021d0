#pragma once
// Walking the release sources in order: the version file from the first one
// that serves a parsable one; the signature and the installer together from
// the first one that serves both.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fetch/fetch.h"
#include "fetch/source_order.h"

// One fetch with the trust fallback (downloadWithTrustFallback in the
// program, a fake in tests).
using Downloader = std::function<bool(const std::wstring& url, uint32_t limit, uint32_t receiveTimeoutMs,
                                      std::vector<uint8_t>& body, ProgressCallback progress, void* progressContext)>;

// True with `version` and `servedBy` (the base URL) filled when a source
// served a parsable version.txt.
bool fetchVersionFromSources(const ReleaseSourceList& sources, const Downloader& download, ReleaseVersion& version,
                             std::wstring& servedBy);

// True when one source delivered a 64-byte signature and then the installer
// body. Stops early, false, when the cancel hook fires.
bool fetchInstallerFromSources(const ReleaseSourceList& sources, const ReleaseVersion& version,
                               const std::wstring& remoteName, const Downloader& download, ProgressCallback progress,
                               void* progressContext, std::vector<uint8_t>& signature,
                               std::vector<uint8_t>& installer);
