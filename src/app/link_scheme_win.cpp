#include <windows.h>

#include "app/link_scheme.h"
#include "host/locations.h"
#include "host/handles_win.h"

namespace {

using namespace link_scheme;

uint32_t readRegistryText(HKEY key, const wchar_t* valueName, std::wstring& text) {
  uint8_t buffer[kRegistryTextBytes] = {};
  DWORD type = 0;
  DWORD size = sizeof buffer;
  const LSTATUS status = RegQueryValueExW(key, valueName, nullptr, &type, buffer, &size);
  if (status != ERROR_SUCCESS) return uint32_t(status);
  return acceptRegistryText(type, buffer, size, text);
}

}  // namespace

std::wstring expectedOpenCommand() { return openCommandFor(installedFilePath(L"Norvane.exe")); }

bool isLinkSchemeRegistered() {
  HKEY raw = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSchemeKey, 0, KEY_READ | KEY_WOW64_64KEY, &raw) != ERROR_SUCCESS) return false;
  const ScopedRegistryKey scheme(raw);
  std::wstring command;
  {
    if (RegOpenKeyExW(scheme.get(), kCommandSubkey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
    const ScopedRegistryKey commandKey(raw);
    if (readRegistryText(commandKey.get(), nullptr, command) != 0) return false;
  }
  const std::wstring expected = expectedOpenCommand();
  if (expected.empty() || command != expected) return false;
  std::wstring urlProtocol;
  if (readRegistryText(scheme.get(), kUrlProtocolValue, urlProtocol) != 0) return false;
  DWORD version = 0;
  DWORD type = 0;
  DWORD size = sizeof version;
  return RegQueryValueExW(scheme.get(), kProtocolVersionValue, nullptr, &type, reinterpret_cast<BYTE*>(&version),
                          &size) == ERROR_SUCCESS &&
         type == REG_DWORD && size == sizeof version && version == kProtocolVersion;
}
