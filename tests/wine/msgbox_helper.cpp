// Finds a message box by its caption, writes its text (UTF-8) to a file and
// presses its button, so a journey can assert exactly what the user saw.
// usage: msgbox_helper CAPTION TIMEOUT_MS OUT_FILE
// Exit 0 when a box was found and closed, 2 when none appeared in time.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
constexpr int kMessageTextId = 0xFFFF;
constexpr DWORD kPollMs = 50;

bool writeUtf8(const wchar_t* path, const std::wstring& text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), nullptr, 0, nullptr, nullptr);
  std::string bytes(size_t(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), int(text.size()), bytes.data(), size, nullptr, nullptr);
  FILE* file = _wfopen(path, L"wb");
  if (!file) return false;
  const bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  fclose(file);
  return ok;
}
}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) return 3;
  const DWORD timeout = DWORD(_wtoi(argv[2]));
  const DWORD start = GetTickCount();
  HWND box = nullptr;
  while (!(box = FindWindowW(L"#32770", argv[1]))) {
    if (GetTickCount() - start > timeout) return 2;
    Sleep(kPollMs);
  }
  wchar_t text[4096] = {};
  GetDlgItemTextW(box, kMessageTextId, text, 4096);
  if (!writeUtf8(argv[3], text)) return 4;
  HWND ok = GetDlgItem(box, IDOK);
  if (!ok) ok = GetDlgItem(box, IDCANCEL);
  if (ok) {
    SendMessageW(ok, BM_CLICK, 0, 0);
  } else {
    PostMessageW(box, WM_CLOSE, 0, 0);
  }
  return 0;
}
