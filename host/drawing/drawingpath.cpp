// Paths: figures of lines, cubic Beziers and elliptical arcs kept in user space, filled with a
// brush or stroked with a pen on a surface, or used as a clip.
#include <algorithm>
#include <memory>
#include <new>
#include "host/drawing/drawinginternal.h"

namespace vkdraw {
namespace {

bool Room(const VkPath* path, size_t points) { return path->coords.size() / 2 + points <= kMaxPathPoints; }

void Push(VkPath* path, PathOp op, std::initializer_list<double> coords) {
  path->ops.push_back(op);
  path->coords.insert(path->coords.end(), coords);
}

// One arc segment of at most 90 degrees as a cubic Bezier (angles in radians).
void ArcSegment(VkPath* path, double cx, double cy, double rx, double ry, double a1, double a2) {
  const double k = 4.0 / 3.0 * std::tan((a2 - a1) / 4);
  const double c1 = std::cos(a1), s1 = std::sin(a1), c2 = std::cos(a2), s2 = std::sin(a2);
  const double x3 = cx + rx * c2, y3 = cy + ry * s2;
  Push(path, kCurveTo,
       {cx + rx * (c1 - k * s1), cy + ry * (s1 + k * c1), cx + rx * (c2 + k * s2), cy + ry * (s2 - k * c2), x3, y3});
  path->currentX = x3, path->currentY = y3;
}

}  // namespace

void AppendPath(cairo_t* cr, const VkPath& path) {
  const double* c = path.coords.data();
  for (uint8_t op : path.ops) {
    switch (op) {
      case kMoveTo: cairo_move_to(cr, c[0], c[1]), c += 2; break;
      case kLineTo: cairo_line_to(cr, c[0], c[1]), c += 2; break;
      case kCurveTo: cairo_curve_to(cr, c[0], c[1], c[2], c[3], c[4], c[5]), c += 6; break;
      case kClose: cairo_close_path(cr); break;
    }
  }
}

int32_t AppendCairoPath(VkPath* path, const cairo_path_t* source) {
  if (!source || source->status != CAIRO_STATUS_SUCCESS) return XLX_ERR_ENGINE;
  // A move is kept only when a segment follows it, so lone moves (the layout's starting point)
  // do not widen the path's bounds.
  bool pendingMove = false;
  double moveX = 0, moveY = 0;
  for (int i = 0; i < source->num_data; i += source->data[i].header.length) {
    const cairo_path_data_t* d = &source->data[i];
    if (!Room(path, 4)) return XLX_ERR_MEMORY;
    if (d->header.type == CAIRO_PATH_MOVE_TO) {
      pendingMove = true, moveX = d[1].point.x, moveY = d[1].point.y;
      continue;
    }
    if (pendingMove) VkPathMoveTo(path, moveX, moveY), pendingMove = false;
    switch (d->header.type) {
      case CAIRO_PATH_LINE_TO:
        VkPathLineTo(path, d[1].point.x, d[1].point.y);
        break;
      case CAIRO_PATH_CURVE_TO:
        VkPathCurveTo(path, d[1].point.x, d[1].point.y, d[2].point.x, d[2].point.y, d[3].point.x, d[3].point.y);
        break;
      case CAIRO_PATH_CLOSE_PATH:
        VkPathClose(path);
        break;
      default:
        break;
    }
  }
  return XLX_OK;
}

}  // namespace vkdraw

using namespace vkdraw;

VK_API int32_t VkCreatePath(VkPath** path) {
  if (!path) return XLX_ERR_ARGUMENT;
  *path = new (std::nothrow) VkPath;
  return *path ? XLX_OK : XLX_ERR_MEMORY;
}

VK_API void VkDestroyPath(VkPath* path) { delete path; }

