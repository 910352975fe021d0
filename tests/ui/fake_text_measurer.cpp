#include "fake_text_measurer.h"

#include <algorithm>

FakeTextMeasurer::FakeTextMeasurer(int32_t advance, int32_t headingLine, int32_t detailLine, int32_t noteLine)
    : advance_(advance) {
  lineHeights_[int32_t(SetupFontRole::Heading)] = headingLine;
  lineHeights_[int32_t(SetupFontRole::Detail)] = detailLine;
  lineHeights_[int32_t(SetupFontRole::Note)] = noteLine;
}

int32_t FakeTextMeasurer::lineWidth(SetupFontRole, std::wstring_view text) const {
  return int32_t(text.size()) * advance_;
}

int32_t FakeTextMeasurer::blockHeight(SetupFontRole font, std::wstring_view wrapped, int32_t width) const {
  narrowestColumn = std::min(narrowestColumn, width);
  const auto lines = 1 + std::count(wrapped.begin(), wrapped.end(), L'\n');
  return int32_t(lines) * lineHeights_[size_t(font)];
}
