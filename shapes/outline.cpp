#include "shapes/outline.h"

#include <algorithm>
#include <cmath>

namespace xlx {
namespace {

constexpr int32_t kMaxBezierPieces = 64;
constexpr double kSamePoint = 0.01;  // px: points closer than this are one

DrawPoint Bezier(const DrawPoint& p0, const DrawPoint& p1, const DrawPoint& p2, const DrawPoint& p3, double t) {
  const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
  return DrawPoint{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

double Distance(const DrawPoint& a, const DrawPoint& b) { return std::hypot(b.x - a.x, b.y - a.y); }

void Add(Polyline* line, const DrawPoint& p) {
  if (!line->points.empty() && Distance(line->points.back(), p) < kSamePoint) return;
  line->points.push_back(p);
}

// The unit normal to the left of the direction from `a` to `b` (y down), or false when they meet.
bool LeftNormal(const DrawPoint& a, const DrawPoint& b, DrawPoint* n) {
  const double dx = b.x - a.x, dy = b.y - a.y, length = std::hypot(dx, dy);
  if (!(length > 1e-9)) return false;
  *n = DrawPoint{dy / length, -dx / length};
  return true;
}

}  // namespace

int32_t CompoundBands(int32_t compound, CompoundBand bands[3]) {
  // Edges of the strokes across the line, from its left side (0) to its right (1).
  static const double kDouble[] = {0, 1 / 3.0, 2 / 3.0, 1}, kThickThin[] = {0, 0.6, 0.8, 1};
  static const double kThinThick[] = {0, 0.2, 0.4, 1}, kTriple[] = {0, 1 / 6.0, 2 / 6.0, 4 / 6.0, 5 / 6.0, 1};
  const double* edges = compound == 1 ? kDouble : compound == 2 ? kThickThin : compound == 3 ? kThinThick
                      : compound == 4 ? kTriple : nullptr;
  if (!edges) return 0;
  const int32_t count = compound == 4 ? 3 : 2;
  for (int32_t i = 0; i < count; ++i)
    bands[i] = CompoundBand{0.5 - (edges[2 * i] + edges[2 * i + 1]) / 2, edges[2 * i + 1] - edges[2 * i]};
  return count;
}

void FlattenFigure(const ShapeFigure& figure, size_t maxPoints, std::vector<Polyline>* out) {
  const size_t n = std::min(figure.points.size(), figure.tags.size());
  size_t total = 0, stored = 0;
  Polyline current;
  auto finish = [&](bool closed) {
    if (closed && current.points.size() > 2 && Distance(current.points.front(), current.points.back()) < kSamePoint)
      current.points.pop_back();
    current.closed = closed && current.points.size() > 2;
    stored += current.points.size();
    if (current.points.size() >= 2) out->push_back(std::move(current));
    current = Polyline();
  };
  for (size_t i = 0; i < n && total < maxPoints; ++i) {
    const uint8_t tag = figure.tags[i];
    const uint8_t kind = tag & ~kPathClose;
    if (kind == kPathMoveTo) {
      finish(false);
      Add(&current, figure.points[i]);
    } else if (kind == kPathBezierTo && i + 2 < n && !current.points.empty()) {
      const DrawPoint p0 = current.points.back(), &p1 = figure.points[i], &p2 = figure.points[i + 1],
                      &p3 = figure.points[i + 2];
      const double reach = Distance(p0, p1) + Distance(p1, p2) + Distance(p2, p3);
      const int32_t pieces = std::isfinite(reach) ? std::max(1, std::min(kMaxBezierPieces, int32_t(reach / 2) + 1)) : 1;
      for (int32_t k = 1; k <= pieces; ++k) Add(&current, Bezier(p0, p1, p2, p3, double(k) / pieces));
      i += 2;
    } else {
      Add(&current, figure.points[i]);
    }
    if (figure.tags[std::min(i, n - 1)] & kPathClose) finish(true);
    total = stored + current.points.size();
  }
  finish(false);
}

Polyline OffsetPolyline(const Polyline& line, double distance, double miterLimit) {
  Polyline out;
  out.closed = line.closed;
  const std::vector<DrawPoint>& p = line.points;
  const size_t n = p.size();
  if (n < 2) return out;
  out.points.reserve(n + 8);
  for (size_t i = 0; i < n; ++i) {
    const bool first = i == 0, last = i + 1 == n;
    DrawPoint in{0, 0}, onward{0, 0};
    const bool hasIn = (!first || line.closed) && LeftNormal(p[first ? n - 1 : i - 1], p[i], &in);
    const bool hasOut = (!last || line.closed) && LeftNormal(p[i], p[last ? 0 : i + 1], &onward);
    if (!hasIn && !hasOut) continue;
    if (!hasIn || !hasOut) {
      const DrawPoint& m = hasIn ? in : onward;
      out.points.push_back(DrawPoint{p[i].x + m.x * distance, p[i].y + m.y * distance});
      continue;
    }
    // The mitre point lies along the sum of the two normals, 1 / cos(half the turn) away.
    const double cosine = 1 + in.x * onward.x + in.y * onward.y;
    const DrawPoint m{(in.x + onward.x) / std::max(cosine, 1e-12), (in.y + onward.y) / std::max(cosine, 1e-12)};
    if (cosine > 1e-6 && std::hypot(m.x, m.y) <= miterLimit) {
      out.points.push_back(DrawPoint{p[i].x + m.x * distance, p[i].y + m.y * distance});
    } else {
      out.points.push_back(DrawPoint{p[i].x + in.x * distance, p[i].y + in.y * distance});
      out.points.push_back(DrawPoint{p[i].x + onward.x * distance, p[i].y + onward.y * distance});
    }
  }
  return out;
}

}  // namespace xlx
