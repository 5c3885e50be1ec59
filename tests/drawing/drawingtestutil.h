// Helpers of the drawing tests: bitmaps, surfaces and fonts that clean up after themselves, and
// pixel probes.
#pragma once
#include <gtest/gtest.h>
#include <cstdint>
#include <string>
#include "host/drawing/vkdrwx.h"
#include "host/kernel/vkimage.h"

namespace drawtest {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}

struct Bitmap {
  _BITMAPHANDLE b{};
  Bitmap(uint32_t w, uint32_t h, uint32_t bpp = 24, uint32_t dpi = 96) {
    EXPECT_EQ(1, VkCreateBitmap(&b, sizeof b, 1, w, h, bpp, 1, nullptr, 1, nullptr, 0));
    b.uXResolution = b.uYResolution = dpi;
  }
  Bitmap() = default;
  ~Bitmap() { VkFreeBitmap(&b); }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  Rgb At(int x, int y) const {
    const uint8_t* p = b.pData + static_cast<size_t>(y) * b.uBytesPerLine + static_cast<size_t>(x) * (b.uBitsPerPixel / 8);
    return {p[2], p[1], p[0]};
  }
  int Alpha(int x, int y) const {
    return b.uBitsPerPixel == 32 ? b.pData[static_cast<size_t>(y) * b.uBytesPerLine + 4 * static_cast<size_t>(x) + 3] : 255;
  }
  // Darkness of a pixel: 0 white .. 765 black.
  int Ink(int x, int y) const {
    Rgb c = At(x, y);
    return 765 - c.r - c.g - c.b;
  }
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
  explicit Owned(T* v) : p(v) {}
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
inline std::u16string U(const char* utf8) {
  std::u16string out;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(utf8); *p;) {
    uint32_t cp = *p, n = 0;
    if (cp >= 0xF0) cp &= 7, n = 3;
    else if (cp >= 0xE0) cp &= 15, n = 2;
    else if (cp >= 0xC0) cp &= 31, n = 1;
    ++p;
    for (; n && *p; --n, ++p) cp = (cp << 6) | (*p & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}
inline Font MakeFont(VkDrawingEngine* e, const char* face, double pt, uint32_t style = 0) {
  Font f;
  std::u16string name = U(face);
  EXPECT_EQ(1, VkCreateFont(e, name.c_str(), pt, style, f.out()));
  return f;
}
inline std::string Family(const VkFont* f) {
  char16_t buf[64];
  EXPECT_EQ(1, VkGetFontFamily(f, buf, 64));
  std::string s;
  for (char16_t* p = buf; *p; ++p) s.push_back(static_cast<char>(*p));
  return s;
}

// Leftmost and rightmost columns with ink darker than `threshold` inside rows [top, bottom).
inline void InkSpan(const Bitmap& bm, int top, int bottom, int* left, int* right, int threshold = 200) {
  *left = -1, *right = -1;
  for (int x = 0; x < static_cast<int>(bm.b.uWidth); ++x)
    for (int y = top; y < bottom; ++y)
      if (bm.Ink(x, y) > threshold) {
        if (*left < 0) *left = x;
        *right = x;
        break;
      }
}

constexpr VkColor kRed = VK_RGB(255, 0, 0);
constexpr VkColor kBlue = VK_RGB(0, 0, 255);
constexpr VkColor kBlack = VK_RGB(0, 0, 0);
constexpr VkColor kWhite = VK_RGB(255, 255, 255);
const Rgb kWhitePx{255, 255, 255}, kRedPx{255, 0, 0}, kBluePx{0, 0, 255}, kBlackPx{0, 0, 0};

}  // namespace drawtest
