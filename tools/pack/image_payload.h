#pragma once
// Appends a payload to a program image that has nothing after its last
// section, carrying the image's own file version.
#include <string>
#include <vector>

#include "payload_writer.h"

bool appendPayloadToImage(const std::string& inPath, const std::string& outPath,
                          const std::vector<PayloadValue>& values, std::string& error);
