// publish: lays out one release for both release servers: the versioned
// files below download/vX.Y.Z/ and the same files plus version.txt below
// latest/download/, each installer with its detached signature.
#include <cstring>
#include <filesystem>

#include "cli.h"
#include "crypto/builtin_keys.h"
#include "crypto/signature.h"
#include "fetch/release_version.h"
#include "payload/installer_image.h"
#include "payload/payload_reader.h"
#include "pe_image.h"
#include "secret_key_file.h"
#include "version_resource.h"

namespace {
constexpr char kName[] = "publish";
constexpr size_t kInstallerLimit = 67108864;  // what the online installer accepts

struct Installer {
  const char* option;
  const char* assetName;
  uint32_t bits;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> signature;
};

std::string versionText(const ReleaseVersion& v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.patch);
}

// Exactly "X.Y.Z" in the canonical form that version.txt will carry.
bool parseReleaseVersion(const std::string& text, ReleaseVersion& version) {
  return parseReleaseVersionText(reinterpret_cast<const uint8_t*>(text.data()), text.size(), version) &&
         versionText(version) == text;
}

// A client runs the asset for its width as the full installer: an image of
// that width whose payload carries the product's programs for it.
bool isFullInstallerFor(const Installer& installer, const std::string& path, std::string& error) {
  PeLayout layout;
  std::string reason;
  if (!readPeLayout(installer.bytes, layout, reason)) {
    error = path + ": " + reason;
    return false;
  }
  const std::string width = std::to_string(installer.bits) + "-bit";
  if (imageBitness(layout) != installer.bits) {
    error = path + ": " + installer.option + " needs a " + width + " program image";
    return false;
  }
  PayloadReader reader;
  if (!reader.acceptFileBytes(installer.bytes) || !carriesInstallerEntries(reader, installer.bits)) {
    error = path + ": no full-installer payload with the " + width + " NorvaneHost.exe, NorvaneHostService.exe "
            "and NorvaneAgent.exe (norvane-pack bundle --bits " + std::to_string(installer.bits) + ")";
    return false;
  }
  return true;
}

bool writeAll(const std::filesystem::path& folder, const std::vector<Installer>& installers,
              const std::string& versionFile, std::string& error) {
  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    error = "cannot create " + folder.string() + ": " + code.message();
    return false;
  }
  for (const Installer& installer : installers) {
    const std::string path = (folder / installer.assetName).string();
    if (!writeFileBytes(path, installer.bytes, error) || !writeFileBytes(path + ".sig", installer.signature, error)) {
      return false;
    }
  }
  return versionFile.empty() || writeFileBytes((folder / "version.txt").string(), {versionFile.begin(), versionFile.end()}, error);
}
}  // namespace

int runPublish(const std::vector<std::string>& arguments) {
  const ParsedArguments parsed = parseArguments(arguments, {"--secret", "--version", "--x64", "--x86"});
  if (!parsed.error.empty()) return usageError(kName, parsed.error);
  for (const char* required : {"--secret", "--version", "--x64", "--x86"}) {
    if (!parsed.options.count(required)) return usageError(kName, std::string(required) + " is required");
  }
  if (parsed.positionals.size() != 1) return usageError(kName, "expected one OUT_DIR");
  ReleaseVersion version;
  if (!parseReleaseVersion(parsed.options.at("--version"), version)) {
    return usageError(kName, "version must be X.Y.Z, each part 0..65535 without leading zeros");
  }

  SecretSeed seed;
  std::string error;
  if (!readSecretKeyFile(parsed.options.at("--secret"), seed, error)) return failure(kName, error);
  uint8_t publicKey[kPublicKeyBytes];
  derivePublicKey(publicKey, seed.bytes);
  uint8_t builtinKey[kPublicKeyBytes];
  if (!decodeHexKey(updatePublicKeyHex(), builtinKey, sizeof builtinKey) ||
      std::memcmp(publicKey, builtinKey, sizeof publicKey) != 0) {
    return failure(kName, "the secret key is not the update-signing key built into this program; no client would "
                          "accept the release");
  }

  std::vector<Installer> installers = {{"--x64", "Norvane-x64.exe", 64, {}, {}}, {"--x86", "Norvane-x86.exe", 32, {}, {}}};
  for (Installer& installer : installers) {
    const std::string& path = parsed.options.at(installer.option);
    if (!readFileBytes(path, installer.bytes, error)) return failure(kName, error);
    if (installer.bytes.empty() || installer.bytes.size() > kInstallerLimit) {
      return failure(kName, path + ": an installer must be 1 to 67108864 bytes");
    }
    if (!isFullInstallerFor(installer, path, error)) return failure(kName, error);
    PayloadVersion fileVersion;
    if (!findFixedFileVersion(installer.bytes, fileVersion) || fileVersion.major != version.major ||
        fileVersion.minor != version.minor || fileVersion.build != version.patch || fileVersion.revision != 0) {
      return failure(kName, path + ": its file version is not " + versionText(version) + ".0");
    }
    installer.signature.resize(kSignatureBytes);
    signMessage(installer.signature.data(), seed.bytes, installer.bytes.data(),
                                  installer.bytes.size());
    if (!verifySignature(installer.signature.data(), publicKey, installer.bytes.data(),
                         uint32_t(installer.bytes.size()))) {
      return failure(kName, path + ": the new signature does not verify");
    }
  }

  // A published version never changes; only latest/ moves on.
  const std::filesystem::path out = parsed.positionals[0];
  const std::filesystem::path versioned = out / "download" / ("v" + versionText(version));
  if (std::filesystem::exists(versioned)) return failure(kName, versioned.string() + " is already published");
  if (!writeAll(versioned, installers, "", error) ||
      !writeAll(out / "latest" / "download", installers, versionText(version) + "\n", error)) {
    return failure(kName, error);
  }
  return kExitOk;
}
