#pragma once
// Strict UTF-8 to UTF-16 conversion for command-line text that is stored as
// UTF-16LE (tenant names).
#include <string>

// False on malformed UTF-8: bad lead or continuation bytes, overlong forms,
// surrogate code points, values above U+10FFFF.
bool utf8ToUtf16(const std::string& utf8, std::u16string& utf16);
