// Pens, brushes (solid and hatched) and the basic shapes: lines, rectangles, rounded rectangles,
// ellipses, polygons and polylines.
#include <algorithm>
#include <memory>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

constexpr size_t kMaxCachedHatches = 256;

bool Finite(double a, double b, double c, double d) {
  return std::isfinite(a) && std::isfinite(b) && std::isfinite(c) && std::isfinite(d);
}

// The hatch tile: lines `line` pixels thick in the foreground over the background, one per tile,
// so that repeated tiles join into continuous lines.
cairo_pattern_t* MakeHatchPattern(int32_t style, VkColor fore, VkColor back, int cell, int line) {
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, cell, cell);
  if (cairo_surface_status(tile) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(tile);
    return nullptr;
  }
  auto premultiplied = [](VkColor c) {
    uint32_t a = c >> 24, r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
    r = (r * a + 127) / 255, g = (g * a + 127) / 255, b = (b * a + 127) / 255;
    return (a << 24) | (r << 16) | (g << 8) | b;
  };
  const uint32_t fg = premultiplied(fore), bg = premultiplied(back);
  cairo_surface_flush(tile);
  uint8_t* data = cairo_image_surface_get_data(tile);
  const int stride = cairo_image_surface_get_stride(tile);
  auto at = [&](int x, int y) -> uint32_t& { return reinterpret_cast<uint32_t*>(data + y * stride)[x]; };
  for (int y = 0; y < cell; ++y)
    for (int x = 0; x < cell; ++x) at(x, y) = bg;
  const bool horizontal = style == VK_HATCH_HORIZONTAL || style == VK_HATCH_CROSS;
  const bool vertical = style == VK_HATCH_VERTICAL || style == VK_HATCH_CROSS;
  const bool rising = style == VK_HATCH_RISING || style == VK_HATCH_DIAGCROSS;
  const bool falling = style == VK_HATCH_FALLING || style == VK_HATCH_DIAGCROSS;
  for (int i = 0; i < cell; ++i) {
    for (int k = 0; k < line; ++k) {
      if (horizontal) at(i, k) = fg;
      if (vertical) at(k, i) = fg;
      if (falling) at(i, (i + k) % cell) = fg;
      if (rising) at(i, (cell - 1 - i + k) % cell) = fg;
    }
  }
  cairo_surface_mark_dirty(tile);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_surface_destroy(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_pattern_set_filter(pattern, CAIRO_FILTER_NEAREST);
  return pattern;
}

// Centre of an n-pixel-wide line whose centre coordinate is c, snapped so that it covers whole
// pixels: a 1-pixel line at 5 covers pixel 5, a 2-pixel line pixels 4 and 5, 3 pixels 4 to 6.
double SnapCentre(double c, long n) { return (std::floor(c + 0.5) - n / 2) + n / 2.0; }

template <typename Build>
void FillFigure(VkSurface* s, const VkBrush* brush, bool winding, Build build) {
  cairo_t* cr = s->cr;
  cairo_new_path(cr);
  build(cr);
  SetBrushSource(s, brush);
  cairo_set_fill_rule(cr, winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_set_antialias(cr, LineAntialias(s));
  cairo_fill(cr);
}

// A crisp upright rectangle drawn with its outline: its sides snap to the pixels the outline's
// sides snap to (SnapCentre), so that no pixel between the fill and the outline is left out where
// a side falls half-way between two pixels.
void FillSnappedRectangle(VkSurface* s, const VkBrush* brush, const cairo_matrix_t& m, double left, double top,
                          double width, double height) {
  double x1 = left, y1 = top, x2 = left + width, y2 = top + height;
  cairo_matrix_transform_point(&m, &x1, &y1);
  cairo_matrix_transform_point(&m, &x2, &y2);
  const double l = std::floor(std::min(x1, x2) + 0.5), r = std::floor(std::max(x1, x2) + 0.5);
  const double t = std::floor(std::min(y1, y2) + 0.5), b = std::floor(std::max(y1, y2) + 0.5);
  cairo_identity_matrix(s->cr);
  FillFigure(s, brush, false, [&](cairo_t* c) { cairo_rectangle(c, l, t, r - l, b - t); });
  cairo_set_matrix(s->cr, &m);
}

void EllipseArc(cairo_t* cr, double cx, double cy, double rx, double ry, double fromDeg, double toDeg) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_arc(cr, 0, 0, 1, fromDeg * M_PI / 180.0, toDeg * M_PI / 180.0);
  cairo_restore(cr);
}

bool PointsValid(const double* points, int32_t count) {
  if (!points || count < 2 || count > kMaxPolyPoints) return false;
  for (int32_t i = 0; i < 2 * count; ++i)
    if (!std::isfinite(points[i])) return false;
  return true;
}

}  // namespace

