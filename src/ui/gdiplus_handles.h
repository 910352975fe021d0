#pragma once
// The GDI+ flat API and scoped owners for its objects. The C++ wrapper classes
// of <gdiplus.h> are not used: the flat calls report failure as a status,
// which suits drawing that must quietly degrade.
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
