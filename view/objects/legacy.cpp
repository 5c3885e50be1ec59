// Legacy drawing pass of a page: where each VML shape goes and how its geometry, fill, stroke,
// shadow, picture and text are drawn.
#include "view/objects/legacy.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <new>

#include "common/progress.h"
#include "common/resultcodes.h"
#include "host/kernel/vkimage.h"
#include "shapes/vmlpath.h"

namespace xlx {
namespace {

constexpr double kMaxWorld = 1e7;  // px: shapes beyond this are not drawn

bool Sane(const DrawRect& r) {
  return std::isfinite(r.left) && std::isfinite(r.top) && std::isfinite(r.width) && std::isfinite(r.height) &&
         std::fabs(r.left) < kMaxWorld && std::fabs(r.top) < kMaxWorld && r.width >= 0 && r.height >= 0 &&
         r.width < kMaxWorld && r.height < kMaxWorld;
}

bool TouchesPage(const DrawRect& r, const PicturePage& page, double reach) {
  return r.left + r.width + reach >= page.left && r.left - reach <= page.right && r.top + r.height + reach >= page.top &&
         r.top - reach <= page.bottom;
}

// A point of a shape's own coordinates (a line's ends, a polyline's points) on the page.
DrawPoint MapPoint(const LegacyContext& c, const std::vector<VmlShape>& shapes, const std::vector<DrawRect>& rects,
                   const VmlShape& s, double x, double y) {
  if (s.nParent >= 0) {
    const VmlShape& g = shapes[size_t(s.nParent)];
    const DrawRect& r = rects[size_t(s.nParent)];
    const double w = g.coordWidth == 0 ? 1 : g.coordWidth, h = g.coordHeight == 0 ? 1 : g.coordHeight;
    return DrawPoint{r.left + (x - g.coordLeft) * r.width / w, r.top + (y - g.coordTop) * r.height / h};
  }
  return DrawPoint{c.geo.mirror.X(c.geo.marginLeft + x * c.pxPerPt), c.geo.marginTop + y * c.pxPerPt};
}

DrawRect ShapeRect(const LegacyContext& c, const std::vector<VmlShape>& shapes, const std::vector<DrawRect>& rects,
                   size_t index) {
  const VmlShape& s = shapes[index];
  if (s.client.hasAnchor) return LegacyAnchorRect(c.geo, s.client.anchor);
  const DrawPoint a = MapPoint(c, shapes, rects, s, s.left, s.top);
  const DrawPoint b = MapPoint(c, shapes, rects, s, s.left + s.width, s.top + s.height);
  return DrawRect{std::min(a.x, b.x), std::min(a.y, b.y), std::fabs(b.x - a.x), std::fabs(b.y - a.y)};
}

CellColor WithOpacity(CellColor color, double opacity) {
  const uint32_t alpha = uint32_t(std::lround(std::clamp(opacity, 0.0, 1.0) * 255));
  return (color & 0x00FFFFFFu) | (alpha << 24);
}

struct Paint {
  VkPen* pen = nullptr;
  VkBrush* brush = nullptr;
  ~Paint() {
    FreeDrawPen(pen);
    FreeDrawBrush(brush);
  }
};

// A gradient's stops: `color2` sits at the focus (a share of the way along), `color` at the ends
// around it; a negative focus swaps the two colours.
int32_t GradientStops(const VmlFill& f, DrawGradientStop stops[3]) {
  const bool swap = f.focus < 0;
  const double at = std::fabs(f.focus) / 100;
  const CellColor a = WithOpacity(swap ? f.color2 : f.color, swap ? f.opacity2 : f.opacity);
  const CellColor b = WithOpacity(swap ? f.color : f.color2, swap ? f.opacity : f.opacity2);
  if (at <= 0) return stops[0] = {0, b}, stops[1] = {1, a}, 2;
  if (at >= 1) return stops[0] = {0, a}, stops[1] = {1, b}, 2;
  stops[0] = {0, a}, stops[1] = {at, b}, stops[2] = {1, a};
  return 3;
}

int32_t MakeBrush(const VmlFill& f, const DrawRect& rect, VkBrush** brush) {
  DrawGradientStop stops[3];
  if (f.kind == kVmlFillGradient) {
    // The angle turns the top-to-bottom direction counter-clockwise.
    return SetDrawLinearGradientBrush(rect, 90 - f.angle, false, stops, GradientStops(f, stops), brush);
  }
  if (f.kind == kVmlFillRadial)
    return SetDrawRadialGradientBrush(rect.left + rect.width / 2, rect.top + rect.height / 2, rect.width / 2,
                                      rect.height / 2, stops, GradientStops(f, stops), brush);
  return SetDrawBrush(WithOpacity(f.color, f.opacity), kBrushSolid, 0, brush);
}

int32_t MakePaint(const LegacyContext& c, const VmlShape& s, const DrawRect& rect, Paint* p) {
  int32_t rc = XLX_OK;
  if (s.stroke.on && s.stroke.weightPt > 0 && s.stroke.opacity > 0)
    rc = SetDrawPen(WithOpacity(s.stroke.color, s.stroke.opacity), s.stroke.lineStyle,
                    std::max(1.0, s.stroke.weightPt * c.pxPerPt), nullptr, 0, &p->pen);
  // Picture fills are drawn over their colour.
  if (rc == XLX_OK && s.fill.on && (s.fill.opacity > 0 || s.fill.opacity2 > 0)) {
    VmlFill fill = s.fill;
    if (c.request.blackAndWhite) fill.kind = kVmlFillSolid, fill.color = 0xFFFFFFFFu;
    rc = MakeBrush(fill, rect, &p->brush);
  }
  return rc;
}

// The figures of a shape in `rect`; empty for kinds drawn another way.
int32_t ShapeFigures(const VmlShape& s, const DrawRect& rect, std::vector<VmlFigure>* figures, DrawRect* textRect) {
  *textRect = rect;
  VmlPathSpace space;
  space.rect = rect;
  const VmlPresetType* preset = s.shapeType > 0 ? FindVmlPresetType(s.shapeType) : nullptr;
  const bool own = !s.geometry.path.empty();
  std::string path = own ? s.geometry.path : preset ? preset->path : "m,l,21600r21600,l21600,xe";
  if (s.kind == kVmlRect || s.kind == kVmlImage) path = "m,l,21600r21600,l21600,xe";
  if (s.kind == kVmlShape) {
    space.coordLeft = s.coordLeft, space.coordTop = s.coordTop;
    space.coordWidth = s.coordWidth, space.coordHeight = s.coordHeight;
  }
  const std::vector<std::string> formulas = own || !preset ? s.geometry.formulas : SplitVmlFormulas(preset->formulas);
  const std::vector<int32_t> adjusts = MergeVmlAdjusts(preset && !own ? preset->adjusts : "", s.geometry.adjusts);
  const std::vector<double> values = EvaluateVmlFormulas(formulas, adjusts, space);
  const std::string& text = !s.geometry.textRect.empty() ? s.geometry.textRect : std::string(preset && !own ? preset->textRect : "");
  *textRect = VmlTextRect(text, values, adjusts, space);
  return BuildVmlPath(path, values, adjusts, space, figures);
}

int32_t DrawArrow(const LegacyContext& c, const VmlStroke& stroke, DrawPoint tip, DrawPoint from, int32_t kind) {
  if (kind == kVmlArrowNone) return XLX_OK;
  const double len = std::max(3.0, stroke.weightPt * c.pxPerPt * 3);
  const double dx = tip.x - from.x, dy = tip.y - from.y, d = std::hypot(dx, dy);
  if (!(d > 0)) return XLX_OK;
  const double ux = dx / d, uy = dy / d;
  const DrawPoint back{tip.x - ux * len, tip.y - uy * len};
  const DrawPoint left{back.x - uy * len / 2, back.y + ux * len / 2}, right{back.x + uy * len / 2, back.y - ux * len / 2};
  Paint p;
  int32_t rc = SetDrawPen(stroke.color, kPenSolid, std::max(1.0, stroke.weightPt * c.pxPerPt), nullptr, 0, &p.pen);
  if (rc == XLX_OK) rc = SetDrawBrush(stroke.color, kBrushSolid, 0, &p.brush);
  if (rc != XLX_OK) return rc;
  if (kind == kVmlArrowOpen) {
    const DrawPoint pts[3] = {left, tip, right};
    return AddDrawPolyline(c.surface, p.pen, pts, 3);
  }
  if (kind == kVmlArrowOval)
    return AddDrawEllipse(c.surface, p.pen, p.brush, DrawRect{tip.x - len / 2, tip.y - len / 2, len, len});
  if (kind == kVmlArrowDiamond) {
    const DrawPoint pts[4] = {tip, {tip.x - ux * len / 2 - uy * len / 2, tip.y - uy * len / 2 + ux * len / 2}, back,
                              {tip.x - ux * len / 2 + uy * len / 2, tip.y - uy * len / 2 - ux * len / 2}};
    return AddDrawPolygon(c.surface, p.pen, p.brush, pts, 4);
  }
  const DrawPoint pts[3] = {tip, left, right};
  return AddDrawPolygon(c.surface, p.pen, p.brush, pts, 3);
}

// The picture stretched over `rect`, less what the shape crops off its sides.
int32_t DrawPicture(LegacyContext& c, const std::u16string& path, const DrawRect& rect, const VmlShape* crop) {
  if (path.empty() || rect.width < 1 || rect.height < 1) return XLX_OK;
  const double keepW = crop ? 1 - crop->cropLeft - crop->cropRight : 1;
  const double keepH = crop ? 1 - crop->cropTop - crop->cropBottom : 1;
  if (!(keepW > 0.001) || !(keepH > 0.001)) return XLX_OK;
  PictureRequest q;
  q.path = path.c_str();
  q.width = uint32_t(std::clamp(rect.width * c.page.sx, 1.0, double(VK_MAX_VECTOR_SIDE)));
  q.height = uint32_t(std::clamp(rect.height * c.page.sy, 1.0, double(VK_MAX_VECTOR_SIDE)));
  q.keepWidth = keepW, q.keepHeight = keepH;
  PictureEffect grey;
  if (c.request.blackAndWhite) q.effects = &grey, q.effectCount = 1;
  std::shared_ptr<const DecodedPicture> picture = c.pictures.Get(*c.request.workbook, q);
  if (!picture) return XLX_OK;
  if (!crop || (keepW == 1 && keepH == 1 && crop->cropLeft == 0 && crop->cropTop == 0))
    return AddDrawImageAlpha(c.surface, picture->image, rect, nullptr, 1.0);
  const double w = picture->width, h = picture->height;
  const DrawRect source{crop->cropLeft * w, crop->cropTop * h, keepW * w, keepH * h};
  // A crop that leaves none of the picture inside the kept part draws nothing.
  if (source.left >= w || source.top >= h || source.left + source.width <= 0 || source.top + source.height <= 0)
    return XLX_OK;
  return AddDrawImageAlpha(c.surface, picture->image, rect, &source, 1.0);
}

// The picture repeated at its own size from the shape's top-left corner.
int32_t DrawTiledPicture(LegacyContext& c, const std::u16string& path, const DrawRect& rect) {
  if (path.empty() || rect.width < 1 || rect.height < 1) return XLX_OK;
  PictureRequest q;
  q.path = path.c_str();
  q.scale = c.request.options.xResolution / 96.0 * c.page.sx;
  PictureEffect grey;
  if (c.request.blackAndWhite) q.effects = &grey, q.effectCount = 1;
  std::shared_ptr<const DecodedPicture> picture = c.pictures.Get(*c.request.workbook, q);
  if (!picture || !(q.scale > 0)) return XLX_OK;
  // Made at device size; in page units a tile spans its 96 dpi size at the page's resolution.
  const double tileW = picture->width / c.page.sx;
  const double tileH = picture->height / q.scale * c.request.options.yResolution / 96.0;
  if (!(tileW >= 1) || !(tileH >= 1)) return XLX_OK;
  return AddDrawImageTiled(c.surface, picture->image, rect, DrawRect{rect.left, rect.top, tileW, tileH});
}

// The geometry with the given paint: shadow first, then the shape.
int32_t DrawGeometry(LegacyContext& c, const VmlShape& s, const DrawRect& rect, const Paint& p, DrawRect* textRect) {
  *textRect = rect;
  switch (s.kind) {
    case kVmlRoundRect: {
      const double r = s.arcSize * std::min(rect.width, rect.height) / 2;
      return AddDrawRoundRect(c.surface, p.pen, p.brush, rect, r, r);
    }
    case kVmlOval:
      return AddDrawEllipse(c.surface, p.pen, p.brush, rect);
    case kVmlArc: {
      std::vector<VmlFigure> f(1);
      double sweep = s.endAngle - s.startAngle;
      if (sweep <= 0) sweep += 360;
      AddVmlArc(&f[0], rect.left + rect.width / 2, rect.top + rect.height / 2, rect.width / 2, rect.height / 2,
                s.startAngle - 90, sweep, false);
      return DrawVmlFigures(c.surface, f, p.pen, nullptr);
    }
    default: {
      std::vector<VmlFigure> figures;
      int32_t rc = ShapeFigures(s, rect, &figures, textRect);
      return rc == XLX_OK ? DrawVmlFigures(c.surface, figures, p.pen, p.brush) : rc;
    }
  }
}

int32_t DrawLines(LegacyContext& c, const std::vector<VmlShape>& shapes, const std::vector<DrawRect>& rects, const VmlShape& s) {
  std::vector<DrawPoint> pts;
  if (s.kind == kVmlLine) {
    pts.push_back(MapPoint(c, shapes, rects, s, s.fromX, s.fromY));
    pts.push_back(MapPoint(c, shapes, rects, s, s.toX, s.toY));
  } else {
    for (size_t i = 0; i + 1 < s.points.size(); i += 2) pts.push_back(MapPoint(c, shapes, rects, s, s.points[i], s.points[i + 1]));
  }
  if (pts.size() < 2) return XLX_OK;
  for (const DrawPoint& p : pts)
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || std::fabs(p.x) > kMaxWorld || std::fabs(p.y) > kMaxWorld) return XLX_OK;
  Paint p;
  int32_t rc = MakePaint(c, s, DrawRect{0, 0, 0, 0}, &p);
  if (rc == XLX_OK && s.kind == kVmlPolyline && p.brush && pts.size() > 2)
    rc = AddDrawPolygon(c.surface, nullptr, p.brush, pts.data(), int32_t(pts.size()));
  if (rc == XLX_OK && p.pen) rc = AddDrawPolyline(c.surface, p.pen, pts.data(), int32_t(pts.size()));
  if (rc == XLX_OK && p.pen) rc = DrawArrow(c, s.stroke, pts.back(), pts[pts.size() - 2], s.stroke.endArrow);
  if (rc == XLX_OK && p.pen) rc = DrawArrow(c, s.stroke, pts.front(), pts[1], s.stroke.startArrow);
  return rc;
}

}  // namespace

