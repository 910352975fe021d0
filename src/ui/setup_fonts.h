#pragma once
// The window's five fonts: which one draws what, and how large and heavy it is.
#include <cstdint>

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
