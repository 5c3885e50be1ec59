// Pies, doughnuts and of-pie charts: slices clockwise from the top (turned by the first slice
// angle), exploded slices pushed out along their middle, labels in or beside each slice.
#include <algorithm>
#include <cmath>

#include "view/chartinternal.h"

namespace xlx {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Points of a ring segment (or a slice when inner is 0) from angle a0 to a1, radians.
std::vector<DrawPoint> Segment(double cx, double cy, double outer, double inner, double a0, double a1) {
  std::vector<DrawPoint> pts;
  const int32_t steps = std::max(2, int32_t(std::ceil(std::fabs(a1 - a0) / (kPi / 90))));
  for (int32_t i = 0; i <= steps; ++i) {
    const double a = a0 + (a1 - a0) * i / steps;
    pts.push_back({cx + outer * std::cos(a), cy + outer * std::sin(a)});
  }
  if (inner <= 0) {
    pts.push_back({cx, cy});
    return pts;
  }
  for (int32_t i = steps; i >= 0; --i) {
    const double a = a0 + (a1 - a0) * i / steps;
    pts.push_back({cx + inner * std::cos(a), cy + inner * std::sin(a)});
  }
  return pts;
}

int32_t Explosion(const ChartSeries& s, int32_t i) {
  for (const ChartDataPoint& p : s.points)
    if (p.idx == i) return p.explosion;
  return s.explosion;
}

}  // namespace

void DrawPiePlot(ChartCanvas& c, const DrawRect& room, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  if (series.empty()) return;
  const bool doughnut = p.kind == kChartDoughnut;
  if (!doughnut) series.resize(1);  // a pie shows its first series
  double maxExplode = 0;
  for (int32_t i = 0; i < std::min(series[0]->values.pointCount, 4096); ++i)
    maxExplode = std::max(maxExplode, double(Explosion(*series[0], i)));
  const double side = std::min(room.width, room.height);
  const double outer = side / 2 / (1 + std::min(maxExplode, 400.0) / 100) * 0.95;
  const double cx = room.left + room.width / 2, cy = room.top + room.height / 2;
  const double hole = doughnut ? outer * p.holeSize / 100.0 : 0;
  // Rings thinner than a pixel show nothing: the outer ones that fit are drawn.
  const size_t rings = std::max<size_t>(1, std::min(series.size(), size_t(std::max(1.0, (outer - hole) / 1.0))));
  series.resize(rings);
  const double ring = (outer - hole) / double(series.size());
  for (size_t k = 0; k < series.size() && c.rc == 1; ++k) {
    const ChartSeries& s = *series[k];
    double total = 0;
    for (double v : s.values.values)
      if (std::isfinite(v) && v > 0) total += v;
    if (!(total > 0) || !std::isfinite(total)) continue;
    const ChartDataLabels& l = LabelsOf(c, s);
    const double rOut = doughnut ? outer - ring * k : outer, rIn = doughnut ? rOut - ring : 0;
    double angle = -kPi / 2 + p.firstSliceAngle * kPi / 180;
    const size_t n = s.values.values.size();
    // Slices below a hair's breadth are merged into their neighbours' drawing: a million of them
    // would draw nothing visible.
    const double minAngle = n > 4096 ? 2 * kPi / 4096 : 0;
    for (size_t i = 0; i < n && c.rc == 1; ++i) {
      const double v = s.values.values[i];
      if (!std::isfinite(v) || v <= 0) continue;
      const double sweep = 2 * kPi * v / total;
      if (sweep < minAngle) {
        angle += sweep;
        continue;
      }
      const double mid = angle + sweep / 2;
      const double push = doughnut ? 0 : outer * Explosion(s, int32_t(i)) / 100.0;
      const double ox = cx + push * std::cos(mid), oy = cy + push * std::sin(mid);
      std::vector<DrawPoint> pts = Segment(ox, oy, rOut, rIn, angle, angle + sweep);
      const CellColor color = p.varyColors || doughnut || series.size() == 1 ? AutoSeriesColor(c.chart, int32_t(i))
                                                                            : AutoSeriesColor(c.chart, s.idx);
      ChartPaint paint;
      const DrawRect box{ox - rOut, oy - rOut, 2 * rOut, 2 * rOut};
      MakePaint(c, PointProps(s, int32_t(i)), p.varyColors ? color : AutoSeriesColor(c.chart, s.idx), 0xFFFFFFFF, 0.75,
                &paint, &box);
      c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, pts.data(), int32_t(pts.size())));
      if (l.present && !l.deleted && n <= 4096) {
        const bool outside = l.position == kLabelPosOutsideEnd;
        const double lr = doughnut ? (rOut + rIn) / 2 : outside ? rOut * 1.12 : rOut * 0.65;
        DrawLabel(c, l, LabelText(c, s, l, int32_t(i), v, v / total), ox + lr * std::cos(mid), oy + lr * std::sin(mid));
      }
      angle += sweep;
    }
  }
}

}  // namespace xlx
