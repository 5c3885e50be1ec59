// The series of 3-D plots as solids: columns and bars as boxes, lines as ribbons, areas as slabs
// one row behind the other (or stacked in one), surfaces as a mesh coloured by value band.
#include <algorithm>
#include <cmath>

#include "chart/draw/plot3d.h"

namespace xlx {

namespace {

// Points of one series a 3-D plot shows; a mesh is thinned to at most this many cells.
constexpr int32_t kMaxPoints3D = 20000;
constexpr int32_t kMaxMeshCells = 40000;
// Solids (and faces of area slabs) one plot adds; a hostile plot's rest is left out.
constexpr size_t kMaxSolids = 40000;

double BaseValue(const AxisLayout& v) {
  if (v.scale.log) return v.scale.min;
  return std::max(v.scale.min, std::min(0.0, v.scale.max));
}

Point3 Centre(const std::vector<Point3>& pts) {
  Point3 m;
  for (const Point3& p : pts) m.x += p.x, m.y += p.y, m.z += p.z;
  const double n = double(std::max<size_t>(1, pts.size()));
  return Point3{m.x / n, m.y / n, m.z / n};
}

// A face whose colour is lit by its normal turned upwards (faces seen from either side).
Face3D OpenFace(std::vector<Point3> pts, CellColor color) {
  Face3D f;
  f.points = std::move(pts);
  Point3 n = FaceNormal(f.points);
  if (n.y < 0) n = Point3{-n.x, -n.y, -n.z};
  f.fill = ShadeFace(color, n);
  return f;
}

// The depth span of series row `row` of `rows`, narrowed by the gap between rows.
void RowSpan(int32_t row, int32_t rows, int32_t gapDepth, double* z0, double* z1) {
  const double slot = 1.0 / std::max(1, rows), depth = slot / (1 + gapDepth / 100.0);
  *z0 = row * slot + (slot - depth) / 2, *z1 = *z0 + depth;
}

// The line colour of a line series: its own line, else its fill, else the automatic colour.
CellColor LineSeriesColor(const ChartCanvas& c, const ChartSeries& s) {
  if (s.shape.lineKind == kChartFillSolid) return s.shape.lineColor;
  if (s.shape.fillKind == kChartFillSolid || s.shape.fillKind == kChartFillGradient) return s.shape.fillColor;
  return AutoSeriesColor(c.chart, SeriesColorIndex(c, &s));
}

struct Box {
  double c0, c1, v0, v1, z0, z1;  // category positions, values, depth fractions
};

// The cross-section of a bar shape around its axis, as unit offsets across the category (x) and
// the depth (y): a square for boxes and pyramids, a polygon of many sides for round shapes.
std::vector<DrawPoint> Section(int32_t shape) {
  std::vector<DrawPoint> out;
  if (shape == kBarCylinder || shape == kBarCone || shape == kBarConeToMax) {
    constexpr int32_t kSides = 24;
    for (int32_t i = 0; i < kSides; ++i) {
      const double t = 2 * 3.14159265358979323846 * i / kSides;
      out.push_back({std::cos(t), std::sin(t)});
    }
    return out;
  }
  return {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
}

// How wide a shape is at the bottom and the top of its bar: cones and pyramids close to a point
// at the bar's end, or at the axis maximum for the "to max" shapes, cut at the bar's end.
void Taper(const Scene3D& s, int32_t shape, const Box& b, double* bottom, double* top) {
  *bottom = *top = 1;
  if (shape == kBarCone || shape == kBarPyramid) *top = 0;
  if (shape == kBarConeToMax || shape == kBarPyramidToMax) {
    const double f0 = s.ValueFraction(b.v0), f1 = s.ValueFraction(b.v1);
    const double reach = b.v1 >= b.v0 ? 1 - f0 : f0;  // to the end of the axis the bar grows towards
    *top = reach > 1e-9 ? std::max(0.0, 1 - std::fabs(f1 - f0) / reach) : 0;
  }
}

// One bar as a solid of its shape, its faces lit and culled.
void AddColumn(const Scene3D& s, int32_t shape, const Box& b, CellColor color, const ChartShapeProps& props,
               double lineWidthPx, std::vector<Solid3D>* out) {
  if (!(s.ValueFraction(b.v0) != s.ValueFraction(b.v1))) return;  // no height on the axis
  const std::vector<DrawPoint> section = Section(shape);
  double scale[2];
  Taper(s, shape, b, &scale[0], &scale[1]);
  const double cm = (b.c0 + b.c1) / 2, zm = (b.z0 + b.z1) / 2, hc = (b.c1 - b.c0) / 2, hz = (b.z1 - b.z0) / 2;
  auto ring = [&](int32_t end) {
    std::vector<Point3> pts;
    for (const DrawPoint& u : section)
      pts.push_back(s.At(cm + hc * scale[end] * u.x, end ? b.v1 : b.v0, zm + hz * scale[end] * u.y));
    return pts;
  };
  const std::vector<Point3> low = ring(0), high = ring(1);
  const Point3 mid = s.At(cm, (b.v0 + b.v1) / 2, zm);
  Solid3D solid;
  // Bars stand on the floor: they are ordered by where they stand, whatever their height.
  solid.depth = ViewDepth(s.proj, s.At(cm, std::nan(""), zm));
  auto add = [&](std::vector<Point3> pts) {
    Face3D f;
    f.points = std::move(pts);
    const Point3 fc = Centre(f.points);
    OrientFace(&f, Point3{fc.x - mid.x, fc.y - mid.y, fc.z - mid.z});
    f.cull = true;
    f.fill = ShadeFace(color, FaceNormal(f.points));
    if (props.lineKind == kChartFillSolid) f.line = props.lineColor, f.lineWidthPx = lineWidthPx;
    else if (section.size() > 4) f.line = f.fill, f.lineWidthPx = 1;  // no seams between the sides of round shapes
    solid.faces.push_back(std::move(f));
  };
  const size_t n = section.size();
  for (size_t i = 0; i < n; ++i) {
    const size_t j = (i + 1) % n;
    if (scale[1] > 0) add({low[i], low[j], high[j], high[i]});
    else add({low[i], low[j], high[i]});
  }
  add(low);
  if (scale[1] > 0) add(high);
  out->push_back(std::move(solid));
}

bool HasLabels(const ChartCanvas& c, const ChartSeries& s) {
  const ChartDataLabels& l = LabelsOf(c, s);
  return l.present && !l.deleted;
}

// Values of stacked series: where each point's bar or band starts, totals for percent stacks.
struct Stacks {
  std::vector<double> positive, negative, total;
  bool stacked = false, percent = false;
  bool cumulative = false;  // areas stack every value on the running sum; bars part the signs
  void SetUp(const ChartPlot& p, const std::vector<const ChartSeries*>& series) {
    stacked = p.grouping == kGroupStacked || p.grouping == kGroupPercentStacked;
    percent = p.grouping == kGroupPercentStacked;
    StackTotals(series, &positive, &negative);
    total.resize(positive.size());
    for (size_t i = 0; i < positive.size(); ++i) total[i] = positive[i] - negative[i];
    std::fill(positive.begin(), positive.end(), 0.0);
    std::fill(negative.begin(), negative.end(), 0.0);
  }
  // The span of value v at point i, stacked on what came before; false when it shows nothing.
  bool Span(size_t i, double v, double base, double* v0, double* v1) {
    if (!std::isfinite(v)) return false;
    if (!stacked) {
      *v0 = base, *v1 = v;
      return true;
    }
    double& acc = cumulative || v >= 0 ? positive[i] : negative[i];
    *v0 = acc, *v1 = acc + v;
    acc += v;
    if (percent) {
      if (!(total[i] > 0)) return false;
      *v0 /= total[i], *v1 /= total[i];
    }
    return true;
  }
};

}  // namespace

CellColor SeriesPointColor(const ChartCanvas& c, const ChartSeries& s, int32_t i, bool varyPoints) {
  const ChartShapeProps& props = PointProps(s, i);
  if (props.fillKind != kChartFillAuto && props.fillKind != kChartFillNone) return props.fillColor;
  return varyPoints ? AutoSeriesColor(c.chart, i) : AutoSeriesColor(c.chart, SeriesColorIndex(c, &s));
}

void AddBarSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out,
                  std::vector<Label3D>* labels) {
  const ChartPlot& p = PlotOf(c, plot);
  const std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  const int32_t n = int32_t(series.size());
  const bool clustered = p.grouping == kGroupClustered;
  const double g = p.gapWidth / 100.0, base = BaseValue(*scene.val);
  const double width = clustered ? 1 / (n + g) : 1 / (1 + g);
  Stacks stacks;
  stacks.SetUp(p, series);
  const double lineWidth = std::max(0.5, c.Px(0.75));
  for (int32_t k = 0; k < n; ++k) {
    const ChartSeries& s = *series[size_t(k)];
    double z0, z1;
    RowSpan(p.grouping == kGroupStandard ? k : 0, p.grouping == kGroupStandard ? n : 1, p.gapDepth, &z0, &z1);
    const int32_t count = std::min<int32_t>(int32_t(s.values.values.size()), kMaxPoints3D);
    for (int32_t i = 0; i < count && out->size() < kMaxSolids; ++i) {
      Box b;
      if (!stacks.Span(size_t(i), s.values.values[size_t(i)], base, &b.v0, &b.v1)) continue;
      b.c0 = i + g * width / 2 + (clustered ? k * width : 0), b.c1 = b.c0 + width;
      b.z0 = z0, b.z1 = z1;
      const ChartShapeProps& props = PointProps(s, i);
      if (HasLabels(c, s))
        labels->push_back({&s, i, s.values.values[size_t(i)], scene.At((b.c0 + b.c1) / 2, b.v1, b.z0)});
      AddColumn(scene, p.barShape, b, SeriesPointColor(c, s, i, p.varyColors && n == 1), props, lineWidth, out);
    }
  }
}

void AddRibbonSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out,
                     std::vector<Label3D>* labels) {
  const ChartPlot& p = PlotOf(c, plot);
  const std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  const int32_t n = int32_t(series.size());
  const double shift = scene.cat->between ? 0.5 : 0;
  for (int32_t k = 0; k < n; ++k) {
    const ChartSeries& s = *series[size_t(k)];
    double z0, z1;
    RowSpan(k, n, p.gapDepth, &z0, &z1);
    const CellColor color = LineSeriesColor(c, s);
    const int32_t count = std::min<int32_t>(int32_t(s.values.values.size()), kMaxPoints3D);
    for (int32_t i = 0; i < count && HasLabels(c, s); ++i)
      if (std::isfinite(s.values.values[size_t(i)]))
        labels->push_back({&s, i, s.values.values[size_t(i)], scene.At(i + shift, s.values.values[size_t(i)], z0)});
    for (int32_t i = 0; i + 1 < count && out->size() < kMaxSolids; ++i) {
      const double a = s.values.values[size_t(i)], b = s.values.values[size_t(i) + 1];
      if (!std::isfinite(a) || !std::isfinite(b)) continue;
      Face3D f = OpenFace({scene.At(i + shift, a, z0), scene.At(i + 1 + shift, b, z0), scene.At(i + 1 + shift, b, z1),
                           scene.At(i + shift, a, z1)},
                          color);
      // An edge in the series' darker shade keeps a ribbon seen edge-on visible.
      f.line = ShadeFace(color, Point3{0, -1, 0});
      f.lineWidthPx = std::max(0.5, c.Px(0.5));
      Solid3D solid;
      solid.depth = ViewDepth(scene.proj, Centre(f.points));
      solid.faces.push_back(std::move(f));
      out->push_back(std::move(solid));
    }
  }
}

void AddAreaSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out) {
  const ChartPlot& p = PlotOf(c, plot);
  const std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  const int32_t n = int32_t(series.size());
  const bool rows = p.grouping == kGroupStandard;
  const double shift = scene.cat->between ? 0.5 : 0, base = BaseValue(*scene.val);
  Stacks stacks;
  stacks.SetUp(p, series);
  stacks.cumulative = true;
  size_t faces = 0;
  for (int32_t k = 0; k < n; ++k) {
    const ChartSeries& s = *series[size_t(k)];
    const int32_t count = std::min<int32_t>(int32_t(s.values.values.size()), kMaxPoints3D);
    if (count < 1) continue;
    faces += size_t(count) + 3;
    if (faces > kMaxSolids) break;
    double z0, z1;
    RowSpan(rows ? k : 0, rows ? n : 1, p.gapDepth, &z0, &z1);
    const CellColor color = SeriesPointColor(c, s, -1, false);
    std::vector<double> low(static_cast<size_t>(count)), high(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
      const double v = s.values.values[size_t(i)];
      // A gap in an area is a zero.
      if (!stacks.Span(size_t(i), std::isfinite(v) ? v : 0, base, &low[size_t(i)], &high[size_t(i)]))
        low[size_t(i)] = high[size_t(i)] = stacks.percent ? 0 : base;
    }
    auto edge = [&](int32_t i, bool top, double z) { return scene.At(i + shift, top ? high[size_t(i)] : low[size_t(i)], z); };
    auto side = [&](double z) {
      std::vector<Point3> pts;
      for (int32_t i = 0; i < count; ++i) pts.push_back(edge(i, true, z));
      for (int32_t i = count - 1; i >= 0; --i) pts.push_back(edge(i, false, z));
      return pts;
    };
    Solid3D slab;
    slab.depth = ViewDepth(scene.proj, scene.At(count / 2.0, 0, (z0 + z1) / 2));
    std::vector<Face3D> middle;
    for (int32_t i = 0; i + 1 < count; ++i)
      middle.push_back(OpenFace({edge(i, true, z0), edge(i + 1, true, z0), edge(i + 1, true, z1), edge(i, true, z1)}, color));
    for (int32_t i : {0, count - 1})
      middle.push_back(OpenFace({edge(i, false, z0), edge(i, true, z0), edge(i, true, z1), edge(i, false, z1)}, color));
    std::stable_sort(middle.begin(), middle.end(), [&](const Face3D& a, const Face3D& b) {
      return ViewDepth(scene.proj, Centre(a.points)) > ViewDepth(scene.proj, Centre(b.points));
    });
    const bool frontNear = ViewDepth(scene.proj, scene.At(0, base, z0)) < ViewDepth(scene.proj, scene.At(0, base, z1));
    Face3D front = OpenFace(side(z0), color), back = OpenFace(side(z1), color);
    front.fill = back.fill = color;
    slab.faces.push_back(frontNear ? std::move(back) : std::move(front));
    for (Face3D& f : middle) slab.faces.push_back(std::move(f));
    slab.faces.push_back(frontNear ? std::move(front) : std::move(back));
    out->push_back(std::move(slab));
  }
}

