#include <windows.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "crypto/builtin_keys.h"
#include "crypto/signature.h"
#include "crypto/signature_check.h"
#include "fetch/release_fetch_win.h"
#include "fetch/fetch_state.h"
#include "fetch/pinned_trust_win.h"
#include "fetch/release_sources.h"
#include "fetch/release_urls.h"
#include "fetch/staging_names.h"
#include "fetch/temp_files_win.h"
#include "fetch/transfer.h"
#include "host/account_win.h"
#include "host/data_folders_win.h"
#include "host/locations.h"
#include "host/log.h"
#include "host/system_dll_win.h"
#include "host/handles_win.h"
#include "payload/installer_image.h"

// The fetch of a release, top-down: the version from the first server that
// serves one, then the signature and the installer from one server, written
// to a fresh private folder, read back through a handle that pins the file,
// and kept only when the signature and the file's own version match and it is
// a full installer for this machine's width.

namespace {

constexpr DWORD kListingBytes = 65536;    // one directory listing call
constexpr size_t kMaxListedFiles = 256;   // a staging folder holds one file; more is not ours to sift

constexpr wchar_t kNoPublicKey[] = L"판올림 공개키가 없다. 받지 않는다";
constexpr wchar_t kBadSignature[] = L"받은 설치기의 서명이 맞지 않는다. 버린다";
constexpr wchar_t kWrongVersion[] = L"받은 설치기의 버전이 요청한 것과 다르다. 버린다";
constexpr wchar_t kNoNetworkDll[] = L"시스템 DLL %s 를 불러오지 못했다. 받지 않는다";
constexpr wchar_t kWrongWidth[] = L"받은 설치기가 이 컴퓨터의 설치기가 아니다. 버린다";
constexpr wchar_t kBelowFloor[] = L"판올림 버전 %u.%u.%u 은 받아도 되는 가장 낮은 버전 %u.%u.%u 보다 낮다. 받지 않는다";

// Fixed at build time (NORVANE_MINIMUM_VERSION): an announced release below it
// is a rollback to a release that must never be installed again.
constexpr ReleaseVersion kMinimumRelease{NORVANE_MINIMUM_VERSION};

// Every request goes through WinHTTP and every chain check through CRYPT32;
// without either the fetch fails like a network failure.
bool networkDllsLoadable() {
  for (const wchar_t* name : {L"crypt32.dll", L"winhttp.dll"}) {  // WinHTTP itself needs CRYPT32
    if (!isSystemDllLoadable(name)) {
      writeLog(kNoNetworkDll, name);
      return false;
    }
  }
  return true;
}

// Primary then secondary, or the other way round when pinned roots come first.
ReleaseSourceList buildReleaseSources() {
  return orderReleaseSources(primaryReleaseUrl(), secondaryReleaseUrl(), pinnedRootsFirst());
}

// With the source that served version.txt in the last five minutes in front.
ReleaseSourceList sourcesForInstaller() {
  ReleaseSourceList sources = buildReleaseSources();
  promoteSource(sources, fetchState().lastGoodSource.recent(GetTickCount64()));
  return sources;
}

bool isLinkOrWrongKind(DWORD attributes, bool folder) {
  return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) || ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) != folder;
}

// Opens the entry itself, never what a reparse point names, and gives it back
// only when it is a plain folder or a plain file as asked.
ScopedFile openPlain(const std::wstring& path, DWORD access, DWORD sharing, bool folder) {
  const DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT | (folder ? FILE_FLAG_BACKUP_SEMANTICS : 0);
  ScopedFile handle(CreateFileW(path.c_str(), access | FILE_READ_ATTRIBUTES, sharing, nullptr, OPEN_EXISTING, flags,
                                nullptr));
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!handle || !GetFileInformationByHandle(handle.get(), &info) || isLinkOrWrongKind(info.dwFileAttributes, folder)) {
    return ScopedFile();
  }
  return handle;
}

// Held without delete sharing and with delete access of our own, a folder can
// be neither renamed nor swapped for a link, and no other run can remove it,
// until the handle is closed.
constexpr DWORD kFolderHoldAccess = FILE_LIST_DIRECTORY | DELETE | READ_CONTROL;
constexpr DWORD kFolderHoldSharing = FILE_SHARE_READ | FILE_SHARE_WRITE;

