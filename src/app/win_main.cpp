#include <windows.h>

#include "app/command_line.h"
#include "app/dll_search_win.h"
#include "app/entry_checks.h"
#include "app/error_box_win.h"
#include "app/install_flow_win.h"
#include "payload/payload_reader.h"

namespace {
constexpr wchar_t kStartErrorText[] =
    L"설치 파일이나 실행 인수를 확인할 수 없습니다. 고객 다운로드 주소에서 다시 받아 주세요.";
constexpr int kRejectedStartExitCode = 1;
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  restrictDllSearchToSystem32();
  // The payload is checked before the command line, and neither defect says
  // which check failed: the user's remedy is the same fresh download.
  PayloadReader reader;
  OwnPayload payload;
  LaunchOptions options;
  if (!reader.readOwnImage() || !acceptOwnPayload(reader, payload) ||
      !parseCommandLine(payload.tenantSlug, options)) {
    showErrorBox(kStartErrorText);
    return kRejectedStartExitCode;
  }
  return runInstallFlow(instance, payload.downloadId, options);
}
