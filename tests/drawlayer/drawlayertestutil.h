// Helpers of the drawing-layer tests: a page with an engine and a surface, font specs, and pens
// and brushes that free themselves. Pixel probes are the drawing tests' own.
#pragma once
#include <string>
#include "tests/drawing/pixelprobe.h"
#include "view/drawlayer/drawlayer.h"

namespace layertest {
using namespace pixeltest;

// A white 24-bit page with the document's engine and a drawing surface on it.
struct Page {
  VkDrawingEngine* engine = nullptr;
  _BITMAPHANDLE bitmap{};
  xlx::DrawingSurface* surface = nullptr;
  Page(uint32_t w, uint32_t h, double dpi = 96) {
    void* object = nullptr;
    EXPECT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
    engine = static_cast<VkDrawingEngine*>(object);
    EXPECT_EQ(1, VkSetTextResolution(engine, dpi));
    EXPECT_EQ(1, VkCreateBitmap(&bitmap, sizeof bitmap, 1, w, h, 24, 1, nullptr, 1, nullptr, 0));
    bitmap.uXResolution = bitmap.uYResolution = static_cast<uint32_t>(dpi);
    EXPECT_EQ(1, xlx::CreateDrawingSurface(engine, &bitmap, &surface));
    EXPECT_EQ(1, xlx::InitEngine(surface));
  }
  ~Page() {
    xlx::DestroyDrawingSurface(surface);
    VkFreeBitmap(&bitmap);
    VkDestroyDrawingObject(engine);
  }
  void End() { ASSERT_EQ(1, xlx::EndEngine(surface)); }
  Rgb At(int x, int y) const { return pixeltest::At(bitmap, x, y); }
};

struct Pen {
  VkPen* p = nullptr;
  Pen(xlx::CellColor c, int32_t style, double width, const double* dashes = nullptr, int32_t count = 0) {
    EXPECT_EQ(1, xlx::SetDrawPen(c, style, width, dashes, count, &p));
  }
  ~Pen() { xlx::FreeDrawPen(p); }
  Pen(const Pen&) = delete;
  operator VkPen*() const { return p; }
};
// SetDrawBrush with one colour, SetDrawHatchBrush with two.
struct Brush {
  VkBrush* p = nullptr;
  Brush(xlx::CellColor c, int32_t kind, int32_t group) { EXPECT_EQ(1, xlx::SetDrawBrush(c, kind, group, &p)); }
  Brush(xlx::CellColor fore, xlx::CellColor back, int32_t kind, int32_t group) {
    EXPECT_EQ(1, xlx::SetDrawHatchBrush(fore, back, kind, group, &p));
  }
  ~Brush() { xlx::FreeDrawBrush(p); }
  Brush(const Brush&) = delete;
  operator VkBrush*() const { return p; }
};

inline xlx::DrawFontSpec Spec(const char16_t* face, double heightPx, int32_t weight = 400) {
  xlx::DrawFontSpec s;
  for (int i = 0; i < 31 && face[i]; ++i) s.lfFaceName[i] = face[i];
  s.lfHeight = -static_cast<int32_t>(heightPx + 0.5);
  s.dHeightPx = heightPx;
  s.lfWeight = weight;
  return s;
}

inline std::string Narrow(const char16_t* s) { return std::string(s, s + std::char_traits<char16_t>::length(s)); }

constexpr xlx::CellColor kRed = 0xFF0000FFu, kBlue = 0xFFFF0000u, kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;

}  // namespace layertest
