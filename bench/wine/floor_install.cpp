// The floor of an online install: the least any online installer must do
// with the same file. One WinHTTP GET of URL into memory, the body written to
// FILE, FILE started and waited for, then deleted. No signature, no version
// check, no window, no log. Exit code: the started program's, or 90 + step
// on a failure.
//   floor_install URL FILE
#include <windows.h>
#include <winhttp.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kPieceBytes = 65536;  // one WinHttpReadData, as the program reads
constexpr DWORD kLengthChars = 32;

class Internet {
 public:
  explicit Internet(HINTERNET handle) : handle_(handle) {}
  ~Internet() {
    if (handle_) WinHttpCloseHandle(handle_);
  }
  Internet(const Internet&) = delete;
  Internet& operator=(const Internet&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

bool download(const wchar_t* url, std::vector<BYTE>& body) {
  URL_COMPONENTS parts = {};
  parts.dwStructSize = sizeof parts;
  wchar_t host[256], path[2048];
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path;
  parts.dwUrlPathLength = 2048;
  if (!WinHttpCrackUrl(url, 0, 0, &parts)) return false;
  Internet session(WinHttpOpen(L"floor", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                               WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.get()) return false;
  Internet connection(WinHttpConnect(session.get(), host, parts.nPort, 0));
  if (!connection.get()) return false;
  Internet request(WinHttpOpenRequest(connection.get(), L"GET", path, nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES, WINHTTP_FLAG_SECURE));
  if (!request.get() || !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, nullptr, 0, 0, 0) ||
      !WinHttpReceiveResponse(request.get(), nullptr)) {
    return false;
  }
  wchar_t length[kLengthChars] = {};
  DWORD lengthBytes = sizeof length;
  if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH, WINHTTP_HEADER_NAME_BY_INDEX, length,
                          &lengthBytes, WINHTTP_NO_HEADER_INDEX)) {
    // Room for the last piece's read as well, so the body is never moved.
    body.reserve(size_t(std::wcstoul(length, nullptr, 10)) + kPieceBytes);
  }
  for (;;) {
    const size_t filled = body.size();
    body.resize(filled + kPieceBytes);
    DWORD read = 0;
    if (!WinHttpReadData(request.get(), body.data() + filled, kPieceBytes, &read)) return false;
    body.resize(filled + read);
    if (read == 0) return !body.empty();
  }
}

bool writeFile(const wchar_t* name, const std::vector<BYTE>& body) {
  HANDLE file = CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok = WriteFile(file, body.data(), DWORD(body.size()), &written, nullptr) && written == body.size();
  CloseHandle(file);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 93;
  std::vector<BYTE> body;
  if (!download(argv[1], body)) return 90;
  if (!writeFile(argv[2], body)) return 91;
  std::vector<BYTE>().swap(body);
  std::wstring commandLine = L"\"" + std::wstring(argv[2]) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(argv[2], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    DeleteFileW(argv[2]);
    return 92;
  }
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(info.hProcess, &code);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  DeleteFileW(argv[2]);
  return int(code);
}