// A fresh "Norvane-download-{GUID}" folder in the user's temporary folder,
// private from its creation (SYSTEM, Administrators and this account; the
// staged file inherits that) and held from then on. The temporary folder may
// be shared (SYSTEM's Temp lets every account add files): nobody else may put
// a DLL beside the installer. Until the hold, the quiet time keeps other runs away.
ScopedFile createStagingDirectory(std::wstring& directory) {
  std::wstring candidate = freshTempPath(kStagingFolderPrefix, L"");
  if (candidate.empty() || !createPrivateFolder(candidate)) return {};
  ScopedFile held = openPlain(candidate, kFolderHoldAccess, kFolderHoldSharing, true);
  if (!held) {
    RemoveDirectoryW(candidate.c_str());
    return {};
  }
  directory = std::move(candidate);
  return held;
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

// The received bytes in a fresh staging folder, written and closed, then
// opened again for reading with read sharing only into `pinned`. Empty on
// failure, with nothing left behind.
StagedInstaller writeStagedCopy(const std::vector<uint8_t>& received, const std::wstring& localName,
                                ScopedFile& pinned) {
  std::wstring directory;
  ScopedFile held = createStagingDirectory(directory);
  if (!held) return {};
  const std::wstring path = directory + L"\\" + localName;
  ScopedFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    deleteWhenClosed(held.get());
    return {};
  }
  // From here on the owner removes the file and the folder on every way out.
  StagedInstaller staged(path, directory, std::move(held));
  const bool written = writeWholeFile(file.get(), received);
  file.reset();
  if (!written) return {};
  pinned.reset(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!pinned) return {};
  return staged;
}

// The flow: key, sources, both files from one source, staged copy, checks.
StagedInstaller stageVerifiedInstaller(const InstallerFiles& wanted, const std::wstring& localName, uint32_t bits) {
  uint8_t publicKey[kPublicKeyBytes];
  if (!decodeHexKey(updatePublicKeyHex(), publicKey, kPublicKeyBytes)) {
    writeLog(kNoPublicKey);
    return {};
  }
  const ReleaseSourceList sources = sourcesForInstaller();
  if (sources.empty()) return {};

  ReceivedFiles received;
  if (!fetchInstallerFromSources(sources, wanted, downloadWithTrustFallback, received)) return {};
  if (isFetchCancelled()) return {};

  ScopedFile pinned;
  StagedInstaller staged = writeStagedCopy(received.installer, localName, pinned);
  // Swapped out, not assigned "{}" (which keeps the block): the image check
  // below reads the file into memory again.
  std::vector<uint8_t>().swap(received.installer);
  if (staged.empty()) return {};
  // Bodies kept from broken-off downloads are of no more use, and would
  // otherwise stay in temporary files while the installer runs.
  fetchState().keptPartials.release();
  const ReadBack checked = readBackAndCheck(pinned.get(), received.signature.data(), publicKey);
  // The record holds the read handle from now on, so it closes before the file is removed.
  staged.pin(std::move(pinned));
  if (checked != ReadBack::Accepted) {
    if (checked == ReadBack::Refused) writeLog(kBadSignature);
    return {};
  }
  const ReleaseVersion requested{wanted.version.major, wanted.version.minor, wanted.version.patch, 0};
  if (!(fileVersionOf(staged.filePath()) == requested)) {
    writeLog(kWrongVersion);
    return {};
  }
  // A signed file of the right version can still be the other width's
  // installer (a server serving the wrong asset): it would install the wrong
  // programs, so it is as final as a version mismatch.
  if (!isInstallerImage(staged.filePath(), bits)) {
    writeLog(kWrongWidth);
    return {};
  }
  return staged;
}

}  // namespace

