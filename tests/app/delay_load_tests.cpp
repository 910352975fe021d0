// The stand-ins of the delay-load failure hook, called as the program would
// call the functions they replace.
#include <windows.h>

#include <gtest/gtest.h>

#include "app/dll_search_win.h"

namespace {

template <typename Function>
Function standIn(const char* dll, const char* function) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(delayLoadStandIn(dll, function)));
}

TEST(DelayLoadStandIn, FailsInEachDllsTermsAndUnknownFunctionsHaveNone) {
  auto open = standIn<void*(WINAPI*)(const wchar_t*, DWORD, const wchar_t*, const wchar_t*, DWORD)>(
      "WINHTTP.dll", "WinHttpOpen");
  auto startup = standIn<DWORD(WINAPI*)(void*, const void*, void*)>("gdiplus.dll", "GdiplusStartup");
  auto attribute = standIn<HRESULT(WINAPI*)(HWND, DWORD, const void*, DWORD)>("dwmapi.dll", "DwmSetWindowAttribute");
  ASSERT_TRUE(open != nullptr && startup != nullptr && attribute != nullptr);
  SetLastError(0);
  EXPECT_EQ(open(L"Norvane", 0, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), DWORD(ERROR_MOD_NOT_FOUND));
  EXPECT_EQ(startup(nullptr, nullptr, nullptr), 1u);  // Gdiplus::GenericError, never Ok
  EXPECT_EQ(attribute(nullptr, 33, nullptr, 4), E_FAIL);
  EXPECT_EQ(delayLoadStandIn("winhttp.dll", "NoSuchFunction"), nullptr);
  EXPECT_EQ(delayLoadStandIn("other.dll", "WinHttpOpen"), nullptr);
}

#if defined(__GNUC__) && defined(__i386__)
// Pushes `count` zero arguments, calls `function` and gives back how many
// bytes it took off the stack (stdcall: all of them).
unsigned bytesTakenOffTheStack(FARPROC function, unsigned count) {
  int moved = 0;
  asm volatile(
      "movl %%esp, %%esi\n\t"
      "movl %[count], %%ecx\n\t"
      "1: testl %%ecx, %%ecx\n\t"
      "jz 2f\n\t"
      "pushl $0\n\t"
      "decl %%ecx\n\t"
      "jmp 1b\n\t"
      "2: call *%[function]\n\t"
      "movl %%esp, %%edx\n\t"
      "subl %%esi, %%edx\n\t"
      "movl %%esi, %%esp\n\t"
      : "=d"(moved)
      : [function] "D"(function), [count] "b"(count)
      : "eax", "ecx", "esi", "memory", "cc");
  return unsigned(moved + int(count) * 4);
}

TEST(DelayLoadStandIn, TakesExactlyItsFunctionsArgumentsOffTheStack) {
  EXPECT_EQ(bytesTakenOffTheStack(delayLoadStandIn("winhttp.dll", "WinHttpOpen"), 5), 20u);
  EXPECT_EQ(bytesTakenOffTheStack(delayLoadStandIn("gdiplus.dll", "GdiplusStartup"), 3), 12u);
  EXPECT_EQ(bytesTakenOffTheStack(delayLoadStandIn("dwmapi.dll", "DwmSetWindowAttribute"), 4), 16u);
  EXPECT_EQ(bytesTakenOffTheStack(delayLoadStandIn("crypt32.dll", "CertCloseStore"), 2), 8u);
}
#endif

}  // namespace