void ApplyPenStyle(cairo_t* cr, const VkPen* pen, double width, double dashUnit, double customScale,
                   double dashOffset) {
  static const double kDash[] = {3, 1}, kDot[] = {1, 1}, kDashDot[] = {3, 1, 1, 1}, kDashDotDot[] = {3, 1, 1, 1, 1, 1};
  cairo_set_line_width(cr, width);
  cairo_set_line_cap(cr, pen->cap == VK_CAP_ROUND    ? CAIRO_LINE_CAP_ROUND
                         : pen->cap == VK_CAP_SQUARE ? CAIRO_LINE_CAP_SQUARE
                                                     : CAIRO_LINE_CAP_BUTT);
  cairo_set_line_join(cr, pen->join == VK_JOIN_ROUND    ? CAIRO_LINE_JOIN_ROUND
                          : pen->join == VK_JOIN_BEVEL ? CAIRO_LINE_JOIN_BEVEL
                                                       : CAIRO_LINE_JOIN_MITER);
  cairo_set_miter_limit(cr, pen->miterLimit);
  cairo_set_source_rgba(cr, pen->r, pen->g, pen->b, pen->a);
  const double* base = nullptr;
  int count = 0;
  double scale = dashUnit;
  switch (pen->style) {
    case VK_PEN_DASH: base = kDash, count = 2; break;
    case VK_PEN_DOT: base = kDot, count = 2; break;
    case VK_PEN_DASHDOT: base = kDashDot, count = 4; break;
    case VK_PEN_DASHDOTDOT: base = kDashDotDot, count = 6; break;
    case VK_PEN_CUSTOM:
      base = pen->dashes.data(), count = static_cast<int>(pen->dashes.size()), scale = customScale;
      break;
    default: break;
  }
  double dashes[kMaxDashes];
  for (int i = 0; i < count; ++i) dashes[i] = base[i] * scale;
  cairo_set_dash(cr, count ? dashes : nullptr, count, count ? dashOffset : 0);
}

void SetBrushSource(VkSurface* s, const VkBrush* brush) {
  if (brush->gradient) {
    cairo_set_source(s->cr, brush->gradient);
    return;
  }
  if (!brush->hatch) {
    SetColorSource(s->cr, brush->foreground);
    return;
  }
  auto& cache = s->hatchPatterns[brush->hatchStyle];
  const uint64_t key = (uint64_t(brush->foreground) << 32) | brush->background;
  cairo_pattern_t* pattern = nullptr;
  auto it = cache.find(key);
  if (it != cache.end()) {
    pattern = it->second;
  } else {
    pattern = MakeHatchPattern(brush->hatchStyle, brush->foreground, brush->background, s->hatchCell, s->hatchLine);
    if (!pattern) {
      SetColorSource(s->cr, brush->foreground);
      return;
    }
    if (cache.size() >= kMaxCachedHatches) {
      for (auto& entry : cache) cairo_pattern_destroy(entry.second);
      cache.clear();
    }
    cache.emplace(key, pattern);
  }
  // The tile is laid in bitmap pixels, whatever the transform, so hatches of neighbouring
  // shapes line up.
  cairo_matrix_t m;
  cairo_get_matrix(s->cr, &m);
  cairo_pattern_set_matrix(pattern, &m);
  cairo_set_source(s->cr, pattern);
}

}  // namespace vkdraw

using namespace vkdraw;