int32_t DrawLegacyShapeBody(LegacyContext& c, const VmlShape& s, const DrawRect& rect) {
  Paint p;
  int32_t rc = MakePaint(c, s, rect, &p);
  DrawRect textRect = rect;
  if (rc == XLX_OK && s.shadow.on && (p.brush || p.pen)) {
    Paint shade;
    const CellColor color = WithOpacity(s.shadow.color, s.shadow.opacity);
    rc = p.brush ? SetDrawBrush(color, kBrushSolid, 0, &shade.brush)
                 : SetDrawPen(color, kPenSolid, std::max(1.0, s.stroke.weightPt * c.pxPerPt), nullptr, 0, &shade.pen);
    const DrawRect moved{rect.left + s.shadow.offsetX * c.pxPerPt, rect.top + s.shadow.offsetY * c.pxPerPt, rect.width, rect.height};
    if (rc == XLX_OK) rc = DrawGeometry(c, s, moved, shade, &textRect);
  }
  if (rc == XLX_OK) rc = DrawGeometry(c, s, rect, p, &textRect);
  if (rc == XLX_OK && s.fill.on && s.fill.kind == kVmlFillPicture)
    rc = s.fill.tiled ? DrawTiledPicture(c, s.fill.picturePath, rect) : DrawPicture(c, s.fill.picturePath, rect, nullptr);
  if (rc == XLX_OK) rc = DrawPicture(c, s.imagePath, rect, &s);
  if (rc == XLX_OK && !s.textBox.runs.empty()) {
    const VmlTextBox& t = s.textBox;
    const DrawRect inner{textRect.left + t.insetLeft * c.pxPerPt, textRect.top + t.insetTop * c.pxPerPt,
                         textRect.width - (t.insetLeft + t.insetRight) * c.pxPerPt,
                         textRect.height - (t.insetTop + t.insetBottom) * c.pxPerPt};
    if (inner.width > 0 && inner.height > 0) rc = DrawLegacyText(c, t.runs, inner, t.align, t.vAlign, u"Calibri", 11, true);
  }
  return rc;
}

