#pragma once
// Our folders under the data folders and the files in them, made and held so
// that no other account can turn them into another place: a folder is opened
// once without following links, checked (kind, final path, owner) before any
// rights are set, and held open without delete sharing for as long as it is
// used, so that nobody can rename or replace it meanwhile. Everything inside
// goes by name relative to the held handle (relative_files_win.h).
#include <string>

#include "host/handles_win.h"

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

// Creates a new folder that only SYSTEM, Administrators and this account may
// use, its files inheriting the same. The rights come with the creation, so
// the inherited rights of a shared parent (SYSTEM's Temp) never apply to it.
// False when the folder could not be made or was already there.
bool createPrivateFolder(const std::wstring& path);

struct HeldFolder {
  ScopedFile handle;       // without delete sharing: the folder stays where it was checked
  std::wstring path;       // as we name it, for messages only
  std::wstring finalPath;  // "\\?\C:\..." as checked
  explicit operator bool() const { return handle.valid(); }
};

struct FolderRules {
  const wchar_t* sddl = nullptr;  // protected rights set through the handle when this account may
  // Elevated or SYSTEM: the rights must be set, and the folder must be owned
  // by SYSTEM, Administrators, TrustedInstaller or this account itself.
  bool elevated = false;
};

// The folder at `path`, held when it is a plain folder whose final path is
// its parent's final path + its name (a link, or a parent reached through one,
// gives another); invalid otherwise, or when someone else holds it with delete
// access, or when `rules` refuse it.
HeldFolder holdDataFolder(const std::wstring& path, const FolderRules& rules);

// The subfolder `name` of a held folder, made there (with the rights of
// `rules.sddl`) when missing, and held and checked like holdDataFolder.
HeldFolder holdSubfolder(const HeldFolder& parent, const wchar_t* name, const FolderRules& rules);

// "\\?\C:\..." of the open file or folder; empty when unknown.
std::wstring finalPathOf(HANDLE handle);

// True when the open file is a plain file (no folder, no reparse point) with
// a single name, and that name is `expectedFinalPath`.
bool isSoleNameAt(HANDLE file, const std::wstring& expectedFinalPath);

// Sets the file's DACL from `sddl` through the handle (which must carry
// WRITE_DAC), unprotected, so that inheritable entries still apply.
void applyFileAcl(HANDLE file, const wchar_t* sddl);