VK_API int32_t VkCreatePen(VkColor color, double width, int32_t style, const double* dashes, int32_t dashCount,
                           VkPen** pen) {
  if (!pen) return XLX_ERR_ARGUMENT;
  *pen = nullptr;
  if (!std::isfinite(width) || width < 0 || width > 100000) return XLX_ERR_ARGUMENT;
  if (style < VK_PEN_SOLID || (style > VK_PEN_DASHDOTDOT && style != VK_PEN_CUSTOM)) return XLX_ERR_ARGUMENT;
  try {
    auto made = std::make_unique<VkPen>();
    if (style == VK_PEN_CUSTOM) {
      if (!dashes || dashCount < 1 || dashCount > kMaxDashes) return XLX_ERR_ARGUMENT;
      double total = 0;
      for (int32_t i = 0; i < dashCount; ++i) {
        if (!std::isfinite(dashes[i]) || dashes[i] < 0 || dashes[i] > 100000) return XLX_ERR_ARGUMENT;
        total += dashes[i];
      }
      if (total <= 0) return XLX_ERR_ARGUMENT;
      made->dashes.assign(dashes, dashes + dashCount);
      // An odd count repeats once more so that on and off alternate, as Cairo expects.
      if (dashCount % 2) made->dashes.insert(made->dashes.end(), dashes, dashes + dashCount);
    }
    made->r = (color & 0xFF) / 255.0, made->g = ((color >> 8) & 0xFF) / 255.0;
    made->b = ((color >> 16) & 0xFF) / 255.0, made->a = ((color >> 24) & 0xFF) / 255.0;
    made->width = width;
    made->style = style;
    *pen = made.release();
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

VK_API int32_t VkSetPenShape(VkPen* pen, int32_t cap, int32_t join) {
  if (!pen || cap < VK_CAP_FLAT || cap > VK_CAP_SQUARE || join < VK_JOIN_MITER || join > VK_JOIN_BEVEL)
    return XLX_ERR_ARGUMENT;
  pen->cap = cap;
  pen->join = join;
  return XLX_OK;
}

VK_API int32_t VkSetPenMiterLimit(VkPen* pen, double limit) {
  if (!pen || !std::isfinite(limit) || limit < 1) return XLX_ERR_ARGUMENT;
  pen->miterLimit = limit;
  return XLX_OK;
}

VK_API void VkDestroyPen(VkPen* pen) { delete pen; }

VK_API int32_t VkCreateSolidBrush(VkColor color, VkBrush** brush) {
  if (!brush) return XLX_ERR_ARGUMENT;
  *brush = new (std::nothrow) VkBrush;
  if (!*brush) return XLX_ERR_MEMORY;
  (*brush)->foreground = color;
  return XLX_OK;
}

VK_API int32_t VkCreateHatchBrush(int32_t style, VkColor foreground, VkColor background, VkBrush** brush) {
  if (!brush) return XLX_ERR_ARGUMENT;
  *brush = nullptr;
  if (style < VK_HATCH_CROSS || style > VK_HATCH_VERTICAL) return XLX_ERR_ARGUMENT;
  *brush = new (std::nothrow) VkBrush;
  if (!*brush) return XLX_ERR_MEMORY;
  (*brush)->hatch = true;
  (*brush)->hatchStyle = style;
  (*brush)->foreground = foreground;
  (*brush)->background = background;
  return XLX_OK;
}

VK_API void VkDestroyBrush(VkBrush* brush) { delete brush; }

VK_API int32_t VkDrawLine(VkSurface* surface, const VkPen* pen, double x1, double y1, double x2, double y2) {
  FlushVectorText(surface);
  if (!surface || !pen || !Finite(x1, y1, x2, y2)) return XLX_ERR_ARGUMENT;
  cairo_t* cr = surface->cr;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  double dx1 = x1, dy1 = y1, dx2 = x2, dy2 = y2;
  cairo_matrix_transform_point(&m, &dx1, &dy1);
  cairo_matrix_transform_point(&m, &dx2, &dy2);
  const bool horizontal = std::fabs(dy1 - dy2) < 1e-9, vertical = std::fabs(dx1 - dx2) < 1e-9;
  if (!AxisAligned(m) || horizontal == vertical) {
    StrokeFigure(surface, pen, [&](cairo_t* c) {
      cairo_move_to(c, x1, y1);
      cairo_line_to(c, x2, y2);
    });
    return XLX_OK;
  }
  // An upright line is drawn in bitmap pixels: its thickness snapped to whole pixels, its ends
  // left where they are so that dashes keep their rhythm.
  const double across = horizontal ? std::fabs(m.yy) : std::fabs(m.xx);
  const double along = horizontal ? std::fabs(m.xx) : std::fabs(m.yy);
  long n = pen->width > 0 ? std::lround(pen->width * across) : 1;
  if (n < 1) n = 1;
  if (horizontal) dy1 = dy2 = SnapCentre(dy1, n);
  else dx1 = dx2 = SnapCentre(dx1, n);
  cairo_identity_matrix(cr);
  cairo_new_path(cr);
  cairo_move_to(cr, dx1, dy1);
  cairo_line_to(cr, dx2, dy2);
  ApplyPenStyle(cr, pen, static_cast<double>(n), static_cast<double>(n), along);
  cairo_set_antialias(cr, LineAntialias(surface));
  cairo_stroke(cr);
  cairo_set_matrix(cr, &m);
  return XLX_OK;
}

VK_API int32_t VkDrawRectangle(VkSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                               double width, double height) {
  FlushVectorText(surface);
  if (!surface || !Finite(left, top, width, height)) return XLX_ERR_ARGUMENT;
  if (width < 0) left += width, width = -width;
  if (height < 0) top += height, height = -height;
  cairo_t* cr = surface->cr;
  cairo_matrix_t m;
  cairo_get_matrix(cr, &m);
  if (brush && width > 0 && height > 0) {
    if (pen && !surface->lineSmoothing && AxisAligned(m)) {
      FillSnappedRectangle(surface, brush, m, left, top, width, height);
    } else {
      FillFigure(surface, brush, false, [&](cairo_t* c) { cairo_rectangle(c, left, top, width, height); });
    }
  }
  if (!pen) return XLX_OK;
  if (!AxisAligned(m)) {
    StrokeFigure(surface, pen, [&](cairo_t* c) { cairo_rectangle(c, left, top, width, height); });
    return XLX_OK;
  }
  // Upright outline: each side snapped to whole pixels like a single line.
  double x1 = left, y1 = top, x2 = left + width, y2 = top + height;
  cairo_matrix_transform_point(&m, &x1, &y1);
  cairo_matrix_transform_point(&m, &x2, &y2);
  const double scale = DeviceScale(m);
  long n = pen->width > 0 ? std::lround(pen->width * scale) : 1;
  if (n < 1) n = 1;
  const double l = SnapCentre(std::min(x1, x2), n), r = SnapCentre(std::max(x1, x2), n);
  const double t = SnapCentre(std::min(y1, y2), n), b = SnapCentre(std::max(y1, y2), n);
  cairo_identity_matrix(cr);
  cairo_new_path(cr);
  cairo_rectangle(cr, l, t, r - l, b - t);
  ApplyPenStyle(cr, pen, static_cast<double>(n), static_cast<double>(n), scale, n % 2 ? 0.5 : 0.0);
  cairo_set_antialias(cr, LineAntialias(surface));
  cairo_stroke(cr);
  cairo_set_matrix(cr, &m);
  return XLX_OK;
}

VK_API int32_t VkDrawRoundRect(VkSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                               double width, double height, double rx, double ry) {
  FlushVectorText(surface);
  if (!surface || !Finite(left, top, width, height) || !std::isfinite(rx) || !std::isfinite(ry)) return XLX_ERR_ARGUMENT;
  if (width < 0) left += width, width = -width;
  if (height < 0) top += height, height = -height;
  rx = std::min(std::fabs(rx), width / 2), ry = std::min(std::fabs(ry), height / 2);
  if (rx <= 0 || ry <= 0) return VkDrawRectangle(surface, pen, brush, left, top, width, height);
  auto build = [&](cairo_t* c) {
    cairo_new_sub_path(c);
    EllipseArc(c, left + width - rx, top + ry, rx, ry, -90, 0);
    EllipseArc(c, left + width - rx, top + height - ry, rx, ry, 0, 90);
    EllipseArc(c, left + rx, top + height - ry, rx, ry, 90, 180);
    EllipseArc(c, left + rx, top + ry, rx, ry, 180, 270);
    cairo_close_path(c);
  };
  if (brush) FillFigure(surface, brush, false, build);
  if (pen) StrokeFigure(surface, pen, build);
  return XLX_OK;
}

VK_API int32_t VkDrawEllipse(VkSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                             double width, double height) {
  FlushVectorText(surface);
  if (!surface || !Finite(left, top, width, height)) return XLX_ERR_ARGUMENT;
  const double rx = std::fabs(width) / 2, ry = std::fabs(height) / 2;
  if (rx <= 0 || ry <= 0) return XLX_OK;
  const double cx = left + width / 2, cy = top + height / 2;
  auto build = [&](cairo_t* c) {
    cairo_new_sub_path(c);
    EllipseArc(c, cx, cy, rx, ry, 0, 360);
    cairo_close_path(c);
  };
  if (brush) FillFigure(surface, brush, false, build);
  if (pen) StrokeFigure(surface, pen, build);
  return XLX_OK;
}

VK_API int32_t VkDrawPolygon(VkSurface* surface, const VkPen* pen, const VkBrush* brush, const double* points,
                             int32_t count) {
  FlushVectorText(surface);
  if (!surface || !PointsValid(points, count)) return XLX_ERR_ARGUMENT;
  auto build = [&](cairo_t* c) {
    cairo_move_to(c, points[0], points[1]);
    for (int32_t i = 1; i < count; ++i) cairo_line_to(c, points[2 * i], points[2 * i + 1]);
    cairo_close_path(c);
  };
  if (brush) FillFigure(surface, brush, false, build);
  if (pen) StrokeFigure(surface, pen, build);
  return XLX_OK;
}

VK_API int32_t VkDrawPolyline(VkSurface* surface, const VkPen* pen, const double* points, int32_t count) {
  FlushVectorText(surface);
  if (!surface || !pen || !PointsValid(points, count)) return XLX_ERR_ARGUMENT;
  StrokeFigure(surface, pen, [&](cairo_t* c) {
    cairo_move_to(c, points[0], points[1]);
    for (int32_t i = 1; i < count; ++i) cairo_line_to(c, points[2 * i], points[2 * i + 1]);
  });
  return XLX_OK;
}
