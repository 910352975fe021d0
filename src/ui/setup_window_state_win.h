#pragma once
// The one setup window of the process and what it shows. Touched only on the
// user-interface thread.
#include <windows.h>

#include <cstdint>

#include "ui/dpi_scale.h"
#include "ui/setup_layout.h"
#include "ui/setup_view.h"

struct SetupWindowState {
  HINSTANCE instance = nullptr;
  HWND window = nullptr;
  HWND minimizeButton = nullptr;
  HWND cancelButton = nullptr;
  HWND retryButton = nullptr;
  SetupViewState view;
  int32_t pendingEvent = int32_t(SetupEvent::None);
  int32_t animationPhase = 0;
  uint32_t buttonsChangedAt = 0;  // tick count when the footer buttons last changed
  bool placed = false;  // centred since the last open
  SetupLayout layout;
  int32_t screenDpi = kBaseDpi;
};

SetupWindowState& setupWindowState();

void setScreenDpi(int32_t dpi);  // clamps to at least 96
int32_t scaleForDpi(int32_t value);
