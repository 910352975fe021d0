#pragma once
// Whether a file is a full installer for this machine: an image the loader
// accepts whose payload carries the product's programs for our width.
#include <cstdint>
#include <string>

class PayloadReader;

inline constexpr const wchar_t* kInstallerPayloadEntries[] = {
    L"NorvaneHost.exe",
    L"NorvaneHostService.exe",
    L"NorvaneAgent.exe",
};

// Every entry of kInstallerPayloadEntries tagged with `bitness`.
bool carriesInstallerEntries(const PayloadReader& reader, uint32_t bitness);

bool isInstallerImage(const std::wstring& path);  // Win32, for machineBitness()
// The same check for a given width (32 or 64).
bool isInstallerImage(const std::wstring& path, uint32_t bitness);  // Win32
