// Pictures: a host bitmap (or a part of it) drawn scaled into a rectangle of the surface, and
// pictures prepared once in the engine's format to be drawn many times or tiled.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include "host/drawing/drawinginternal.h"

using namespace vkdraw;

namespace {

bool ImageUsable(const _BITMAPHANDLE* b) {
  if (!b || !b->pData || b->uWidth == 0 || b->uHeight == 0) return false;
  if (b->uBitsPerPixel != 24 && b->uBitsPerPixel != 32) return false;
  if (b->uWidth > (1u << 24) || b->uHeight > (1u << 24)) return false;
  if (b->uBytesPerLine < static_cast<uint64_t>(b->uWidth) * (b->uBitsPerPixel / 8)) return false;
  return b->uDataSize >= static_cast<uint64_t>(b->uBytesPerLine) * b->uHeight;
}

// Copies the pixels [x0, x1) x [y0, y1) of the bitmap into a premultiplied Cairo image.
cairo_surface_t* CopyRegion(const _BITMAPHANDLE* b, int x0, int y0, int x1, int y1) {
  const int w = x1 - x0, h = y1 - y0;
  const bool alpha = b->uBitsPerPixel == 32;
  cairo_surface_t* image = cairo_image_surface_create(alpha ? CAIRO_FORMAT_ARGB32 : CAIRO_FORMAT_RGB24, w, h);
  if (cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(image);
    return nullptr;
  }
  cairo_surface_flush(image);
  uint8_t* data = cairo_image_surface_get_data(image);
  const int stride = cairo_image_surface_get_stride(image);
  const int bytes = b->uBitsPerPixel / 8;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = b->pData + static_cast<size_t>(y0 + y) * b->uBytesPerLine + static_cast<size_t>(x0) * bytes;
    uint32_t* dst = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x, src += bytes) {
      uint32_t a = alpha ? src[3] : 255, r = src[2], g = src[1], bl = src[0];
      if (a != 255) r = (r * a + 127) / 255, g = (g * a + 127) / 255, bl = (bl * a + 127) / 255;
      dst[x] = (a << 24) | (r << 16) | (g << 8) | bl;
    }
  }
  cairo_surface_mark_dirty(image);
  return image;
}

// On a vector page each picture is stored in the document once. The page draws a private copy of
// the picture tagged with a digest of its pixels and size (the document keeps one image per tag)
// and keeps the copy until the page is written; a second use on the page draws the same copy.
// Answers a new reference to the surface to draw: the tagged copy, or `source` itself on a
// raster surface or when no copy can be made.
cairo_surface_t* ForDocument(VkSurface* surface, cairo_surface_t* source) {
  if (!surface->vector) return cairo_surface_reference(source);
  cairo_surface_flush(source);
  const unsigned char* data = cairo_image_surface_get_data(source);
  const int width = cairo_image_surface_get_width(source), height = cairo_image_surface_get_height(source);
  const int stride = cairo_image_surface_get_stride(source);
  const cairo_format_t format = cairo_image_surface_get_format(source);
  if (!data) return cairo_surface_reference(source);
  const size_t bytes = static_cast<size_t>(stride) * height;
  uint64_t hash = 1469598103934665603ull;  // FNV-1a over 8-byte words, then the tail
  size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t word;
    std::memcpy(&word, data + i, 8);
    hash = (hash ^ word) * 1099511628211ull;
  }
  for (; i < bytes; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
  char text[64];
  const int n = std::snprintf(text, sizeof text, "xlx-%016llx-%dx%d-%d", static_cast<unsigned long long>(hash), width,
                              height, static_cast<int>(format));
  const std::string tag(text, static_cast<size_t>(n));
  if (cairo_surface_t* earlier = FindPagePicture(surface->vector, tag)) return earlier;
  cairo_surface_t* copy = cairo_image_surface_create(format, width, height);
  if (cairo_surface_status(copy) != CAIRO_STATUS_SUCCESS || cairo_image_surface_get_stride(copy) != stride) {
    cairo_surface_destroy(copy);
    return cairo_surface_reference(source);
  }
  cairo_surface_flush(copy);
  std::memcpy(cairo_image_surface_get_data(copy), data, bytes);
  cairo_surface_mark_dirty(copy);
  auto* id = static_cast<unsigned char*>(std::malloc(tag.size()));
  if (id) {
    std::memcpy(id, tag.data(), tag.size());
    if (cairo_surface_set_mime_data(copy, CAIRO_MIME_TYPE_UNIQUE_ID, id, tag.size(), std::free, id) !=
        CAIRO_STATUS_SUCCESS)
      std::free(id);
  }
  KeepPagePicture(surface->vector, tag, copy);
  return copy;
}

