#include <gtest/gtest.h>

#include "app/link_scheme.h"

namespace {

std::vector<uint8_t> utf16(const std::wstring& text, bool terminated = true) {
  std::vector<uint8_t> bytes;
  for (wchar_t c : text) {
    bytes.push_back(uint8_t(c));
    bytes.push_back(uint8_t(c >> 8));
  }
  if (terminated) bytes.insert(bytes.end(), {0, 0});
  return bytes;
}

uint32_t accept(uint32_t type, const std::vector<uint8_t>& bytes, std::wstring& text) {
  return acceptRegistryText(type, bytes.data(), uint32_t(bytes.size()), text);
}

TEST(OpenCommand, QuotedPathThenTheFixedTwelveCharacterTail) {
  const std::wstring command = openCommandFor(L"C:\\Program Files\\Norvane\\Norvane.exe");
  EXPECT_EQ(command, L"\"C:\\Program Files\\Norvane\\Norvane.exe\" --uri \"%1\"");
  EXPECT_EQ(command.size(), 1 + 36 + 12u);
  EXPECT_TRUE(openCommandFor(L"").empty());
}

TEST(RegistryText, AcceptsTerminatedStringsUpToTheFirstZero) {
  std::wstring text = L"unchanged";
  EXPECT_EQ(accept(link_scheme::kRegSz, utf16(L"abc"), text), 0u);
  EXPECT_EQ(text, L"abc");
  EXPECT_EQ(accept(link_scheme::kRegSz, utf16(L""), text), 0u);  // an empty "URL Protocol" is fine
  EXPECT_EQ(text, L"");
  std::vector<uint8_t> embedded = utf16(std::wstring(L"ab\0cd", 5));
  EXPECT_EQ(accept(link_scheme::kRegSz, embedded, text), 0u);
  EXPECT_EQ(text, L"ab");
}

TEST(RegistryText, RejectsWrongTypeSizeOrMissingTerminatorAndKeepsTheOutput) {
  std::wstring text = L"unchanged";
  EXPECT_EQ(accept(4 /*REG_DWORD*/, {1, 0, 0, 0}, text), link_scheme::kErrorUnsupportedType);
  EXPECT_EQ(accept(2 /*REG_EXPAND_SZ*/, utf16(L"x"), text), link_scheme::kErrorUnsupportedType);
  EXPECT_EQ(accept(link_scheme::kRegSz, utf16(L"abc", false), text), link_scheme::kErrorInvalidData);
  std::vector<uint8_t> odd = utf16(L"abc");
  odd.push_back(0);
  EXPECT_EQ(accept(link_scheme::kRegSz, odd, text), link_scheme::kErrorInvalidData);
  EXPECT_EQ(accept(link_scheme::kRegSz, {0}, text), link_scheme::kErrorInvalidData);
  EXPECT_EQ(accept(link_scheme::kRegSz, {}, text), link_scheme::kErrorInvalidData);
  EXPECT_EQ(text, L"unchanged");
}

TEST(RegistryText, TheLongestReadableCommandHas2047Characters) {
  std::wstring text;
  EXPECT_EQ(accept(link_scheme::kRegSz, utf16(std::wstring(2047, L'x')), text), 0u);
  EXPECT_EQ(text.size(), 2047u);
}

}  // namespace
