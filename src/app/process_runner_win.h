#pragma once
// Starts another program and waits for it while keeping our message queue moving.
#include <windows.h>

#include <cstdint>
#include <string>

inline constexpr DWORD kErrorInvalidParameter = 87;

// The command line that startProgram passes: "<path>" followed by one blank
// and the arguments unchanged.
std::wstring quotedCommandLine(const std::wstring& path, const std::wstring& arguments);

bool startProgram(const std::wstring& path, const std::wstring& arguments, HANDLE* process, DWORD* error);
uint32_t waitForProgram(HANDLE process);
bool runProgramAndWait(const std::wstring& path, const std::wstring& arguments, uint32_t& exitCode);