VK_API int32_t VkPathMoveTo(VkPath* path, double x, double y) {
  if (!path || !std::isfinite(x) || !std::isfinite(y)) return XLX_ERR_ARGUMENT;
  if (!Room(path, 1)) return XLX_ERR_MEMORY;
  try {
    Push(path, kMoveTo, {x, y});
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  path->hasCurrent = true;
  path->currentX = x, path->currentY = y;
  return XLX_OK;
}

VK_API int32_t VkPathLineTo(VkPath* path, double x, double y) {
  if (!path || !std::isfinite(x) || !std::isfinite(y)) return XLX_ERR_ARGUMENT;
  if (!path->hasCurrent) return VkPathMoveTo(path, x, y);
  if (!Room(path, 1)) return XLX_ERR_MEMORY;
  try {
    Push(path, kLineTo, {x, y});
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  path->currentX = x, path->currentY = y;
  return XLX_OK;
}

VK_API int32_t VkPathCurveTo(VkPath* path, double x1, double y1, double x2, double y2, double x3, double y3) {
  if (!path) return XLX_ERR_ARGUMENT;
  for (double v : {x1, y1, x2, y2, x3, y3})
    if (!std::isfinite(v)) return XLX_ERR_ARGUMENT;
  if (!path->hasCurrent) {
    int32_t r = VkPathMoveTo(path, x1, y1);
    if (r != XLX_OK) return r;
  }
  if (!Room(path, 3)) return XLX_ERR_MEMORY;
  try {
    Push(path, kCurveTo, {x1, y1, x2, y2, x3, y3});
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  path->currentX = x3, path->currentY = y3;
  return XLX_OK;
}

VK_API int32_t VkPathArc(VkPath* path, double cx, double cy, double rx, double ry, double startDeg, double sweepDeg) {
  if (!path) return XLX_ERR_ARGUMENT;
  for (double v : {cx, cy, rx, ry, startDeg, sweepDeg})
    if (!std::isfinite(v)) return XLX_ERR_ARGUMENT;
  sweepDeg = std::max(-360.0, std::min(360.0, sweepDeg));
  const double a0 = startDeg * M_PI / 180.0, sweep = sweepDeg * M_PI / 180.0;
  const int segments = std::max(1, static_cast<int>(std::ceil(std::fabs(sweep) / (M_PI / 2) - 1e-9)));
  const double x0 = cx + rx * std::cos(a0), y0 = cy + ry * std::sin(a0);
  int32_t r = path->hasCurrent ? VkPathLineTo(path, x0, y0) : VkPathMoveTo(path, x0, y0);
  if (r != XLX_OK) return r;
  if (!Room(path, 3 * static_cast<size_t>(segments))) return XLX_ERR_MEMORY;
  try {
    for (int i = 0; i < segments; ++i)
      ArcSegment(path, cx, cy, rx, ry, a0 + sweep * i / segments, a0 + sweep * (i + 1) / segments);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  return XLX_OK;
}

VK_API int32_t VkPathClose(VkPath* path) {
  if (!path) return XLX_ERR_ARGUMENT;
  if (path->ops.empty() || path->ops.back() == kClose) return XLX_OK;
  try {
    path->ops.push_back(kClose);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
  // After a close the current point is the figure's start, found from its last move.
  const double* c = path->coords.data();
  for (uint8_t op : path->ops) {
    if (op == kMoveTo) path->currentX = c[0], path->currentY = c[1];
    c += op == kCurveTo ? 6 : op == kClose ? 0 : 2;
  }
  return XLX_OK;
}

VK_API int32_t VkSetPathFillRule(VkPath* path, int32_t winding) {
  if (!path) return XLX_ERR_ARGUMENT;
  path->winding = winding != 0;
  return XLX_OK;
}

VK_API int32_t VkGetPathBounds(const VkPath* path, double* left, double* top, double* right, double* bottom) {
  if (!path || path->coords.empty()) return XLX_ERR_ARGUMENT;
  double l = path->coords[0], t = path->coords[1], r = l, b = t;
  for (size_t i = 0; i + 1 < path->coords.size(); i += 2) {
    l = std::min(l, path->coords[i]), r = std::max(r, path->coords[i]);
    t = std::min(t, path->coords[i + 1]), b = std::max(b, path->coords[i + 1]);
  }
  if (left) *left = l;
  if (top) *top = t;
  if (right) *right = r;
  if (bottom) *bottom = b;
  return XLX_OK;
}

VK_API int32_t VkFillPath(VkSurface* surface, const VkPath* path, const VkBrush* brush) {
  FlushVectorText(surface);
  if (!surface || !path || !brush) return XLX_ERR_ARGUMENT;
  cairo_t* cr = surface->cr;
  cairo_new_path(cr);
  AppendPath(cr, *path);
  SetBrushSource(surface, brush);
  cairo_set_fill_rule(cr, path->winding ? CAIRO_FILL_RULE_WINDING : CAIRO_FILL_RULE_EVEN_ODD);
  cairo_set_antialias(cr, LineAntialias(surface));
  cairo_fill(cr);
  return XLX_OK;
}

VK_API int32_t VkStrokePath(VkSurface* surface, const VkPath* path, const VkPen* pen) {
  FlushVectorText(surface);
  if (!surface || !path || !pen) return XLX_ERR_ARGUMENT;
  StrokeFigure(surface, pen, [&](cairo_t* c) { AppendPath(c, *path); });
  return XLX_OK;
}
