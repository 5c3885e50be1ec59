// Picture transforms done in place on host bitmaps: resampling, mirror, flip, grey, black and
// white, and the change between 24 and 32 bits per pixel.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>
#include "host/kernel/imageinternal.h"

namespace vkimg {
namespace {

bool Usable(const _BITMAPHANDLE* b) {
  if (!b || !b->pData || !(b->uFlags & BITMAP_ALLOCATED) || b->uWidth == 0 || b->uHeight == 0) return false;
  if (b->uBitsPerPixel != 24 && b->uBitsPerPixel != 32) return false;
  return b->uBytesPerLine >= static_cast<uint64_t>(b->uWidth) * (b->uBitsPerPixel / 8) &&
         b->uDataSize >= static_cast<uint64_t>(b->uBytesPerLine) * b->uHeight;
}

// Moves a freshly made bitmap into `target`, keeping the target's resolutions.
void Replace(_BITMAPHANDLE* target, _BITMAPHANDLE* made) {
  made->uXResolution = target->uXResolution;
  made->uYResolution = target->uYResolution;
  VkFreeBitmap(target);
  *target = *made;
}

// Filter taps of one axis: output pixel i reads source pixels start[i] .. start[i] + count - 1
// with the given weights. A tent filter, widened by the shrink factor when shrinking, so that
// every source pixel contributes (area averaging) and enlarging interpolates linearly.
struct Taps {
  std::vector<int> start, count;
  std::vector<float> weight;
  int width = 0;  // weights per output pixel
};

void MakeTaps(uint32_t from, uint32_t to, Taps* taps) {
  const double scale = static_cast<double>(to) / from;
  const double spread = scale < 1 ? 1 / scale : 1;
  taps->width = static_cast<int>(std::ceil(spread)) * 2 + 1;
  taps->start.resize(to);
  taps->count.resize(to);
  taps->weight.assign(static_cast<size_t>(to) * taps->width, 0.f);
  for (uint32_t i = 0; i < to; ++i) {
    const double centre = (i + 0.5) / scale - 0.5;
    int first = static_cast<int>(std::ceil(centre - spread)), last = static_cast<int>(std::floor(centre + spread));
    first = std::max(first, 0), last = std::min(last, static_cast<int>(from) - 1);
    if (last < first) first = last = std::min(std::max(static_cast<int>(std::lround(centre)), 0), static_cast<int>(from) - 1);
    if (last - first + 1 > taps->width) last = first + taps->width - 1;
    float* w = &taps->weight[static_cast<size_t>(i) * taps->width];
    double total = 0;
    for (int j = first; j <= last; ++j) total += w[j - first] = static_cast<float>(std::max(0.0, 1 - std::fabs(j - centre) / spread));
    if (total <= 0) w[0] = 1, total = 1, last = first;
    for (int j = 0; j <= last - first; ++j) w[j] = static_cast<float>(w[j] / total);
    taps->start[i] = first;
    taps->count[i] = last - first + 1;
  }
}

int32_t Resample(_BITMAPHANDLE* b, uint32_t width, uint32_t height) {
  const int channels = b->uBitsPerPixel / 8;
  const bool alpha = channels == 4;
  _BITMAPHANDLE made;
  if (VkCreateBitmap(&made, sizeof made, 1, width, height, b->uBitsPerPixel, 1, nullptr, 1, nullptr, 0) != 1)
    return XLX_ERR_MEMORY;
  Taps across, down;
  MakeTaps(b->uWidth, width, &across);
  MakeTaps(b->uHeight, height, &down);
  // One source-width row of premultiplied floats, blended from the rows under each output row.
  std::vector<float> column(static_cast<size_t>(b->uWidth) * 4);
  for (uint32_t y = 0; y < height; ++y) {
    std::fill(column.begin(), column.end(), 0.f);
    const float* wy = &down.weight[static_cast<size_t>(y) * down.width];
    for (int k = 0; k < down.count[y]; ++k) {
      const uint8_t* src = Row(b, static_cast<uint32_t>(down.start[y] + k));
      const float f = wy[k];
      for (uint32_t x = 0; x < b->uWidth; ++x, src += channels) {
        const float a = alpha ? src[3] / 255.f : 1.f;
        float* c = &column[4 * static_cast<size_t>(x)];
        c[0] += f * src[0] * a, c[1] += f * src[1] * a, c[2] += f * src[2] * a, c[3] += f * a;
      }
    }
    uint8_t* dst = Row(&made, y);
    for (uint32_t x = 0; x < width; ++x, dst += channels) {
      const float* wx = &across.weight[static_cast<size_t>(x) * across.width];
      float sum[4] = {0, 0, 0, 0};
      for (int k = 0; k < across.count[x]; ++k) {
        const float* c = &column[4 * static_cast<size_t>(across.start[x] + k)];
        for (int i = 0; i < 4; ++i) sum[i] += wx[k] * c[i];
      }
      const float a = std::min(1.f, std::max(0.f, sum[3]));
      for (int i = 0; i < 3; ++i) {
        float v = a > 0 ? sum[i] / a : 0;
        dst[i] = static_cast<uint8_t>(std::min(255.f, std::max(0.f, v + 0.5f)));
      }
      if (alpha) dst[3] = static_cast<uint8_t>(a * 255 + 0.5f);
    }
  }
  Replace(b, &made);
  return XLX_OK;
}

inline uint32_t Luminance(const uint8_t* p) { return (299u * p[2] + 587u * p[1] + 114u * p[0] + 500) / 1000; }

}  // namespace
}  // namespace vkimg

