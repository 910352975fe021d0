#pragma once
// Where the product and our data live. Each call computes its answer afresh;
// an empty string means the location is not available.
#include <cstddef>
#include <string>

struct ProductFile {
  const wchar_t* name;
  bool serviceCompanion;  // must also stand beside the host service's executable
};

inline constexpr ProductFile ProductFileTable[] = {
    {L"NorvaneHost.exe", true},
    {L"NorvaneHostService.exe", false},
    {L"NorvaneAgent.exe", true},
    {L"Norvane.exe", false},
    {L"uninstall.exe", false},
};
inline constexpr size_t kProductFileCount = sizeof ProductFileTable / sizeof ProductFileTable[0];

inline constexpr size_t kShellPathChars = 260;
inline constexpr size_t kModulePathChars = 520;
inline constexpr size_t kTempPathChars = 260;

std::wstring installDirectory();
std::wstring installedFilePath(const std::wstring& name);
std::wstring machineDataRoot();
std::wstring userDataRoot();
std::wstring ownModulePath();
// The temporary folder, ending in a backslash: SYSTEM gets its admin-only
// SystemTemp where the system has GetTempPath2W.
std::wstring userTempDirectory();
std::wstring parentDirectory(const std::wstring& path);
// Whether two paths name the same place as Windows compares names (ordinal,
// ignoring case). An empty path names nothing and matches nothing.
bool samePath(const std::wstring& a, const std::wstring& b);
