// Stands in for the installed host: creates the show-window event, records how
// it was started and whether the event was set, then ends.
// A host started by a journey as the "running host" waits up to 60 s; one
// started by the installer with --managed only records that it was started.
#include "fake_product.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  if (wcsstr(commandLine, L"--managed")) {
    appendRecord(L"host started|" + std::wstring(GetCommandLineW()));
    return 0;
  }
  // The event exists before the journey learns that the host runs.
  HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"Local\\NorvaneShowWindow");
  appendRecord(L"host started|" + std::wstring(GetCommandLineW()));
  const DWORD waited = WaitForSingleObject(event, 60000);
  appendRecord(waited == WAIT_OBJECT_0 ? L"host signalled" : L"host timed out");
  CloseHandle(event);
  return 0;
}
