// Stands in for the full installer and the installed setup program: records
// "<own file name>|<command line>" and exits with NORVANE_FAKE_EXIT (default 0).
// With NORVANE_FAKE_FOLDER_RIGHTS it also records the DACL of the folder it
// runs from, as the system reads it back (SDDL), into that file.
#include <aclapi.h>
#include <sddl.h>

#include <cstdlib>

#include "fake_product.h"

namespace {
std::wstring ownFolderDacl() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  if (wchar_t* slash = wcsrchr(path, L'\\')) *slash = L'\0';
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(path, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS) {
    return L"unreadable";
  }
  wchar_t* text = nullptr;
  std::wstring dacl = L"unreadable";
  if (ConvertSecurityDescriptorToStringSecurityDescriptorW(descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION,
                                                           &text, nullptr)) {
    dacl = text;
    LocalFree(text);
  }
  LocalFree(descriptor);
  return dacl;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  appendRecord(ownName() + L"|" + GetCommandLineW());
  appendRecord(ownFolderDacl(), L"NORVANE_FAKE_FOLDER_RIGHTS");
  wchar_t code[16] = {};
  if (!GetEnvironmentVariableW(L"NORVANE_FAKE_EXIT", code, 16)) return 0;
  return _wtoi(code);
}
