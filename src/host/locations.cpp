#include "host/locations.h"

std::wstring parentDirectory(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos || slash == 0) return {};
  return path.substr(0, slash);
}
