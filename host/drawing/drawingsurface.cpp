// DrawingSurface: the Cairo image a page is drawn on (or the recording of a vector page bound to
// the thread, see drawingvector.cpp), its transfer to and from the page bitmap, smoothing
// switches, the world transform and the clip stack.
//
// Cairo has no 24-bit pixel format, so the surface draws on a 32-bit premultiplied copy of the
// bitmap and writes it back in VkEndSurface. The copy's memory is kept per thread for the next
// surface: on machines where first-touching a page of memory is expensive, reusing it saves more
// than the copy costs.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include "host/drawing/drawinginternal.h"
#include "host/kernel/bitmapdeferral.h"

namespace vkdraw {
namespace {

constexpr size_t kMaxCachedPixelBytes = 256u << 20;
constexpr size_t kMaxClipSteps = 100000;

struct PixelCache {
  uint8_t* pixels = nullptr;
  size_t bytes = 0;
  ~PixelCache() { std::free(pixels); }
};
thread_local PixelCache t_pixelCache;

// The band bound to this thread (VkBindPageBand).
struct PageBand {
  _BITMAPHANDLE* band = nullptr;
  uint32_t pageWidth = 0, pageHeight = 0, top = 0;
};
thread_local PageBand t_band;

uint8_t* TakePixels(size_t bytes, size_t* capacity) {
  if (t_pixelCache.pixels && t_pixelCache.bytes >= bytes) {
    uint8_t* p = t_pixelCache.pixels;
    *capacity = t_pixelCache.bytes;
    t_pixelCache.pixels = nullptr;
    t_pixelCache.bytes = 0;
    return p;
  }
  *capacity = bytes;
  return static_cast<uint8_t*>(std::malloc(bytes));
}

void ReturnPixels(uint8_t* pixels, size_t bytes) {
  if (!pixels) return;
  if (bytes > kMaxCachedPixelBytes || (t_pixelCache.pixels && t_pixelCache.bytes >= bytes)) {
    std::free(pixels);
    return;
  }
  std::free(t_pixelCache.pixels);
  t_pixelCache.pixels = pixels;
  t_pixelCache.bytes = bytes;
}

inline uint8_t Premultiply(uint32_t c, uint32_t a) { return static_cast<uint8_t>((c * a + 127) / 255); }
inline uint8_t Unpremultiply(uint32_t c, uint32_t a) {
  uint32_t v = (c * 255 + a / 2) / a;
  return static_cast<uint8_t>(v > 255 ? 255 : v);
}

// One row of 24-bit BGR into opaque ARGB32, four pixels (three words) at a time.
void ExpandRow24(const uint8_t* src, uint32_t* dst, uint32_t width) {
  uint32_t x = 0;
  for (; x + 4 <= width; x += 4, src += 12) {
    uint32_t w[3];
    std::memcpy(w, src, 12);
    dst[x] = 0xFF000000u | (w[0] & 0xFFFFFFu);
    dst[x + 1] = 0xFF000000u | (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
    dst[x + 2] = 0xFF000000u | (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
    dst[x + 3] = 0xFF000000u | (w[2] >> 8);
  }
  for (; x < width; ++x, src += 3) dst[x] = 0xFF000000u | (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0];
}

// One row of ARGB32 into 24-bit BGR (alpha dropped), four pixels at a time.
void PackRow24(const uint32_t* src, uint8_t* dst, uint32_t width) {
  uint32_t x = 0;
  for (; x + 4 <= width; x += 4, dst += 12) {
    // Three word stores: one 12-byte copy from a local array stalls on store forwarding.
    const uint32_t w0 = (src[x] & 0xFFFFFFu) | (src[x + 1] << 24);
    const uint32_t w1 = ((src[x + 1] >> 8) & 0xFFFFu) | (src[x + 2] << 16);
    const uint32_t w2 = ((src[x + 2] >> 16) & 0xFFu) | (src[x + 3] << 8);
    std::memcpy(dst, &w0, 4);
    std::memcpy(dst + 4, &w1, 4);
    std::memcpy(dst + 8, &w2, 4);
  }
  for (; x < width; ++x, dst += 3) {
    const uint32_t p = src[x];
    dst[0] = static_cast<uint8_t>(p);
    dst[1] = static_cast<uint8_t>(p >> 8);
    dst[2] = static_cast<uint8_t>(p >> 16);
  }
}

// True when every byte of the row is 0xFF (white), as rows of a fresh page are.
bool WhiteRow(const uint8_t* row, size_t bytes) {
  size_t i = 0;
  for (; i + 8 <= bytes; i += 8) {
    uint64_t word;
    std::memcpy(&word, row + i, 8);
    if (word != ~uint64_t{0}) return false;
  }
  for (; i < bytes; ++i)
    if (row[i] != 0xFF) return false;
  return true;
}

// Fills the drawing buffer from the bitmap; marks in `whiteRows` (when it has a slot per row) the
// rows of a 24-bit bitmap that are white.
void CopyFromBitmap(const _BITMAPHANDLE* bitmap, uint8_t* pixels, int32_t stride, std::vector<uint8_t>* whiteRows) {
  const uint32_t w = bitmap->uWidth;
  const bool noteWhite = whiteRows->size() == bitmap->uHeight;
  if (bitmap->uFlags & BITMAP_UNPAINTED) {
    // Not yet white in memory, but white by contract: nothing to read.
    for (uint32_t y = 0; y < bitmap->uHeight; ++y)
      std::memset(pixels + static_cast<size_t>(y) * stride, 0xFF, static_cast<size_t>(w) * 4);
    if (noteWhite) std::fill(whiteRows->begin(), whiteRows->end(), uint8_t{1});
    return;
  }
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    const uint8_t* src = bitmap->pData + static_cast<size_t>(y) * bitmap->uBytesPerLine;
    uint32_t* dst = reinterpret_cast<uint32_t*>(pixels + static_cast<size_t>(y) * stride);
    if (bitmap->uBitsPerPixel == 24) {
      // A white row is opaque white in the drawing buffer: one fill instead of a conversion.
      const bool white = WhiteRow(src, static_cast<size_t>(w) * 3);
      if (white)
        std::memset(dst, 0xFF, static_cast<size_t>(w) * 4);
      else
        ExpandRow24(src, dst, w);
      if (noteWhite) (*whiteRows)[y] = white;
    } else {
      for (uint32_t x = 0; x < w; ++x, src += 4) {
        uint32_t a = src[3];
        if (a == 255) {
          dst[x] = 0xFF000000u | (uint32_t(src[2]) << 16) | (uint32_t(src[1]) << 8) | src[0];
        } else {
          dst[x] = (a << 24) | (uint32_t(Premultiply(src[2], a)) << 16) | (uint32_t(Premultiply(src[1], a)) << 8) |
                   Premultiply(src[0], a);
        }
      }
    }
  }
}

// Writes the drawing buffer back to the bitmap, leaving out the rows `whiteRows` marks that are
// still white (opaque white in the buffer is white in the bitmap). Rows of an unpainted bitmap
// are all written, the white ones as white, and the bitmap is then painted.
void CopyToBitmap(const uint8_t* pixels, int32_t stride, const std::vector<uint8_t>& whiteRows, _BITMAPHANDLE* bitmap) {
  const uint32_t w = bitmap->uWidth;
  const bool knowWhite = whiteRows.size() == bitmap->uHeight;
  const bool unpainted = (bitmap->uFlags & BITMAP_UNPAINTED) != 0;
  bitmap->uFlags &= ~BITMAP_UNPAINTED;
  for (uint32_t y = 0; y < bitmap->uHeight; ++y) {
    const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels + static_cast<size_t>(y) * stride);
    uint8_t* dst = bitmap->pData + static_cast<size_t>(y) * bitmap->uBytesPerLine;
    if (knowWhite && whiteRows[y] && WhiteRow(reinterpret_cast<const uint8_t*>(src), static_cast<size_t>(w) * 4)) {
      if (unpainted) std::memset(dst, 0xFF, bitmap->uBytesPerLine);
      continue;
    }
    if (bitmap->uBitsPerPixel == 24) {
      // The page starts opaque and is only painted over, so alpha stays 255 here.
      PackRow24(src, dst, w);
      if (unpainted) std::memset(dst + static_cast<size_t>(w) * 3, 0xFF, bitmap->uBytesPerLine - static_cast<size_t>(w) * 3);
    } else {
      for (uint32_t x = 0; x < w; ++x, dst += 4) {
        uint32_t p = src[x], a = p >> 24;
        if (a == 255 || a == 0) {
          dst[0] = static_cast<uint8_t>(p);
          dst[1] = static_cast<uint8_t>(p >> 8);
          dst[2] = static_cast<uint8_t>(p >> 16);
        } else {
          dst[0] = Unpremultiply(p & 0xFF, a);
          dst[1] = Unpremultiply((p >> 8) & 0xFF, a);
          dst[2] = Unpremultiply((p >> 16) & 0xFF, a);
        }
        dst[3] = static_cast<uint8_t>(a);
      }
    }
  }
}

}  // namespace

// The drawing buffer of a fresh 24-bit page, held by its bitmap until the rows are read: the
// surface's buffer while the surface lives, then the record's own.
struct SurfaceDeferral : vkhost::BitmapDeferral {
  uint8_t* pixels = nullptr;
  size_t bytes = 0;
  int32_t stride = 0;
  uint32_t width = 0, height = 0;
  VkSurface* source = nullptr;  // the surface whose buffer this is, while it lives
};

namespace {

void PackDeferredRow(const vkhost::BitmapDeferral* self, uint32_t row, uint8_t* out) {
  const auto* d = static_cast<const SurfaceDeferral*>(self);
  PackRow24(reinterpret_cast<const uint32_t*>(d->pixels + static_cast<size_t>(row) * d->stride), out, d->width);
}

void WriteBackDeferred(vkhost::BitmapDeferral* self, _BITMAPHANDLE* bitmap) {
  const auto* d = static_cast<const SurfaceDeferral*>(self);
  const size_t packed = static_cast<size_t>(d->width) * 3;
  for (uint32_t y = 0; y < d->height && y < bitmap->uHeight; ++y) {
    uint8_t* dst = bitmap->pData + static_cast<size_t>(y) * bitmap->uBytesPerLine;
    PackDeferredRow(d, y, dst);
    std::memset(dst + packed, 0xFF, bitmap->uBytesPerLine - packed);
  }
}

void ReleaseDeferred(vkhost::BitmapDeferral* self) {
  auto* d = static_cast<SurfaceDeferral*>(self);
  if (d->source)
    d->source->deferral = nullptr;  // the surface keeps its buffer
  else
    ReturnPixels(d->pixels, d->bytes);
  delete d;
}

// Lets a fresh 24-bit page's bitmap hold on to the surface's buffer instead of having it written
// back; false when the page is not such a one (or memory is short), and it is written back.
bool DeferWriteBack(VkSurface* s) {
  _BITMAPHANDLE* bitmap = s->bitmap;
  if (s->deferral && vkhost::DeferralOf(bitmap) == s->deferral) return true;  // ended before
  if (!(bitmap->uFlags & BITMAP_UNPAINTED) || bitmap->uBitsPerPixel != 24) return false;
  auto* d = new (std::nothrow) SurfaceDeferral;
  if (!d) return false;
  d->writeBack = WriteBackDeferred;
  d->packRow = PackDeferredRow;
  d->release = ReleaseDeferred;
  d->pixels = s->pixels;
  d->bytes = s->pixelBytes;
  d->stride = s->stride;
  d->width = bitmap->uWidth;
  d->height = bitmap->uHeight;
  d->source = s;
  vkhost::DropDeferral(bitmap);
  vkhost::AttachDeferral(bitmap, d);
  bitmap->uFlags &= ~BITMAP_UNPAINTED;
  s->deferral = d;
  return true;
}

bool BitmapUsable(const _BITMAPHANDLE* b) {
  if (!b || !b->pData || !(b->uFlags & BITMAP_ALLOCATED)) return false;
  if (b->uWidth == 0 || b->uHeight == 0 || (b->uBitsPerPixel != 24 && b->uBitsPerPixel != 32)) return false;
  if (b->uWidth > (1u << 24) || static_cast<uint64_t>(b->uWidth) * b->uHeight > VK_MAX_BITMAP_PIXELS) return false;
  uint64_t rowBytes = static_cast<uint64_t>(b->uWidth) * (b->uBitsPerPixel / 8);
  if (b->uBytesPerLine < rowBytes) return false;
  return b->uDataSize >= static_cast<uint64_t>(b->uBytesPerLine) * b->uHeight;
}

bool MatrixFinite(const cairo_matrix_t& m) {
  return std::isfinite(m.xx) && std::isfinite(m.yx) && std::isfinite(m.xy) && std::isfinite(m.yy) &&
         std::isfinite(m.x0) && std::isfinite(m.y0);
}

void ApplyClipStep(cairo_t* cr, const ClipStep& step) {
  cairo_set_matrix(cr, &step.matrix);
  cairo_new_path(cr);
  if (step.isRect) {
    cairo_rectangle(cr, step.left, step.top, step.right - step.left, step.bottom - step.top);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  } else {
    AppendPath(cr, step.path);
    cairo_set_fill_rule(cr, step.path.winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  }
  cairo_set_antialias(cr, step.antialias);
  cairo_clip(cr);
}

int32_t PushClip(VkSurface* s, ClipStep&& step, int32_t* saved) {
  if (s->clips.size() >= kMaxClipSteps) return XLX_ERR_ARGUMENT;
  if (saved) *saved = static_cast<int32_t>(s->clips.size());
  cairo_matrix_t current;
  cairo_get_matrix(s->cr, &current);
  ApplyClipStep(s->cr, step);
  cairo_set_matrix(s->cr, &current);
  cairo_new_path(s->cr);
  s->clips.push_back(std::move(step));
  return XLX_OK;
}

}  // namespace

double DeviceScale(const cairo_matrix_t& m) { return std::sqrt(std::fabs(m.xx * m.yy - m.xy * m.yx)); }

bool AxisAligned(const cairo_matrix_t& m) { return std::fabs(m.xy) < 1e-9 && std::fabs(m.yx) < 1e-9; }

void SetColorSource(cairo_t* cr, VkColor c) {
  cairo_set_source_rgba(cr, (c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0,
                        ((c >> 24) & 0xFF) / 255.0);
}

bool BeginText(cairo_t* cr, double x, double y, double width, double height, uint32_t flags, VkColor color, double ox,
               double oy) {
  const bool clip = (flags & VK_TEXT_CLIP) && width > 0 && height > 0;
  if (clip) {
    cairo_save(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, x, y, width, height);
    cairo_clip(cr);
  }
  SetColorSource(cr, color);
  cairo_new_path(cr);
  cairo_move_to(cr, ox, oy);
  return clip;
}

}  // namespace vkdraw

using namespace vkdraw;

VkSurface::~VkSurface() {
  if (deferral) {
    // The bitmap keeps the buffer.
    deferral->source = nullptr;
    pixels = nullptr;
  }
  for (auto& patterns : hatchPatterns)
    for (auto& entry : patterns) cairo_pattern_destroy(entry.second);
  if (layout) g_object_unref(layout);
  if (pango) g_object_unref(pango);
  DestroyVectorTextQueue(deferredTexts);
  if (cr) cairo_destroy(cr);
  if (target) cairo_surface_destroy(target);
  ReturnPixels(pixels, pixelBytes);
}

VK_API int32_t VkCreateSurface(VkDrawingEngine* engine, _BITMAPHANDLE* bitmap, VkSurface** surface) {
  if (!surface) return XLX_ERR_ARGUMENT;
  *surface = nullptr;
  if (!engine || !bitmap) return XLX_ERR_ARGUMENT;
  // A page bound on this thread takes the first surface of its size; the bitmap may then be the
  // blank one the binding reserved, which has no pixels to draw on.
  VkVectorPage* page = TakeBoundVectorPage(bitmap->uWidth, bitmap->uHeight);
  // A bound band stands in for the page bitmap: the surface covers the band's rows of the page.
  double bandTop = 0;
  if (!page && t_band.band && bitmap->uWidth == t_band.pageWidth && bitmap->uHeight == t_band.pageHeight) {
    bandTop = t_band.top;
    bitmap = t_band.band;
  }
  if (!page && !BitmapUsable(bitmap)) return XLX_ERR_ARGUMENT;
  if (!page) {
    // Pixels held back from an earlier surface are the page's (unless it was made white since).
    if (bitmap->uFlags & BITMAP_UNPAINTED)
      vkhost::DropDeferral(bitmap);
    else
      vkhost::WriteBackDeferral(bitmap);
  }
  ThreadText* text = CurrentThreadText();
  if (!text) return XLX_ERR_ENGINE;
  auto* s = new (std::nothrow) VkSurface;
  if (!s) return XLX_ERR_MEMORY;
  s->engine = engine;
  s->bitmap = bitmap;
  if (page) {
    // The host chose a vector page for this bitmap: draw on its recording, leave the bitmap be.
    s->vector = page;
    s->target = cairo_surface_reference(VectorPageTarget(page));
  } else {
    s->stride = cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, static_cast<int>(bitmap->uWidth));
    size_t bytes = static_cast<size_t>(s->stride) * bitmap->uHeight;
    s->pixels = TakePixels(bytes, &s->pixelBytes);
    if (!s->pixels) {
      delete s;
      return XLX_ERR_MEMORY;
    }
    if (bitmap->uBitsPerPixel == 24) {
      try {
        s->whiteRows.resize(bitmap->uHeight);
      } catch (const std::bad_alloc&) {
        s->whiteRows.clear();  // rows are then all written back
      }
    }
    CopyFromBitmap(bitmap, s->pixels, s->stride, &s->whiteRows);
    s->target = cairo_image_surface_create_for_data(s->pixels, CAIRO_FORMAT_ARGB32, static_cast<int>(bitmap->uWidth),
                                                    static_cast<int>(bitmap->uHeight), s->stride);
    // Whole rows: every operation lands on the same pixel grid as on the whole page.
    if (bandTop != 0) cairo_surface_set_device_offset(s->target, 0, -bandTop);
  }
  s->cr = cairo_create(s->target);
  if (cairo_status(s->cr) != CAIRO_STATUS_SUCCESS) {
    delete s;
    return XLX_ERR_MEMORY;
  }
  cairo_set_line_cap(s->cr, CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(s->cr, CAIRO_LINE_JOIN_MITER);
  s->pango = pango_font_map_create_context(text->fontMap);
  ApplyTextOptions(s->pango, true);
  s->layout = pango_layout_new(s->pango);
  pango_layout_set_auto_dir(s->layout, FALSE);
  // Hatches repeat every 8 pixels at 96 dpi; at higher resolutions they keep their size on paper.
  double dpi = bitmap->uXResolution > 0 ? bitmap->uXResolution : 96.0;
  s->hatchCell = std::max(8, static_cast<int>(std::lround(8.0 * dpi / 96.0)));
  s->hatchLine = std::max(1, static_cast<int>(std::lround(dpi / 96.0)));
  *surface = s;
  return XLX_OK;
}

VK_API int32_t VkBindPageBand(_BITMAPHANDLE* band, uint32_t pageWidth, uint32_t pageHeight, uint32_t top) {
  if (!band) {
    t_band = PageBand{};
    return XLX_OK;
  }
  if (!BitmapUsable(band) || band->uBitsPerPixel != 24 || band->uWidth != pageWidth || top >= pageHeight)
    return XLX_ERR_ARGUMENT;
  t_band = PageBand{band, pageWidth, pageHeight, top};
  return XLX_OK;
}

VK_API int32_t VkEndSurface(VkSurface* surface) {
  FlushVectorText(surface);
  if (!surface) return XLX_ERR_ARGUMENT;
  cairo_surface_flush(surface->target);
  if (surface->vector) return XLX_OK;
  if (!DeferWriteBack(surface)) CopyToBitmap(surface->pixels, surface->stride, surface->whiteRows, surface->bitmap);
  return XLX_OK;
}

VK_API void VkDestroySurface(VkSurface* surface) {
  FlushVectorText(surface);
  delete surface;
}

VK_API int32_t VkSetLineSmoothing(VkSurface* surface, int32_t on) {
  if (!surface) return XLX_ERR_ARGUMENT;
  surface->lineSmoothing = on != 0;
  return XLX_OK;
}

VK_API int32_t VkGetLineSmoothing(const VkSurface* surface) { return surface && surface->lineSmoothing ? 1 : 0; }

VK_API int32_t VkSetTextSmoothing(VkSurface* surface, int32_t on) {
  if (!surface) return XLX_ERR_ARGUMENT;
  if (surface->textSmoothing != (on != 0)) {
    surface->textSmoothing = on != 0;
    ApplyTextOptions(surface->pango, surface->textSmoothing);
    surface->pangoStale = true;
  }
  return XLX_OK;
}

VK_API int32_t VkGetTransform(const VkSurface* surface, double matrix[6]) {
  if (!surface || !matrix) return XLX_ERR_ARGUMENT;
  cairo_matrix_t m;
  cairo_get_matrix(surface->cr, &m);
  matrix[0] = m.xx, matrix[1] = m.yx, matrix[2] = m.xy, matrix[3] = m.yy, matrix[4] = m.x0, matrix[5] = m.y0;
  return XLX_OK;
}

namespace {
int32_t SetChecked(VkSurface* surface, const cairo_matrix_t& m, bool linearChanged) {
  cairo_matrix_t inverse = m;
  if (!MatrixFinite(m) || cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS) return XLX_ERR_ARGUMENT;
  cairo_set_matrix(surface->cr, &m);
  if (linearChanged) surface->pangoStale = true;
  return XLX_OK;
}
}  // namespace

VK_API int32_t VkSetTransform(VkSurface* surface, const double matrix[6]) {
  if (!surface || !matrix) return XLX_ERR_ARGUMENT;
  cairo_matrix_t m;
  cairo_matrix_init(&m, matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]);
  return SetChecked(surface, m, true);
}

VK_API int32_t VkMultiplyTransform(VkSurface* surface, const double matrix[6]) {
  if (!surface || !matrix) return XLX_ERR_ARGUMENT;
  cairo_matrix_t step, current, result;
  cairo_matrix_init(&step, matrix[0], matrix[1], matrix[2], matrix[3], matrix[4], matrix[5]);
  cairo_get_matrix(surface->cr, &current);
  cairo_matrix_multiply(&result, &step, &current);
  return SetChecked(surface, result, true);
}

VK_API int32_t VkScaleTransform(VkSurface* surface, double sx, double sy) {
  const double m[6] = {sx, 0, 0, sy, 0, 0};
  return VkMultiplyTransform(surface, m);
}

VK_API int32_t VkTranslateTransform(VkSurface* surface, double dx, double dy) {
  if (!surface) return XLX_ERR_ARGUMENT;
  cairo_matrix_t step, current, result;
  cairo_matrix_init_translate(&step, dx, dy);
  cairo_get_matrix(surface->cr, &current);
  cairo_matrix_multiply(&result, &step, &current);
  return SetChecked(surface, result, false);
}

VK_API int32_t VkRotateTransform(VkSurface* surface, double degrees) {
  if (!std::isfinite(degrees)) return XLX_ERR_ARGUMENT;
  double r = degrees * M_PI / 180.0;
  const double m[6] = {std::cos(r), std::sin(r), -std::sin(r), std::cos(r), 0, 0};
  return VkMultiplyTransform(surface, m);
}

VK_API int32_t VkClipRect(VkSurface* surface, double left, double top, double right, double bottom,
                          int32_t* saved) {
  if (!surface || !std::isfinite(left) || !std::isfinite(top) || !std::isfinite(right) || !std::isfinite(bottom))
    return XLX_ERR_ARGUMENT;
  try {
    ClipStep step;
    cairo_get_matrix(surface->cr, &step.matrix);
    if (right < left) right = left;
    if (bottom < top) bottom = top;
    step.left = left, step.top = top, step.right = right, step.bottom = bottom;
    step.antialias = LineAntialias(surface);
    if (AxisAligned(step.matrix)) {
      // An upright rectangle clips at whole bitmap pixels: crisp cell edges, and Cairo's fast path.
      double x1 = left, y1 = top, x2 = right, y2 = bottom;
      cairo_matrix_transform_point(&step.matrix, &x1, &y1);
      cairo_matrix_transform_point(&step.matrix, &x2, &y2);
      step.left = std::floor(std::min(x1, x2) + 0.5), step.right = std::floor(std::max(x1, x2) + 0.5);
      step.top = std::floor(std::min(y1, y2) + 0.5), step.bottom = std::floor(std::max(y1, y2) + 0.5);
      cairo_matrix_init_identity(&step.matrix);
      step.antialias = CAIRO_ANTIALIAS_NONE;
    }
    return PushClip(surface, std::move(step), saved);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkClipPath(VkSurface* surface, const VkPath* path, int32_t* saved) {
  if (!surface || !path) return XLX_ERR_ARGUMENT;
  try {
    ClipStep step;
    cairo_get_matrix(surface->cr, &step.matrix);
    step.isRect = false;
    step.path = *path;
    step.antialias = LineAntialias(surface);
    return PushClip(surface, std::move(step), saved);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkRestoreClip(VkSurface* surface, int32_t saved) {
  if (!surface || saved < 0 || static_cast<size_t>(saved) > surface->clips.size()) return XLX_ERR_ARGUMENT;
  if (static_cast<size_t>(saved) == surface->clips.size()) return XLX_OK;
  surface->clips.resize(static_cast<size_t>(saved));
  cairo_t* cr = surface->cr;
  cairo_matrix_t current;
  cairo_get_matrix(cr, &current);
  cairo_reset_clip(cr);
  for (const ClipStep& step : surface->clips) ApplyClipStep(cr, step);
  cairo_set_matrix(cr, &current);
  cairo_new_path(cr);
  return XLX_OK;
}
