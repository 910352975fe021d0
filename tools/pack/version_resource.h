#pragma once
// The file version from an image's VS_FIXEDFILEINFO, so that a payload can
// carry the same version as the image's version resource.
#include <cstdint>
#include <vector>

#include "payload_writer.h"

bool findFixedFileVersion(const std::vector<uint8_t>& image, PayloadVersion& version);
