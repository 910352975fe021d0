#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <vector>

#include "crypto/builtin_keys.h"
#include "crypto/signature.h"
#include "crypto/signature_check.h"
#include "fetch/cancel_hook.h"
#include "fetch/fetch.h"
#include "fetch/release_sources.h"
#include "fetch/release_urls.h"
#include "fetch/source_walk.h"
#include "fetch/staging_names.h"
#include "fetch/transfer.h"
#include "fetch/transfer_limits.h"
#include "host/locations.h"
#include "host/log.h"
#include "host/win32_handles.h"

namespace {

constexpr int kGuidChars = 40;
constexpr DWORD kFinalPathChars = 519;

constexpr wchar_t kNoPublicKey[] = L"판올림 공개키가 없다. 받지 않는다";
constexpr wchar_t kBadSignature[] = L"받은 설치기의 서명이 맞지 않는다. 버린다";
constexpr wchar_t kWrongVersion[] = L"받은 설치기의 버전이 요청한 것과 다르다. 버린다";

// A fresh "Norvane-download-{GUID}" folder in the user's temporary folder.
bool createStagingDirectory(std::wstring& directory) {
  const std::wstring temp = userTempDirectory();
  if (temp.empty()) return false;
  GUID guid;
  if (FAILED(CoCreateGuid(&guid))) return false;
  wchar_t guidText[kGuidChars];
  if (StringFromGUID2(guid, guidText, kGuidChars) == 0) return false;
  std::wstring candidate = temp + kStagingFolderPrefix + guidText;
  if (!CreateDirectoryW(candidate.c_str(), nullptr)) return false;
  directory = std::move(candidate);
  return true;
}

bool writeWholeFile(HANDLE file, const std::vector<uint8_t>& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    const DWORD want = DWORD(std::min<size_t>(kDiskSliceBytes, bytes.size() - written));
    DWORD done = 0;
    if (!WriteFile(file, bytes.data() + written, want, &done, nullptr) || done == 0) return false;
    written += done;
  }
  return true;
}

enum class ReadBack { Failed, Accepted, Refused };

// What is verified is what was read back through the pinning handle, not
// what was received. The bytes are hashed slice by slice as they are read, so
// the file is never held in memory a second time.
ReadBack readBackAndCheck(HANDLE file, const uint8_t* signature, const uint8_t* publicKey) {
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size) || size.QuadPart < 1 || size.QuadPart > kInstallerLimit) return ReadBack::Failed;
  if (SetFilePointer(file, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) return ReadBack::Failed;
  SignatureCheck check(signature, publicKey);
  std::vector<uint8_t> slice(kDiskSliceBytes);
  for (uint64_t left = uint64_t(size.QuadPart); left > 0;) {
    const DWORD want = DWORD(std::min<uint64_t>(kDiskSliceBytes, left));
    DWORD done = 0;
    if (!ReadFile(file, slice.data(), want, &done, nullptr) || done == 0) return ReadBack::Failed;
    check.addMessage(slice.data(), done);
    left -= done;
  }
  if (isFetchCancelled()) return ReadBack::Failed;
  return check.accepts() ? ReadBack::Accepted : ReadBack::Refused;
}

ReleaseVersion fileVersionOf(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<uint8_t> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return {};
  void* block = nullptr;
  UINT blockLength = 0;
  if (!VerQueryValueW(data.data(), L"\\", &block, &blockLength)) return {};
  return versionFromFixedFileInfo(block, blockLength);
}

// Removes what a failed staging left behind; the record stays empty.
void removeStaged(ScopedFile& file, const std::wstring& path, const std::wstring& directory) {
  file.reset();
  if (!path.empty()) DeleteFileW(path.c_str());
  if (!directory.empty()) RemoveDirectoryW(directory.c_str());
}

bool stageVerifiedInstaller(const ReleaseVersion& version, const std::wstring& remoteName,
                            const std::wstring& localName, StagedInstaller& staged, ProgressCallback progress,
                            void* progressContext) {
  staged.filePath.clear();
  staged.directory.clear();
  staged.fileHandle = nullptr;

  uint8_t publicKey[kPublicKeyBytes];
  if (!decodeHexKey(updatePublicKeyHex(), publicKey, kPublicKeyBytes)) {
    writeLog(kNoPublicKey);
    return false;
  }
  const ReleaseSourceList sources = sourcesForInstaller();
  if (sources.empty()) return false;

  std::vector<uint8_t> signature;
  std::vector<uint8_t> received;
  if (!fetchInstallerFromSources(sources, version, remoteName, downloadWithTrustFallback, progress, progressContext,
                                 signature, received)) {
    return false;
  }
  if (isFetchCancelled()) return false;

  std::wstring directory;
  if (!createStagingDirectory(directory)) return false;
  const std::wstring path = directory + L"\\" + localName;
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    RemoveDirectoryW(directory.c_str());
    return false;
  }
  const bool written = writeWholeFile(file.get(), received);
  file.reset();
  received = {};
  if (!written) {
    removeStaged(file, path, directory);
    return false;
  }

  file.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr));
  if (!file) {
    removeStaged(file, path, directory);
    return false;
  }
  const ReadBack checked = readBackAndCheck(file.get(), signature.data(), publicKey);
  if (checked != ReadBack::Accepted) {
    if (checked == ReadBack::Refused) writeLog(kBadSignature);
    removeStaged(file, path, directory);
    return false;
  }
  const ReleaseVersion requested{version.major, version.minor, version.patch, 0};
  if (!(fileVersionOf(path) == requested)) {
    writeLog(kWrongVersion);
    removeStaged(file, path, directory);
    return false;
  }

  staged.filePath = path;
  staged.directory = directory;
  staged.fileHandle = file.release();
  return true;
}

}  // namespace

bool fetchInstaller(const ReleaseVersion& version, uint32_t bits, const std::string& downloadId,
                    StagedInstaller& staged, ProgressCallback progress, void* progressContext,
                    const std::atomic<bool>* cancelFlag) {
  if ((bits != 32 && bits != 64) || !isValidDownloadId(downloadId)) return false;
  ScopedCancelHook hook(cancelFlag);
  return stageVerifiedInstaller(version, installerAssetName(bits), localInstallerName(downloadId), staged, progress,
                                progressContext);
}

void discardStagedInstaller(StagedInstaller* staged) {
  if (staged == nullptr) return;
  if (staged->fileHandle != nullptr && staged->fileHandle != INVALID_HANDLE_VALUE) {
    CloseHandle(staged->fileHandle);
    staged->fileHandle = nullptr;
  }
  if (!staged->filePath.empty()) {
    DeleteFileW(staged->filePath.c_str());
    staged->filePath.clear();
  }
  if (!staged->directory.empty()) {
    RemoveDirectoryW(staged->directory.c_str());
    staged->directory.clear();
  }
}

std::wstring finalPathOfHandle(void* fileHandle) {
  if (fileHandle == nullptr || fileHandle == INVALID_HANDLE_VALUE) return {};
  wchar_t path[kFinalPathChars];
  const DWORD length = GetFinalPathNameByHandleW(fileHandle, path, kFinalPathChars, 0);
  if (length == 0 || length >= kFinalPathChars) return {};
  return localPathFromFinalPath(std::wstring(path, length));
}
