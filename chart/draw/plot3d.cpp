// The 3-D plot area: the box the plot stands in, projected into the plot rectangle; floor, side
// wall and back wall with the gridlines on them; the series as solids painted back to front;
// axis lines and labels at the projected front edges of the box.
#include "chart/draw/plot3d.h"

#include <algorithm>
#include <cmath>

namespace xlx {

namespace {

constexpr double kAxisSizePt = 10;
constexpr CellColor kAxisGrey = 0xFF868686;
constexpr CellColor kNone = 0xFFFFFFFF;

int32_t First3DPlot(const ChartModel& m) {
  for (size_t i = 0; i < m.plots.size(); ++i)
    if (Is3DPlotKind(m.plots[i].kind)) return int32_t(i);
  return -1;
}

// Series rows one behind the other: a standard 3-D grouping and every line and surface chart
// put each series in its own row; clustered and stacked bars and stacked areas share one.
int32_t SeriesRows(const ChartCanvas& c, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  const int32_t n = std::max<int32_t>(1, int32_t(SeriesOfPlot(c, plot).size()));
  if (p.kind == kChartLine3D) return n;
  if (p.kind == kChartSurface3D || p.kind == kChartSurface) return std::max(2, n);
  return p.grouping == kGroupStandard ? n : 1;
}

View3DSpec ViewOf(const ChartModel& m, int32_t kind) {
  View3DSpec v;
  v.rotX = m.rotX, v.rotY = m.rotY;
  // Without `c:rAngAx` column and bar charts keep right angles; the others turn in perspective.
  v.oblique = m.rightAngleAxes >= 0 ? m.rightAngleAxes == 1 : kind == kChartBar3D;
  v.fieldOfView = m.perspective / 2.0;
  // A contour chart is its surface seen from straight above, filling the plot.
  if (kind == kChartSurface) v.rotX = 90, v.rotY = 0, v.oblique = false, v.fieldOfView = 0, v.stretch = true;
  return v;
}

bool FacesViewer(const Scene3D& s, Face3D face, const Point3& inward) {
  OrientFace(&face, inward);
  DrawPoint pts[4];
  for (int32_t i = 0; i < 4; ++i) pts[i] = Project(s.proj, face.points[size_t(i)]);
  return SignedArea(pts, 4) > 0;
}

Scene3D SetUpScene(const ChartCanvas& c, const PlotFrame& f, int32_t plot) {
  const ChartPlot& p = PlotOf(c, plot);
  Scene3D s;
  s.cat = &f.category[0], s.val = &f.value[0];
  s.horizontal = p.kind == kChartBar3D && p.horizontal;
  s.contour = p.kind == kChartSurface;
  s.categories = std::max(1, f.category[0].categoryCount);
  s.rows = SeriesRows(c, plot);
  // World x is as long as the plot is wide; y follows the plot's proportions unless the view
  // fixes the height as a share of the width.
  const double aspect = std::max(0.05, std::min(f.plot.height / std::max(1.0, f.plot.width), 20.0));
  s.w = 1;
  s.h = c.chart.heightPercent > 0 && !s.horizontal ? c.chart.heightPercent / 100.0 : aspect;
  const double categoryLength = s.horizontal ? s.h : s.w;
  const bool surface = p.kind == kChartSurface3D || p.kind == kChartSurface;
  // The depth is a share of one category's width for each row (the whole width for surfaces).
  const double base = surface ? categoryLength : categoryLength / s.categories * s.rows;
  s.d = std::max(0.02, std::min(base * c.chart.depthPercent / 100.0, 3.0));
  s.proj = MakeProjection(ViewOf(c.chart, p.kind), s.w, s.h, s.d, f.plot);
  Face3D back, side;
  back.points = {{0, 0, s.d}, {s.w, 0, s.d}, {s.w, s.h, s.d}, {0, s.h, s.d}};
  s.backZ = FacesViewer(s, back, Point3{0, 0, -1}) ? s.d : 0;
  side.points = {{0, 0, 0}, {0, 0, s.d}, {0, s.h, s.d}, {0, s.h, 0}};
  s.sideX = FacesViewer(s, side, Point3{1, 0, 0}) ? 0 : s.w;
  return s;
}

void DrawWorldLine(ChartCanvas& c, const Scene3D& s, const VkPen* pen, const Point3& a, const Point3& b) {
  const DrawPoint p = Project(s.proj, a), q = Project(s.proj, b);
  c.Ok(AddDrawLine(c.surface, pen, p.x, p.y, q.x, q.y));
}

void DrawWall(ChartCanvas& c, const Scene3D& s, const ChartShapeProps& props, const std::vector<Point3>& corners) {
  ChartPaint paint;
  DrawPoint pts[4];
  double lo = 1e300, hi = -1e300, top = 1e300, bottom = -1e300;
  for (int32_t i = 0; i < 4; ++i) {
    pts[i] = Project(s.proj, corners[size_t(i)]);
    lo = std::min(lo, pts[i].x), hi = std::max(hi, pts[i].x), top = std::min(top, pts[i].y), bottom = std::max(bottom, pts[i].y);
  }
  const DrawRect box{lo, top, std::max(1.0, hi - lo), std::max(1.0, bottom - top)};
  // Walls and floor left to the application's choice have neither fill nor line.
  MakePaint(c, props, kNone, kNone, 0.75, &paint, &box);
  if (paint.pen || paint.brush || paint.picture) ChartPolygon(c, paint, pts, 4);
}

// A gridline at world coordinate `at` across the x axis (on the back wall and the floor) or
// across the y axis (on the back wall and the side wall).
void DrawWallGridline(ChartCanvas& c, const Scene3D& s, const VkPen* pen, bool acrossX, double at) {
  if (!std::isfinite(at)) return;
  if (acrossX) {
    DrawWorldLine(c, s, pen, Point3{at, 0, 0}, Point3{at, 0, s.d});
    DrawWorldLine(c, s, pen, Point3{at, 0, s.backZ}, Point3{at, s.h, s.backZ});
  } else {
    DrawWorldLine(c, s, pen, Point3{s.sideX, at, 0}, Point3{s.sideX, at, s.d});
    DrawWorldLine(c, s, pen, Point3{0, at, s.backZ}, Point3{s.w, at, s.backZ});
  }
}

void DrawWallGridlines(ChartCanvas& c, const Scene3D& s) {
  for (const AxisLayout* a : {s.val, s.cat}) {
    if (!a->axis) continue;
    const ChartAxis& ax = *a->axis;
    const bool acrossX = (a == s.val) == s.horizontal;  // the axis runs along world x
    const double length = acrossX ? s.w : s.h;
    for (int32_t minor = 1; minor >= 0; --minor) {
      if (!(minor ? ax.minorGridlines : ax.majorGridlines)) continue;
      ChartPaint paint;
      MakePaint(c, minor ? ax.minorGridShape : ax.majorGridShape, kNone, minor ? 0xFFD9D9D9 : kAxisGrey, 0.75, &paint);
      if (!paint.pen) continue;
      if (a == s.val) {
        ChartScale scale = a->scale;
        if (minor && scale.log) continue;
        if (minor) scale.major = scale.minor;
        for (double v : Ticks(scale)) DrawWallGridline(c, s, paint.pen, acrossX, s.ValueFraction(v) * length);
      } else if (s.categories <= 4096) {
        for (int32_t i = 0; i <= s.categories && c.rc == XLX_OK; ++i)
          DrawWallGridline(c, s, paint.pen, acrossX, s.CategoryFraction(i) * length);
      }
    }
  }
}

void DrawFloorAndWalls(ChartCanvas& c, const Scene3D& s) {
  const ChartModel& m = c.chart;
  DrawWall(c, s, m.floor, {{0, 0, 0}, {s.w, 0, 0}, {s.w, 0, s.d}, {0, 0, s.d}});
  if (!s.contour) {
    DrawWall(c, s, m.sideWall, {{s.sideX, 0, 0}, {s.sideX, 0, s.d}, {s.sideX, s.h, s.d}, {s.sideX, s.h, 0}});
    DrawWall(c, s, m.backWall, {{0, 0, s.backZ}, {s.w, 0, s.backZ}, {s.w, s.h, s.backZ}, {0, s.h, s.backZ}});
  }
  DrawWallGridlines(c, s);
}

// Text beside a projected point: `dx`, `dy` (each -1, 0 or 1) say on which side of it.
void PlaceLabel(ChartCanvas& c, const std::u16string& text, const DrawFontSpec& font, CellColor color, DrawPoint at,
                int32_t dx, int32_t dy) {
  if (text.empty() || !std::isfinite(at.x) || !std::isfinite(at.y)) return;
  double w, h;
  MeasureChartText(c, text, font, &w, &h);
  const double gap = c.Px(4);
  DrawChartTextAt(c, text, font, color, at.x + dx * (gap + w / 2), at.y + dy * (gap + h / 2), 0);
}

const ChartAxis* SeriesAxis(const ChartModel& m) {
  for (const ChartAxis& a : m.axes)
    if (a.type == kAxisSeries) return &a;
  return nullptr;
}

void DrawAxisLines(ChartCanvas& c, const Scene3D& s) {
  for (const AxisLayout* a : {s.cat, s.val}) {
    if (!a->visible) continue;
    ChartPaint paint;
    MakePaint(c, a->axis ? a->axis->line : ChartShapeProps(), kNone, kAxisGrey, 0.75, &paint);
    if (!paint.pen) continue;
    const bool alongX = (a == s.val) == s.horizontal;
    const double z = s.FrontZ();
    if (alongX) DrawWorldLine(c, s, paint.pen, Point3{0, 0, z}, Point3{s.w, 0, z});
    else DrawWorldLine(c, s, paint.pen, Point3{s.sideX, 0, z}, Point3{s.sideX, s.h, z});
  }
}

void DrawAxisLabels3D(ChartCanvas& c, const Scene3D& s, int32_t plot) {
  // Labels beside the side wall go outwards: to the left when the wall stands on the page's left.
  const double farX = s.sideX > 0 ? 0 : s.w;
  const int32_t sideDx =
      Project(s.proj, Point3{s.sideX, 0, s.FrontZ()}).x <= Project(s.proj, Point3{farX, 0, s.FrontZ()}).x ? -1 : 1;
  auto labelAt = [&](bool alongX, double fraction, int32_t* dx, int32_t* dy) {
    *dx = alongX ? 0 : sideDx, *dy = alongX ? 1 : 0;
    return alongX ? Project(s.proj, Point3{fraction * s.w, 0, s.FrontZ()})
                  : Project(s.proj, Point3{s.sideX, fraction * s.h, s.FrontZ()});
  };
  int32_t dx = 0, dy = 0;
  const AxisLayout& val = *s.val;
  if (val.visible && !s.contour && !(val.axis && val.axis->tickLabelPos == kTickLblNone)) {
    const DrawFontSpec font = ChartFont(c, val.axis ? val.axis->textProps : ChartTextProps(), kAxisSizePt, false);
    const CellColor color = ChartTextColor(c, val.axis ? val.axis->textProps : ChartTextProps());
    const bool percent = PlotOf(c, plot).grouping == kGroupPercentStacked;
    for (double v : Ticks(val.scale)) {
      const DrawPoint at = labelAt(s.horizontal, s.ValueFraction(v), &dx, &dy);
      PlaceLabel(c, ValueLabel(c, val, v, percent), font, color, at, dx, dy);
    }
  }
  const AxisLayout& cat = *s.cat;
  if (cat.visible && cat.labelSeries && s.categories <= 4096 && !(cat.axis && cat.axis->tickLabelPos == kTickLblNone)) {
    const DrawFontSpec font = ChartFont(c, cat.axis ? cat.axis->textProps : ChartTextProps(), kAxisSizePt, false);
    const CellColor color = ChartTextColor(c, cat.axis ? cat.axis->textProps : ChartTextProps());
    const std::u16string code = cat.axis && !cat.axis->sourceLinked ? cat.axis->formatCode : std::u16string();
    for (int32_t i = 0; i < s.categories && c.rc == XLX_OK; i += std::max(1, cat.labelStep)) {
      const DrawPoint at = labelAt(!s.horizontal, s.CategoryFraction(i + (cat.between ? 0.5 : 0)), &dx, &dy);
      PlaceLabel(c, CategoryText(*cat.labelSeries, i, code, c.chart.date1904), font, color, at, dx, dy);
    }
  }
  // Series names along the depth, beside the floor's far side edge.
  const ChartAxis* ser = SeriesAxis(c.chart);
  if (s.rows < 2 || !ser || ser->deleted || ser->tickLabelPos == kTickLblNone) return;
  const std::vector<const ChartSeries*> series = SeriesOfPlot(c, plot);
  const DrawFontSpec font = ChartFont(c, ser->textProps, kAxisSizePt, false);
  const CellColor color = ChartTextColor(c, ser->textProps);
  const bool surface = PlotOf(c, plot).kind == kChartSurface3D || PlotOf(c, plot).kind == kChartSurface;
  for (size_t k = 0; k < series.size() && k < 512 && c.rc == XLX_OK; ++k) {
    double depth = surface ? double(k) / std::max(1, s.rows - 1) : (k + 0.5) / s.rows;
    if (ser->reversed) depth = 1 - depth;
    PlaceLabel(c, series[k]->name, font, color, Project(s.proj, Point3{farX, 0, depth * s.d}), -sideDx, 0);
  }
}

// Data labels over the solids: above the front of a bar's end (beside it for horizontal bars),
// centred on it when asked to sit inside or in the middle.
void DrawLabels3D(ChartCanvas& c, const Scene3D& s, const std::vector<Label3D>& labels) {
  constexpr size_t kMaxLabels = 20000;
  for (size_t k = 0; k < labels.size() && k < kMaxLabels && c.rc == XLX_OK; ++k) {
    const Label3D& q = labels[k];
    const ChartDataLabels& l = LabelsOf(c, *q.series);
    const std::u16string text = LabelText(c, *q.series, l, q.index, q.value, NAN);
    if (text.empty()) continue;
    double w, h;
    MeasureChartText(c, text, ChartFont(c, l.textProps, 10, false), &w, &h);
    const bool inside = l.position == kLabelPosCenter || l.position == kLabelPosInsideEnd ||
                        l.position == kLabelPosInsideBase;
    const double away = inside ? 0 : (q.value < 0 ? -1 : 1) * (c.Px(3) + (s.horizontal ? w : h) / 2);
    const DrawPoint at = Project(s.proj, q.at);
    DrawLabel(c, l, text, at.x + (s.horizontal ? away : 0), at.y - (s.horizontal ? 0 : away));
  }
}

}  // namespace

bool Is3DPlotKind(int32_t kind) {
  return kind == kChartBar3D || kind == kChartLine3D || kind == kChartArea3D || kind == kChartSurface3D ||
         kind == kChartSurface;
}

double Scene3D::CategoryFraction(double category) const {
  const double slots = cat && !cat->between ? std::max(1, categories - 1) : categories;
  const double f = category / slots;
  return cat && cat->scale.reversed ? 1 - f : f;
}

double Scene3D::ValueFraction(double value) const {
  const double f = val ? ScaleFraction(val->scale, value) : 0;
  return std::isfinite(f) ? std::max(0.0, std::min(f, 1.0)) : 0;
}

Point3 Scene3D::At(double category, double value, double depth) const {
  const double cf = CategoryFraction(category), vf = ValueFraction(value);
  return horizontal ? Point3{vf * w, cf * h, depth * d} : Point3{cf * w, vf * h, depth * d};
}

void Draw3DPlotArea(ChartCanvas& c, const PlotFrame& f) {
  const int32_t plot = First3DPlot(c.chart);
  if (plot < 0) return;
  FillShapeRect(c, c.chart.plotShape, f.plot, kNone, kNone);
  const Scene3D scene = SetUpScene(c, f, plot);
  DrawFloorAndWalls(c, scene);
  std::vector<Solid3D> solids;
  std::vector<Label3D> labels;
  for (int32_t p = 0; p < int32_t(c.chart.plots.size()) && c.rc == XLX_OK; ++p) {
    const int32_t kind = c.chart.plots[size_t(p)].kind;
    if (kind == kChartBar3D) AddBarSolids(c, scene, p, &solids, &labels);
    else if (kind == kChartLine3D) AddRibbonSolids(c, scene, p, &solids, &labels);
    else if (kind == kChartArea3D) AddAreaSolids(c, scene, p, &solids);
    else if (kind == kChartSurface3D || kind == kChartSurface) AddSurfaceSolids(c, scene, p, &solids);
  }
  PaintSolids(c, scene, &solids);
  DrawLabels3D(c, scene, labels);
  DrawAxisLines(c, scene);
  DrawAxisLabels3D(c, scene, plot);
  for (const AxisLayout* a : {scene.cat, scene.val})
    if (a->visible) DrawAxisTitle(c, *a, f.plot);
}

}  // namespace xlx
