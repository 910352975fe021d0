#pragma once
// The fetch's files in the user's temporary folder, which may be shared
// (SYSTEM's is writable by everyone): fresh names nobody can guess, whole
// writes, and the bytes of a broken-off download parked on disk.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "fetch/transfer_rules.h"

// The temporary folder + prefix + a new GUID + suffix; empty on failure.
std::wstring freshTempPath(const wchar_t* prefix, const wchar_t* suffix);

// Writes all of `bytes` at the file's position; false on any failed write.
bool writeWholeFile(HANDLE file, const std::vector<uint8_t>& bytes);

// A kept body costs no memory while the other source is tried: its bytes go
// to a temporary file that only this process can open and that the system
// deletes when the returned owner lets go of it, or when the process ends.
// Null when the file cannot be written.
std::shared_ptr<void> parkBytes(const std::vector<uint8_t>& bytes);

// The partial's parked bytes into `bytes`, with room for the whole file so the
// rest is appended without moving them; false (and `bytes` empty) on failure.
bool unparkBytes(const PartialDownload& partial, std::vector<uint8_t>& bytes);

// Marks an open file or folder (opened with DELETE access) to be deleted when
// its last handle closes; a folder that is not empty by then stays.
void deleteWhenClosed(HANDLE handle);
