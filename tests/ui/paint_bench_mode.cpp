// Benchmark, not a test: paints of the setup window while a 64 MiB download
// reports progress 1000 times, the way the install flow drives it (a new view
// only when the percentage moved). Prints counts and apply times.
#include <windows.h>
// commctrl.h needs the types of windows.h
#include <commctrl.h>

#include "driver_support.h"

using namespace driver;

namespace {
constexpr uint64_t kDownloadBytes = 64ull * 1024 * 1024;
constexpr int kProgressReports = 1000;
constexpr uint32_t kMovingBarMs = 1500;
constexpr uint32_t kPollMs = 50;
constexpr UINT_PTR kCounterId = 1;

struct PaintCounts {
  int whole = 0;  // the update region covered the client area
  int partial = 0;
  RECT partialRect{};
  bool partialRectsAgree = true;
  int buttonDraws = 0;
};
PaintCounts counts;

LRESULT CALLBACK countPaints(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
  if (message == WM_PAINT) {
    RECT update{};
    RECT client{};
    GetUpdateRect(window, &update, FALSE);
    GetClientRect(window, &client);
    if (EqualRect(&update, &client)) {
      ++counts.whole;
    } else {
      if (counts.partial > 0 && !EqualRect(&update, &counts.partialRect)) counts.partialRectsAgree = false;
      counts.partialRect = update;
      ++counts.partial;
    }
  } else if (message == WM_DRAWITEM) {
    ++counts.buttonDraws;
  }
  return DefSubclassProc(window, message, wParam, lParam);
}

double elapsedMicroseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
  return double(to.QuadPart - from.QuadPart) * 1e6 / double(frequency.QuadPart);
}
}  // namespace

int runPaintBenchMode() {
  if (!openSetupWindow(GetModuleHandleW(nullptr))) return 1;
  const HWND window = setupWindow();
  settle(200);
  SetWindowSubclass(window, countPaints, kCounterId, 0);

  // The worker looks for the release: moving bar, polled every 50 ms.
  applyView(progressView(64, -1));
  const DWORD movingStart = GetTickCount();
  while (GetTickCount() - movingStart < kMovingBarMs) pumpSetupWindow(kPollMs, nullptr, 0);
  const int movingWhole = counts.whole;
  const int movingPartial = counts.partial;

  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  double totalApplyUs = 0;
  double slowestApplyUs = 0;
  int shownPercent = -1;
  int percentSteps = 0;
  for (int report = 1; report <= kProgressReports; ++report) {
    const uint64_t received = kDownloadBytes * uint64_t(report) / kProgressReports;
    const int percent = int(received * 100 / kDownloadBytes);
    if (percent != shownPercent) {
      LARGE_INTEGER before, after;
      QueryPerformanceCounter(&before);
      applyView(progressView(64, percent));
      QueryPerformanceCounter(&after);
      const double us = elapsedMicroseconds(before, after, frequency);
      totalApplyUs += us;
      if (us > slowestApplyUs) slowestApplyUs = us;
      shownPercent = percent;
      ++percentSteps;
    }
    pumpSetupWindow(0, nullptr, 0);
  }
  settle(100);

  printLine("bench moving-ms %u", kMovingBarMs);
  printLine("bench moving-whole-paints %d", movingWhole);
  printLine("bench bar-frames %d", movingPartial);
  printLine("bench reports %d", kProgressReports);
  printLine("bench percent-steps %d", percentSteps);
  printLine("bench whole-paints %d", counts.whole);
  printLine("bench partial-paints %d", counts.partial);
  printLine("bench button-draws %d", counts.buttonDraws);
  printLine("bench partial-rect %ld %ld %ld %ld", counts.partialRect.left, counts.partialRect.top,
            counts.partialRect.right, counts.partialRect.bottom);
  printLine("bench partial-rects-agree %d", counts.partialRectsAgree ? 1 : 0);
  printLine("bench apply-us-mean %.1f", percentSteps ? totalApplyUs / percentSteps : 0.0);
  printLine("bench apply-us-max %.1f", slowestApplyUs);
  RemoveWindowSubclass(window, countPaints, kCounterId);
  closeSetupWindow();
  return 0;
}
