#include "ui/setup_window_state_win.h"

#include "ui/dpi_scale.h"

SetupWindowState& setupWindowState() {
  static SetupWindowState state;
  return state;
}

void setScreenDpi(int32_t dpi) { setupWindowState().screenDpi = clampDpi(dpi); }

int32_t scaleForDpi(int32_t value) { return scaleLength(value, setupWindowState().screenDpi); }
