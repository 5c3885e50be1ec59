// Warped text of shapes: the outlines of the text's lines bent through a text warp's guide lines,
// stretched between the first and the last, or laid along a single one.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/resultcodes.h"
#include "shapes/geometry.h"
#include "shapes/outline.h"
#include "view/objects/shapetext.h"

namespace xlx {
namespace {

constexpr double kEmuPerPt = 12700;
constexpr double kLineFactor = 1.2;       // line height per font height
constexpr double kMaxSegment = 1.5;       // px of the outlines between bent points
constexpr double kAlongHeight = 0.3;      // text laid along a guide: its height at most this share of the box
constexpr size_t kMaxGuidePoints = 20000;
constexpr size_t kMaxWarpedUnits = 1024;  // text units bent in one body
constexpr double kMaxBentPoints = 400000; // about the most points the bent outlines of one body get

// A guide line measured along its length.
struct Guide {
  std::vector<DrawPoint> points;
  std::vector<double> at;  // length from the start to each point
  double length = 0;

  explicit Guide(const Polyline& line) : points(line.points) {
    if (line.closed && !points.empty()) points.push_back(points.front());
    at.reserve(points.size());
    for (size_t i = 0; i < points.size(); ++i) {
      if (i) length += std::hypot(points[i].x - points[i - 1].x, points[i].y - points[i - 1].y);
      at.push_back(length);
    }
  }
  // The point at `share` (0..1) of the length and the unit direction there.
  void At(double share, DrawPoint* p, DrawPoint* dir) const {
    const double s = std::max(0.0, std::min(share, 1.0)) * length;
    size_t i = std::upper_bound(at.begin(), at.end(), s) - at.begin();
    i = std::max<size_t>(1, std::min(i, points.size() - 1));
    const DrawPoint &a = points[i - 1], &b = points[i];
    const double span = at[i] - at[i - 1], f = span > 0 ? (s - at[i - 1]) / span : 0;
    *p = DrawPoint{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
    const double d = std::hypot(b.x - a.x, b.y - a.y);
    *dir = d > 0 ? DrawPoint{(b.x - a.x) / d, (b.y - a.y) / d} : DrawPoint{1, 0};
  }
};

// How the text's block (`block`, px of the outlines) goes onto the guides.
struct WarpMap {
  const Guide* top = nullptr;
  const Guide* bottom = nullptr;  // null: the text is laid along `top`
  DrawRect block{0, 0, 1, 1};
  DrawPoint origin{0, 0};         // the box's corner, added to every point
  // Along one guide: the text's height scale (its length fills the guide) and which side of the
  // guide it stands on (+1 left of its direction, the text's foot on the guide; -1 right, its
  // head on the guide).
  double scale = 1, side = 1;
};

void MapPoint(void* context, double* x, double* y) {
  const WarpMap& m = *static_cast<const WarpMap*>(context);
  const double u = (*x - m.block.left) / m.block.width, v = (*y - m.block.top) / m.block.height;
  DrawPoint p, dir;
  if (m.bottom) {
    DrawPoint q, ignored;
    m.top->At(u, &p, &dir);
    m.bottom->At(u, &q, &ignored);
    *x = m.origin.x + p.x + (q.x - p.x) * v, *y = m.origin.y + p.y + (q.y - p.y) * v;
    return;
  }
  m.top->At(u, &p, &dir);
  // Height above the guide: from the foot (v = 1) or down from the head (v = 0).
  const double rise = (m.side > 0 ? 1 - v : -v) * m.block.height * m.scale;
  *x = m.origin.x + p.x + dir.y * rise, *y = m.origin.y + p.y - dir.x * rise;
}

// The guides of the warp for a box `w` x `h`, first polyline of each path; false when there are none.
bool Guides(const ShapeTextBody& body, double w, double h, std::vector<Guide>* guides) {
  ShapeGeometry geometry;
  if (!FindTextWarpGeometry(body.warp.c_str(), &geometry)) return false;
  EvaluatedGeometry evaluated;
  if (EvaluateGeometry(geometry, body.warpAdjusts, w, h, &evaluated) != XLX_OK) return false;
  for (const ShapeFigure& f : evaluated.figures) {
    std::vector<Polyline> lines;
    FlattenFigure(f, kMaxGuidePoints, &lines);
    if (!lines.empty() && lines.front().points.size() >= 2) guides->emplace_back(lines.front());
    if (!guides->empty() && !(guides->back().length > 0.5)) guides->pop_back();
  }
  return !guides->empty();
}

// Each paragraph as one line of outlines in its first run's font, stacked from y = 0 and aligned
// in the width of the widest; the lines' paths, the runs they are filled in, and their bounds.
int32_t LinePaths(const ShapePage& page, const ShapeSpec& spec, const std::vector<const TextParagraphSpec*>& paragraphs,
                  std::vector<VkPath*>* paths, std::vector<const TextRunSpec*>* runs, DrawRect* bounds) {
  const double pxPerPt = page.yPxPerEmu * kEmuPerPt;
  double y = 0, widest = 0;
  size_t units = 0;
  std::vector<double> widths;
  int32_t rc = XLX_OK;
  for (const TextParagraphSpec* para : paragraphs) {
    if (para->runs.empty()) {
      y += para->endSizePt * spec.text.fontScale * pxPerPt * kLineFactor;
      continue;
    }
    std::u16string text;
    for (const TextRunSpec& run : para->runs) text += run.lineBreak ? u" " : run.text;
    text = text.substr(0, kMaxWarpedUnits - std::min(units, kMaxWarpedUnits));
    units += text.size();
    const TextRunSpec& run = para->runs.front();
    const double sizePx = run.sizePt * spec.text.fontScale * pxPerPt;
    const DrawFontSpec font = ShapeRunFont(page, run, sizePx);
    double w = 0, h = 0;
    rc = GetDrawTextExtent(page.request.engine, text.c_str(), static_cast<int32_t>(text.size()), font, &w, &h);
    VkPath* path = nullptr;
    if (rc == XLX_OK && !text.empty())
      rc = GetDrawStringPath(page.request.engine, text.c_str(), static_cast<int32_t>(text.size()), font,
                             DrawRect{0, y, 0, 0}, kTextLeft | kTextTop, &path);
    if (rc != XLX_OK) break;
    if (path) paths->push_back(path), runs->push_back(&run), widths.push_back(w);
    widest = std::max(widest, w);
    y += sizePx * kLineFactor;
  }
  // Lines narrower than the widest move by their alignment; the block is the lines' extent.
  bool any = false;
  for (size_t i = 0; i < paths->size() && rc == XLX_OK; ++i) {
    const int32_t align = paragraphs.size() == paths->size() ? paragraphs[i]->align : kAlignCenter;
    const double shift = align == kAlignRight ? widest - widths[i] : align == kAlignLeft ? 0 : (widest - widths[i]) / 2;
    if (shift != 0) {
      rc = WarpDrawPath((*paths)[i], 1e9, [](void* c, double* x, double*) { *x += *static_cast<double*>(c); },
                        const_cast<double*>(&shift));
    }
    DrawRect b;
    if (rc != XLX_OK || GetDrawPathBounds((*paths)[i], &b) != XLX_OK) continue;
    if (!any) *bounds = b, any = true;
    const double right = std::max(bounds->left + bounds->width, b.left + b.width);
    const double bottom = std::max(bounds->top + bounds->height, b.top + b.height);
    bounds->left = std::min(bounds->left, b.left), bounds->top = std::min(bounds->top, b.top);
    bounds->width = right - bounds->left, bounds->height = bottom - bounds->top;
  }
  if (rc == XLX_OK && !any) *bounds = DrawRect{0, 0, 0, 0};
  return rc;
}

// Lays the text along the single guide `g`: stretched along its whole length, as high as it grows
// by that stretch but no higher than a share of the box, standing on the side that faces the
// box's centre.
void AlongGuide(const Guide& g, const DrawRect& inner, WarpMap* m) {
  const double most = kAlongHeight * std::min(inner.width, inner.height) / m->block.height;
  m->scale = std::min(g.length / m->block.width, most);
  DrawPoint mid, dir;
  g.At(0.5, &mid, &dir);
  const double toCentreX = inner.width / 2 - mid.x, toCentreY = inner.height / 2 - mid.y;
  // Left of the direction (y down) is (dir.y, -dir.x).
  m->side = dir.y * toCentreX - dir.x * toCentreY >= 0 ? 1 : -1;
}

}  // namespace

int32_t DrawWarpedText(const ShapePage& page, const ShapeSpec& spec,
                       const std::vector<const TextParagraphSpec*>& paragraphs, const DrawRect& inner, bool* drawn) {
  *drawn = false;
  if (!(inner.width >= 2) || !(inner.height >= 2)) return XLX_OK;
  std::vector<Guide> guides;
  std::vector<VkPath*> paths;
  std::vector<const TextRunSpec*> runs;
  int32_t rc = XLX_OK;
  try {
    if (!Guides(spec.text, inner.width, inner.height, &guides)) return XLX_OK;
    WarpMap m;
    rc = LinePaths(page, spec, paragraphs, &paths, &runs, &m.block);
    if (rc == XLX_OK && m.block.width > 0.5 && m.block.height > 0.5) {
      m.origin = DrawPoint{inner.left, inner.top};
      m.top = &guides.front();
      if (guides.size() >= 2) m.bottom = &guides.back();
      else AlongGuide(guides.front(), inner, &m);
      // Pieces of about kMaxSegment px once bent; outlines of a line of text are some eight
      // times as long as the line, which bounds the points however large the text.
      const double grow = m.bottom ? std::max(inner.width / m.block.width, inner.height / m.block.height) : m.scale;
      const double floor = 8 * (m.block.width + m.block.height) * paths.size() / kMaxBentPoints;
      const double segment = std::max(kMaxSegment / std::max(grow, 1e-6), floor);
      for (size_t i = 0; i < paths.size() && rc == XLX_OK; ++i) {
        rc = WarpDrawPath(paths[i], segment, MapPoint, &m);
        VkBrush* brush = nullptr;
        if (rc == XLX_OK) rc = SetDrawBrush(ShapeRunColor(page, *runs[i]), kBrushSolid, 0, &brush);
        if (rc == XLX_OK) rc = SetDrawPathWinding(paths[i], true);
        if (rc == XLX_OK) rc = AddDrawStringPath(page.surface, paths[i], nullptr, brush);
        FreeDrawBrush(brush);
      }
      *drawn = true;
    }
  } catch (const std::bad_alloc&) {
    rc = XLX_ERR_MEMORY;
  }
  for (VkPath* path : paths) FreeDrawStringPath(path);
  return rc;
}

}  // namespace xlx
