#include "view/cells/sparklines.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "common/resultcodes.h"

namespace xlx {

namespace {

constexpr double kInsetShare = 0.1;  // of the cell's height, above and below the plot

// Finite values of a sparkline into lo/hi.
void Widen(const std::vector<double>& values, double* lo, double* hi) {
  for (double v : values)
    if (std::isfinite(v)) *lo = std::min(*lo, v), *hi = std::max(*hi, v);
}

struct Pens {
  VkPen* pen = nullptr;
  VkBrush* brush = nullptr;
  Pens() = default;
  Pens(const Pens&) = delete;
  Pens& operator=(const Pens&) = delete;
  ~Pens() {
    FreeDrawPen(pen);
    FreeDrawBrush(brush);
  }
};

CellColor Grey(const PageRenderRequest& r, CellColor c) {
  if (!r.blackAndWhite) return c;
  const uint32_t y = ((c & 0xFF) * 30 + ((c >> 8) & 0xFF) * 59 + ((c >> 16) & 0xFF) * 11) / 100;
  return 0xFF000000u | y | y << 8 | y << 16;
}

// The colour a point is marked or filled in, by the group's flags (high and low among the
// sparkline's own values); `plain` when none applies.
CellColor PointColor(const SparklineGroup& g, const std::vector<double>& v, size_t i, CellColor plain, bool* marked) {
  const double inf = std::numeric_limits<double>::infinity();
  double lo = inf, hi = -inf;
  if (g.showHigh || g.showLow) Widen(v, &lo, &hi);
  const size_t first = 0, last = v.size() - 1;
  *marked = true;
  if (g.showHigh && v[i] == hi) return g.high;
  if (g.showLow && v[i] == lo) return g.low;
  if (g.showFirst && i == first) return g.first;
  if (g.showLast && i == last) return g.last;
  if (g.showNegative && v[i] < 0) return g.negative;
  *marked = g.showMarkers;
  return plain;
}

// The values as drawn: left to right (reversed right to left), empty cells by the group's rule.
std::vector<double> Plotted(const SparklineGroup& g, const Sparkline& line) {
  std::vector<double> v = line.values;
  if (g.rightToLeft) std::reverse(v.begin(), v.end());
  if (g.blanks == kSparkBlankZero)
    for (double& x : v)
      if (!std::isfinite(x)) x = 0;
  return v;
}

// Where each plotted value stands across the box, from 0 to 1, in the order Plotted gives: by its
// date on a date axis whose dates differ (NaN for a value without one), else evenly.
std::vector<double> Places(const SparklineGroup& g, const Sparkline& line) {
  const size_t n = line.values.size();
  double first = std::numeric_limits<double>::infinity(), last = -first;
  if (line.dates.size() == n) Widen(line.dates, &first, &last);
  const bool byDate = last > first;
  std::vector<double> at(n);
  for (size_t i = 0; i < n; ++i) {
    const double d = byDate ? line.dates[i] : 0;
    at[i] = byDate ? (std::isfinite(d) ? (d - first) / (last - first) : NAN) : n == 1 ? 0.5 : double(i) / double(n - 1);
  }
  if (g.rightToLeft) {
    std::reverse(at.begin(), at.end());
    for (double& x : at) x = 1 - x;
  }
  return at;
}

int32_t DrawLine(const PageRenderRequest& r, DrawingSurface* s, const SparklineGroup& g, const std::vector<double>& v,
                 const std::vector<double>& places, const DrawRect& box, double lo, double hi, double pxPerPt) {
  auto at = [&](size_t i) {
    return DrawPoint{box.left + box.width * places[i], box.top + box.height * (hi - v[i]) / (hi - lo)};
  };
  Pens line;
  int32_t rc = SetDrawPen(Grey(r, g.series), kPenSolid, std::max(0.5, g.lineWeightPt * pxPerPt), nullptr, 0, &line.pen);
  std::vector<DrawPoint> run;
  for (size_t i = 0; i <= v.size() && rc == XLX_OK; ++i) {
    const bool gap = i == v.size() || !std::isfinite(v[i]) || !std::isfinite(places[i]);
    if (!gap) run.push_back(at(i));
    if ((gap && g.blanks != kSparkBlankSpan) || i == v.size()) {
      if (run.size() >= 2) rc = AddDrawPolyline(s, line.pen, run.data(), int32_t(run.size()));
      run.clear();
    }
  }
  const double size = std::max(2.0, std::min(box.height / 3, 2.5 * pxPerPt));
  for (size_t i = 0; i < v.size() && rc == XLX_OK; ++i) {
    bool marked = false;
    const CellColor color = std::isfinite(v[i]) && std::isfinite(places[i]) ? PointColor(g, v, i, g.markers, &marked) : 0;
    if (!marked) continue;
    Pens dot;
    rc = SetDrawBrush(Grey(r, color), kBrushSolid, 0, &dot.brush);
    const DrawPoint p = at(i);
    if (rc == XLX_OK) rc = AddDrawEllipse(s, nullptr, dot.brush, DrawRect{p.x - size / 2, p.y - size / 2, size, size});
  }
  return rc;
}

int32_t DrawBars(const PageRenderRequest& r, DrawingSurface* s, const SparklineGroup& g, const std::vector<double>& v,
                 const std::vector<double>& places, const DrawRect& box, double lo, double hi) {
  const bool winLoss = g.kind == kSparklineWinLoss;
  if (winLoss) lo = -1, hi = 1;
  const double slot = box.width / double(std::max<size_t>(1, v.size())), gap = slot * 0.15;
  const double zeroY = box.top + box.height * (hi - 0) / (hi - lo);
  int32_t rc = XLX_OK;
  for (size_t i = 0; i < v.size() && rc == XLX_OK; ++i) {
    if (!std::isfinite(v[i]) || !std::isfinite(places[i]) || (winLoss && v[i] == 0)) continue;
    const double value = winLoss ? (v[i] > 0 ? 1 : -1) : v[i];
    const double y = box.top + box.height * (hi - value) / (hi - lo);
    bool marked = false;
    CellColor color = PointColor(g, v, i, g.series, &marked);
    if (winLoss && value < 0 && !marked) color = g.negative;
    Pens bar;
    rc = SetDrawBrush(Grey(r, color), kBrushSolid, 0, &bar.brush);
    const double top = std::min(y, zeroY), height = std::max(std::fabs(zeroY - y), 1.0);
    // Evenly placed bars fill their slots side by side; dated ones centre on their dates.
    const double left = box.left + places[i] * (box.width - slot) + gap;
    if (rc == XLX_OK) rc = AddDrawRectangle(s, nullptr, bar.brush, left, top, slot - 2 * gap, height);
  }
  return rc;
}

int32_t DrawAxis(const PageRenderRequest& r, DrawingSurface* s, const SparklineGroup& g, const DrawRect& box, double lo,
                 double hi) {
  if (!g.showAxis || !(lo < 0 && hi > 0) || g.kind == kSparklineWinLoss) return XLX_OK;
  Pens axis;
  int32_t rc = SetDrawPen(Grey(r, g.axis), kPenSolid, 1, nullptr, 0, &axis.pen);
  const double y = box.top + box.height * hi / (hi - lo);
  return rc == XLX_OK ? AddDrawLine(s, axis.pen, box.left, y, box.left + box.width, y) : rc;
}

}  // namespace

bool SparklineRange(const SparklineGroup& g, const Sparkline& line, double* lo, double* hi) {
  const double inf = std::numeric_limits<double>::infinity();
  double ownLo = inf, ownHi = -inf, groupLo = inf, groupHi = -inf;
  Widen(line.values, &ownLo, &ownHi);
  if (g.minKind == kSparkBoundGroup || g.maxKind == kSparkBoundGroup)
    for (const Sparkline& other : g.sparklines) Widen(other.values, &groupLo, &groupHi);
  *lo = g.minKind == kSparkBoundCustom ? g.manualMin : g.minKind == kSparkBoundGroup ? groupLo : ownLo;
  *hi = g.maxKind == kSparkBoundCustom ? g.manualMax : g.maxKind == kSparkBoundGroup ? groupHi : ownHi;
  if (!(std::isfinite(*lo) && std::isfinite(*hi)) || *lo > *hi) return false;
  if (g.kind == kSparklineColumn) *lo = std::min(*lo, 0.0), *hi = std::max(*hi, 0.0);
  if (*hi - *lo < 1e-300 * std::max(1.0, std::fabs(*hi))) *lo -= 1, *hi += 1;  // a flat line sits in the middle
  return true;
}

int32_t DrawSparklines(const PageRenderRequest& r, DrawingSurface* surface, const AnchorGeometry& geo,
                       const DrawRect& visible) {
  if (!r.sheet || !geo.grid) return XLX_OK;
  const double pxPerPt = geo.xPxPerEmu * 12700;
  for (const SparklineGroup& g : r.sheet->sparklineGroups) {
    for (const Sparkline& line : g.sparklines) {
      DrawingAnchor cell;
      cell.kind = kAnchorTwoCell;
      cell.fromCol = line.column - 1, cell.fromRow = line.row - 1, cell.toCol = line.column, cell.toRow = line.row;
      const DrawRect rect = LegacyAnchorRect(geo, cell);
      if (rect.width < 3 || rect.height < 3 || rect.left > visible.left + visible.width ||
          rect.left + rect.width < visible.left || rect.top > visible.top + visible.height ||
          rect.top + rect.height < visible.top || line.values.empty())
        continue;
      double lo = 0, hi = 0;
      if (!SparklineRange(g, line, &lo, &hi)) continue;
      const double inset = rect.height * kInsetShare;
      const DrawRect box{rect.left + 1.5 * inset, rect.top + inset, rect.width - 3 * inset, rect.height - 2 * inset};
      const std::vector<double> v = Plotted(g, line), places = Places(g, line);
      int32_t rc = DrawAxis(r, surface, g, box, lo, hi);
      if (rc == XLX_OK)
        rc = g.kind == kSparklineLine ? DrawLine(r, surface, g, v, places, box, lo, hi, pxPerPt)
                                      : DrawBars(r, surface, g, v, places, box, lo, hi);
      if (rc != XLX_OK) return rc;
    }
  }
  return XLX_OK;
}

}  // namespace xlx
