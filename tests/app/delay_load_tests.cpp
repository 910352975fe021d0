// The stand-ins of the delay-load failure hook, called as the program would
// call the functions they replace.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/dll_search_win.h"

namespace {

TEST(DelayLoadStandIn, FailsInEachDllsTermsAndKeepsTheStackOfItsCaller) {
  using Open = void*(WINAPI*)(const wchar_t*, DWORD, const wchar_t*, const wchar_t*, DWORD);
  using Startup = DWORD(WINAPI*)(void*, const void*, void*);
  using SetAttribute = HRESULT(WINAPI*)(HWND, DWORD, const void*, DWORD);
  auto open = reinterpret_cast<Open>(reinterpret_cast<void*>(delayLoadStandIn("WINHTTP.dll", "WinHttpOpen")));
  auto startup = reinterpret_cast<Startup>(reinterpret_cast<void*>(delayLoadStandIn("gdiplus.dll", "GdiplusStartup")));
  auto attribute = reinterpret_cast<SetAttribute>(
      reinterpret_cast<void*>(delayLoadStandIn("dwmapi.dll", "DwmSetWindowAttribute")));
  ASSERT_TRUE(open != nullptr && startup != nullptr && attribute != nullptr);
  // A stand-in that took the wrong number of bytes off the stack would leave
  // this frame's locals misplaced; volatile keeps them on the stack.
  volatile DWORD guard = 0x5EED;
  SetLastError(0);
  EXPECT_EQ(open(L"Norvane", 0, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(startup(nullptr, nullptr, nullptr), 1u);  // Gdiplus::GenericError, never Ok
  EXPECT_EQ(attribute(nullptr, 33, nullptr, 4), E_FAIL);
  EXPECT_EQ(guard, 0x5EEDu);
  EXPECT_EQ(delayLoadStandIn("winhttp.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(delayLoadStandIn("other.dll", "WinHttpOpen"), nullptr);
}

}  // namespace