namespace {

int32_t DrawTurned(LegacyContext& c, const VmlShape& s, const DrawRect& rect, bool control) {
  double saved[6];
  int32_t rc = GetDrawTransform(c.surface, saved);
  if (rc != XLX_OK) return rc;
  const bool turned = s.rotation != 0 || s.flipX || s.flipY;
  DrawRect local = rect;
  if (turned) {
    rc = TranslateDrawTransform(c.surface, rect.left + rect.width / 2, rect.top + rect.height / 2);
    if (rc == XLX_OK && s.rotation != 0) rc = RotateDrawTransform(c.surface, s.rotation);
    if (rc == XLX_OK && (s.flipX || s.flipY)) rc = ScaleDrawTransform(c.surface, s.flipX ? -1 : 1, s.flipY ? -1 : 1);
    local = DrawRect{-rect.width / 2, -rect.height / 2, rect.width, rect.height};
  }
  if (rc == XLX_OK) rc = control ? DrawFormControl(c, s, local) : DrawLegacyShapeBody(c, s, local);
  const int32_t restored = SetDrawTransform(c.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

bool IsControl(int32_t kind) { return kind != kControlNone && kind != kControlNote && kind != kControlOther; }

int32_t DrawAll(LegacyContext& c) {
  const std::vector<VmlShape>& shapes = c.request.sheet->legacy.shapes;
  std::vector<DrawRect> rects(shapes.size());
  std::vector<uint8_t> hidden(shapes.size());
  std::vector<size_t> notes;
  for (size_t i = 0; i < shapes.size(); ++i) {
    const VmlShape& s = shapes[i];
    const bool member = s.nParent >= 0 && size_t(s.nParent) < i;
    rects[i] = ShapeRect(c, shapes, rects, i);
    hidden[i] = (member && hidden[size_t(s.nParent)]) || s.client.hidden || (s.kind == kVmlGroup && s.hidden);
    if (s.client.kind == kControlNote) {
      if (LegacyNoteShown(c, s)) notes.push_back(i);
      continue;
    }
    if (hidden[i] || s.hidden || s.kind == kVmlGroup) continue;
    if (c.request.options.bPrintSetup && !s.client.printObject) continue;
    int32_t rc = XLX_OK;
    if (s.kind == kVmlLine || s.kind == kVmlPolyline) {
      rc = DrawLines(c, shapes, rects, s);
    } else {
      const DrawRect& r = rects[i];
      if (!Sane(r) || r.width < 1 || r.height < 1 || !TouchesPage(r, c.page, std::hypot(r.width, r.height))) continue;
      rc = DrawTurned(c, s, r, IsControl(s.client.kind));
    }
    if (rc == XLX_OK) rc = PollProgress(c.request.progress);
    if (rc != XLX_OK) return rc;
  }
  if (notes.empty()) return XLX_OK;
  // The comments part gives each note its text; a cell's first note wins.
  std::map<std::pair<int32_t, int32_t>, const SheetNote*> texts;
  for (const SheetNote& n : c.request.sheet->legacy.notes) texts.emplace(std::make_pair(n.row, n.column), &n);
  for (size_t i : notes) {
    const DrawRect& r = rects[i];
    if (!Sane(r) || r.width < 1 || r.height < 1) continue;
    const auto found = texts.find(std::make_pair(shapes[i].client.row + 1, shapes[i].client.column + 1));
    int32_t rc = DrawNote(c, shapes[i], found == texts.end() ? nullptr : found->second, r);
    if (rc == XLX_OK) rc = PollProgress(c.request.progress);
    if (rc != XLX_OK) return rc;
  }
  return XLX_OK;
}

}  // namespace

bool LegacyNoteShown(const LegacyContext& c, const VmlShape& s) {
  if (c.request.options.bPrintSetup && c.request.sheet->print.cellComments != kPrintCommentsAsDisplayed) return false;
  return s.client.visible && !s.client.hidden;
}

int32_t DrawLegacyDrawing(const PageRenderRequest& r, DrawingSurface* surface, const PicturePage& page, PictureCache& pictures) {
  if (!r.sheet || r.sheet->legacy.shapes.empty()) return XLX_OK;
  try {
    std::unique_ptr<FontCache> own;
    if (!r.fonts) own.reset(new FontCache(r.engine));
    LegacyContext c{r, surface, page, pictures, r.fonts ? *r.fonts : *own, MakeAnchorGeometry(*r.layout, r.options)};
    c.pxPerPt = c.geo.yPxPerEmu * 12700;
    return DrawAll(c);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
