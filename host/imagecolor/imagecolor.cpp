// Colour effects of pictures through 256-entry tables, one table for all three channels.
#include <cmath>
#include "host/imagecolor/vkimgclrx.h"
#include "host/kernel/vkimage.h"
#include "host/resultcodes.h"

namespace {

bool Usable(const _BITMAPHANDLE* b) {
  if (!b || !b->pData || !(b->uFlags & BITMAP_ALLOCATED) || b->uWidth == 0 || b->uHeight == 0) return false;
  if (b->uBitsPerPixel != 24 && b->uBitsPerPixel != 32) return false;
  return b->uBytesPerLine >= static_cast<uint64_t>(b->uWidth) * (b->uBitsPerPixel / 8) &&
         b->uDataSize >= static_cast<uint64_t>(b->uBytesPerLine) * b->uHeight;
}

uint8_t Clamp(double v) { return static_cast<uint8_t>(v <= 0 ? 0 : v >= 255 ? 255 : std::floor(v + 0.5)); }

}  // namespace

VK_API int32_t VkAdjustBrightnessContrast(_BITMAPHANDLE* bitmap, int32_t brightness, int32_t contrast) {
  if (!Usable(bitmap) || brightness < -1000 || brightness > 1000 || contrast < -1000 || contrast > 1000) return XLX_ERR_ARGUMENT;
  if (brightness == 0 && contrast == 0) return XLX_OK;
  uint8_t table[256];
  const double b = brightness / 1000.0, k = contrast / 1000.0;
  for (int c = 0; c < 256; ++c) {
    double v = b >= 0 ? c + (255 - c) * b : c * (1 + b);
    if (k >= 1) v = v >= 128 ? 255 : 0;
    else if (k > 0) v = (v - 128) / (1 - k) + 128;
    else if (k < 0) v = (v - 128) * (1 + k) + 128;
    table[c] = Clamp(v);
  }
  const uint32_t n = bitmap->uBitsPerPixel / 8;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    uint8_t* p = bitmap->pData + static_cast<size_t>(y) * bitmap->uBytesPerLine;
    for (uint32_t x = 0; x < bitmap->uWidth; ++x, p += n) p[0] = table[p[0]], p[1] = table[p[1]], p[2] = table[p[2]];
  }
  return XLX_OK;
}

VK_API int32_t VkColorBlackWhite(_BITMAPHANDLE* bitmap, int32_t threshold) {
  if (!Usable(bitmap) || threshold < 0 || threshold > 1000) return XLX_ERR_ARGUMENT;
  return VkBlackWhiteBitmap(bitmap, static_cast<uint32_t>((threshold * 255 + 500) / 1000));
}

VK_API int32_t VkColorDuotone(_BITMAPHANDLE* bitmap, uint32_t dark, uint32_t light) {
  if (!Usable(bitmap)) return XLX_ERR_ARGUMENT;
  // Each pixel's luminance blends from the dark colour (black) to the light one (white).
  uint8_t table[3][256];
  for (int c = 0; c < 3; ++c) {
    const double from = (dark >> (8 * c)) & 0xFF, to = (light >> (8 * c)) & 0xFF;
    for (int v = 0; v < 256; ++v) table[c][v] = Clamp(from + (to - from) * v / 255.0);
  }
  const uint32_t n = bitmap->uBitsPerPixel / 8;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    uint8_t* p = bitmap->pData + static_cast<size_t>(y) * bitmap->uBytesPerLine;
    for (uint32_t x = 0; x < bitmap->uWidth; ++x, p += n) {
      const int lum = (299 * p[2] + 587 * p[1] + 114 * p[0] + 500) / 1000;
      p[0] = table[2][lum], p[1] = table[1][lum], p[2] = table[0][lum];
    }
  }
  return XLX_OK;
}
