// Shared helpers of the picture decoders. Every decoder produces a 32-bit BGRA bitmap with
// straight alpha; VkLoadImageFromMemory converts it to the depth the caller asked for.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/kernel/vkimage.h"
#include "host/resultcodes.h"

namespace vkimg {


// Checks the size against the limits and makes a 32-bit bitmap (white, opaque).
// 1, -1 (over a limit or no memory), -9 (zero size).
int32_t NewBitmap32(uint32_t width, uint32_t height, _BITMAPHANDLE* bitmap);
inline uint8_t* Row(_BITMAPHANDLE* b, uint32_t y) { return b->pData + static_cast<size_t>(y) * b->uBytesPerLine; }

// Little-endian reads; callers check the bounds first.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// Un-premultiplies a Cairo ARGB32 image (native-endian words) into the BGRA bitmap of equal size.
void CopyPremultipliedRows(const uint8_t* pixels, int stride, _BITMAPHANDLE* bitmap);

// PNG and JPEG pictures of more than `maxPixels` (0: no bound) are reduced while they are decoded:
// a non-interlaced PNG by a whole factor, each block of pixels averaged; a JPEG by its decoder's
// scaling, to no less than an eighth of its width.
// `own`, when given, receives the picture's own width and height.
int32_t DecodePng(const uint8_t* data, size_t size, _BITMAPHANDLE* out, uint64_t maxPixels = 0,
                  uint32_t* own = nullptr);
int32_t DecodeJpeg(const uint8_t* data, size_t size, _BITMAPHANDLE* out, uint64_t maxPixels = 0,
                   uint32_t* own = nullptr);
int32_t DecodeGif(const uint8_t* data, size_t size, _BITMAPHANDLE* out);
int32_t DecodeBmp(const uint8_t* data, size_t size, _BITMAPHANDLE* out);
int32_t DecodeTiff(const uint8_t* data, size_t size, _BITMAPHANDLE* out);
int32_t DecodeWebp(const uint8_t* data, size_t size, _BITMAPHANDLE* out);
// Vector formats take the size to draw at (0: natural, see VkLoadImageFromMemory).
int32_t DecodeSvg(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out);
int32_t DecodeEmf(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out);
int32_t DecodeWmf(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out);

// Works out the pixel size of a vector picture from its natural size (pixels at 96 dpi) and the
// caller's request, cutting the natural size to VK_MAX_VECTOR_SIDE. False when there is none.
bool VectorTargetSize(double naturalWidth, double naturalHeight, uint32_t width, uint32_t height, uint32_t* outWidth,
                      uint32_t* outHeight);
// Draws SVG text (from a file or a metafile converter) at exactly width x height pixels.
int32_t RenderSvg(const uint8_t* data, size_t size, uint32_t width, uint32_t height, _BITMAPHANDLE* out);

}  // namespace vkimg
