// Coverage masks composited in a solid colour straight onto a 32-bit image surface.
//
// A page composites a small mask for every run of text, and through the drawing library setting
// each one up (patterns, clip, compositor selection) costs more than blending its pixels. Here the
// mask goes straight to the pixel library the drawing library composites with, in the same
// operation (a solid source over the page through an 8-bit mask), so the pixels are the same. The
// source pixel is the one the drawing library derives from the pattern, taken by painting the
// pattern on a one-pixel surface.
#include <pixman.h>

#include <algorithm>
#include <cmath>

#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

// The premultiplied ARGB32 pixel the library composites for a solid pattern, remembered for the
// last colour asked for on this thread.
bool SolidPixel(cairo_pattern_t* source, uint32_t* pixel) {
  double rgba[4];
  if (cairo_pattern_get_rgba(source, &rgba[0], &rgba[1], &rgba[2], &rgba[3]) != CAIRO_STATUS_SUCCESS) return false;
  thread_local double lastRgba[4] = {-1, -1, -1, -1};
  thread_local uint32_t lastPixel = 0;
  if (!std::equal(rgba, rgba + 4, lastRgba)) {
    uint32_t probe = 0;
    cairo_surface_t* one = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(&probe),
                                                               CAIRO_FORMAT_ARGB32, 1, 1, 4);
    cairo_t* cr = cairo_create(one);
    cairo_set_source(cr, source);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_surface_flush(one);
    const bool ok = cairo_status(cr) == CAIRO_STATUS_SUCCESS;
    cairo_destroy(cr);
    cairo_surface_destroy(one);
    if (!ok) return false;
    std::copy(rgba, rgba + 4, lastRgba);
    lastPixel = probe;
  }
  *pixel = lastPixel;
  return true;
}

// This thread's solid source image, remade when the colour changes.
pixman_image_t* SolidImage(uint32_t pixel) {
  struct Solid {
    pixman_image_t* image = nullptr;
    uint32_t pixel = 0;
    ~Solid() {
      if (image) pixman_image_unref(image);
    }
  };
  thread_local Solid solid;
  if (!solid.image || solid.pixel != pixel) {
    if (solid.image) pixman_image_unref(solid.image);
    // 8-bit channels as 16-bit ones: the pixel library takes their high bytes back.
    const auto wide = [&](int shift) { return static_cast<uint16_t>(((pixel >> shift) & 0xFF) * 0x101); };
    const pixman_color_t colour{wide(16), wide(8), wide(0), wide(24)};
    solid.image = pixman_image_create_solid_fill(&colour);
    solid.pixel = pixel;
  }
  return solid.image;
}

}  // namespace

bool BlendSolidMask(cairo_t* cr, const MaskPlacement& mask) {
  cairo_surface_t* target = cairo_get_target(cr);
  if (cairo_get_group_target(cr) != target || cairo_surface_get_type(target) != CAIRO_SURFACE_TYPE_IMAGE ||
      cairo_image_surface_get_format(target) != CAIRO_FORMAT_ARGB32 || cairo_get_operator(cr) != CAIRO_OPERATOR_OVER)
    return false;
  cairo_pattern_t* source = cairo_get_source(cr);
  uint32_t src = 0;
  if (cairo_pattern_get_type(source) != CAIRO_PATTERN_TYPE_SOLID || !SolidPixel(source, &src)) return false;
  if (!mask.clip || mask.clip->status != CAIRO_STATUS_SUCCESS) return false;
  cairo_surface_flush(target);
  unsigned char* pixels = cairo_image_surface_get_data(target);
  const int surfaceWidth = cairo_image_surface_get_width(target), surfaceHeight = cairo_image_surface_get_height(target);
  pixman_image_t* solid = SolidImage(src);
  if (!pixels || !solid) return false;
  pixman_image_t* page = pixman_image_create_bits_no_clear(PIXMAN_a8r8g8b8, surfaceWidth, surfaceHeight,
                                                           reinterpret_cast<uint32_t*>(pixels),
                                                           cairo_image_surface_get_stride(target));
  pixman_image_t* coverage = pixman_image_create_bits_no_clear(
      PIXMAN_a8, mask.width, mask.height, reinterpret_cast<uint32_t*>(const_cast<uint8_t*>(mask.alpha)), mask.stride);
  const bool made = page && coverage;
  // The clip's rectangles do not overlap: each pixel is composited at most once.
  for (int i = 0; made && i < mask.clip->num_rectangles; ++i) {
    const cairo_rectangle_t& r = mask.clip->rectangles[i];
    // Rectangles far off the surface are clamped in doubles before they become pixel indices.
    const auto pixel = [](double v, double low, double high) {
      return static_cast<int>(std::min(std::max(std::round(v), low), high));
    };
    const double maskRight = double(mask.x) + mask.width, maskBottom = double(mask.y) + mask.height;
    const int x0 = pixel(r.x + mask.userToPixelX, std::max(0, mask.x), surfaceWidth);
    const int y0 = pixel(r.y + mask.userToPixelY, std::max(0, mask.y), surfaceHeight);
    const int x1 = pixel(r.x + r.width + mask.userToPixelX, 0, std::min<double>(maskRight, surfaceWidth));
    const int y1 = pixel(r.y + r.height + mask.userToPixelY, 0, std::min<double>(maskBottom, surfaceHeight));
    if (x0 < x1 && y0 < y1)
      pixman_image_composite32(PIXMAN_OP_OVER, solid, coverage, page, 0, 0, x0 - mask.x, y0 - mask.y, x0, y0, x1 - x0,
                               y1 - y0);
  }
  if (coverage) pixman_image_unref(coverage);
  if (page) pixman_image_unref(page);
  if (made) cairo_surface_mark_dirty(target);
  return made;
}

}  // namespace vkdraw
