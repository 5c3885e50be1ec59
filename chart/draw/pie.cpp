// Pies, doughnuts and of-pie charts: slices clockwise from the top (turned by the first slice
// angle), exploded slices pushed out along their middle, labels in or beside each slice.
#include <algorithm>
#include <cmath>

#include "chart/draw/internal.h"
#include "chart/draw/pielabels.h"

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

// One pie (or ring set) of `series` centred in `room`: `flat` is the vertical squeeze of a 3-D
// pie (1 for a flat one) and `depth` its side wall in px. Values past `count` are left out; with
// `other` > 0 one more slice of that value closes the pie (the share an of-pie chart splits off).
struct PieSpec {
  DrawRect room;
  double flat = 1, depth = 0;
  size_t count = SIZE_MAX;
  double other = 0;
  double turn = 0;  // radians added to the first slice angle
  double inset = 0;  // px between the room's smaller side and the pie; outside labels may use it
};

// The radius of a pie in `spec`'s room before its labels claim any of it: the pie and its most
// exploded slice fill the room's smaller side less the inset.
double BaseRadius(const PieSpec& spec, double maxExplode) {
  const DrawRect& room = spec.room;
  const double side = std::min(room.width, (room.height - spec.depth) / spec.flat) - 2 * spec.inset;
  return std::max(1.0, side / 2 / (1 + std::min(maxExplode, 400.0) / 100) * 0.95);
}

// Darker shade of a colour for the side walls of a 3-D pie.
CellColor Shade(CellColor c, double f) {
  auto ch = [&](int shift) { return uint32_t(((c >> shift) & 0xFF) * f) << shift; };
  return (c & 0xFF000000u) | ch(0) | ch(8) | ch(16);
}

// Plans the labels of a pie's one series and returns the radius left for the pie.
double PlanLabels(ChartCanvas& c, const ChartSeries& s, const PieSpec& spec, double outer, std::vector<PieLabel>* out) {
  const ChartDataLabels& l = LabelsOf(c, s);
  const size_t n = std::min(s.values.values.size(), spec.count);
  if (!l.present || l.deleted || n > 4096) return outer;
  double total = spec.other;
  for (size_t i = 0; i < n; ++i)
    if (std::isfinite(s.values.values[i]) && s.values.values[i] > 0) total += s.values.values[i];
  if (!(total > 0) || !std::isfinite(total)) return outer;
  std::vector<double> sweeps(n, 0.0);
  for (size_t i = 0; i < n; ++i)
    if (std::isfinite(s.values.values[i]) && s.values.values[i] > 0) sweeps[i] = 2 * kPi * s.values.values[i] / total;
  DrawRect room = spec.room;
  room.height -= spec.depth;
  const ChartPlot& p = PlotOf(c, s.plot);
  const double start = -kPi / 2 + p.firstSliceAngle * kPi / 180 + spec.turn;
  return PlanPieLabels(c, s, l, sweeps, total, room, outer, start, spec.flat, out);
}

