#include "app/link_scheme.h"

std::wstring openCommandFor(const std::wstring& setupPath) {
  if (setupPath.empty()) return {};
  return L"\"" + setupPath + L"\" --uri \"%1\"";
}

uint32_t acceptRegistryText(uint32_t type, const uint8_t* data, uint32_t size, std::wstring& text) {
  using namespace link_scheme;
  if (type != kRegSz) return kErrorUnsupportedType;
  if (size < 2 || size % 2 != 0 || size > kRegistryTextBytes) return kErrorInvalidData;
  const auto unitAt = [data](uint32_t index) { return wchar_t(data[2 * index] | data[2 * index + 1] << 8); };
  const uint32_t units = size / 2;
  if (unitAt(units - 1) != 0) return kErrorInvalidData;
  std::wstring result;
  for (uint32_t i = 0; i < units && unitAt(i) != 0; ++i) result.push_back(unitAt(i));
  text = std::move(result);
  return 0;
}
