// Picture loading from memory: format detection by signature and dispatch to the decoders.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include "host/kernel/imageinternal.h"

namespace vkimg {

int32_t NewBitmap32(uint32_t width, uint32_t height, _BITMAPHANDLE* bitmap) {
  if (width == 0 || height == 0) return XLX_ERR_FORMAT;
  if (width > VK_MAX_IMAGE_SIDE || height > VK_MAX_IMAGE_SIDE ||
      static_cast<uint64_t>(width) * height > VK_MAX_IMAGE_PIXELS)
    return XLX_ERR_MEMORY;
  int32_t r = VkCreateBitmap(bitmap, sizeof(_BITMAPHANDLE), 1, width, height, 32, 1, nullptr, 1, nullptr, 0);
  return r == 1 ? XLX_OK : XLX_ERR_MEMORY;
}

void CopyPremultipliedRows(const uint8_t* pixels, int stride, _BITMAPHANDLE* bitmap) {
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels + static_cast<size_t>(y) * stride);
    uint8_t* dst = Row(bitmap, y);
    for (uint32_t x = 0; x < bitmap->uWidth; ++x, dst += 4) {
      uint32_t p = src[x], a = p >> 24;
      uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      if (a != 0 && a != 255) {
        r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
        g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
        b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
      }
      dst[0] = static_cast<uint8_t>(b), dst[1] = static_cast<uint8_t>(g), dst[2] = static_cast<uint8_t>(r);
      dst[3] = static_cast<uint8_t>(a);
    }
  }
}

bool VectorTargetSize(double naturalWidth, double naturalHeight, uint32_t width, uint32_t height, uint32_t* outWidth,
                      uint32_t* outHeight) {
  if (width && height) {
    *outWidth = width, *outHeight = height;
    return true;
  }
  if (!(naturalWidth > 0 && naturalHeight > 0 && std::isfinite(naturalWidth) && std::isfinite(naturalHeight)))
    return false;
  double w = naturalWidth, h = naturalHeight;
  if (width) h = h * width / w, w = width;
  else if (height) w = w * height / h, h = height;
  double cut = std::max(w, h) / VK_MAX_VECTOR_SIDE;
  if (cut > 1) w /= cut, h /= cut;
  *outWidth = static_cast<uint32_t>(std::max(1.0, std::floor(w + 0.5)));
  *outHeight = static_cast<uint32_t>(std::max(1.0, std::floor(h + 0.5)));
  return true;
}

namespace {

bool LooksLikeSvg(const uint8_t* p, size_t size) {
  // Text that opens with an XML declaration, a comment, a doctype or the svg element itself.
  size_t i = 0;
  if (size >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) i = 3;
  while (i < size && (p[i] == ' ' || p[i] == '\t' || p[i] == '\r' || p[i] == '\n')) ++i;
  if (i >= size || p[i] != '<') return false;
  size_t window = std::min<size_t>(size, 4096);
  for (size_t k = i; k + 4 <= window; ++k)
    if (std::memcmp(p + k, "<svg", 4) == 0) return true;
  return false;
}

}  // namespace
}  // namespace vkimg

using namespace vkimg;

VK_API int32_t VkDetectImageFormat(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (!p || size < 4) return VK_IMAGE_UNKNOWN;
  if (size >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return VK_IMAGE_PNG;
  if (p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return VK_IMAGE_JPEG;
  if (size >= 6 && (std::memcmp(p, "GIF87a", 6) == 0 || std::memcmp(p, "GIF89a", 6) == 0)) return VK_IMAGE_GIF;
  if (p[0] == 'B' && p[1] == 'M') return VK_IMAGE_BMP;
  if (std::memcmp(p, "II*\0", 4) == 0 || std::memcmp(p, "MM\0*", 4) == 0) return VK_IMAGE_TIFF;
  if (size >= 12 && std::memcmp(p, "RIFF", 4) == 0 && std::memcmp(p + 8, "WEBP", 4) == 0) return VK_IMAGE_WEBP;
  if (size >= 44 && Le32(p) == 1 && Le32(p + 40) == 0x464D4520) return VK_IMAGE_EMF;
  if (Le32(p) == 0x9AC6CDD7) return VK_IMAGE_WMF;
  if (size >= 18 && (Le16(p) == 1 || Le16(p) == 2) && Le16(p + 2) == 9 && (Le16(p + 4) == 0x100 || Le16(p + 4) == 0x300))
    return VK_IMAGE_WMF;
  if (LooksLikeSvg(p, size)) return VK_IMAGE_SVG;
  return VK_IMAGE_UNKNOWN;
}

namespace {

int32_t LoadImage(const void* data, size_t size, uint32_t bitsPerPixel, uint32_t width, uint32_t height,
                  uint64_t maxPixels, _BITMAPHANDLE* bitmap, uint32_t* own) {
  if (!bitmap) return XLX_ERR_ARGUMENT;
  std::memset(bitmap, 0, sizeof(*bitmap));
  if (!data || size == 0 || (bitsPerPixel != 24 && bitsPerPixel != 32)) return XLX_ERR_ARGUMENT;
  const auto* p = static_cast<const uint8_t*>(data);
  int32_t result = XLX_ERR_FORMAT;
  try {
  switch (VkDetectImageFormat(data, size)) {
    case VK_IMAGE_PNG: result = DecodePng(p, size, bitmap, maxPixels, own); break;
    case VK_IMAGE_JPEG: result = DecodeJpeg(p, size, bitmap, maxPixels, own); break;
    case VK_IMAGE_GIF: result = DecodeGif(p, size, bitmap); break;
    case VK_IMAGE_BMP: result = DecodeBmp(p, size, bitmap); break;
    case VK_IMAGE_TIFF: result = DecodeTiff(p, size, bitmap); break;
    case VK_IMAGE_WEBP: result = DecodeWebp(p, size, bitmap); break;
    case VK_IMAGE_SVG: result = DecodeSvg(p, size, width, height, bitmap); break;
    case VK_IMAGE_EMF: result = DecodeEmf(p, size, width, height, bitmap); break;
    case VK_IMAGE_WMF: result = DecodeWmf(p, size, width, height, bitmap); break;
    default: break;
  }
  } catch (const std::bad_alloc&) {
    result = XLX_ERR_MEMORY;
  }
  if (result == XLX_OK && own && own[0] == 0) own[0] = bitmap->uWidth, own[1] = bitmap->uHeight;
  if (result == XLX_OK && bitsPerPixel == 24) result = VkConvertBitmapDepth(bitmap, 24);
  if (result != XLX_OK) {
    VkFreeBitmap(bitmap);
    std::memset(bitmap, 0, sizeof(*bitmap));
  }
  return result;
}

}  // namespace

VK_API int32_t VkLoadImageFromMemory(const void* data, size_t size, uint32_t bitsPerPixel, uint32_t width,
                                     uint32_t height, _BITMAPHANDLE* bitmap) {
  return LoadImage(data, size, bitsPerPixel, width, height, 0, bitmap, nullptr);
}

VK_API int32_t VkLoadImageReduced(const void* data, size_t size, uint32_t bitsPerPixel, uint64_t maxPixels,
                                  _BITMAPHANDLE* bitmap, uint32_t* ownWidth, uint32_t* ownHeight) {
  uint32_t own[2] = {0, 0};
  const int32_t rc = LoadImage(data, size, bitsPerPixel, 0, 0, maxPixels, bitmap, own);
  if (ownWidth) *ownWidth = rc == XLX_OK ? own[0] : 0;
  if (ownHeight) *ownHeight = rc == XLX_OK ? own[1] : 0;
  return rc;
}
