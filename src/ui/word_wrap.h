#pragma once
// Word wrap for the window's texts: breaks only at spaces and line feeds, never
// inside a word. The caller measures, so the rule is independent of GDI.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// Width in pixels of one line of text in the font being wrapped for.
using LineWidthFn = std::function<int32_t(std::wstring_view)>;

// Lines are joined with line feeds. A word wider than maxWidth keeps a line
// of its own; runs of spaces survive within a line.
std::wstring wrapText(std::wstring_view text, int32_t maxWidth, const LineWidthFn& lineWidth);