void DrawPie(ChartCanvas& c, const ChartPlot& p, std::vector<const ChartSeries*> series, const PieSpec& spec) {
  const bool doughnut = p.kind == kChartDoughnut;
  if (!doughnut) series.resize(1);  // a pie shows its first series
  double maxExplode = 0;
  for (int32_t i = 0; i < std::min(series[0]->values.pointCount, 4096); ++i)
    maxExplode = std::max(maxExplode, double(Explosion(*series[0], i)));
  const DrawRect& room = spec.room;
  double outer = BaseRadius(spec, maxExplode);
  std::vector<PieLabel> planned;
  if (!doughnut) outer = PlanLabels(c, *series[0], spec, outer, &planned);
  const double cx = room.left + room.width / 2, cy = room.top + (room.height - spec.depth) / 2;
  const double hole = doughnut ? outer * p.holeSize / 100.0 : 0;
  // Rings thinner than a pixel show nothing: the outer ones that fit are drawn.
  const size_t rings = std::max<size_t>(1, std::min(series.size(), size_t(std::max(1.0, (outer - hole) / 1.0))));
  series.resize(rings);
  const double ring = (outer - hole) / double(series.size());
  for (size_t k = 0; k < series.size() && c.rc == XLX_OK; ++k) {
    const ChartSeries& s = *series[k];
    const size_t n = std::min(s.values.values.size(), spec.count);
    double total = spec.other;
    for (size_t i = 0; i < n; ++i)
      if (std::isfinite(s.values.values[i]) && s.values.values[i] > 0) total += s.values.values[i];
    if (!(total > 0) || !std::isfinite(total)) continue;
    const ChartDataLabels& l = LabelsOf(c, s);
    const double rOut = doughnut ? outer - ring * k : outer, rIn = doughnut ? rOut - ring : 0;
    // Side walls first, from the bottom up, then the tops.
    for (int32_t layer = int32_t(std::ceil(spec.depth)); layer >= 0 && c.rc == XLX_OK; --layer) {
      double angle = -kPi / 2 + p.firstSliceAngle * kPi / 180 + spec.turn;
      // Slices below a hair's breadth are skipped: a million of them would draw nothing visible.
      const double minAngle = n > 4096 ? 2 * kPi / 4096 : 0;
      for (size_t i = 0; i <= n && c.rc == XLX_OK; ++i) {
        const double v = i < n ? s.values.values[i] : spec.other;
        if (!std::isfinite(v) || v <= 0) continue;
        const double sweep = 2 * kPi * v / total;
        if (sweep < minAngle) {
          angle += sweep;
          continue;
        }
        const double mid = angle + sweep / 2;
        const double push = doughnut ? 0 : outer * (i < n ? Explosion(s, int32_t(i)) : 0) / 100.0;
        const double ox = cx + push * std::cos(mid), oy = cy + push * std::sin(mid) * spec.flat + layer;
        std::vector<DrawPoint> pts = Segment(ox, oy, rOut, rIn, angle, angle + sweep);
        for (DrawPoint& pt : pts) pt.y = oy + (pt.y - oy) * spec.flat;
        const CellColor color = p.varyColors || doughnut || series.size() == 1 ? AutoSeriesColor(c.chart, int32_t(i))
                                                                              : AutoSeriesColor(c.chart, s.idx);
        ChartPaint paint;
        const DrawRect box{ox - rOut, oy - rOut * spec.flat, 2 * rOut, 2 * rOut * spec.flat};
        const ChartShapeProps& props = PointProps(s, int32_t(i));
        if (layer > 0) {
          ChartShapeProps wall;
          wall.fillKind = kChartFillSolid;
          wall.fillColor = Shade(props.fillKind == kChartFillSolid ? props.fillColor : color, 0.7);
          wall.lineKind = kChartFillNone;
          MakePaint(c, wall, 0, 0, 0, &paint);
        } else {
          MakePaint(c, props, color, 0xFFFFFFFF, 0.75, &paint, &box);
        }
        c.Spend(pts.size());
        ChartPolygon(c, paint, pts.data(), int32_t(pts.size()));
        if (layer == 0 && !doughnut && i < planned.size()) {
          DrawPieLabel(c, l, planned[i], ox, oy, rOut, mid, spec.flat, color);
        } else if (layer == 0 && doughnut && l.present && !l.deleted && n <= 4096 && i < n) {
          const bool outside = l.position == kLabelPosOutsideEnd;
          const double lr = doughnut ? (rOut + rIn) / 2 : outside ? rOut * 1.12 : rOut * 0.65;
          DrawLabel(c, l, LabelText(c, s, l, int32_t(i), v, v / total), ox + lr * std::cos(mid),
                    oy + lr * std::sin(mid) * spec.flat);
        }
        angle += sweep;
      }
    }
  }
}

// The lines of an of-pie chart from the two edges of the first pie's split-off slice (which
// spans `share` of the pie, centred on the right) to the top and bottom of the second plot.
void DrawSeriesLines(ChartCanvas& c, const ChartPlot& p, const ChartSeries& s, const PieSpec& first, double share,
                     const DrawRect& second) {
  double maxExplode = 0;
  for (int32_t i = 0; i < std::min(s.values.pointCount, 4096); ++i) maxExplode = std::max(maxExplode, double(Explosion(s, i)));
  const DrawRect& r = first.room;
  const double outer = BaseRadius(first, maxExplode);
  const double cx = r.left + r.width / 2, cy = r.top + r.height / 2;
  const double half = kPi * std::max(0.0, std::min(share, 1.0));  // of-pie charts have no first-slice angle
  double tx, top, bottom;
  if (p.barOfPie) {
    tx = second.left + (second.width - std::min(second.width * 0.4, second.height * 0.3)) / 2;
    top = second.top, bottom = second.top + second.height;
  } else {
    const double r2 = std::max(1.0, std::min(second.width, second.height) / 2 * 0.95);
    tx = second.left + second.width / 2;
    top = second.top + second.height / 2 - r2, bottom = second.top + second.height / 2 + r2;
  }
  ChartPaint pen;
  MakePaint(c, p.seriesLinesShape, 0xFFFFFFFF, 0xFF000000, 0.75, &pen);
  if (!pen.pen) return;
  c.Ok(AddDrawLine(c.surface, pen.pen, cx + outer * std::cos(-half), cy + outer * std::sin(-half), tx, top));
  c.Ok(AddDrawLine(c.surface, pen.pen, cx + outer * std::cos(half), cy + outer * std::sin(half), tx, bottom));
}

