#pragma once
// An off-screen surface for one paint: everything is drawn into it and reaches
// the screen in a single BitBlt, so nothing flickers.
#include <windows.h>

#include <cstdint>
#include <optional>

#include "ui/gdi_handles.h"

class BackBuffer {
 public:
  BackBuffer(HDC target, int32_t width, int32_t height);
  BackBuffer(const BackBuffer&) = delete;
  BackBuffer& operator=(const BackBuffer&) = delete;

  // False when no memory DC or no bitmap could be made: drawing then has no
  // surface and nothing is copied; the next paint tries again.
  bool ready() const { return memoryDc_.valid() && bitmap_.valid(); }
  HDC dc() const { return memoryDc_.get(); }
  void blit(int32_t x, int32_t y) const;

 private:
  HDC target_;
  int32_t width_;
  int32_t height_;
  ScopedMemoryDc memoryDc_;
  ScopedBitmap bitmap_;
  std::optional<ScopedSelectObject> selection_;  // released first: the bitmap leaves the DC before deletion
};
