#pragma once
// Every length of the setup window: DPI scaling, where each block goes, how
// tall the window is, where the buttons sit and the shapes the painter fills.
// Pure: text is measured through TextMeasurer, so the numbers are testable at
// any dpi without Win32.
#include <cstdint>
#include <string>
#include <string_view>

#include "ui/setup_view.h"

// Lengths are designed in pixels at 96 dpi and scaled to the screen.
inline constexpr int32_t kBaseDpi = 96;

// Screens reporting less than 96 dpi (or nothing) are treated as 96.
int32_t clampDpi(int32_t dpi);

// value * dpi / 96 rounded like MulDiv (halves away from zero), so layouts
// computed here match what the window gets on Windows.
int32_t scaleForDpi(int32_t value, int32_t dpi);

// A rectangle in client pixels, without Win32 types.
struct LayoutRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
  bool isEmpty() const { return right <= left || bottom <= top; }
  bool operator==(const LayoutRect&) const = default;
};

struct LayoutPoint {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const LayoutPoint&) const = default;
};

// The window's five fonts: which one draws what, and how large and heavy it is.
enum class SetupFontRole : int32_t {
  Detail = 0,          // grey text under the heading
  Title = 1,           // window title in the title band
  Note = 2,            // note text; caption of the outline button
  Heading = 3,         // the heading
  PrimaryCaption = 4,  // caption of the primary button
};

inline constexpr int32_t kSetupFontCount = 5;

struct SetupFontDescription {
  int32_t pixelSize;  // character height at 96 dpi
  int32_t weight;
};

inline constexpr SetupFontDescription kSetupFontDescriptions[kSetupFontCount] = {
    {13, 400}, {13, 600}, {12, 400}, {14, 600}, {14, 600},
};

inline constexpr wchar_t kSetupFontFace[] = L"Malgun Gothic";

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

SetupLayout layoutSetupWindow(const SetupViewState& view, int32_t dpi, const TextMeasurer& measurer);

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

// The moving bar: animationPhase runs 0..999 and advances once per timer tick.
inline constexpr int32_t kAnimationPeriod = 1000;
inline constexpr int32_t kAnimationStep = 22;  // one sweep in about 46 ticks
inline constexpr int32_t kMovingSegmentPercent = 30;

int32_t nextAnimationPhase(int32_t phase);

struct BarSegment {
  int32_t left = 0;
  int32_t right = 0;
  bool visible = false;  // a fill of one pixel or less is not drawn
};

// progress 0..100 (larger drawn as 100) fills from the left; -1 gives the
// moving segment for animationPhase; anything else draws no segment.
BarSegment barSegment(int32_t progress, const LayoutRect& bar, int32_t animationPhase);
int32_t barCornerRadius(const LayoutRect& bar);

LayoutRect badgeRect(int32_t dpi);
LayoutRect badgeGlyphRect(int32_t dpi);
LayoutRect titleTextRect(int32_t dpi);
LayoutRect noteDotRect(const LayoutRect& noteBox, const LayoutRect& noteText, int32_t dpi);

// The square of side `size` centred in rect (halves truncated).
LayoutRect centredSquare(const LayoutRect& rect, int32_t size);

// The corner radius a rounded rectangle can have: at most half its smaller
// side; 0 when that leaves 0.5 or less (square corners).
float effectiveCornerRadius(float width, float height, float radius);
