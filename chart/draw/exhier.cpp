// The hierarchical 2016 kinds: a treemap (squarified tiles, each parent's name on a banner above
// its children) and a sunburst (rings from the outermost level in, each node's angle its share
// of its parent's). Every top-level branch keeps one accent colour down to its leaves.
#include <algorithm>
#include <cmath>

#include "model/colormath.h"
#include "chart/draw/exdraw.h"

namespace xlx {

namespace {

constexpr CellColor kWhite = 0xFFFFFFFF;
constexpr double kPi = 3.14159265358979323846;

struct Hier {
  ChartCanvas& c;
  const std::vector<ExNode>& nodes;
  const ChartExSeries& s;
  DrawFontSpec font, bold;
  double hole;  // px, the empty middle of a sunburst
};

std::vector<int32_t> LargestFirst(const std::vector<ExNode>& nodes, const std::vector<int32_t>& kids) {
  std::vector<int32_t> out(kids);
  std::stable_sort(out.begin(), out.end(), [&](int32_t a, int32_t b) { return nodes[size_t(a)].value > nodes[size_t(b)].value; });
  return out;
}

// Draws `text` at the top left of `r` when it fits there.
void CornerText(Hier& h, const std::u16string& text, const DrawFontSpec& font, const DrawRect& r) {
  if (text.empty()) return;
  double w = 0, th = 0;
  MeasureChartText(h.c, text, font, &w, &th);
  const double pad = h.c.Px(3);
  if (w + 2 * pad > r.width || th + pad > r.height) return;
  DrawChartTextAt(h.c, text, font, PrintColor(h.c, kWhite), r.left + pad + w / 2, r.top + pad / 2 + th / 2, 0);
}

void Tile(Hier& h, int32_t index, const DrawRect& r) {
  if (h.c.rc != XLX_OK || !(r.width >= 0.5) || !(r.height >= 0.5)) return;
  const ExNode& n = h.nodes[size_t(index)];
  const CellColor color = AutoSeriesColor(h.c.chart, n.branch);
  if (n.children.empty()) {
    ExRect(h.c, ExPointProps(h.s, n.point), color, kWhite, r.left, r.top, r.width, r.height);
    CornerText(h, n.name, h.font, r);
    return;
  }
  DrawRect inner = r;
  if (index != 0) {
    // A banner carries the parent's name when the tile has room for it and its children.
    double w = 0, band = 0;
    MeasureChartText(h.c, n.name.empty() ? std::u16string(u"X") : n.name, h.bold, &w, &band);
    band += h.c.Px(3);
    if (r.height > band * 3 && r.width > band * 2) {
      ExRect(h.c, h.s.shape, color, kWhite, r.left, r.top, r.width, band);
      CornerText(h, n.name, h.bold, DrawRect{r.left, r.top, r.width, band});
      inner.top += band, inner.height -= band;
    }
  }
  const std::vector<int32_t> kids = LargestFirst(h.nodes, n.children);
  std::vector<double> weights;
  for (int32_t k : kids) weights.push_back(h.nodes[size_t(k)].value);
  const std::vector<DrawRect> tiles = Squarify(weights, inner);
  for (size_t k = 0; k < kids.size() && h.c.rc == XLX_OK; ++k) Tile(h, kids[k], tiles[k]);
}

// The ring segment between radii r0 < r1 from angle a0 to a1 (radians, clockwise from 12 o'clock).
void Segment(Hier& h, double cx, double cy, double r0, double r1, double a0, double a1, CellColor color, int32_t index) {
  const int32_t steps = std::max(2, std::min(120, int32_t(std::ceil((a1 - a0) / (kPi / 90)))));
  std::vector<DrawPoint> pts;
  for (int32_t i = 0; i <= steps; ++i) {
    const double a = a0 + (a1 - a0) * i / steps;
    pts.push_back(DrawPoint{cx + r1 * std::sin(a), cy - r1 * std::cos(a)});
  }
  if (r0 < 0.5) {
    pts.push_back(DrawPoint{cx, cy});
  } else {
    for (int32_t i = steps; i >= 0; --i) {
      const double a = a0 + (a1 - a0) * i / steps;
      pts.push_back(DrawPoint{cx + r0 * std::sin(a), cy - r0 * std::cos(a)});
    }
  }
  ChartPaint paint;
  MakePaint(h.c, ExPointProps(h.s, h.nodes[size_t(index)].point), color, kWhite, 0.75, &paint);
  h.c.Spend(pts.size());
  h.c.Ok(AddDrawPolygon(h.c.surface, paint.pen, paint.brush, pts.data(), int32_t(pts.size())));
}

void Ring(Hier& h, int32_t index, double cx, double cy, double ringW, double a0, double a1) {
  const ExNode& n = h.nodes[size_t(index)];
  if (h.c.rc != XLX_OK || !(a1 - a0 > 1e-4)) return;
  if (index != 0) {
    const double r0 = h.hole + ringW * n.depth, r1 = r0 + ringW;
    Segment(h, cx, cy, r0, r1, a0, a1, AutoSeriesColor(h.c.chart, n.branch), index);
    // The name sits level in the middle of its segment when it fits there.
    double w = 0, th = 0;
    MeasureChartText(h.c, n.name, h.font, &w, &th);
    const double mid = (a0 + a1) / 2, rm = (r0 + r1) / 2;
    const double arc = rm * (a1 - a0);
    if (!n.name.empty() && w < std::min(arc, 2 * r1) * 0.9 && th < ringW * 0.9 && w < ringW * 1.6)
      DrawChartTextAt(h.c, n.name, h.font, PrintColor(h.c, kWhite), cx + rm * std::sin(mid), cy - rm * std::cos(mid), 0);
  }
  if (!(n.value > 0)) return;
  double a = a0;
  for (int32_t k : n.children) {
    const double share = (a1 - a0) * h.nodes[size_t(k)].value / n.value;
    Ring(h, k, cx, cy, ringW, a, a + share);
    a += share;
    if (h.c.rc != XLX_OK) break;
  }
}

}  // namespace

void DrawExTreemap(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s) {
  const ChartExData* d = ExDataOf(*c.chart.ex, s);
  if (!d) return;
  const std::vector<ExNode> nodes = BuildHierarchy(*d);
  Hier h{c, nodes, s, ExLabelFont(c), ExLabelFont(c, 10), 0};
  h.bold.lfWeight = 700;
  Tile(h, 0, room);
}

void DrawExSunburst(ChartCanvas& c, const DrawRect& room, const ChartExSeries& s) {
  const ChartExData* d = ExDataOf(*c.chart.ex, s);
  if (!d) return;
  const std::vector<ExNode> nodes = BuildHierarchy(*d);
  int32_t depth = 0;
  for (const ExNode& n : nodes) depth = std::max(depth, n.depth + 1);
  const double radius = std::min(room.width, room.height) / 2 - c.Px(2);
  if (depth == 0 || !(radius >= 4)) return;
  Hier h{c, nodes, s, ExLabelFont(c), ExLabelFont(c), radius / (2 * depth + 1)};
  Ring(h, 0, room.left + room.width / 2, room.top + room.height / 2, (radius - h.hole) / depth, 0, 2 * kPi);
}

}  // namespace xlx
