#include "ui/back_buffer_win.h"

namespace {
constexpr WORD kBitsPerPixel = 32;

HBITMAP createTopDownDib(HDC target, int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = kBitsPerPixel;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return CreateDIBSection(target, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}
}  // namespace

BackBuffer::BackBuffer(HDC target, int32_t width, int32_t height)
    : target_(target), width_(width), height_(height), memoryDc_(CreateCompatibleDC(target)) {
  if (!memoryDc_ || width <= 0 || height <= 0) return;
  bitmap_.reset(createTopDownDib(target, width, height));
  if (!bitmap_) bitmap_.reset(CreateCompatibleBitmap(target, width, height));
  if (!bitmap_) return;
  selection_.emplace(memoryDc_.get(), bitmap_.get());
}

void BackBuffer::blit(int32_t x, int32_t y) const {
  if (!ready()) return;
  BitBlt(target_, x, y, width_, height_, memoryDc_.get(), 0, 0, SRCCOPY);
}
