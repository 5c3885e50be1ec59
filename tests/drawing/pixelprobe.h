// Pixel probes of 24- and 32-bit page bitmaps, shared by the drawing and drawing-layer tests.
#pragma once
#include <gtest/gtest.h>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include "host/kernel/vkimage.h"

namespace pixeltest {

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};
inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "rgb(" << c.r << "," << c.g << "," << c.b << ")";
}
const Rgb kWhitePx{255, 255, 255}, kRedPx{255, 0, 0}, kBluePx{0, 0, 255}, kBlackPx{0, 0, 0};

inline const uint8_t* PixelAt(const _BITMAPHANDLE& b, int x, int y) {
  return b.pData + static_cast<size_t>(y) * b.uBytesPerLine + static_cast<size_t>(x) * (b.uBitsPerPixel / 8);
}
inline Rgb At(const _BITMAPHANDLE& b, int x, int y) {
  const uint8_t* p = PixelAt(b, x, y);
  return {p[2], p[1], p[0]};
}
inline int Alpha(const _BITMAPHANDLE& b, int x, int y) { return b.uBitsPerPixel == 32 ? PixelAt(b, x, y)[3] : 255; }
// Darkness of a pixel: 0 white .. 765 black.
inline int Ink(const _BITMAPHANDLE& b, int x, int y) {
  const Rgb c = At(b, x, y);
  return 765 - c.r - c.g - c.b;
}

struct Probe {
  int x, y;
  Rgb want;
};
inline void ExpectPixels(const _BITMAPHANDLE& b, std::initializer_list<Probe> probes, const std::string& what = "") {
  for (const Probe& p : probes) EXPECT_EQ(p.want, At(b, p.x, p.y)) << what << " at " << p.x << "," << p.y;
}

// The first `length` pixels of row y: '#' black, '.' white, '?' anything else.
inline std::string Rhythm(const _BITMAPHANDLE& b, int y, int length) {
  std::string s;
  for (int x = 0; x < length; ++x) s.push_back(At(b, x, y) == kBlackPx ? '#' : At(b, x, y) == kWhitePx ? '.' : '?');
  return s;
}

// Leftmost and rightmost columns with ink darker than `threshold` inside rows [top, bottom).
inline void InkSpan(const _BITMAPHANDLE& b, int top, int bottom, int* left, int* right, int threshold = 200) {
  *left = -1, *right = -1;
  for (int x = 0; x < static_cast<int>(b.uWidth); ++x)
    for (int y = top; y < bottom; ++y)
      if (Ink(b, x, y) > threshold) {
        if (*left < 0) *left = x;
        *right = x;
        break;
      }
}

}  // namespace pixeltest
