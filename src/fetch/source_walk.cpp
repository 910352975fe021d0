#include "fetch/source_walk.h"

#include "crypto/signature_check.h"
#include "fetch/release_urls.h"
#include "fetch/transfer_limits.h"
#include "host/log.h"

namespace {
constexpr wchar_t kFallbackMessage[] = L"판올림을 %s 에서 받지 못해 %s 에서 받는다";
constexpr wchar_t kNoSignatureMessage[] = L"판올림 서명을 받지 못했다";

void logFallback(const std::wstring& from, const std::wstring& to) {
  writeLog(kFallbackMessage, hostOfUrl(from).c_str(), hostOfUrl(to).c_str());
}
}  // namespace

bool fetchVersionFromSources(const ReleaseSourceList& sources, const Downloader& download, ReleaseVersion& version,
                             std::wstring& servedBy) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (i > 0) logFallback(sources[i - 1], sources[i]);
    const std::wstring url = sources[i].empty() ? std::wstring() : sources[i] + L"/" + kVersionFileName;
    std::vector<uint8_t> body;
    if (!download(url, kVersionFileLimit, kSmallFileReceiveTimeoutMs, body, nullptr, nullptr)) continue;
    ReleaseVersion parsed;
    if (!parseReleaseVersionText(body.data(), body.size(), parsed)) continue;
    version = parsed;
    servedBy = sources[i];
    return true;
  }
  return false;
}

bool fetchInstallerFromSources(const ReleaseSourceList& sources, const ReleaseVersion& version,
                               const std::wstring& remoteName, const Downloader& download, ProgressCallback progress,
                               void* progressContext, std::vector<uint8_t>& signature,
                               std::vector<uint8_t>& installer) {
  for (size_t i = 0; i < sources.size(); ++i) {
    if (isFetchCancelled()) return false;
    const std::wstring signatureUrl = buildVersionedUrl(sources[i], version, remoteName + kSignatureSuffix);
    const std::wstring installerUrl = buildVersionedUrl(sources[i], version, remoteName);
    if (signatureUrl.empty() || installerUrl.empty()) continue;
    if (i > 0) logFallback(sources[i - 1], sources[i]);
    if (!download(signatureUrl, kSignatureFileLimit, kSmallFileReceiveTimeoutMs, signature, nullptr, nullptr) ||
        signature.size() != kSignatureBytes) {
      writeLog(kNoSignatureMessage);
      continue;
    }
    if (download(installerUrl, kInstallerLimit, kInstallerReceiveTimeoutMs, installer, progress, progressContext)) {
      return true;
    }
  }
  return false;
}
