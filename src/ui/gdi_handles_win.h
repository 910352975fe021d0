#pragma once
// Scoped owners for the GDI and GDI+ resources the setup window holds while
// drawing: objects, memory DCs, window DCs, selections, paint sessions and the
// GDI+ flat API's graphics, paths, brushes and pens.
#include <windows.h>
// WIN32_LEAN_AND_MEAN leaves out the COM types the GDI+ headers use.
#include <objidl.h>

#include <algorithm>
#include <memory>

// The GDI+ headers expect min and max, which NOMINMAX removes.
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>

#include "host/handles_win.h"
#include "ui/setup_layout.h"

template <typename Object>
struct GdiObjectTraits {
  using Value = Object;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { DeleteObject(v); }
};
struct MemoryDcTraits {
  using Value = HDC;
  static Value invalid() { return nullptr; }
  static bool isValid(Value v) { return v != nullptr; }
  static void close(Value v) { DeleteDC(v); }
};

using ScopedBitmap = ScopedResource<GdiObjectTraits<HBITMAP>>;
using ScopedPen = ScopedResource<GdiObjectTraits<HPEN>>;
using ScopedMemoryDc = ScopedResource<MemoryDcTraits>;

// GetDC / ReleaseDC; a null window means the screen.
class ScopedWindowDc {
 public:
  explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
  ~ScopedWindowDc() {
    if (dc_) ReleaseDC(window_, dc_);
  }
  ScopedWindowDc(const ScopedWindowDc&) = delete;
  ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;
  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }

 private:
  HWND window_;
  HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class ScopedSelectObject {
 public:
  ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
  ~ScopedSelectObject() {
    if (previous_ && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
  }
  ScopedSelectObject(const ScopedSelectObject&) = delete;
  ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// BeginPaint / EndPaint for one WM_PAINT.
class ScopedPaint {
 public:
  explicit ScopedPaint(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
  ~ScopedPaint() { EndPaint(window_, &paint_); }
  ScopedPaint(const ScopedPaint&) = delete;
  ScopedPaint& operator=(const ScopedPaint&) = delete;
  HDC dc() const { return dc_; }

 private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_ = nullptr;
};

inline RECT toRect(const LayoutRect& r) { return RECT{LONG(r.left), LONG(r.top), LONG(r.right), LONG(r.bottom)}; }
inline LayoutRect toLayoutRect(const RECT& r) {
  return LayoutRect{int32_t(r.left), int32_t(r.top), int32_t(r.right), int32_t(r.bottom)};
}

// The flat API rather than the C++ wrapper classes of <gdiplus.h>: its calls
// report failure as a status, which suits drawing that must quietly degrade.
namespace gdip = Gdiplus::DllExports;

struct GdipGraphicsDeleter {
  void operator()(Gdiplus::GpGraphics* graphics) const { gdip::GdipDeleteGraphics(graphics); }
};
struct GdipPathDeleter {
  void operator()(Gdiplus::GpPath* path) const { gdip::GdipDeletePath(path); }
};
struct GdipBrushDeleter {
  void operator()(Gdiplus::GpBrush* brush) const { gdip::GdipDeleteBrush(brush); }
};
struct GdipPenDeleter {
  void operator()(Gdiplus::GpPen* pen) const { gdip::GdipDeletePen(pen); }
};

using GdipGraphics = std::unique_ptr<Gdiplus::GpGraphics, GdipGraphicsDeleter>;
using GdipPath = std::unique_ptr<Gdiplus::GpPath, GdipPathDeleter>;
using GdipBrush = std::unique_ptr<Gdiplus::GpBrush, GdipBrushDeleter>;
using GdipPen = std::unique_ptr<Gdiplus::GpPen, GdipPenDeleter>;