// Paints the pixels of `source` (covering the picture from (x0, y0)) so that the picture's
// rectangle (srcLeft, srcTop, srcWidth, srcHeight), cut to the picture of `imageWidth` x
// `imageHeight`, fills the destination; the destination shrinks with a cut source.
int32_t Paint(VkSurface* surface, cairo_surface_t* source, int x0, int y0, uint32_t imageWidth, uint32_t imageHeight,
              const double dest[4], double srcLeft, double srcTop, double srcWidth, double srcHeight, double opacity) {
  const double sl = std::max(0.0, srcLeft), st = std::max(0.0, srcTop);
  const double sr = std::min<double>(imageWidth, srcLeft + srcWidth), sb = std::min<double>(imageHeight, srcTop + srcHeight);
  if (sr <= sl || sb <= st) return XLX_ERR_ARGUMENT;
  if (dest[2] == 0 || dest[3] == 0 || opacity <= 0) return XLX_OK;
  const double kx = dest[2] / srcWidth, ky = dest[3] / srcHeight;
  const double dl = dest[0] + (sl - srcLeft) * kx, dt = dest[1] + (st - srcTop) * ky;
  cairo_t* cr = surface->cr;
  cairo_save(cr);
  cairo_translate(cr, dl, dt);
  cairo_scale(cr, kx, ky);
  cairo_translate(cr, -(sl - x0), -(st - y0));
  cairo_surface_t* drawn = ForDocument(surface, source);
  cairo_set_source_surface(cr, drawn, 0, 0);
  cairo_surface_destroy(drawn);  // the pattern holds it
  cairo_pattern_t* pattern = cairo_get_source(cr);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  cairo_matrix_t device;
  cairo_get_matrix(cr, &device);
  // A picture that lands pixel for pixel on the page is copied, not filtered.
  const bool same = std::fabs(std::fabs(device.xx) - 1) < 1e-9 && std::fabs(std::fabs(device.yy) - 1) < 1e-9 &&
                    device.xy == 0 && device.yx == 0;
  cairo_pattern_set_filter(pattern, same ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_new_path(cr);
  cairo_rectangle(cr, sl - x0, st - y0, sr - sl, sb - st);
  cairo_set_antialias(cr, LineAntialias(surface));
  cairo_clip(cr);
  cairo_paint_with_alpha(cr, std::min(1.0, opacity));
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : XLX_ERR_ENGINE;
}

bool Finite(std::initializer_list<double> values) {
  for (double v : values)
    if (!std::isfinite(v)) return false;
  return true;
}

}  // namespace

struct VkImage {
  cairo_surface_t* pixels = nullptr;  // premultiplied ARGB32 or RGB24
  uint32_t width = 0, height = 0;
};

VK_API int32_t VkDrawImage(VkSurface* surface, const _BITMAPHANDLE* image, double left, double top, double width,
                           double height, double srcLeft, double srcTop, double srcWidth, double srcHeight,
                           double opacity) {
  FlushVectorText(surface);
  if (!surface || !ImageUsable(image)) return XLX_ERR_ARGUMENT;
  if (!Finite({left, top, width, height, srcLeft, srcTop, srcWidth, srcHeight, opacity})) return XLX_ERR_ARGUMENT;
  if (srcWidth <= 0 || srcHeight <= 0) srcLeft = 0, srcTop = 0, srcWidth = image->uWidth, srcHeight = image->uHeight;
  // Only the source rectangle's pixels are copied.
  const double sl = std::max(0.0, srcLeft), st = std::max(0.0, srcTop);
  const double sr = std::min<double>(image->uWidth, srcLeft + srcWidth), sb = std::min<double>(image->uHeight, srcTop + srcHeight);
  if (sr <= sl || sb <= st) return XLX_ERR_ARGUMENT;
  const int x0 = static_cast<int>(std::floor(sl)), y0 = static_cast<int>(std::floor(st));
  const int x1 = static_cast<int>(std::ceil(sr)), y1 = static_cast<int>(std::ceil(sb));
  cairo_surface_t* pixels = CopyRegion(image, x0, y0, x1, y1);
  if (!pixels) return XLX_ERR_MEMORY;
  const double dest[4] = {left, top, width, height};
  int32_t rc = Paint(surface, pixels, x0, y0, image->uWidth, image->uHeight, dest, srcLeft, srcTop, srcWidth, srcHeight,
                     opacity);
  cairo_surface_destroy(pixels);
  return rc;
}