void AddSurfaceSolids(const ChartCanvas& c, const Scene3D& scene, int32_t plot, std::vector<Solid3D>* out) {
  std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  if (series.empty()) return;
  int32_t cols = 0;
  for (const ChartSeries* s : series) cols = std::max(cols, int32_t(std::min<size_t>(s->values.values.size(), kMaxPoints3D)));
  if (cols < 1) return;
  if (series.size() == 1) series.push_back(series[0]);  // one series spans the depth alone
  const int32_t rows = int32_t(std::min<size_t>(series.size(), size_t(kMaxMeshCells)));
  const int32_t span = std::max(1, cols - 1);
  auto value = [&](int32_t r, int32_t i) {
    const ChartSeries& s = *series[size_t(r)];
    const size_t k = size_t(std::min(i, cols - 1));
    return k < s.values.values.size() && std::isfinite(s.values.values[k]) ? s.values.values[k] : 0.0;
  };
  // Cells are cut into parts so that the colour bands follow the values between the points.
  const int64_t cells = int64_t(span) * std::max(1, rows - 1);
  if (cells > kMaxMeshCells) return;
  const int32_t parts = cells <= 400 ? 4 : cells <= 4000 ? 2 : 1;
  const ChartScale& scale = scene.val->scale;
  auto at = [&](double ci, double r, double v) {
    double xf = std::min(1.0, ci / span);
    if (scene.cat->scale.reversed) xf = 1 - xf;
    return Point3{xf * scene.w, scene.ValueFraction(v) * scene.h, r / std::max(1, rows - 1) * scene.d};
  };
  for (int32_t r = 0; r + 1 < rows; ++r) {
    for (int32_t i = 0; i < span; ++i) {
      const double v00 = value(r, i), v01 = value(r, i + 1), v10 = value(r + 1, i), v11 = value(r + 1, i + 1);
      for (int32_t a = 0; a < parts; ++a) {
        for (int32_t b = 0; b < parts; ++b) {
          auto lerp = [&](double u, double t) { return (v00 * (1 - u) + v01 * u) * (1 - t) + (v10 * (1 - u) + v11 * u) * t; };
          const double u0 = double(a) / parts, u1 = double(a + 1) / parts, t0 = double(b) / parts, t1 = double(b + 1) / parts;
          const double mean = lerp((u0 + u1) / 2, (t0 + t1) / 2);
          const double band = scale.major > 0 && !scale.log ? std::floor((mean - scale.min) / scale.major) : 0;
          const CellColor color = AutoSeriesColor(c.chart, int32_t(std::max(0.0, std::min(band, 1000.0))));
          Face3D f = OpenFace({at(i + u0, r + t0, lerp(u0, t0)), at(i + u1, r + t0, lerp(u1, t0)),
                               at(i + u1, r + t1, lerp(u1, t1)), at(i + u0, r + t1, lerp(u0, t1))},
                              color);
          if (scene.contour) f.fill = color;
          f.line = f.fill, f.lineWidthPx = 0.5;  // closes the seams between parts
          Solid3D solid;
          solid.depth = ViewDepth(scene.proj, Centre(f.points));
          solid.faces.push_back(std::move(f));
          out->push_back(std::move(solid));
        }
      }
    }
  }
}

}  // namespace xlx
