// Image operations of the host kernel: decoding pictures from memory into host bitmaps, and the
// transforms pictures need before they are drawn (resampling, mirror, flip, grey, black and white).
//
// Decoded bitmaps are host bitmaps (see VkCreateBitmap): rows top-down, 4-byte aligned, either
// 24-bit BGR (transparent pixels composited on white) or 32-bit BGRA with straight (not
// premultiplied) alpha. Free them with VkFreeBitmap.
//
// Results: 1 success; -1 out of memory or a picture larger than the limits below; -9 data that
// no decoder reads (unknown format, corrupt or truncated); -13 a missing or invalid argument.
// A failed call leaves the output bitmap without pixel memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/kernel/vkkrnx.h"

enum : int32_t {
  VK_IMAGE_UNKNOWN = 0,
  VK_IMAGE_PNG = 1,
  VK_IMAGE_JPEG = 2,
  VK_IMAGE_GIF = 3,
  VK_IMAGE_BMP = 4,
  VK_IMAGE_TIFF = 5,
  VK_IMAGE_WEBP = 6,
  VK_IMAGE_SVG = 7,
  VK_IMAGE_EMF = 8,
  VK_IMAGE_WMF = 9,
};

enum : uint32_t {
  VK_MAX_IMAGE_SIDE = 65535,                  // pixels across or down of a decoded picture
  VK_MAX_IMAGE_PIXELS = 100u * 1000 * 1000,   // pixels of a decoded picture
  VK_MAX_VECTOR_SIDE = 8192,                  // natural size of a vector picture is cut to this
};

// The format of the data from its first bytes, VK_IMAGE_* (VK_IMAGE_UNKNOWN when none fits).
VK_API int32_t VkDetectImageFormat(const void* data, size_t size);

// Decodes a picture of any format above into `bitmap`, 24 or 32 bits per pixel. Vector formats
// (SVG, EMF, WMF) are drawn at width x height pixels; 0 x 0 means their own size at 96 dpi, and one
// 0 keeps their aspect ratio. Raster formats decode at their own size whatever is asked.
VK_API int32_t VkLoadImageFromMemory(const void* data, size_t size, uint32_t bitsPerPixel, uint32_t width,
                                     uint32_t height, _BITMAPHANDLE* bitmap);
// As VkLoadImageFromMemory at the picture's own size, except that PNG and JPEG pictures of more
// than `maxPixels` are reduced while they are decoded, so that their full size is never held: a
// non-interlaced PNG to at most maxPixels (blocks of pixels averaged), a JPEG by halves down to an
// eighth of its width. Other pictures decode at their own size; the caller reduces them further.
// The picture's own size goes to ownWidth x ownHeight (either may be null; 0 on failure).
VK_API int32_t VkLoadImageReduced(const void* data, size_t size, uint32_t bitsPerPixel, uint64_t maxPixels,
                                  _BITMAPHANDLE* bitmap, uint32_t* ownWidth, uint32_t* ownHeight);

// Resamples the bitmap in place to width x height with a smooth filter (area-averaging when
// shrinking, linear when enlarging); alpha is respected. 1, -1, -13.
VK_API int32_t VkResampleBitmap(_BITMAPHANDLE* bitmap, uint32_t width, uint32_t height);
// Mirrors left to right / flips top to bottom, in place. 1 or -13.
VK_API int32_t VkMirrorBitmap(_BITMAPHANDLE* bitmap);
VK_API int32_t VkFlipBitmap(_BITMAPHANDLE* bitmap);
// Grey: every pixel becomes its luminance (0.299 R + 0.587 G + 0.114 B); alpha is kept. 1 or -13.
VK_API int32_t VkGreyBitmap(_BITMAPHANDLE* bitmap);
// Black and white: luminance at or above `threshold` (0..255) becomes white, below it black. 1, -13.
VK_API int32_t VkBlackWhiteBitmap(_BITMAPHANDLE* bitmap, uint32_t threshold);
// Converts between 24 and 32 bits per pixel in place (32 -> 24 composites on white). 1, -1, -13.
VK_API int32_t VkConvertBitmapDepth(_BITMAPHANDLE* bitmap, uint32_t bitsPerPixel);
