#pragma once
// A text measurer with fixed advances and line heights per font, so layout
// numbers can be worked out by hand.
#include <array>
#include <cstdint>
#include <string_view>

#include "ui/setup_layout.h"

class FakeTextMeasurer : public TextMeasurer {
 public:
  FakeTextMeasurer(int32_t advance, int32_t headingLine, int32_t detailLine, int32_t noteLine);

  int32_t lineWidth(SetupFontRole font, std::wstring_view text) const override;
  // Lines of the wrapped text times the font's line height.
  int32_t blockHeight(SetupFontRole font, std::wstring_view wrapped, int32_t width) const override;

  mutable int32_t narrowestColumn = INT32_MAX;  // smallest width blockHeight was asked for

 private:
  int32_t advance_;
  std::array<int32_t, kSetupFontCount> lineHeights_{};
};
