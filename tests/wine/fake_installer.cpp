// Stands in for the full installer and the installed setup program: records
// "<own file name>|<command line>" and exits with NORVANE_FAKE_EXIT (default 0).
#include <cstdlib>

#include "fake_product.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  appendRecord(ownName() + L"|" + GetCommandLineW());
  wchar_t code[16] = {};
  if (!GetEnvironmentVariableW(L"NORVANE_FAKE_EXIT", code, 16)) return 0;
  return _wtoi(code);
}
