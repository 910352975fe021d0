#include "fetch/staging_names.h"

#include "fetch/release_urls.h"

namespace {
constexpr wchar_t kLongPathPrefix[] = L"\\\\?\\";
constexpr wchar_t kNetworkMarker[] = L"UNC\\";
constexpr wchar_t kGuidShape[] = L"{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";  // X: one hex digit

bool isUpperHexDigit(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F'); }
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

bool isStagingFolderName(const std::wstring& name) {
  const std::wstring prefix = kStagingFolderPrefix;
  const std::wstring shape = kGuidShape;
  if (name.size() != prefix.size() + shape.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
  for (size_t i = 0; i < shape.size(); ++i) {
    const wchar_t c = name[prefix.size() + i];
    if (shape[i] == L'X' ? !isUpperHexDigit(c) : c != shape[i]) return false;
  }
  return true;
}

bool isQuietLongEnough(uint64_t stamp, uint64_t now) { return now >= stamp && now - stamp >= kStagingFolderQuietTime; }
