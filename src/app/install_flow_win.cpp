#include "app/install_flow.h"

#include "app/command_line.h"
#include "app/installed_copy.h"
#include "app/process_runner.h"
#include "host/host_handoff.h"
#include "host/log.h"
#include "tenants/tenant_store.h"

namespace {

constexpr wchar_t kStartFailedLog[] = L"온라인 설치기: Norvane을 실행하지 못했다 (%lu)";

// After a windowed hand-off with --tenant: when the installed product serves
// this download's tenant, tell the host which tenant was requested and wake it
// (or start it when no host is listening). The markers come first.
void selectRequestedTenant(const LaunchOptions& options) {
  if (!findTenantBySlug(listInstalledTenants(), options.tenantSlug)) return;
  writeSelectTenantMarker(options.requestedTenant);
  writeShowOnStartMarker();
  if (!signalHostWindow()) launchHost();
}

// Stage A: hand the run to a sound installed copy. Returns false when the run
// must go on with a fetch.
bool handOffToInstalledCopy(const LaunchOptions& options, int& exitCode) {
  std::wstring setupPath;
  if (!isInstalledCopyUsable(setupPath)) return false;
  const std::wstring arguments = options.background ? options.forwardedArguments : buildOpenLinkArgument(options);
  HANDLE process = nullptr;
  DWORD error = 0;
  if (!startProgram(setupPath, arguments, &process, &error)) {
    writeLog(kStartFailedLog, static_cast<unsigned long>(error));
    return false;
  }
  exitCode = int(waitForProgram(process));
  if (exitCode == 0 && !options.background && !options.requestedTenant.empty()) selectRequestedTenant(options);
  return true;
}

}  // namespace

int runInstallFlow(HINSTANCE, const std::string&, const LaunchOptions& options) {
  int exitCode = 1;
  if (handOffToInstalledCopy(options, exitCode)) return exitCode;
  // The fetch of a fresh installer arrives with the download and the window.
  return 1;
}
