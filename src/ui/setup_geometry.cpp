#include "ui/setup_geometry.h"

#include "ui/dpi_scale.h"
#include "ui/setup_layout.h"
#include "ui/setup_texts.h"
#include "ui/setup_view.h"

using namespace setup_metrics;

int32_t setupWindowWidth(int32_t dpi) { return scaleLength(kWindowWidth, dpi); }

LayoutPoint centredOrigin(const LayoutRect& workArea, int32_t width, int32_t height) {
  LayoutPoint origin{(workArea.width() - width) / 2 + workArea.left, (workArea.height() - height) / 2 + workArea.top};
  if (origin.x < workArea.left) origin.x = workArea.left;
  if (origin.y < workArea.top) origin.y = workArea.top;
  return origin;
}

bool isInDragBand(int32_t clientY, int32_t dpi) { return clientY < scaleLength(kTitleBandHeight, dpi); }

FooterPlacement footerPlacement(int32_t buttons, const LayoutRect& separator, int32_t dpi) {
  const auto s = [dpi](int32_t length) { return scaleLength(length, dpi); };
  const int32_t windowWidth = s(kWindowWidth);
  FooterPlacement placement;
  // One pixel inside the border on the top and right.
  const int32_t minimizeLeft = windowWidth - s(kMinimizeWidth) - 1;
  placement.minimize = {minimizeLeft, 1, minimizeLeft + s(kMinimizeWidth), s(kTitleBandHeight)};

  const int32_t rowTop = separator.bottom + s(kButtonRowTop);
  const int32_t rowRight = windowWidth - s(kButtonRowRightMargin);
  const int32_t buttonWidth = s(kButtonWidth);
  const int32_t buttonHeight = s(kButtonHeight);
  const auto buttonAt = [&](int32_t left) {
    return LayoutRect{left, rowTop, left + buttonWidth, rowTop + buttonHeight};
  };

  placement.showRetry = showsRetryButton(buttons);
  if (placement.showRetry) {
    placement.retry = buttonAt(rowRight - buttonWidth);
    placement.cancelClose = buttonAt(rowRight - 2 * buttonWidth - s(kButtonGap));
  } else {
    placement.cancelClose = buttonAt(rowRight - buttonWidth);
  }
  placement.showCancelClose = buttons != SetupButtons::None;
  placement.cancelCloseCaption =
      buttons == SetupButtons::Cancel ? setup_texts::kCancelCaption : setup_texts::kCloseCaption;
  return placement;
}
