// Helpers of the drawing tests: bitmaps, surfaces, pens, brushes, paths and fonts that clean up
// after themselves.
#pragma once
#include <string>
#include "host/drawing/vkdrwx.h"
#include "tests/drawing/pixelprobe.h"
#include "tests/support/testsupport.h"

namespace drawtest {
using namespace pixeltest;

struct Bitmap {
  _BITMAPHANDLE b{};
  Bitmap() = default;
  Bitmap(uint32_t w, uint32_t h, uint32_t bpp = 24, uint32_t dpi = 96) {
    EXPECT_EQ(1, VkCreateBitmap(&b, sizeof b, 1, w, h, bpp, 1, nullptr, 1, nullptr, 0));
    b.uXResolution = b.uYResolution = dpi;
  }
  ~Bitmap() { VkFreeBitmap(&b); }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Rgb At(int x, int y) const { return pixeltest::At(b, x, y); }
  int Alpha(int x, int y) const { return pixeltest::Alpha(b, x, y); }
  int Ink(int x, int y) const { return pixeltest::Ink(b, x, y); }
};

struct Engine {
  VkDrawingEngine* e = nullptr;
  Engine() {
    void* object = nullptr;
    EXPECT_EQ(1, VkCreateDrawingObject(VkQueryDrawingEngine(), &object));
    e = static_cast<VkDrawingEngine*>(object);
  }
  ~Engine() { VkDestroyDrawingObject(e); }
};

// A surface on a white bitmap; End() writes the drawing into the bitmap.
struct Canvas {
  Engine engine;
  Bitmap bitmap;
  VkSurface* s = nullptr;
  Canvas(uint32_t w, uint32_t h, uint32_t bpp = 24, uint32_t dpi = 96) : bitmap(w, h, bpp, dpi) {
    EXPECT_EQ(1, VkCreateSurface(engine.e, &bitmap.b, &s));
  }
  ~Canvas() { VkDestroySurface(s); }
  void End() { ASSERT_EQ(1, VkEndSurface(s)); }
  Rgb At(int x, int y) const { return bitmap.At(x, y); }
};

template <typename T, void (*Free)(T*)>
struct Owned {
  T* p = nullptr;
  Owned() = default;
  ~Owned() { Free(p); }
  Owned(Owned&& o) noexcept : p(o.p) { o.p = nullptr; }
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  T** out() { return &p; }
  operator T*() const { return p; }
};
using Pen = Owned<VkPen, VkDestroyPen>;
using Brush = Owned<VkBrush, VkDestroyBrush>;
using Font = Owned<VkFont, VkDestroyFont>;
using Path = Owned<VkPath, VkDestroyPath>;

inline Pen MakePen(VkColor c, double width, int32_t style = VK_PEN_SOLID) {
  Pen p;
  EXPECT_EQ(1, VkCreatePen(c, width, style, nullptr, 0, p.out()));
  return p;
}
inline Brush MakeBrush(VkColor c) {
  Brush b;
  EXPECT_EQ(1, VkCreateSolidBrush(c, b.out()));
  return b;
}
inline Font MakeFont(VkDrawingEngine* e, const char* face, double pt, uint32_t style = 0) {
  Font f;
  EXPECT_EQ(1, VkCreateFont(e, xlxtest::U16(face).c_str(), pt, style, f.out()));
  return f;
}
inline std::string Family(const VkFont* f) {
  char16_t buf[64];
  EXPECT_EQ(1, VkGetFontFamily(f, buf, 64));
  return std::string(buf, buf + std::char_traits<char16_t>::length(buf));
}

constexpr VkColor kRed = VK_RGB(255, 0, 0), kBlue = VK_RGB(0, 0, 255), kBlack = VK_RGB(0, 0, 0),
                  kWhite = VK_RGB(255, 255, 255);

}  // namespace drawtest
