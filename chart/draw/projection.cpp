// The oblique and rotated views of a 3-D plot box, and their fit into the plot rectangle.
#include "chart/draw/projection.h"

#include <algorithm>
#include <cmath>

namespace xlx {

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;

// The box point turned into view space: x to the right, y up, z away from the viewer; the
// origin at the box centre.
Point3 ToView(const Projection3D& p, const Point3& q) {
  const double x = q.x - p.centre.x, y = q.y - p.centre.y, z = q.z - p.centre.z;
  const double x1 = x * p.cosY + z * p.sinY, z1 = -x * p.sinY + z * p.cosY;
  return Point3{x1, y * p.cosX + z1 * p.sinX, -y * p.sinX + z1 * p.cosX};
}

// The projected point before fitting (y up).
DrawPoint Raw(const Projection3D& p, const Point3& q) {
  if (p.oblique) {
    // Depth slants up and to the side by the sines of the two angles.
    return DrawPoint{q.x + q.z * p.sinY, q.y + q.z * p.sinX};
  }
  const Point3 v = ToView(p, q);
  if (p.eye <= 0) return DrawPoint{v.x, v.y};
  const double f = p.eye / std::max(p.eye * 0.05, p.eye + v.z);
  return DrawPoint{v.x * f, v.y * f};
}

}  // namespace

Projection3D MakeProjection(const View3DSpec& view, double w, double h, double d, const DrawRect& rect) {
  Projection3D p;
  p.oblique = view.oblique;
  auto clampSize = [](double v) { return std::isfinite(v) ? std::max(1e-6, std::min(v, 1e6)) : 1.0; };
  w = clampSize(w), h = clampSize(h), d = clampSize(d);
  const double rx = std::max(-90.0, std::min(view.rotX, 90.0)) * kDegree, ry = view.rotY * kDegree;
  p.cosX = std::cos(rx), p.sinX = std::sin(rx), p.cosY = std::cos(ry), p.sinY = std::sin(ry);
  p.centre = Point3{w / 2, h / 2, d / 2};
  const double fov = std::max(0.0, std::min(view.fieldOfView, 120.0)) * kDegree;
  // The eye stands back far enough for the box to fill the field of view.
  const double radius = std::sqrt(w * w + h * h + d * d) / 2;
  if (!view.oblique && fov > 0) p.eye = radius / std::tan(fov / 2) + radius;
  double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
  for (int32_t corner = 0; corner < 8; ++corner) {
    const DrawPoint r = Raw(p, Point3{corner & 1 ? w : 0, corner & 2 ? h : 0, corner & 4 ? d : 0});
    lo[0] = std::min(lo[0], r.x), hi[0] = std::max(hi[0], r.x);
    lo[1] = std::min(lo[1], r.y), hi[1] = std::max(hi[1], r.y);
  }
  const double spanX = std::max(hi[0] - lo[0], 1e-9), spanY = std::max(hi[1] - lo[1], 1e-9);
  p.scaleX = rect.width / spanX, p.scaleY = rect.height / spanY;
  if (!view.oblique && !view.stretch) p.scaleX = p.scaleY = std::min(p.scaleX, p.scaleY);
  // Centre the picture: page x grows with x, page y falls as y rises.
  p.offX = rect.left + (rect.width - spanX * p.scaleX) / 2 - lo[0] * p.scaleX;
  p.offY = rect.top + (rect.height - spanY * p.scaleY) / 2 + hi[1] * p.scaleY;
  return p;
}

DrawPoint Project(const Projection3D& p, const Point3& q) {
  const DrawPoint r = Raw(p, q);
  return DrawPoint{p.offX + r.x * p.scaleX, p.offY - r.y * p.scaleY};
}

double ViewDepth(const Projection3D& p, const Point3& q) { return ToView(p, q).z; }

double SignedArea(const DrawPoint* points, int32_t count) {
  double a = 0;
  for (int32_t i = 0; i < count; ++i) {
    const DrawPoint& u = points[i];
    const DrawPoint& v = points[(i + 1) % count];
    a += u.x * v.y - v.x * u.y;
  }
  return a;
}

}  // namespace xlx
