#include "view/objects/shapes.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "common/resultcodes.h"
#include "shapes/geometry.h"
#include "shapes/outline.h"

namespace xlx {
namespace {

constexpr int32_t kMaxGroupChain = 64;
constexpr size_t kMaxOutlinePoints = 200000;  // points of one figure's compound outline
constexpr CellColor kBlack = 0xFF000000u;

// The grey of a colour, keeping its alpha: black-and-white pages print fills as greys.
CellColor Grey(CellColor c) {
  const uint32_t y = static_cast<uint32_t>(0.299 * (c & 0xFF) + 0.587 * ((c >> 8) & 0xFF) + 0.114 * ((c >> 16) & 0xFF));
  return (c & 0xFF000000u) | (y << 16) | (y << 8) | y;
}

CellColor Mix(CellColor a, CellColor b, double share) {
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const double v = ((a >> shift) & 0xFF) * share + ((b >> shift) & 0xFF) * (1 - share);
    out |= static_cast<uint32_t>(std::lround(std::max(0.0, std::min(v, 255.0)))) << shift;
  }
  return out;
}

struct ShapeDraw {
  ShapeDraw(const ShapePage& p, const DrawingObject& o, const ShapeSpec& s) : page(p), object(o), spec(s) {}
  const ShapePage& page;
  const DrawingObject& object;
  const ShapeSpec& spec;
  double width = 0, height = 0;  // px
  EvaluatedGeometry geometry;
  VkPen* pen = nullptr;
  VkPen* endPen = nullptr;       // solid pen of the line ends
  VkPen* bandPens[3] = {};       // the strokes of a compound line
  CompoundBand bands[3] = {};
  int32_t bandCount = 0;
  double penWidth = 1;
  CellColor lineColor = kBlack;
};

CellColor PageColor(const ShapePage& page, CellColor c) { return page.request.blackAndWhite ? Grey(c) : c; }

// A pen of the outline `width` px wide with its dashes (their lengths in widths of `dashWidth`
// px), ends and corners.
int32_t OutlinePen(const ShapeDraw& d, double width, double dashWidth, VkPen** pen) {
  const ShapeLine& line = d.spec.line;
  const bool dashed = !line.dashes.empty() && line.dashes.size() <= 16;
  double dashes[16];
  for (size_t i = 0; dashed && i < line.dashes.size(); ++i) dashes[i] = line.dashes[i] * dashWidth / width;
  int32_t rc = SetDrawPen(d.lineColor, dashed ? kPenDash : line.lineStyle, width, dashed ? dashes : nullptr,
                          dashed ? static_cast<int32_t>(line.dashes.size()) : 0, pen);
  if (rc == XLX_OK) rc = SetDrawPenShape(*pen, line.cap, line.join, std::max(1.0, line.miterLimit / 100000.0));
  return rc;
}

int32_t MakePens(ShapeDraw& d) {
  const ShapeLine& line = d.spec.line;
  if (line.kind != kShapeFillSolid) return XLX_OK;
  d.penWidth = std::max(1.0, std::round(line.widthEmu * d.page.xPxPerEmu));
  d.lineColor = d.page.request.blackAndWhite ? kBlack : line.color;
  int32_t rc = OutlinePen(d, d.penWidth, d.penWidth, &d.pen);
  if (rc == XLX_OK) rc = SetDrawPen(d.lineColor, kPenSolid, d.penWidth, nullptr, 0, &d.endPen);
  // Lines too thin to part into strokes of at least a third of a pixel stay single.
  if (line.widthEmu * d.page.xPxPerEmu >= 1.5) d.bandCount = CompoundBands(line.compound, d.bands);
  for (int32_t i = 0; i < d.bandCount && rc == XLX_OK; ++i)
    rc = OutlinePen(d, d.bands[i].width * line.widthEmu * d.page.xPxPerEmu, d.penWidth, &d.bandPens[i]);
  return rc;
}

// A gradient over the shape's box `w` x `h`: linear at its angle, or spreading from its focus.
int32_t GradientBrush(const ShapePage& page, const ShapeFill& f, uint8_t mode, double w, double h, VkBrush** brush) {
  DrawGradientStop stops[64];
  const int32_t count = static_cast<int32_t>(std::min<size_t>(f.stops.size(), 64));
  for (int32_t i = 0; i < count; ++i)
    stops[i] = DrawGradientStop{f.stops[i].position, PageColor(page, PathFillColor(f.stops[i].color, mode))};
  if (count == 1) return SetDrawBrush(stops[0].color, kBrushSolid, 0, brush);
  const double fx = f.focusX * w, fy = f.focusY * h;
  switch (f.gradientKind) {
    case kGradientCircle: {
      const double rx = std::max(fx, w - fx) * std::sqrt(2.0), ry = std::max(fy, h - fy) * std::sqrt(2.0);
      return SetDrawRadialGradientBrush(fx, fy, std::max(rx, 0.5), std::max(ry, 0.5), stops, count, brush);
    }
    case kGradientRect:
    case kGradientShape:
      return SetDrawRectGradientBrush(DrawRect{fx, fy, 0, 0}, DrawRect{0, 0, w, h}, stops, count, brush);
    default:
      return SetDrawLinearGradientBrush(DrawRect{0, 0, w, h}, f.angle, f.scaled, stops, count, brush);
  }
}

// The brush that fills a figure of fill mode `mode`; null for none and for picture fills, which
// are drawn through a clip.
int32_t MakeBrush(const ShapePage& page, const ShapeFill& f, uint8_t mode, double w, double h, VkBrush** brush) {
  *brush = nullptr;
  if (mode == kPathFillNone) return XLX_OK;
  switch (f.kind) {
    case kShapeFillSolid:
      return SetDrawBrush(PageColor(page, PathFillColor(f.color, mode)), kBrushSolid, 0, brush);
    case kShapeFillGradient:
      return GradientBrush(page, f, mode, w, h, brush);
    case kShapeFillPattern:
      if (f.hatchGroup < 0)
        return SetDrawBrush(PageColor(page, Mix(f.color, f.background, f.percent / 100.0)), kBrushSolid, 0, brush);
      return SetDrawHatchBrush(PageColor(page, f.color), PageColor(page, f.background), kBrushHatch, f.hatchGroup, brush);
    default:
      return XLX_OK;
  }
}

int32_t FigurePath(const ShapeFigure& f, VkPath** path) {
  int32_t rc = CreateDrawPath(path);
  if (rc != XLX_OK) return rc;
  rc = AddDrawPolyDrawToPath(*path, f.points.data(), f.tags.data(), static_cast<int32_t>(f.points.size()));
  if (rc == XLX_OK) rc = EndDrawPath(*path);
  if (rc != XLX_OK) DeleteDrawPath(*path), *path = nullptr;
  return rc;
}

// A picture fill, stretched over the shape's box or tiled from its corner, inside the figure.
int32_t FillPicture(ShapeDraw& d, const VkPath* path) {
  const ShapeFill& f = d.spec.fill;
  PictureRequest q;
  q.path = f.picturePath.c_str();
  PictureEffect grey;
  if (d.page.request.blackAndWhite) q.effects = &grey, q.effectCount = 1;
  if (!f.tile) {
    q.width = static_cast<uint32_t>(std::max(1.0, std::min(d.width * d.page.deviceScale + 0.5, 8192.0)));
    q.height = static_cast<uint32_t>(std::max(1.0, std::min(d.height * d.page.deviceScale + 0.5, 8192.0)));
  }
  std::shared_ptr<const DecodedPicture> picture = d.page.pictures.Get(*d.page.request.workbook, q);
  if (!picture || d.width < 1 || d.height < 1) return XLX_OK;
  int32_t saved = 0;
  int32_t rc = SetDrawClipPath(d.page.surface, path, &saved);
  if (rc != XLX_OK) return rc;
  const DrawRect box{0, 0, d.width, d.height};
  if (f.tile) rc = AddDrawImageTiled(d.page.surface, picture->image, box, DrawRect{0, 0, double(picture->width), double(picture->height)});
  else rc = AddDrawImageAlpha(d.page.surface, picture->image, box, nullptr, 1.0);
  const int32_t restored = FreeDrawClipPath(d.page.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

// A compound outline: each stroke along the figure moved sideways to its band.
int32_t StrokeCompound(ShapeDraw& d, const ShapeFigure& f) {
  std::vector<Polyline> lines;
  FlattenFigure(f, kMaxOutlinePoints, &lines);
  const double width = d.spec.line.widthEmu * d.page.xPxPerEmu;
  const double limit = d.spec.line.join == kJoinMiter ? std::max(1.0, d.spec.line.miterLimit / 100000.0) : 2.0;
  int32_t rc = XLX_OK;
  for (int32_t b = 0; b < d.bandCount && rc == XLX_OK; ++b) {
    VkPath* path = nullptr;
    rc = CreateDrawPath(&path);
    for (size_t i = 0; i < lines.size() && rc == XLX_OK; ++i) {
      const Polyline moved = OffsetPolyline(lines[i], d.bands[b].offset * width, limit);
      if (moved.points.size() < 2) continue;
      if (moved.closed) {
        rc = AddDrawPolygonToPath(path, moved.points.data(), static_cast<int32_t>(moved.points.size()));
        continue;
      }
      rc = AddDrawMovetoToPath(path, moved.points[0].x, moved.points[0].y);
      for (size_t k = 1; k < moved.points.size() && rc == XLX_OK; ++k)
        rc = AddDrawLineToPath(path, moved.points[k].x, moved.points[k].y);
    }
    if (rc == XLX_OK) rc = EndDrawPath(path);
    if (rc == XLX_OK) rc = StrokeDrawPath(d.page.surface, path, d.bandPens[b]);
    DeleteDrawPath(path);
  }
  return rc;
}

int32_t DrawFigure(ShapeDraw& d, const ShapeFigure& f) {
  VkPath* path = nullptr;
  int32_t rc = FigurePath(f, &path);
  if (rc != XLX_OK) return rc;
  VkBrush* brush = nullptr;
  rc = MakeBrush(d.page, d.spec.fill, f.fill, d.width, d.height, &brush);
  if (rc == XLX_OK && brush) rc = FillDrawPath(d.page.surface, path, brush);
  if (rc == XLX_OK && f.fill != kPathFillNone && d.spec.fill.kind == kShapeFillPicture) rc = FillPicture(d, path);
  if (rc == XLX_OK && f.stroke && d.pen)
    rc = d.bandCount ? StrokeCompound(d, f) : StrokeDrawPath(d.page.surface, path, d.pen);
  FreeDrawBrush(brush);
  DeleteDrawPath(path);
  return rc;
}

// One pass of the shadow in `color`: filled figures as their area, the others as their line,
// each widened by a line `spread` px wide around it (none at 0).
int32_t ShadowPass(ShapeDraw& d, CellColor color, double spread) {
  VkBrush* brush = nullptr;
  VkPen* pen = nullptr;
  VkPen* edge = nullptr;
  int32_t rc = SetDrawBrush(color, kBrushSolid, 0, &brush);
  if (rc == XLX_OK) rc = SetDrawPen(color, kPenSolid, d.penWidth + spread, nullptr, 0, &pen);
  if (rc == XLX_OK && spread > 0) rc = SetDrawPen(color, kPenSolid, spread, nullptr, 0, &edge);
  if (rc == XLX_OK && spread > 0) rc = SetDrawPenShape(pen, kCapRound, kJoinRound, 1);
  if (rc == XLX_OK) rc = SetDrawPenShape(edge, kCapRound, kJoinRound, 1);
  const bool filled = d.spec.fill.kind > kShapeFillNone;
  for (const ShapeFigure& f : d.geometry.figures) {
    if (rc != XLX_OK) break;
    VkPath* path = nullptr;
    rc = FigurePath(f, &path);
    if (rc != XLX_OK) break;
    if (filled && f.fill != kPathFillNone) {
      rc = edge ? StrokeAndFillDrawPath(d.page.surface, path, edge, brush) : FillDrawPath(d.page.surface, path, brush);
    } else if (f.stroke && d.pen) {
      rc = StrokeDrawPath(d.page.surface, path, pen);
    }
    DeleteDrawPath(path);
  }
  FreeDrawBrush(brush);
  FreeDrawPen(pen);
  FreeDrawPen(edge);
  return rc;
}

// The outer shadow. A blurred one is drawn as a few translucent passes, each reaching further
// out, so that it fades from the shape's edge to about its blur radius beyond; together they give
// the shadow's own opacity inside.
int32_t DrawShadow(ShapeDraw& d) {
  const ShapeShadow& s = d.spec.shadow;
  const CellColor color = PageColor(d.page, s.color);
  const double blur = s.blurEmu * d.page.xPxPerEmu;
  if (!(blur >= 2)) return ShadowPass(d, color, 0);
  const int32_t passes = static_cast<int32_t>(std::min(8.0, std::max(3.0, std::round(blur / 1.5))));
  const double alpha = (color >> 24) / 255.0, each = 1 - std::pow(1 - std::min(alpha, 0.999), 1.0 / passes);
  const CellColor layer = (color & 0xFFFFFFu) | (static_cast<uint32_t>(std::lround(each * 255)) << 24);
  int32_t rc = XLX_OK;
  for (int32_t i = 0; i < passes && rc == XLX_OK; ++i) rc = ShadowPass(d, layer, 1.5 * blur * (passes - i) / passes);
  return rc;
}

// A line end at `tip`, the line arriving from `from`.
int32_t DrawLineEnd(ShapeDraw& d, const LineEnd& e, DrawPoint tip, DrawPoint from) {
  if (e.kind == kLineEndNone) return XLX_OK;
  const double dx = tip.x - from.x, dy = tip.y - from.y, length = std::hypot(dx, dy);
  if (!(length > 1e-9)) return XLX_OK;
  static const double kSize[] = {2, 3, 5};
  const double ux = dx / length, uy = dy / length, nx = -uy, ny = ux;
  const double half = d.penWidth * kSize[std::max(0, std::min(e.width, 2))] / 2;
  const double back = d.penWidth * kSize[std::max(0, std::min(e.length, 2))];
  const DrawPoint base{tip.x - ux * back, tip.y - uy * back};
  const DrawPoint left{base.x + nx * half, base.y + ny * half}, right{base.x - nx * half, base.y - ny * half};
  if (e.kind == kLineEndArrow) {
    const DrawPoint v[] = {left, tip, right};
    return AddDrawPolyline(d.page.surface, d.endPen, v, 3);
  }
  VkBrush* brush = nullptr;
  int32_t rc = SetDrawBrush(d.lineColor, kBrushSolid, 0, &brush);
  if (rc != XLX_OK) return rc;
  if (e.kind == kLineEndTriangle) {
    const DrawPoint v[] = {tip, left, right};
    rc = AddDrawPolygon(d.page.surface, d.endPen, brush, v, 3);
  } else if (e.kind == kLineEndStealth) {
    const DrawPoint notch{tip.x - ux * back * 0.6, tip.y - uy * back * 0.6};
    const DrawPoint v[] = {tip, left, notch, right};
    rc = AddDrawPolygon(d.page.surface, d.endPen, brush, v, 4);
  } else if (e.kind == kLineEndDiamond) {
    const DrawPoint v[] = {{tip.x + ux * back / 2, tip.y + uy * back / 2}, {tip.x + nx * half, tip.y + ny * half},
                           {tip.x - ux * back / 2, tip.y - uy * back / 2}, {tip.x - nx * half, tip.y - ny * half}};
    rc = AddDrawPolygon(d.page.surface, d.endPen, brush, v, 4);
  } else if (e.kind == kLineEndOval) {
    const double r = (half + back / 2) / 2;
    rc = AddDrawEllipse(d.page.surface, d.endPen, brush, DrawRect{tip.x - r, tip.y - r, 2 * r, 2 * r});
  }
  FreeDrawBrush(brush);
  return rc;
}

int32_t DrawLineEnds(ShapeDraw& d) {
  if (!d.endPen) return XLX_OK;
  for (const ShapeFigure& f : d.geometry.figures) {
    if (!f.stroke || f.closed) continue;
    int32_t rc = DrawLineEnd(d, d.spec.line.head, f.start, f.startToward);
    if (rc == XLX_OK) rc = DrawLineEnd(d, d.spec.line.tail, f.end, f.endFrom);
    if (rc != XLX_OK) return rc;
  }
  return XLX_OK;
}

// Turns the drawing about the centres of the groups that hold object `index`, outermost first.
int32_t ApplyGroups(DrawingSurface* s, const std::vector<DrawingObject>& objects, const std::vector<DrawRect>& rects,
                    size_t index) {
  size_t chain[kMaxGroupChain];
  int32_t count = 0;
  for (int32_t p = objects[index].nParent; p >= 0 && static_cast<size_t>(p) < index && count < kMaxGroupChain;
       p = objects[p].nParent) {
    chain[count++] = static_cast<size_t>(p);
    index = static_cast<size_t>(p);
  }
  int32_t rc = XLX_OK;
  for (int32_t i = count - 1; i >= 0 && rc == XLX_OK; --i) {
    const DrawingTransform& t = objects[chain[i]].xfrm;
    const DrawRect& r = rects[chain[i]];
    if (t.rotation == 0 && !t.flipH && !t.flipV) continue;
    const double cx = r.left + r.width / 2, cy = r.top + r.height / 2;
    rc = TranslateDrawTransform(s, cx, cy);
    if (rc == XLX_OK && t.rotation) rc = RotateDrawTransform(s, t.rotation / 60000.0);
    if (rc == XLX_OK && (t.flipH || t.flipV)) rc = ScaleDrawTransform(s, t.flipH ? -1 : 1, t.flipV ? -1 : 1);
    if (rc == XLX_OK) rc = TranslateDrawTransform(s, -cx, -cy);
  }
  return rc;
}

// The shape's own frame: origin at the rectangle's top-left corner, turned and flipped about its
// centre. Text is not mirrored: `forText` turns a vertical flip into a half turn and drops the
// horizontal one.
int32_t ApplyOwn(DrawingSurface* s, const DrawingTransform& t, const DrawRect& r, bool forText) {
  int32_t rc = TranslateDrawTransform(s, r.left + r.width / 2, r.top + r.height / 2);
  double degrees = t.rotation / 60000.0;
  if (forText && t.flipV) degrees += 180;
  if (rc == XLX_OK && degrees != 0) rc = RotateDrawTransform(s, degrees);
  if (!forText && rc == XLX_OK && (t.flipH || t.flipV)) rc = ScaleDrawTransform(s, t.flipH ? -1 : 1, t.flipV ? -1 : 1);
  if (rc == XLX_OK) rc = TranslateDrawTransform(s, -r.width / 2, -r.height / 2);
  return rc;
}

// Pulls a straight end of a line back under a filled arrowhead, so that a wide line does not show
// its end beside the head's tip.
void PullBack(const ShapeDraw& d, const LineEnd& e, DrawPoint* point, DrawPoint toward) {
  static const double kSize[] = {2, 3, 5};
  if (e.kind != kLineEndTriangle && e.kind != kLineEndStealth) return;
  const double dx = toward.x - point->x, dy = toward.y - point->y, length = std::hypot(dx, dy);
  const double back = d.penWidth * kSize[std::max(0, std::min(e.length, 2))] / 2;
  if (!(length > back)) return;
  point->x += dx / length * back, point->y += dy / length * back;
}

void PullBackLineEnds(ShapeDraw& d) {
  if (!d.endPen) return;
  for (ShapeFigure& f : d.geometry.figures) {
    const size_t n = f.points.size();
    if (!f.stroke || f.closed || n < 2) continue;
    if (f.tags[1] == kPathLineTo) PullBack(d, d.spec.line.head, &f.points[0], f.points[1]);
    if (f.tags[n - 1] == kPathLineTo) PullBack(d, d.spec.line.tail, &f.points[n - 1], f.points[n - 2]);
  }
}

int32_t DrawGeometry(ShapeDraw& d) {
  PullBackLineEnds(d);
  int32_t rc = XLX_OK;
  for (const ShapeFigure& f : d.geometry.figures)
    if (rc == XLX_OK) rc = DrawFigure(d, f);
  if (rc == XLX_OK) rc = DrawLineEnds(d);
  return rc;
}

int32_t DrawFramed(ShapeDraw& d, const std::vector<DrawingObject>& objects, const std::vector<DrawRect>& rects,
                   size_t index, const double saved[6]) {
  DrawingSurface* s = d.page.surface;
  const DrawRect& r = rects[index];
  int32_t rc = XLX_OK;
  if (d.spec.shadow.present && (d.spec.shadow.color >> 24) != 0) {
    const double angle = d.spec.shadow.directionDeg * M_PI / 180, dist = d.spec.shadow.distEmu * d.page.xPxPerEmu;
    rc = TranslateDrawTransform(s, dist * std::cos(angle), dist * std::sin(angle));
    if (rc == XLX_OK) rc = ApplyGroups(s, objects, rects, index);
    if (rc == XLX_OK) rc = ApplyOwn(s, d.object.xfrm, r, false);
    if (rc == XLX_OK) rc = DrawShadow(d);
    if (rc == XLX_OK) rc = SetDrawTransform(s, saved);
  }
  if (rc == XLX_OK) rc = ApplyGroups(s, objects, rects, index);
  if (rc == XLX_OK) rc = ApplyOwn(s, d.object.xfrm, r, false);
  if (rc == XLX_OK) rc = DrawGeometry(d);
  if (rc != XLX_OK || !d.spec.text.present) return rc;
  rc = SetDrawTransform(s, saved);
  if (rc == XLX_OK) rc = ApplyGroups(s, objects, rects, index);
  if (rc == XLX_OK) rc = ApplyOwn(s, d.object.xfrm, r, true);
  DrawRect box = d.geometry.textRect;
  if (d.object.xfrm.flipH) box.left = d.width - box.left - box.width;
  if (rc == XLX_OK) rc = DrawShapeText(d.page, d.spec, box);
  return rc;
}

// Whether object `index` may reach the visible part of the page: the rectangle of its outermost
// group (or its own), widened for turns, callout lines and shadows that reach past it.
bool MayShow(const ShapePage& page, const std::vector<DrawingObject>& objects, const std::vector<DrawRect>& rects,
             size_t index) {
  for (int32_t depth = 0; depth < kMaxGroupChain; ++depth) {
    const int32_t parent = objects[index].nParent;
    if (parent < 0 || static_cast<size_t>(parent) >= index) break;
    index = static_cast<size_t>(parent);
  }
  const DrawRect& r = rects[index];
  const double reach = 2 * std::max(r.width, r.height) + 100;
  const DrawRect& v = page.visible;
  return r.left + r.width + reach >= v.left && r.left - reach <= v.left + v.width &&
         r.top + r.height + reach >= v.top && r.top - reach <= v.top + v.height;
}

}  // namespace

int32_t DrawShapeObject(const ShapePage& page, const std::vector<DrawingObject>& objects,
                        const std::vector<ShapeSpec>& shapes, const std::vector<DrawRect>& rects, size_t index) {
  if (index >= objects.size() || rects.size() != objects.size()) return XLX_OK;
  const DrawingObject& o = objects[index];
  if ((o.kind != kObjectShape && o.kind != kObjectConnector) || o.nShape < 0 ||
      static_cast<size_t>(o.nShape) >= shapes.size())
    return XLX_OK;
  // A shape that stands for a legacy (VML) shape is drawn from the legacy drawing instead.
  if (!o.legacyShapeId.empty() || !MayShow(page, objects, rects, index)) return XLX_OK;
  const ShapeSpec& spec = shapes[o.nShape];
  ShapeDraw d{page, o, spec};
  const DrawRect& r = rects[index];
  d.width = r.width, d.height = r.height;
  if (!(d.width >= 0) || !(d.height >= 0) || d.width + d.height < 0.5) return XLX_OK;
  ShapeGeometry preset;
  const ShapeGeometry* geometry = &spec.geometry;
  if (!spec.custom) {
    if (!FindPresetGeometry(spec.preset.c_str(), &preset)) return XLX_OK;
    geometry = &preset;
  }
  static const std::vector<GeomFormula> kNoAdjusts;
  int32_t rc = EvaluateGeometry(*geometry, spec.custom ? kNoAdjusts : spec.adjusts, d.width, d.height, &d.geometry);
  if (rc != XLX_OK) return rc;
  double saved[6];
  rc = GetDrawTransform(page.surface, saved);
  if (rc != XLX_OK) return rc;
  rc = MakePens(d);
  if (rc == XLX_OK) rc = DrawFramed(d, objects, rects, index, saved);
  FreeDrawPen(d.pen);
  FreeDrawPen(d.endPen);
  for (VkPen* pen : d.bandPens) FreeDrawPen(pen);
  const int32_t restored = SetDrawTransform(page.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

}  // namespace xlx
