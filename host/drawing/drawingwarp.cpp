// Bending a path: its curves cut into straight pieces, long pieces cut shorter, and every point
// moved through the caller's map (text bent along a curve, or between two).
#include <cmath>
#include <new>
#include "host/drawing/drawinginternal.h"

using namespace vkdraw;

namespace {

constexpr int32_t kMaxPieces = 1024;  // pieces of one segment

struct Bender {
  VkPointMap map;
  void* context;
  double maxSegment;
  std::vector<uint8_t> ops;
  std::vector<double> coords;
  double x = 0, y = 0;  // current point, before the map

  bool Emit(PathOp op, double px, double py) {
    if (coords.size() / 2 >= kMaxPathPoints) return false;
    double mx = px, my = py;
    map(context, &mx, &my);
    ops.push_back(op);
    coords.push_back(std::isfinite(mx) ? mx : 0);
    coords.push_back(std::isfinite(my) ? my : 0);
    x = px, y = py;
    return true;
  }
  bool Line(double px, double py) {
    const double length = std::hypot(px - x, py - y);
    const int32_t pieces = std::isfinite(length) ? std::max(1, std::min(kMaxPieces, int32_t(length / maxSegment) + 1)) : 1;
    const double x0 = x, y0 = y;
    for (int32_t k = 1; k <= pieces; ++k)
      if (!Emit(kLineTo, x0 + (px - x0) * k / pieces, y0 + (py - y0) * k / pieces)) return false;
    return true;
  }
  bool Curve(const double* c) {
    const double reach = std::hypot(c[0] - x, c[1] - y) + std::hypot(c[2] - c[0], c[3] - c[1]) +
                         std::hypot(c[4] - c[2], c[5] - c[3]);
    const int32_t pieces = std::isfinite(reach) ? std::max(1, std::min(kMaxPieces, int32_t(reach / maxSegment) + 1)) : 1;
    const double x0 = x, y0 = y;
    for (int32_t k = 1; k <= pieces; ++k) {
      const double t = double(k) / pieces, u = 1 - t;
      const double a = u * u * u, b = 3 * u * u * t, cc = 3 * u * t * t, d = t * t * t;
      if (!Emit(kLineTo, a * x0 + b * c[0] + cc * c[2] + d * c[4], a * y0 + b * c[1] + cc * c[3] + d * c[5])) return false;
    }
    return true;
  }
};

}  // namespace

VK_API int32_t VkWarpPath(VkPath* path, double maxSegment, VkPointMap map, void* context) {
  if (!path || !map || !std::isfinite(maxSegment) || !(maxSegment > 0)) return XLX_ERR_ARGUMENT;
  try {
    Bender b{map, context, maxSegment, {}, {}};
    const double* c = path->coords.data();
    const double* end = c + path->coords.size();
    double startX = 0, startY = 0;
    bool ok = true;
    for (uint8_t op : path->ops) {
      const size_t need = op == kCurveTo ? 6 : op == kClose ? 0 : 2;
      if (static_cast<size_t>(end - c) < need) break;
      if (op == kMoveTo) ok = b.Emit(kMoveTo, c[0], c[1]), startX = c[0], startY = c[1];
      else if (op == kLineTo) ok = b.Line(c[0], c[1]);
      else if (op == kCurveTo) ok = b.Curve(c);
      else if (op == kClose) {
        ok = b.Line(startX, startY);
        b.ops.push_back(kClose);
        b.x = startX, b.y = startY;
      }
      if (!ok) return XLX_ERR_MEMORY;
      c += need;
    }
    path->ops.swap(b.ops);
    path->coords.swap(b.coords);
    if (path->coords.size() >= 2)
      path->currentX = path->coords[path->coords.size() - 2], path->currentY = path->coords.back();
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}
