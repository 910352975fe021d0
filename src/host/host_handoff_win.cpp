#include <windows.h>
#include <shellapi.h>

#include <vector>

#include "host/host_handoff.h"
#include "host/locations.h"
#include "host/log.h"
#include "host/handles_win.h"
#include "host/write_access.h"

namespace {

using namespace host_handoff;

constexpr wchar_t kHostWritableLog[] = L"설치된 호스트를 아무나 바꿀 수 있다. 실행하지 않는다";

struct ServiceHandleTraits {
  using Value = SC_HANDLE;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { CloseServiceHandle(v); }
};
using ScopedServiceHandle = ScopedResource<ServiceHandleTraits>;

ScopedServiceHandle openHostService(DWORD access) {
  const ScopedServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager) return ScopedServiceHandle();
  // A service handle stays valid after its manager handle is closed.
  return ScopedServiceHandle(OpenServiceW(manager.get(), kServiceName, access));
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Hidden, replaced when present, written by us alone while open.
void writeMarker(const std::wstring& path, const std::string& content) {
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr));
  if (!file || content.empty()) return;
  DWORD written = 0;
  WriteFile(file.get(), content.data(), DWORD(content.size()), &written, nullptr);
}

}  // namespace

std::wstring hostServiceBinaryPath() {
  const ScopedServiceHandle service = openHostService(SERVICE_QUERY_CONFIG);
  if (!service) return {};
  DWORD needed = 0;
  QueryServiceConfigW(service.get(), nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<uint8_t> buffer(needed, 0);
  auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
  if (!QueryServiceConfigW(service.get(), config, needed, &needed) || !config->lpBinaryPathName) return {};
  return executableFromServiceCommandLine(config->lpBinaryPathName);
}

bool isHostInstallIncomplete() {
  const std::wstring executable = hostServiceBinaryPath();
  if (executable.empty()) return false;  // nothing known, so not known to be incomplete
  if (!exists(executable)) return true;
  const std::wstring folder = parentDirectory(executable);
  if (folder.empty()) return true;
  for (const ProductFile& file : ProductFileTable) {
    if (file.serviceCompanion && !exists(folder + L"\\" + file.name)) return true;
  }
  return false;
}

bool isHostServiceUsable() {
  if (!openHostService(SERVICE_QUERY_STATUS)) return false;
  return !isHostInstallIncomplete();
}

bool signalHostWindow() {
  // Only a running host creates the event; we never do.
  const ScopedHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, kShowWindowEvent));
  if (!event) return false;
  SetEvent(event.get());
  return true;
}

void writeSelectTenantMarker(const std::string& slug) {
  const std::wstring root = userDataRoot();
  if (root.empty() || slug.empty() || slug.size() > kMaxMarkerSlugBytes) return;
  writeMarker(root + kSelectTenantMarker, slug);
}

void writeShowOnStartMarker() {
  const std::wstring root = userDataRoot();
  if (root.empty()) return;
  writeMarker(root + kShowOnStartMarker, {});
}

int launchHost() {
  const std::wstring host = installedFilePath(kHostProgram);
  if (host.empty() || !exists(host)) return 1;
  // The same rule as for the installed setup program: a host that an ordinary
  // account could have replaced is never started in this user's session.
  if (isWritableByUntrusted(host)) {
    writeLog(kHostWritableLog);
    return 1;
  }
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = host.c_str();
  info.lpParameters = kHostArguments;
  info.nShow = SW_SHOWNORMAL;
  if (!ShellExecuteExW(&info)) return 1;
  if (info.hProcess) CloseHandle(info.hProcess);
  return 0;
}
