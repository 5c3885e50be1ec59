// Gradient brushes: Cairo linear, radial and mesh patterns built from colour stops.
//
// A rectangular gradient is a mesh of rings: between two neighbouring stops, the band between
// the rectangle of the first stop and the wider one of the next is split into four trapezoids,
// each blending its inner corners' colour into its outer corners' colour.
#include <cmath>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace {

constexpr double kMaxCoordinate = 1e7;

struct Rgba {
  double r, g, b, a;
};

Rgba ToRgba(VkColor c) {
  return {(c & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0, ((c >> 16) & 0xFF) / 255.0, ((c >> 24) & 0xFF) / 255.0};
}

bool StopsValid(const VkGradientStop* stops, int32_t count) {
  if (!stops || count < 2 || count > VK_MAX_GRADIENT_STOPS) return false;
  for (int32_t i = 0; i < count; ++i) {
    const double o = stops[i].offset;
    if (!std::isfinite(o) || o < 0 || o > 1) return false;
    if (i > 0 && o < stops[i - 1].offset) return false;
  }
  return true;
}

bool GeometryValid(const double* geometry, int32_t count) {
  if (!geometry) return false;
  for (int32_t i = 0; i < count; ++i)
    if (!std::isfinite(geometry[i]) || std::fabs(geometry[i]) > kMaxCoordinate) return false;
  return true;
}

void AddColorStops(cairo_pattern_t* pattern, const VkGradientStop* stops, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    const Rgba c = ToRgba(stops[i].color);
    cairo_pattern_add_color_stop_rgba(pattern, stops[i].offset, c.r, c.g, c.b, c.a);
  }
}

cairo_pattern_t* MakeLinear(const double* g, const VkGradientStop* stops, int32_t count) {
  cairo_pattern_t* p = cairo_pattern_create_linear(g[0], g[1], g[2], g[3]);
  AddColorStops(p, stops, count);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  return p;
}

// A unit circle gradient stretched to the ellipse's radii by the pattern matrix.
cairo_pattern_t* MakeRadial(const double* g, const VkGradientStop* stops, int32_t count) {
  const double rx = std::fabs(g[2]), ry = std::fabs(g[3]);
  if (rx < 1e-9 || ry < 1e-9) return nullptr;
  cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  AddColorStops(p, stops, count);
  cairo_pattern_set_extend(p, CAIRO_EXTEND_PAD);
  cairo_matrix_t m;  // user space -> pattern space
  cairo_matrix_init_scale(&m, 1 / rx, 1 / ry);
  cairo_matrix_translate(&m, -g[0], -g[1]);
  cairo_pattern_set_matrix(p, &m);
  return p;
}

struct Box {
  double l, t, r, b;
};

Box Lerp(const Box& a, const Box& b, double f) {
  return {a.l + (b.l - a.l) * f, a.t + (b.t - a.t) * f, a.r + (b.r - a.r) * f, a.b + (b.b - a.b) * f};
}

void AddPatch(cairo_pattern_t* mesh, const double (*pts)[2], const Rgba* colors) {
  cairo_mesh_pattern_begin_patch(mesh);
  cairo_mesh_pattern_move_to(mesh, pts[0][0], pts[0][1]);
  for (int i = 1; i < 4; ++i) cairo_mesh_pattern_line_to(mesh, pts[i][0], pts[i][1]);
  for (int i = 0; i < 4; ++i)
    cairo_mesh_pattern_set_corner_color_rgba(mesh, i, colors[i].r, colors[i].g, colors[i].b, colors[i].a);
  cairo_mesh_pattern_end_patch(mesh);
}

// The four trapezoids between `in` (colour ci) and `out` (colour co).
void AddRing(cairo_pattern_t* mesh, const Box& in, const Box& out, const Rgba& ci, const Rgba& co) {
  const double sides[4][4][2] = {
      {{in.l, in.t}, {in.r, in.t}, {out.r, out.t}, {out.l, out.t}},  // top
      {{in.r, in.t}, {in.r, in.b}, {out.r, out.b}, {out.r, out.t}},  // right
      {{in.r, in.b}, {in.l, in.b}, {out.l, out.b}, {out.r, out.b}},  // bottom
      {{in.l, in.b}, {in.l, in.t}, {out.l, out.t}, {out.l, out.b}},  // left
  };
  const Rgba colors[4] = {ci, ci, co, co};
  for (const auto& side : sides) AddPatch(mesh, side, colors);
}

cairo_pattern_t* MakeRect(const double* g, const VkGradientStop* stops, int32_t count) {
  const Box inner{g[0], g[1], g[2], g[3]}, outer{g[4], g[5], g[6], g[7]};
  if (inner.l > inner.r || inner.t > inner.b) return nullptr;
  if (inner.l < outer.l || inner.r > outer.r || inner.t < outer.t || inner.b > outer.b) return nullptr;
  cairo_pattern_t* mesh = cairo_pattern_create_mesh();
  const Rgba first = ToRgba(stops[0].color), last = ToRgba(stops[count - 1].color);
  const Box start = Lerp(inner, outer, stops[0].offset);
  if (start.r > start.l && start.b > start.t) {
    const double core[4][2] = {{start.l, start.t}, {start.r, start.t}, {start.r, start.b}, {start.l, start.b}};
    const Rgba colors[4] = {first, first, first, first};
    AddPatch(mesh, core, colors);
  }
  for (int32_t i = 0; i + 1 < count; ++i) {
    if (stops[i + 1].offset <= stops[i].offset) continue;
    AddRing(mesh, Lerp(inner, outer, stops[i].offset), Lerp(inner, outer, stops[i + 1].offset),
            ToRgba(stops[i].color), ToRgba(stops[i + 1].color));
  }
  if (stops[count - 1].offset < 1) AddRing(mesh, Lerp(inner, outer, stops[count - 1].offset), outer, last, last);
  return mesh;
}

}  // namespace

using namespace vkdraw;

VK_API int32_t VkCreateGradientBrush(int32_t kind, const double* geometry, int32_t geometryCount,
                                     const VkGradientStop* stops, int32_t stopCount, VkBrush** brush) {
  if (!brush) return XLX_ERR_ARGUMENT;
  *brush = nullptr;
  static const int32_t kGeometrySize[] = {4, 4, 8};
  if (kind < VK_GRADIENT_LINEAR || kind > VK_GRADIENT_RECT || geometryCount != kGeometrySize[kind]) return XLX_ERR_ARGUMENT;
  if (!GeometryValid(geometry, geometryCount) || !StopsValid(stops, stopCount)) return XLX_ERR_ARGUMENT;
  cairo_pattern_t* pattern = kind == VK_GRADIENT_LINEAR   ? MakeLinear(geometry, stops, stopCount)
                             : kind == VK_GRADIENT_RADIAL ? MakeRadial(geometry, stops, stopCount)
                                                          : MakeRect(geometry, stops, stopCount);
  if (!pattern) return XLX_ERR_ARGUMENT;
  if (cairo_pattern_status(pattern) != CAIRO_STATUS_SUCCESS) {
    cairo_pattern_destroy(pattern);
    return XLX_ERR_MEMORY;
  }
  VkBrush* made = new (std::nothrow) VkBrush;
  if (!made) {
    cairo_pattern_destroy(pattern);
    return XLX_ERR_MEMORY;
  }
  made->gradient = pattern;
  made->foreground = stops[0].color;
  *brush = made;
  return XLX_OK;
}
