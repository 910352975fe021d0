// Drives the real fetch under Wine for the journeys in tests/e2e/test_fetch.py
// and prints what happened, one fact per line.
//
//   fetch_driver version
//   fetch_driver installer BITS ID [--version X.Y.Z] [--cancel-at PERCENT] [--hold SIGNAL_FILE]
//       without --version the release is asked for first, as the worker does
//   fetch_driver try-change PATH      tries to open PATH for writing and to delete it
//   fetch_driver trust-root DER       adds DER to the machine's trusted roots
#include <windows.h>
#include <psapi.h>
#include <wincrypt.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <vector>

#include "fetch/release_fetch_win.h"
#include "fetch/fetch_state.h"

namespace {

constexpr DWORD kHoldLimitMs = 60000;

void say(const std::string& line) {
  std::fputs((line + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(size_t(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), int(wide.size()), text.data(), size, nullptr, nullptr);
  return text;
}

std::wstring widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string versionText(const ReleaseVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch) + "." +
         std::to_string(v.revision);
}

bool parseVersion(const std::string& text, ReleaseVersion& version) {
  unsigned major = 0, minor = 0, patch = 0;
  if (std::sscanf(text.c_str(), "%u.%u.%u", &major, &minor, &patch) != 3) return false;
  version = {uint16_t(major), uint16_t(minor), uint16_t(patch), 0};
  return true;
}

struct ProgressLog {
  std::vector<int32_t> percents;
  int32_t cancelAt = -1;
  std::atomic<bool>* cancel = nullptr;
};

void recordProgress(int32_t percent, void* context) {
  auto* log = static_cast<ProgressLog*>(context);
  log->percents.push_back(percent);
  if (log->cancelAt >= 0 && percent >= log->cancelAt) log->cancel->store(true);
}

bool exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int runVersion() {
  ReleaseVersion version;
  if (!fetchReleaseVersion(version)) {
    say("version-failed");
    return 1;
  }
  say("version " + versionText(version));
  return 0;
}

int runInstaller(const std::vector<std::string>& args) {
  if (args.size() < 2) return 2;
  const uint32_t bits = uint32_t(std::stoul(args[0]));
  const std::string id = args[1];
  ReleaseVersion version;
  bool haveVersion = false;
  ProgressLog progress;
  std::atomic<bool> cancel{false};
  progress.cancel = &cancel;
  std::wstring holdSignal;
  for (size_t i = 2; i + 1 < args.size(); i += 2) {
    if (args[i] == "--version") haveVersion = parseVersion(args[i + 1], version);
    if (args[i] == "--cancel-at") progress.cancelAt = std::stoi(args[i + 1]);
    if (args[i] == "--hold") holdSignal = widen(args[i + 1]);
  }
  if (!haveVersion) {
    if (!fetchReleaseVersion(version)) {
      say("version-failed");
      return 1;
    }
    say("version " + versionText(version));
  }
  const ULONGLONG started = GetTickCount64();
  StagedInstaller staged = fetchInstaller({version, bits, id, recordProgress, &progress, &cancel});
  const bool ok = !staged.empty();
  const ULONGLONG elapsed = GetTickCount64() - started;
  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  say("fetch-ms " + std::to_string(elapsed));
  say("peak-commit-bytes " + std::to_string(memory.PeakPagefileUsage));
  say("peak-working-set-bytes " + std::to_string(memory.PeakWorkingSetSize));
  std::string percents;
  for (int32_t p : progress.percents) percents += (percents.empty() ? "" : ",") + std::to_string(p);
  say("progress " + percents);
  say("cancelled-after " + std::string(isFetchCancelled() ? "hooked" : "unhooked"));
  if (!ok) {
    say(staged.empty() ? "installer-failed empty" : "installer-failed dirty");
    return 1;
  }
  say("staged " + narrow(staged.filePath()));
  say("directory " + narrow(staged.directory()));
  say("final " + narrow(staged.startablePath()));
  if (!holdSignal.empty()) {
    for (DWORD waited = 0; !exists(holdSignal) && waited < kHoldLimitMs; waited += 50) Sleep(50);
  }
  const std::wstring file = staged.filePath();
  const std::wstring directory = staged.directory();
  staged.discard();
  staged.discard();
  say(std::string("discarded file-") + (exists(file) ? "kept" : "gone") + " directory-" +
      (exists(directory) ? "kept" : "gone"));
  return 0;
}

int runTryChange(const std::string& path) {
  const std::wstring wide = widen(path);
  HANDLE writer = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD writeError = writer == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  const BOOL deleted = DeleteFileW(wide.c_str());
  const DWORD deleteError = deleted ? 0 : GetLastError();
  say("write " + std::to_string(writeError) + " delete " + std::to_string(deleteError));
  return 0;
}

int runTrustRoot(const std::string& path) {
  HANDLE file = CreateFileW(widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 1;
  std::vector<BYTE> der(16384);
  DWORD read = 0;
  const BOOL ok = ReadFile(file, der.data(), DWORD(der.size()), &read, nullptr);
  CloseHandle(file);
  if (!ok || read == 0) return 1;
  HCERTSTORE root = CertOpenSystemStoreW(0, L"ROOT");
  if (root == nullptr) return 1;
  const BOOL added =
      CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, der.data(), read, CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
  CertCloseStore(root, 0);
  say(added ? "trusted" : "not-trusted");
  return added ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.push_back(narrow(argv[i]));
  if (args.empty()) return 2;
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "version") return runVersion();
  if (command == "installer") return runInstaller(args);
  if (command == "try-change" && args.size() == 1) return runTryChange(args[0]);
  if (command == "trust-root" && args.size() == 1) return runTrustRoot(args[0]);
  return 2;
}
