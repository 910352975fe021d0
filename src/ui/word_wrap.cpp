#include "ui/word_wrap.h"

namespace {
constexpr wchar_t kSpace = L' ';
constexpr wchar_t kLineFeed = L'\n';
}  // namespace

std::wstring wrapText(std::wstring_view text, int32_t maxWidth, const LineWidthFn& lineWidth) {
  std::wstring out;
  std::wstring line;
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t delimiter = text.find_first_of(L" \n", pos);
    const size_t wordEnd = delimiter == std::wstring_view::npos ? text.size() : delimiter;
    const std::wstring_view word = text.substr(pos, wordEnd - pos);

    std::wstring candidate = line;
    if (!line.empty()) candidate += kSpace;
    candidate += word;
    if (!line.empty() && lineWidth(candidate) > maxWidth) {
      out += line;
      out += kLineFeed;
      line.assign(word);
    } else {
      line = std::move(candidate);
    }

    if (delimiter == std::wstring_view::npos) break;
    if (text[delimiter] == kLineFeed) {
      out += line;
      out += kLineFeed;
      line.clear();
    }
    pos = delimiter + 1;
  }
  out += line;
  return out;
}
