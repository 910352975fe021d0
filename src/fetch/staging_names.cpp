#include "fetch/staging_names.h"

#include "fetch/release_urls.h"

namespace {
constexpr wchar_t kLongPathPrefix[] = L"\\\\?\\";
constexpr wchar_t kNetworkMarker[] = L"UNC\\";
}  // namespace

std::wstring localInstallerName(const std::string& id) {
  std::wstring name = kLocalInstallerPrefix;
  for (char c : id) name += wchar_t(static_cast<unsigned char>(c));
  return name + L".exe";
}

std::wstring localPathFromFinalPath(const std::wstring& finalPath) {
  const std::wstring prefix = kLongPathPrefix;
  if (finalPath.compare(0, prefix.size(), prefix) != 0) return finalPath;
  if (finalPath.compare(prefix.size(), 4, kNetworkMarker) == 0) return {};
  return finalPath.substr(prefix.size());
}
