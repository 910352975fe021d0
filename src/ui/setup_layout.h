#pragma once
// Where every block of the setup window goes and how tall the window is. Pure:
// text is measured through TextMeasurer, so the numbers are testable at any dpi.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/layout_rect.h"
#include "ui/setup_fonts.h"
#include "ui/setup_view.h"

class TextMeasurer {
 public:
  virtual ~TextMeasurer() = default;
  // Width of text drawn on one line.
  virtual int32_t lineWidth(SetupFontRole font, std::wstring_view text) const = 0;
  // Height of already wrapped text drawn with word breaks in a column of width.
  virtual int32_t blockHeight(SetupFontRole font, std::wstring_view wrapped, int32_t width) const = 0;
};

struct SetupLayout {
  std::wstring heading;  // wrapped texts, lines joined with line feeds
  std::wstring detail;
  std::wstring note;
  LayoutRect headingRect;
  LayoutRect detailRect;
  LayoutRect barRect;
  LayoutRect noteBoxRect;
  LayoutRect noteTextRect;
  LayoutRect separatorRect;  // empty without footer
  int32_t windowHeight = 0;
};

// Designed lengths at 96 dpi.
namespace setup_metrics {
inline constexpr int32_t kWindowWidth = 380;
inline constexpr int32_t kInitialHeight = 200;
inline constexpr int32_t kColumnLeft = 24;
inline constexpr int32_t kColumnRight = 356;
inline constexpr int32_t kTitleBandHeight = 36;
inline constexpr int32_t kHeadingTop = 42;
inline constexpr int32_t kDetailGap = 6;
inline constexpr int32_t kBarGap = 14;
inline constexpr int32_t kBarHeight = 6;
inline constexpr int32_t kNoteGap = 14;
inline constexpr int32_t kNoteTextIndent = 25;
inline constexpr int32_t kNoteRightPadding = 11;
inline constexpr int32_t kNoteTopPadding = 9;
inline constexpr int32_t kNoteVerticalPadding = 18;
inline constexpr int32_t kFooterGap = 16;
inline constexpr int32_t kButtonRowTop = 12;
inline constexpr int32_t kButtonHeight = 34;
inline constexpr int32_t kButtonWidth = 96;
inline constexpr int32_t kButtonGap = 8;
inline constexpr int32_t kButtonRowRightMargin = 16;
inline constexpr int32_t kFooterBottomMargin = 14;
inline constexpr int32_t kBottomMarginWithoutFooter = 22;
inline constexpr int32_t kMinimizeWidth = 40;
}  // namespace setup_metrics

SetupLayout layoutSetupWindow(const SetupViewState& view, int32_t dpi, const TextMeasurer& measurer);
