// Drives the real setup window under Wine for the journeys: opens it, applies
// every state, feeds clicks and keys through its message queue and prints what
// it saw and what pumpSetupWindow returned, one fact per line.
// usage: window_driver states [--handshake] | events | pump | bench
#include <windows.h>

#include <cstring>

#include "driver_support.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const bool handshake = argc > 2 && lstrcmpW(argv[2], L"--handshake") == 0;
  if (lstrcmpW(argv[1], L"states") == 0) return runStatesMode(handshake);
  if (lstrcmpW(argv[1], L"events") == 0) return runEventsMode();
  if (lstrcmpW(argv[1], L"pump") == 0) return runPumpMode();
  if (lstrcmpW(argv[1], L"bench") == 0) return runPaintBenchMode();
  return 2;
}
