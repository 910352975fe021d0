#pragma once
// Opening and renaming by a name inside a folder that we hold open. The
// folder is the handle, never a path looked up again, so a folder that was
// renamed, or swapped for a link, after we checked it cannot send us
// elsewhere. Nothing here follows a link at the last step either.
#include <windows.h>

#include <string>

#include "host/handles_win.h"

enum class RelativeDisposition { OpenExisting, CreateNew, OpenOrCreate };

struct RelativeOpen {
  DWORD access = 0;
  DWORD sharing = 0;
  RelativeDisposition disposition = RelativeDisposition::OpenExisting;
  bool folder = false;                         // open only a folder, else only a file
  PSECURITY_DESCRIPTOR rightsIfCreated = nullptr;  // the whole descriptor of a new entry
};

// The entry `name` (one name, no backslash) of `folder`, or an invalid handle
// with the Win32 error in GetLastError: ERROR_ALREADY_EXISTS when CreateNew
// finds the name taken.
ScopedFile openInFolder(HANDLE folder, const std::wstring& name, const RelativeOpen& request);

// Renames the open `file` (opened with DELETE) to `name` inside `folder`;
// an existing entry of that name is replaced only with `replace`.
bool renameIntoFolder(HANDLE file, HANDLE folder, const std::wstring& name, bool replace);
