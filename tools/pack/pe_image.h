#pragma once
// Just enough of the PE format to place a payload: where the last section's raw
// data ends and whether anything already follows it; and the image's width.
#include <cstdint>
#include <string>
#include <vector>

struct PeLayout {
  uint64_t endOfSections = 0;      // end of the raw data of the section that ends last
  uint64_t certificateOffset = 0;  // 0 when the image has no certificate table
  uint64_t certificateSize = 0;
  uint16_t machine = 0;
  bool pe32Plus = false;  // the 64-bit optional header
};

// 32 for an i386 PE32 image, 64 for an x64 PE32+ image, 0 for anything else.
uint32_t imageBitness(const PeLayout& layout);

// False with a reason when the bytes are not a PE image we can place a payload in.
bool readPeLayout(const std::vector<uint8_t>& image, PeLayout& layout, std::string& reason);