bool fetchReleaseVersion(ReleaseVersion& version, const std::atomic<bool>* cancelFlag) {
  if (!networkDllsLoadable()) return false;
  // A proxy look-up may take seconds; a cancel request during it ends the run.
  const ScopedCancelHook hook(cancelFlag);
  std::wstring servedBy;
  if (!fetchVersionFromSources(buildReleaseSources(), downloadWithTrustFallback, version, servedBy)) return false;
  if (!meetsReleaseFloor(version, kMinimumRelease)) {
    writeLog(kBelowFloor, unsigned(version.major), unsigned(version.minor), unsigned(version.patch),
             unsigned(kMinimumRelease.major), unsigned(kMinimumRelease.minor), unsigned(kMinimumRelease.patch));
    return false;
  }
  fetchState().lastGoodSource.remember(servedBy, GetTickCount64());
  return true;
}

StagedInstaller fetchInstaller(const InstallerRequest& request) {
  if ((request.bits != 32 && request.bits != 64) || !isValidDownloadId(request.downloadId)) return {};
  if (!networkDllsLoadable()) return {};
  const ScopedCancelHook hook(request.cancelFlag);
  return stageVerifiedInstaller({request.version, installerAssetName(request.bits), request.progress,
                                 request.progressContext},
                                localInstallerName(request.downloadId), request.bits);
}

namespace {

uint64_t fileTimeValue(const FILETIME& time) { return uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

// The last write covers the creation too: a new folder has both the same, and
// only its owner (this account, as checked first) could set it back.
bool isQuietFolder(HANDLE held) {
  BY_HANDLE_FILE_INFORMATION info = {};
  if (!GetFileInformationByHandle(held, &info)) return false;
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return isQuietLongEnough(fileTimeValue(info.ftLastWriteTime), fileTimeValue(now));
}

// The plain files directly inside a held folder, listed through its handle
// (a listing by path would need delete sharing that the hold refuses).
std::vector<std::wstring> plainFilesIn(HANDLE folder) {
  std::vector<std::wstring> names;
  std::vector<uint64_t> buffer(kListingBytes / sizeof(uint64_t));  // the entries need 8-byte alignment
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  while (names.size() < kMaxListedFiles && GetFileInformationByHandleEx(folder, kind, buffer.data(), kListingBytes)) {
    kind = FileIdBothDirectoryInfo;
    const auto* bytes = reinterpret_cast<const uint8_t*>(buffer.data());
    for (size_t offset = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes + offset);
      // Staging makes plain files only; ".", "..", folders and links stay.
      if (!isLinkOrWrongKind(entry->FileAttributes, false)) {
        names.emplace_back(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      }
      if (entry->NextEntryOffset == 0) break;
      offset += entry->NextEntryOffset;
    }
  }
  return names;
}

void removeStagingFolder(const std::wstring& folder) {
  // Held like our own staging folder: a run that holds this one keeps it.
  // Another account's folder in a shared temporary folder is not ours to empty.
  const ScopedFile held = openPlain(folder, kFolderHoldAccess, kFolderHoldSharing, true);
  if (!held || !isOwnedByThisAccount(held.get()) || !isQuietFolder(held.get())) return;
  const std::wstring heldPath = finalPathOf(held.get());
  if (heldPath.empty()) return;
  for (const std::wstring& name : plainFilesIn(held.get())) {
    // No sharing: a file that anyone holds open, such as an installer that
    // still runs or a staged copy still pinned, cannot be opened and stays.
    const ScopedFile file = openPlain(folder + L"\\" + name, DELETE, 0, false);
    // What was opened must be this very entry of the held folder, not a file
    // that a link (seen as a plain file) leads to.
    if (file && finalPathOf(file.get()) == heldPath + L"\\" + name) deleteWhenClosed(file.get());
  }
  // Only an emptied folder goes; anything left inside keeps it.
  deleteWhenClosed(held.get());
}

}  // namespace

void removeStaleStagingFolders() {
  const std::wstring temp = userTempDirectory();
  if (temp.empty()) return;
  WIN32_FIND_DATAW found;
  const ScopedFindHandle search(FindFirstFileW((temp + kStagingFolderPrefix + L"*").c_str(), &found));
  if (!search) return;
  do {
    if (isStagingFolderName(found.cFileName) && !isLinkOrWrongKind(found.dwFileAttributes, true)) {
      removeStagingFolder(temp + found.cFileName);
    }
  } while (FindNextFileW(search.get(), &found));
}