using namespace vkimg;

VK_API int32_t VkResampleBitmap(_BITMAPHANDLE* bitmap, uint32_t width, uint32_t height) {
  if (!Usable(bitmap) || width == 0 || height == 0) return XLX_ERR_ARGUMENT;
  if (width > VK_MAX_IMAGE_SIDE || height > VK_MAX_IMAGE_SIDE || static_cast<uint64_t>(width) * height > VK_MAX_IMAGE_PIXELS)
    return XLX_ERR_MEMORY;
  if (width == bitmap->uWidth && height == bitmap->uHeight) return XLX_OK;
  try {
    return Resample(bitmap, width, height);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkMirrorBitmap(_BITMAPHANDLE* bitmap) {
  if (!Usable(bitmap)) return XLX_ERR_ARGUMENT;
  const uint32_t n = bitmap->uBitsPerPixel / 8;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    uint8_t* row = Row(bitmap, y);
    for (uint32_t l = 0, r = bitmap->uWidth - 1; l < r; ++l, --r)
      for (uint32_t i = 0; i < n; ++i) std::swap(row[l * n + i], row[r * n + i]);
  }
  return XLX_OK;
}

VK_API int32_t VkFlipBitmap(_BITMAPHANDLE* bitmap) {
  if (!Usable(bitmap)) return XLX_ERR_ARGUMENT;
  const size_t bytes = bitmap->uBytesPerLine;
  for (uint32_t t = 0, b = bitmap->uHeight - 1; t < b; ++t, --b)
    std::swap_ranges(Row(bitmap, t), Row(bitmap, t) + bytes, Row(bitmap, b));
  return XLX_OK;
}

VK_API int32_t VkGreyBitmap(_BITMAPHANDLE* bitmap) {
  if (!Usable(bitmap)) return XLX_ERR_ARGUMENT;
  const uint32_t n = bitmap->uBitsPerPixel / 8;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    uint8_t* p = Row(bitmap, y);
    for (uint32_t x = 0; x < bitmap->uWidth; ++x, p += n) p[0] = p[1] = p[2] = static_cast<uint8_t>(Luminance(p));
  }
  return XLX_OK;
}

VK_API int32_t VkBlackWhiteBitmap(_BITMAPHANDLE* bitmap, uint32_t threshold) {
  if (!Usable(bitmap) || threshold > 255) return XLX_ERR_ARGUMENT;
  const uint32_t n = bitmap->uBitsPerPixel / 8;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    uint8_t* p = Row(bitmap, y);
    for (uint32_t x = 0; x < bitmap->uWidth; ++x, p += n) p[0] = p[1] = p[2] = Luminance(p) >= threshold ? 255 : 0;
  }
  return XLX_OK;
}

VK_API int32_t VkConvertBitmapDepth(_BITMAPHANDLE* bitmap, uint32_t bitsPerPixel) {
  if (!Usable(bitmap) || (bitsPerPixel != 24 && bitsPerPixel != 32)) return XLX_ERR_ARGUMENT;
  if (bitmap->uBitsPerPixel == bitsPerPixel) return XLX_OK;
  _BITMAPHANDLE made;
  if (VkCreateBitmap(&made, sizeof made, 1, bitmap->uWidth, bitmap->uHeight, bitsPerPixel, 1, nullptr, 1, nullptr,
                     0) != 1)
    return XLX_ERR_MEMORY;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    const uint8_t* s = Row(bitmap, y);
    uint8_t* d = Row(&made, y);
    for (uint32_t x = 0; x < bitmap->uWidth; ++x) {
      if (bitsPerPixel == 24) {
        const uint32_t a = s[3];
        for (int i = 0; i < 3; ++i) d[i] = static_cast<uint8_t>((s[i] * a + 255 * (255 - a) + 127) / 255);
        s += 4, d += 3;
      } else {
        d[0] = s[0], d[1] = s[1], d[2] = s[2], d[3] = 255;
        s += 3, d += 4;
      }
    }
  }
  Replace(bitmap, &made);
  return XLX_OK;
}
