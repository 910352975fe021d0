#pragma once
// The norvane link scheme registration that an installed product must carry:
// HKLM\Software\Classes\norvane, read through the 64-bit registry view.
#include <cstdint>
#include <string>

namespace link_scheme {
inline constexpr wchar_t kSchemeKey[] = L"Software\\Classes\\norvane";
inline constexpr wchar_t kCommandSubkey[] = L"shell\\open\\command";
inline constexpr wchar_t kUrlProtocolValue[] = L"URL Protocol";
inline constexpr wchar_t kProtocolVersionValue[] = L"NorvaneProtocolVersion";
inline constexpr uint32_t kProtocolVersion = 1;
inline constexpr uint32_t kRegistryTextBytes = 4096;  // 2,048 UTF-16 units with the terminator

// Windows error codes that the text reader reports of its own.
inline constexpr uint32_t kErrorUnsupportedType = 1630;
inline constexpr uint32_t kErrorInvalidData = 13;
inline constexpr uint32_t kRegSz = 1;
}  // namespace link_scheme

// The open command for an installed setup program: "<path>" --uri "%1".
// Empty when the path is empty.
std::wstring openCommandFor(const std::wstring& setupPath);

// The rule for a registry text value, given its type and data as returned:
// REG_SZ, an even size of at least 2 bytes whose last unit is the terminator.
// Returns 0 and the text up to the first zero, or the error code.
uint32_t acceptRegistryText(uint32_t type, const uint8_t* data, uint32_t size, std::wstring& text);

bool isLinkSchemeRegistered();  // Win32
std::wstring expectedOpenCommand();  // Win32
