#include "ui/colours.h"

namespace {
constexpr uint32_t kFullWeight = 255;
constexpr uint32_t kOpaque = 0xFF000000u;

uint32_t blendChannel(uint32_t a, uint32_t b, uint32_t weight) {
  return (b * (kFullWeight - weight) + a * weight) / kFullWeight;
}
}  // namespace

Colour blendColour(Colour a, Colour b, uint32_t weight) {
  if (weight > kFullWeight) weight = kFullWeight;
  return rgb(blendChannel(redOf(a), redOf(b), weight), blendChannel(greenOf(a), greenOf(b), weight),
             blendChannel(blueOf(a), blueOf(b), weight));
}

uint32_t toArgb(Colour c) { return kOpaque | (redOf(c) << 16) | (greenOf(c) << 8) | blueOf(c); }
