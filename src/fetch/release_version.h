#pragma once
// The release named by version.txt and compared with the installer's own
// file version.
#include <cstddef>
#include <cstdint>

struct ReleaseVersion {
  uint16_t major = 0;
  uint16_t minor = 0;
  uint16_t patch = 0;
  uint16_t revision = 0;
  friend bool operator==(const ReleaseVersion&, const ReleaseVersion&) = default;
};

// version.txt is raw bytes: "major.minor.patch" at the very start, each part
// 1..5 ASCII digits and at most 65535; whatever follows the patch number is
// ignored. The revision is always 0.
bool parseReleaseVersionText(const uint8_t* body, size_t length, ReleaseVersion& version);

// The fixed file version of a VS_FIXEDFILEINFO block as VerQueryValueW("\")
// returns it; 0.0.0.0 when the block is short or its signature is wrong.
ReleaseVersion versionFromFixedFileInfo(const void* block, size_t length);

// False when `announced` (major.minor.patch) lies below `floor`; a floor of
// 0.0.0 admits every version. Revisions are not compared.
bool meetsReleaseFloor(const ReleaseVersion& announced, const ReleaseVersion& floor);
