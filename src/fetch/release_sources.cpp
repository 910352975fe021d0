#include "fetch/release_sources.h"

#include "crypto/signature_check.h"

#include "fetch/fetch_state.h"
#include "fetch/release_urls.h"
#include "host/log.h"

namespace {
constexpr wchar_t kFallbackMessage[] = L"판올림을 %s 에서 받지 못해 %s 에서 받는다";
constexpr wchar_t kNoSignatureMessage[] = L"판올림 서명을 받지 못했다";

void logFallback(const std::wstring& from, const std::wstring& to) {
  writeLog(kFallbackMessage, hostOfUrl(from).c_str(), hostOfUrl(to).c_str());
}
}  // namespace

ReleaseSourceList orderReleaseSources(const std::wstring& primary, const std::wstring& secondary, bool pinnedFirst) {
  ReleaseSourceList sources;
  if (!primary.empty()) sources.push_back(primary);
  if (!secondary.empty()) {
    if (pinnedFirst) {
      sources.insert(sources.begin(), secondary);
    } else {
      sources.push_back(secondary);
    }
  }
  return sources;
}

void promoteSource(ReleaseSourceList& sources, const std::wstring& source) {
  if (source.empty()) return;
  for (size_t i = 1; i < sources.size(); ++i) {
    if (sources[i] == source) {
      std::wstring moved = std::move(sources[i]);
      sources.erase(sources.begin() + std::ptrdiff_t(i));
      sources.insert(sources.begin(), std::move(moved));
      return;
    }
  }
}

bool fetchVersionFromSources(const ReleaseSourceList& sources, const Downloader& download, ReleaseVersion& version,
                             std::wstring& servedBy) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (isFetchCancelled()) return false;
    if (i > 0) logFallback(sources[i - 1], sources[i]);
    const std::wstring url = sources[i].empty() ? std::wstring() : sources[i] + L"/" + kVersionFileName;
    std::vector<uint8_t> body;
    if (!download({url, kVersionFileLimit, kSmallFileReceiveTimeoutMs}, body)) continue;
    ReleaseVersion parsed;
    if (!parseReleaseVersionText(body.data(), body.size(), parsed)) continue;
    version = parsed;
    servedBy = sources[i];
    return true;
  }
  return false;
}

bool fetchInstallerFromSources(const ReleaseSourceList& sources, const InstallerFiles& wanted,
                               const Downloader& download, ReceivedFiles& received) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (isFetchCancelled()) return false;
    const std::wstring signatureUrl =
        buildVersionedUrl(sources[i], wanted.version, wanted.remoteName + kSignatureSuffix);
    const std::wstring installerUrl = buildVersionedUrl(sources[i], wanted.version, wanted.remoteName);
    if (signatureUrl.empty() || installerUrl.empty()) continue;
    if (i > 0) logFallback(sources[i - 1], sources[i]);
    if (!download({signatureUrl, kSignatureFileLimit, kSmallFileReceiveTimeoutMs}, received.signature) ||
        received.signature.size() != kSignatureBytes) {
      writeLog(kNoSignatureMessage);
      continue;
    }
    if (download({installerUrl, kInstallerLimit, kInstallerReceiveTimeoutMs, wanted.progress, wanted.progressContext},
                 received.installer)) {
      return true;
    }
  }
  return false;
}
