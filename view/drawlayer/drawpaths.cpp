// Paths of the drawing layer: figures built from moves, lines, cubic Beziers, polygons and tagged
// point lists, then filled, stroked or both.
#include "common/resultcodes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

int32_t CreateDrawPath(VkPath** path) {
  if (!path) return XLX_ERR_ARGUMENT;
  return VkCreatePath(path);
}

int32_t AddDrawMovetoToPath(VkPath* path, double x, double y) { return VkPathMoveTo(path, x, y); }

int32_t AddDrawLineToPath(VkPath* path, double x, double y) { return VkPathLineTo(path, x, y); }

int32_t AddDrawBezierToPath(VkPath* path, const DrawPoint* points, int32_t count) {
  if (!path || !points || count <= 0 || count % 3) return XLX_ERR_ARGUMENT;
  for (int32_t i = 0; i < count; i += 3) {
    const DrawPoint* p = points + i;
    int32_t r = VkPathCurveTo(path, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
    if (r != XLX_OK) return r;
  }
  return XLX_OK;
}

int32_t AddDrawPolygonToPath(VkPath* path, const DrawPoint* points, int32_t count) {
  if (!path || !points || count < 2) return XLX_ERR_ARGUMENT;
  int32_t r = VkPathMoveTo(path, points[0].x, points[0].y);
  for (int32_t i = 1; i < count && r == XLX_OK; ++i) r = VkPathLineTo(path, points[i].x, points[i].y);
  return r == XLX_OK ? VkPathClose(path) : r;
}

int32_t AddDrawPolyDrawToPath(VkPath* path, const DrawPoint* points, const uint8_t* tags, int32_t count) {
  if (!path || !points || !tags || count < 0) return XLX_ERR_ARGUMENT;
  int32_t r = XLX_OK;
  for (int32_t i = 0; i < count && r == XLX_OK;) {
    const uint8_t kind = tags[i] & ~kPathClose;
    bool close = (tags[i] & kPathClose) != 0;
    if (kind == kPathMoveTo) {
      r = VkPathMoveTo(path, points[i].x, points[i].y);
      close = false;
      ++i;
    } else if (kind == kPathLineTo) {
      r = VkPathLineTo(path, points[i].x, points[i].y);
      ++i;
    } else if (kind == kPathBezierTo) {
      // A Bezier takes three points in a row, all tagged as Bezier points.
      if (count - i < 3 || (tags[i + 1] & ~kPathClose) != kPathBezierTo || (tags[i + 2] & ~kPathClose) != kPathBezierTo)
        return XLX_ERR_ARGUMENT;
      close = (tags[i + 2] & kPathClose) != 0;
      r = VkPathCurveTo(path, points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, points[i + 2].x,
                        points[i + 2].y);
      i += 3;
    } else {
      return XLX_ERR_ARGUMENT;
    }
    if (r == XLX_OK && close) r = VkPathClose(path);
  }
  return r;
}

int32_t EndDrawPath(VkPath* path) { return path ? XLX_OK : XLX_ERR_ARGUMENT; }

void DeleteDrawPath(VkPath* path) { VkDestroyPath(path); }

int32_t SetDrawPathWinding(VkPath* path, bool winding) { return VkSetPathFillRule(path, winding ? 1 : 0); }

int32_t FillDrawPath(DrawingSurface* surface, const VkPath* path, const VkBrush* brush) {
  if (!surface || !surface->pSurface || !path) return XLX_ERR_ARGUMENT;
  return brush ? VkFillPath(surface->pSurface, path, brush) : XLX_OK;
}

int32_t StrokeDrawPath(DrawingSurface* surface, const VkPath* path, const VkPen* pen) {
  if (!surface || !surface->pSurface || !path) return XLX_ERR_ARGUMENT;
  return pen ? VkStrokePath(surface->pSurface, path, pen) : XLX_OK;
}

int32_t StrokeAndFillDrawPath(DrawingSurface* surface, const VkPath* path, const VkPen* pen, const VkBrush* brush) {
  int32_t r = FillDrawPath(surface, path, brush);
  return r == XLX_OK ? StrokeDrawPath(surface, path, pen) : r;
}

}  // namespace xlx
