// Helpers of the drawing-layer tests: a page with an engine and a surface, probes, font specs.
#pragma once
#include <gtest/gtest.h>
#include <cstdint>
#include <string>
#include "view/drawlayer/drawlayer.h"

namespace layertest {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

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
  Rgb At(int x, int y) const {
    const uint8_t* p = bitmap.pData + static_cast<size_t>(y) * bitmap.uBytesPerLine + 3 * static_cast<size_t>(x);
    return {p[2], p[1], p[0]};
  }
  int Ink(int x, int y) const {
    Rgb c = At(x, y);
    return 765 - c.r - c.g - c.b;
  }
};

inline xlx::DrawFontSpec Spec(const char16_t* face, double heightPx, int32_t weight = 400) {
  xlx::DrawFontSpec s;
  for (int i = 0; i < 31 && face[i]; ++i) s.lfFaceName[i] = face[i];
  s.lfHeight = -static_cast<int32_t>(heightPx + 0.5);
  s.dHeightPx = heightPx;
  s.lfWeight = weight;
  return s;
}

inline std::string Narrow(const char16_t* s) {
  std::string out;
  for (; *s; ++s) out.push_back(static_cast<char>(*s));
  return out;
}

constexpr xlx::CellColor kRed = 0xFF0000FFu, kBlue = 0xFFFF0000u, kBlack = 0xFF000000u, kWhite = 0xFFFFFFFFu;
const Rgb kRedPx{255, 0, 0}, kBluePx{0, 0, 255}, kBlackPx{0, 0, 0}, kWhitePx{255, 255, 255};

}  // namespace layertest
