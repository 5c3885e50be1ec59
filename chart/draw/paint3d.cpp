// Faces of 3-D solids: their normals, orientation and shading, and painting the solids of a
// plot from the back to the front.
#include <algorithm>
#include <cmath>

#include "chart/draw/plot3d.h"

namespace xlx {

namespace {

// Faces one plot may paint; the rest of a hostile plot is left out.
constexpr size_t kMaxFaces = 120000;

Point3 Minus(const Point3& a, const Point3& b) { return Point3{a.x - b.x, a.y - b.y, a.z - b.z}; }
Point3 Cross(const Point3& a, const Point3& b) {
  return Point3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double Dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

uint32_t Channel(CellColor c, int32_t shift) { return (c >> shift) & 0xFF; }

void PaintFace(ChartCanvas& c, const Scene3D& scene, const Face3D& face, std::vector<DrawPoint>* pts) {
  if (face.points.size() < 3) return;
  pts->clear();
  for (const Point3& q : face.points) pts->push_back(Project(scene.proj, q));
  if (face.cull && SignedArea(pts->data(), int32_t(pts->size())) <= 0) return;
  ChartPaint paint;
  if (face.fill != 0xFFFFFFFF) c.Ok(SetDrawBrush(PrintColor(c, face.fill), kBrushSolid, 0, &paint.brush));
  if (face.line != 0xFFFFFFFF)
    c.Ok(SetDrawPen(PrintColor(c, face.line), 0, std::max(0.5, face.lineWidthPx), nullptr, 0, &paint.pen));
  if (!paint.brush && !paint.pen) return;
  c.Spend(pts->size());
  c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, pts->data(), int32_t(pts->size())));
}

}  // namespace

Point3 FaceNormal(const std::vector<Point3>& points) {
  Point3 n;
  for (size_t i = 0; i < points.size(); ++i) {
    const Point3& a = points[i];
    const Point3& b = points[(i + 1) % points.size()];
    n.x += (a.y - b.y) * (a.z + b.z);
    n.y += (a.z - b.z) * (a.x + b.x);
    n.z += (a.x - b.x) * (a.y + b.y);
  }
  const double len = std::sqrt(Dot(n, n));
  return len > 1e-12 ? Point3{n.x / len, n.y / len, n.z / len} : Point3{};
}

void OrientFace(Face3D* face, const Point3& outward) {
  const std::vector<Point3>& p = face->points;
  if (p.size() < 3) return;
  // Seen from outside, the page runs x right and y down while the world's y runs up: a face
  // clockwise on the page turns the edges' cross product along the outward direction.
  const Point3 turn = Cross(Minus(p[1], p[0]), Minus(p[2], p[1]));
  if (Dot(turn, outward) < 0) std::reverse(face->points.begin(), face->points.end());
}

CellColor ShadeFace(CellColor color, const Point3& normal) {
  // Light falls from above: up-turned faces go towards white, sideways ones towards black.
  const double up = std::max(0.0, normal.y), down = std::max(0.0, -normal.y), side = std::fabs(normal.x);
  const double lighten = 0.35 * up, darken = 0.22 * side + 0.3 * down;
  uint32_t out = color & 0xFF000000u;
  for (int32_t shift = 0; shift < 24; shift += 8) {
    double v = Channel(color, shift);
    v = v + (255 - v) * lighten;
    v = v * (1 - darken);
    out |= uint32_t(std::max(0.0, std::min(v + 0.5, 255.0))) << shift;
  }
  return out;
}

void PaintSolids(ChartCanvas& c, const Scene3D& scene, std::vector<Solid3D>* solids) {
  std::stable_sort(solids->begin(), solids->end(), [](const Solid3D& a, const Solid3D& b) { return a.depth > b.depth; });
  size_t faces = 0;
  std::vector<DrawPoint> pts;
  for (const Solid3D& solid : *solids) {
    for (const Face3D& face : solid.faces) {
      if (c.rc != XLX_OK || ++faces > kMaxFaces) return;
      PaintFace(c, scene, face, &pts);
    }
  }
}

}  // namespace xlx
