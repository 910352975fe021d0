#pragma once
// Window-level geometry: width, placement on the work area, the drag band and
// the footer buttons. Pure, in client or screen pixels at the given dpi.
#include <cstdint>

#include "ui/layout_rect.h"

int32_t setupWindowWidth(int32_t dpi);

// Top-left corner that centres a window of the given size in the work area. A
// window taller or wider than the work area keeps its top-left corner inside
// it, so the title band stays reachable for dragging.
LayoutPoint centredOrigin(const LayoutRect& workArea, int32_t width, int32_t height);

// The top band of the client area drags the window like a caption.
bool isInDragBand(int32_t clientY, int32_t dpi);

struct FooterPlacement {
  LayoutRect minimize;     // always shown, in the title band
  LayoutRect cancelClose;  // "취소" or "닫기"
  LayoutRect retry;        // the primary button
  bool showCancelClose = false;
  bool showRetry = false;
  const wchar_t* cancelCloseCaption = nullptr;
};

FooterPlacement footerPlacement(int32_t buttons, const LayoutRect& separator, int32_t dpi);