// Pie of pie and bar of pie: the last points split off into a second pie or a stacked bar
// beside the first, whose one closing slice stands for them.
void DrawOfPie(ChartCanvas& c, const ChartPlot& p, const std::vector<const ChartSeries*>& series, const DrawRect& room) {
  const ChartSeries& s = *series[0];
  const size_t n = s.values.values.size();
  if (n < 2) return;
  const size_t split = p.splitPos > 0 ? std::min(n - 1, size_t(p.splitPos)) : std::max<size_t>(1, n / 3);
  double other = 0;
  for (size_t i = n - split; i < n; ++i)
    if (std::isfinite(s.values.values[i]) && s.values.values[i] > 0) other += s.values.values[i];
  PieSpec first;
  first.room = DrawRect{room.left, room.top, room.width * 0.55, room.height};
  first.count = n - split;
  first.other = other;
  // The split-off slice, drawn last, is centred on the line to the second plot: the first
  // slice starts half its sweep below that line.
  const double share = other / std::max(1e-300, other + [&] {
    double t = 0;
    for (size_t i = 0; i < n - split; ++i)
      if (std::isfinite(s.values.values[i]) && s.values.values[i] > 0) t += s.values.values[i];
    return t;
  }());
  first.turn = kPi / 2 + kPi * share;
  DrawPie(c, p, series, first);
  if (!(other > 0)) return;
  const double scale = std::max(0.05, std::min(p.secondSize / 100.0, 2.0)) * 0.8;
  const DrawRect second{room.left + room.width * 0.6, room.top + room.height * (1 - scale) / 2, room.width * 0.4,
                        room.height * scale};
  if (p.seriesLines) DrawSeriesLines(c, p, s, first, share, second);
  if (!p.barOfPie) {
    ChartSeries rest = s;
    rest.values.values.assign(s.values.values.begin() + long(n - split), s.values.values.end());
    rest.points.clear();
    ChartPlot inner = p;
    inner.kind = kChartPie;
    PieSpec spec;
    spec.room = second;
    spec.turn = -kPi * 0.25;
    DrawPie(c, inner, {&rest}, spec);
    return;
  }
  const double w = std::min(second.width * 0.4, second.height * 0.3), x = second.left + (second.width - w) / 2;
  double y = second.top + second.height;
  for (size_t i = n - split; i < n && c.rc == XLX_OK; ++i) {
    const double v = s.values.values[i];
    if (!std::isfinite(v) || v <= 0) continue;
    const double h = second.height * v / other;
    y -= h;
    ChartPaint paint;
    MakePaint(c, PointProps(s, int32_t(i)), AutoSeriesColor(c.chart, int32_t(i)), 0xFFFFFFFF, 0.75, &paint);
    c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, x, y, w, h));
  }
}

}  // namespace

void DrawPiePlot(ChartCanvas& c, const DrawRect& room, int32_t plot, double inset) {
  const ChartPlot& p = PlotOf(c, plot);
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  if (series.empty() || !(room.width >= 2) || !(room.height >= 2)) return;
  inset = std::max(0.0, std::min(inset, std::min(room.width, room.height) / 6));
  if (p.kind == kChartOfPie)
    return DrawOfPie(c, p, series, DrawRect{room.left + inset, room.top + inset, room.width - 2 * inset, room.height - 2 * inset});
  PieSpec spec;
  spec.room = room;
  spec.inset = inset;
  if (p.kind == kChartPie3D) {
    // The tilt of the view squeezes the pie; the side wall is a tenth of its height.
    const double tilt = std::max(10, std::min(c.chart.hasView3D ? c.chart.rotX : 30, 90)) * kPi / 180;
    spec.flat = std::sin(tilt);
    spec.depth = std::min(room.height * 0.12, std::min(room.width, room.height) * 0.1 * std::cos(tilt) + 2);
  }
  DrawPie(c, p, series, spec);
}

}  // namespace xlx
