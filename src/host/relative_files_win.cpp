#include "host/relative_files_win.h"

#include <winternl.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

// The native calls take the folder handle as the root of the name; the Win32
// calls do not (SetFileInformationByHandle turns a relative name into a path
// below the current directory on some systems). ntdll is in every process.
using NtCreateFileFunction = LONG(NTAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, IO_STATUS_BLOCK*, LARGE_INTEGER*,
                                          ULONG, ULONG, ULONG, ULONG, void*, ULONG);
using NtSetInformationFileFunction = LONG(NTAPI*)(HANDLE, IO_STATUS_BLOCK*, void*, ULONG, int);
using RtlNtStatusToDosErrorFunction = ULONG(NTAPI*)(LONG);

// Values of the native interface (ntifs.h), not all in the user-mode headers.
constexpr ULONG kNtOpen = 1;          // FILE_OPEN
constexpr ULONG kNtCreate = 2;        // FILE_CREATE
constexpr ULONG kNtOpenIf = 3;        // FILE_OPEN_IF
constexpr ULONG kNtDirectoryFile = 0x00000001;
constexpr ULONG kNtSynchronousIo = 0x00000020;  // FILE_SYNCHRONOUS_IO_NONALERT
constexpr ULONG kNtNonDirectoryFile = 0x00000040;
constexpr ULONG kNtOpenReparsePoint = 0x00200000;
constexpr ULONG kNtCaseInsensitive = 0x00000040;  // OBJ_CASE_INSENSITIVE
constexpr int kNtFileRenameInformation = 10;
constexpr size_t kMaxNameBytes = 0xFFFE;  // a UNICODE_STRING's length is 16 bits

template <typename Function>
Function ntdllFunction(const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), name)));
}

bool failWith(LONG status) {
  const auto toDosError = ntdllFunction<RtlNtStatusToDosErrorFunction>("RtlNtStatusToDosError");
  SetLastError(toDosError ? toDosError(status) : ERROR_GEN_FAILURE);
  return false;
}

ULONG nativeDisposition(RelativeDisposition disposition) {
  switch (disposition) {
    case RelativeDisposition::CreateNew: return kNtCreate;
    case RelativeDisposition::OpenOrCreate: return kNtOpenIf;
    case RelativeDisposition::OpenExisting: break;
  }
  return kNtOpen;
}

bool isOneName(const std::wstring& name) {
  return !name.empty() && name.size() * sizeof(wchar_t) <= kMaxNameBytes && name.find(L'\\') == std::wstring::npos;
}

}  // namespace

ScopedFile openInFolder(HANDLE folder, const std::wstring& name, const RelativeOpen& request) {
  const auto ntCreateFile = ntdllFunction<NtCreateFileFunction>("NtCreateFile");
  if (!ntCreateFile || !isOneName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return ScopedFile();
  }
  UNICODE_STRING nativeName;
  nativeName.Buffer = const_cast<wchar_t*>(name.c_str());
  nativeName.Length = USHORT(name.size() * sizeof(wchar_t));
  nativeName.MaximumLength = nativeName.Length;
  OBJECT_ATTRIBUTES attributes = {};
  attributes.Length = sizeof attributes;
  attributes.RootDirectory = folder;
  attributes.ObjectName = &nativeName;
  attributes.Attributes = kNtCaseInsensitive;
  attributes.SecurityDescriptor = request.rightsIfCreated;
  const ULONG options =
      kNtSynchronousIo | kNtOpenReparsePoint | (request.folder ? kNtDirectoryFile : kNtNonDirectoryFile);
  HANDLE opened = nullptr;
  IO_STATUS_BLOCK io = {};
  const LONG status = ntCreateFile(&opened, request.access | SYNCHRONIZE, &attributes, &io, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, request.sharing, nativeDisposition(request.disposition),
                                   options, nullptr, 0);
  if (status < 0) {
    failWith(status);
    return ScopedFile();
  }
  return ScopedFile(opened);
}

bool renameIntoFolder(HANDLE file, HANDLE folder, const std::wstring& name, bool replace) {
  const auto ntSetInformationFile = ntdllFunction<NtSetInformationFileFunction>("NtSetInformationFile");
  if (!ntSetInformationFile || !isOneName(name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  // FILE_RENAME_INFO has the native layout and ends in a name without a terminator.
  const size_t nameBytes = name.size() * sizeof(wchar_t);
  std::vector<uint64_t> buffer((offsetof(FILE_RENAME_INFO, FileName) + nameBytes) / sizeof(uint64_t) + 1, 0);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = replace ? TRUE : FALSE;
  info->RootDirectory = folder;
  info->FileNameLength = DWORD(nameBytes);
  std::memcpy(info->FileName, name.data(), nameBytes);
  IO_STATUS_BLOCK io = {};
  const LONG status = ntSetInformationFile(file, &io, info, ULONG(buffer.size() * sizeof(uint64_t)),
                                           kNtFileRenameInformation);
  return status >= 0 || failWith(status);
}
