#pragma once
// Our folders under the machine-wide data folder and the files in them, made
// and opened so that an ordinary account cannot turn them into another file:
// folders get explicit, protected rights; nothing is used through a link.
#include <string>

#include "host/win32_handles.h"

// SYSTEM and Administrators: full control. Users: list, read and add a
// subfolder (root) or a file (logs), never delete, rename or re-permission.
// OWNER RIGHTS (S-1-3-4) keeps an ordinary account that made the folder to
// the same: without it the owner could always rewrite the DACL.
inline constexpr wchar_t kMachineRootSddl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ad;;;BU)(A;;0x1200a9;;;S-1-3-4)";
inline constexpr wchar_t kMachineLogsSddl[] =
    L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;;0x1200ab;;;BU)(A;;0x1200a9;;;S-1-3-4)";

// Creates the folder with the rights of `sddl` (inherited ones when null).
// True when it was made or is already there.
bool createDataFolder(const std::wstring& path, const wchar_t* sddl);

// The folder, opened without following a link; invalid when it is missing,
// not a folder or a reparse point. When this account may, its rights are set
// to `sddl` through the handle, mending a folder made before. With
// `mustSetRights` a folder whose rights this account cannot set is not used:
// an elevated run must not write where an ordinary account holds the rights.
ScopedFile openDataFolder(const std::wstring& path, const wchar_t* sddl, bool mustSetRights);

// "\\?\C:\..." of the open file or folder; empty when unknown.
std::wstring finalPathOf(HANDLE handle);

// True when the open file is a plain file (no folder, no reparse point) with
// a single name, and that name is `expectedFinalPath`.
bool isSoleNameAt(HANDLE file, const std::wstring& expectedFinalPath);

// Sets the file's DACL from `sddl` through the handle (which must carry
// WRITE_DAC), unprotected, so that inheritable entries still apply.
void applyFileAcl(HANDLE file, const wchar_t* sddl);
