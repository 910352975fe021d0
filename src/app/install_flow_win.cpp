#include "app/install_flow_win.h"

#include <utility>

#include "app/command_line.h"
#include "app/error_box_win.h"
#include "app/fetch_attempt.h"
#include "app/installed_copy.h"
#include "app/process_runner_win.h"
#include "host/host_handoff.h"
#include "host/log.h"
#include "tenants/tenant_store.h"
#include "ui/setup_window_win.h"

namespace {

constexpr wchar_t kStartFailedLog[] = L"온라인 설치기: Norvane을 실행하지 못했다 (%lu)";
constexpr wchar_t kRunFailedText[] =
    L"Norvane을 실행하지 못했습니다. 보안 프로그램의 차단 여부를 확인하거나 담당자에게 문의해 주세요.";
constexpr int kFailureExitCode = 1;
constexpr int kCancelledExitCode = 1223;  // ERROR_CANCELLED

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

// Stage D: run the verified installer; it is removed when `staged` goes, once
// the installer has ended. Its handle kept the file pinned from verification
// until then.
int runStagedInstaller(StagedInstaller staged, const LaunchOptions& options) {
  const std::wstring installer = staged.startablePath();
  closeSetupWindow();
  uint32_t code = kFailureExitCode;
  const bool ran = !installer.empty() && runProgramAndWait(installer, options.forwardedArguments, code);
  if (!ran && !options.background) showErrorBox(kRunFailedText);
  return int(code);
}

}  // namespace

int runInstallFlow(HINSTANCE instance, const std::string& downloadId, const LaunchOptions& options) {
  int exitCode = kFailureExitCode;
  if (handOffToInstalledCopy(options, exitCode)) return exitCode;

  if (!options.background && !openSetupWindow(instance)) return kFailureExitCode;

  // Whatever an attempt staged goes with `state` unless it is run: a failed
  // attempt stages nothing, and a cancelled one is never run.
  FetchSharedState state;
  for (;;) {
    switch (runFetchAttempt(state, downloadId, options.background)) {
      case AttemptOutcome::Cancelled:
        closeSetupWindow();
        return kCancelledExitCode;
      case AttemptOutcome::Succeeded:
        return runStagedInstaller(std::move(state.staged), options);
      case AttemptOutcome::Failed:
        break;
    }
    if (options.background) return kFailureExitCode;
    applyView(failureView());
    const PumpResult choice = pumpSetupWindow(kPumpWaitForever, nullptr, 0);
    if (choice.outcome != PumpOutcome::UserEvent || choice.event != SetupEvent::Retry) {
      closeSetupWindow();
      return kFailureExitCode;
    }
  }
}
