#pragma once
// Everything the setup window keeps for the life of the process, in one value:
// one window per process, touched only on the user-interface thread (GDI+
// start-up excepted, which runs under its one-time initialisation).
#include <windows.h>

#include <cstdint>

#include "ui/colours.h"
#include "ui/setup_layout.h"
#include "ui/setup_view.h"

struct IAccPropServices;

struct SetupWindowState {
  // Set by openSetupWindow, read when it creates the buttons.
  HINSTANCE instance = nullptr;
  // Created by openSetupWindow; null again after closeSetupWindow.
  HWND window = nullptr;
  HWND minimizeButton = nullptr;
  HWND cancelButton = nullptr;
  HWND retryButton = nullptr;
  // What screen readers read, created by openSetupWindow before the buttons
  // (creation order is reading order) and placed over the painted blocks by
  // every relayout; null again after closeSetupWindow. See setup_access_win.h.
  HWND headingText = nullptr;
  HWND detailText = nullptr;
  HWND progressBar = nullptr;
  HWND noteText = nullptr;
  // Tick count of the last value-change event of the bar, written by applyView
  // when it raises one; openSetupWindow makes the first change due at once.
  uint32_t progressAnnouncedAt = 0;
  // Set by startAnnouncing once the first frame is on the screen, cleared by
  // stopAnnouncing at close: until then no announcement is raised. The
  // annotation service (one per window, null where COM has none) and whether
  // this thread's COM was started for it go with it.
  bool announcing = false;
  bool comStarted = false;
  IAccPropServices* annotations = nullptr;
  // The child that gets the focus back when the window is activated again:
  // written when the window is deactivated, and by applyView on the failure
  // screen ("다시 시도"); null after closeSetupWindow.
  HWND focusOnReturn = nullptr;
  // Stored by applyView (open fills in the preparing heading); back to the
  // default by closeSetupWindow. Read by layout, painting and commands.
  SetupViewState view;
  // Raised by the window procedure, taken by pumpSetupWindow; cleared by
  // openSetupWindow, applyView and closeSetupWindow.
  SetupEvent pendingEvent = SetupEvent::None;
  // Advanced by the animation timer, read by the painter: 0..999.
  int32_t animationPhase = 0;
  // Tick count of the last footer change, set by openSetupWindow and applyView.
  uint32_t buttonsChangedAt = 0;
  // Set by the pump while it hands a queued message on: only then is the
  // message time the time of the input being handled.
  bool dispatchingQueuedMessage = false;
  // Set by the first relayout after openSetupWindow, which clears it: only
  // that relayout centres the window.
  bool placed = false;
  // Written by every relayout; read by the painter, the footer and the timer.
  SetupLayout layout;
  // The palette, or the system's colours in high-contrast mode: read by
  // openSetupWindow and again when the system's colours or settings change.
  SetupColours colours = kDarkColours;
  // Read from the screen by openSetupWindow, at least 96.
  int32_t screenDpi = kBaseDpi;
  // Made once by the first openSetupWindow at its dpi and never deleted, so
  // held raw rather than by owners that would delete them at exit. A null
  // font draws with the DC's current one.
  HFONT fonts[kSetupFontCount] = {};
  bool fontsCreated = false;
  // Set when the first openSetupWindow registers the class; never unregistered.
  bool classRegistered = false;
  // Set once by startGraphics: GDI+ started (never shut down).
  bool graphicsAvailable = false;
  // The drawn button under the mouse, moved by the buttons' mouse messages.
  HWND hoveredButton = nullptr;

  HFONT font(SetupFontRole role) const { return fonts[int32_t(role)]; }
};

inline SetupWindowState& setupWindowState() {
  static SetupWindowState state;
  return state;
}
