#include <gtest/gtest.h>

#include "ui/word_wrap.h"

namespace {
constexpr int32_t kAdvance = 10;

int32_t tenPerCharacter(std::wstring_view text) { return int32_t(text.size()) * kAdvance; }

std::wstring wrap(std::wstring_view text, int32_t maxWidth) { return wrapText(text, maxWidth, tenPerCharacter); }
}  // namespace

TEST(WordWrap, BreaksOnlyAtSpacesWhenTheNextWordWouldOverflow) {
  EXPECT_EQ(wrap(L"ab cd", 50), L"ab cd");
  EXPECT_EQ(wrap(L"ab cd ef", 50), L"ab cd\nef");
  EXPECT_EQ(wrap(L"ab cd ef gh ij", 50), L"ab cd\nef gh\nij");
}

TEST(WordWrap, ALineExactlyAsWideAsTheColumnStaysWhole) {
  EXPECT_EQ(wrap(L"abcd e", 60), L"abcd e");
  EXPECT_EQ(wrap(L"abcd e", 59), L"abcd\ne");
}

TEST(WordWrap, AWordWiderThanTheColumnKeepsALineOfItsOwn) {
  EXPECT_EQ(wrap(L"a verylongword b", 30), L"a\nverylongword\nb");
  EXPECT_EQ(wrap(L"verylongword", 30), L"verylongword");
}

TEST(WordWrap, LineFeedsStartNewLines) {
  EXPECT_EQ(wrap(L"ab\ncd", 500), L"ab\ncd");
  EXPECT_EQ(wrap(L"ab\n\ncd", 500), L"ab\n\ncd");
  EXPECT_EQ(wrap(L"ab\n", 500), L"ab\n");
  EXPECT_EQ(wrap(L"ab cd\nef gh", 50), L"ab cd\nef gh");
  // After a forced break the next line starts empty, so its first word never breaks off.
  EXPECT_EQ(wrap(L"a\nbcdefgh", 30), L"a\nbcdefgh");
}

TEST(WordWrap, RunsOfSpacesSurviveWithinALine) {
  EXPECT_EQ(wrap(L"a  b", 500), L"a  b");
  EXPECT_EQ(wrap(L"a   b", 500), L"a   b");
  // A line's width includes its spaces: "ab  cd" is 60 wide.
  EXPECT_EQ(wrap(L"ab  cd", 50), L"ab \ncd");
}

TEST(WordWrap, EmptyAndSpaceOnlyTexts) {
  EXPECT_EQ(wrap(L"", 50), L"");
  EXPECT_EQ(wrap(L"\n", 50), L"\n");
}

TEST(WordWrap, MeasuresTheWholeCandidateLineNotSingleWords) {
  // A measurer that charges extra for every space catches wrapping that only
  // measures the new word.
  const auto spacesAreWide = [](std::wstring_view text) {
    int32_t width = 0;
    for (wchar_t c : text) width += c == L' ' ? 40 : 10;
    return width;
  };
  EXPECT_EQ(wrapText(L"ab cd", 80, spacesAreWide), L"ab cd");
  EXPECT_EQ(wrapText(L"ab cd", 79, spacesAreWide), L"ab\ncd");
}

TEST(WordWrap, KoreanTextBreaksBetweenWords) {
  EXPECT_EQ(wrap(L"설치하지 않고 종료합니다.", 80), L"설치하지 않고\n종료합니다.");
}