VK_API int32_t VkCreateImage(const _BITMAPHANDLE* bitmap, VkImage** image) {
  if (!image) return XLX_ERR_ARGUMENT;
  *image = nullptr;
  if (!ImageUsable(bitmap)) return XLX_ERR_ARGUMENT;
  auto* made = new (std::nothrow) VkImage;
  if (!made) return XLX_ERR_MEMORY;
  made->pixels = CopyRegion(bitmap, 0, 0, static_cast<int>(bitmap->uWidth), static_cast<int>(bitmap->uHeight));
  if (!made->pixels) {
    delete made;
    return XLX_ERR_MEMORY;
  }
  made->width = bitmap->uWidth;
  made->height = bitmap->uHeight;
  *image = made;
  return XLX_OK;
}

VK_API void VkDestroyImage(VkImage* image) {
  if (!image) return;
  cairo_surface_destroy(image->pixels);
  delete image;
}

VK_API uint32_t VkImageWidth(const VkImage* image) { return image ? image->width : 0; }
VK_API uint32_t VkImageHeight(const VkImage* image) { return image ? image->height : 0; }

VK_API int32_t VkDrawImageObject(VkSurface* surface, const VkImage* image, double left, double top, double width,
                                 double height, double srcLeft, double srcTop, double srcWidth, double srcHeight,
                                 double opacity) {
  FlushVectorText(surface);
  if (!surface || !image || !image->pixels) return XLX_ERR_ARGUMENT;
  if (!Finite({left, top, width, height, srcLeft, srcTop, srcWidth, srcHeight, opacity})) return XLX_ERR_ARGUMENT;
  if (srcWidth <= 0 || srcHeight <= 0) srcLeft = 0, srcTop = 0, srcWidth = image->width, srcHeight = image->height;
  const double dest[4] = {left, top, width, height};
  return Paint(surface, image->pixels, 0, 0, image->width, image->height, dest, srcLeft, srcTop, srcWidth, srcHeight,
               opacity);
}

VK_API int32_t VkDrawImageTiled(VkSurface* surface, const VkImage* image, double left, double top, double width,
                                double height, double originX, double originY, double tileWidth, double tileHeight) {
  FlushVectorText(surface);
  if (!surface || !image || !image->pixels) return XLX_ERR_ARGUMENT;
  if (!Finite({left, top, width, height, originX, originY, tileWidth, tileHeight})) return XLX_ERR_ARGUMENT;
  if (!(tileWidth > 0) || !(tileHeight > 0)) return XLX_ERR_ARGUMENT;
  if (width <= 0 || height <= 0) return XLX_OK;
  cairo_t* cr = surface->cr;
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, left, top, width, height);
  cairo_set_antialias(cr, LineAntialias(surface));
  cairo_clip(cr);
  cairo_translate(cr, originX, originY);
  cairo_scale(cr, tileWidth / image->width, tileHeight / image->height);
  cairo_surface_t* drawn = ForDocument(surface, image->pixels);
  cairo_set_source_surface(cr, drawn, 0, 0);
  cairo_surface_destroy(drawn);  // the pattern holds it
  cairo_pattern_t* source = cairo_get_source(cr);
  cairo_pattern_set_extend(source, CAIRO_EXTEND_REPEAT);
  const bool same = std::fabs(tileWidth - image->width) < 1e-9 && std::fabs(tileHeight - image->height) < 1e-9;
  cairo_pattern_set_filter(source, same ? CAIRO_FILTER_NEAREST : CAIRO_FILTER_GOOD);
  cairo_paint(cr);
  cairo_restore(cr);
  return cairo_status(cr) == CAIRO_STATUS_SUCCESS ? XLX_OK : XLX_ERR_ENGINE;
}
