// Pattern and picture fills of chart elements. Patterns become the drawing layer's two-colour
// hatch brushes (the percentage patterns a solid blend of the two colours); pictures come from
// the workbook's picture cache, stretched over or tiled from the element's box and clipped to
// its outline.
#include <algorithm>
#include <cmath>

#include "chart/draw/internal.h"
#include "view/drawlayer/picturecache.h"

namespace xlx {

namespace {

CellColor Blend(CellColor fore, CellColor back, double share) {
  // No background (0xFFFFFFFF) blends with white paper, which the same value gives.
  auto channel = [&](int shift) {
    const double f = (fore >> shift) & 0xFF, b = (back >> shift) & 0xFF;
    return uint32_t(std::lround(f * share + b * (1 - share))) << shift;
  };
  return 0xFF000000u | channel(0) | channel(8) | channel(16);
}

// The picture of a fill as decoded for `box`; null when it cannot be had.
std::shared_ptr<const DecodedPicture> FillPicture(ChartCanvas& c, const ChartShapeProps& p, const DrawRect& box) {
  PictureRequest q;
  q.path = p.picturePath.c_str();
  PictureEffect grey;
  if (c.options.blackAndWhite) q.effects = &grey, q.effectCount = 1;
  if (!p.pictureTile) {
    q.width = uint32_t(std::max(1.0, std::min(box.width + 0.5, 8192.0)));
    q.height = uint32_t(std::max(1.0, std::min(box.height + 0.5, 8192.0)));
  }
  return c.options.pictures->Get(*c.options.workbook, q);
}

// Draws the paint's picture inside the clip already set; false when there is none to draw.
bool DrawPictureInClip(ChartCanvas& c, const ChartPaint& paint) {
  const DrawRect& box = paint.pictureBox;
  if (!(box.width >= 1) || !(box.height >= 1)) return false;
  std::shared_ptr<const DecodedPicture> picture = FillPicture(c, *paint.picture, box);
  if (!picture || !picture->image) return false;
  if (paint.picture->pictureTile)
    c.Ok(AddDrawImageTiled(c.surface, picture->image, box, DrawRect{box.left, box.top, double(picture->width), double(picture->height)}));
  else
    c.Ok(AddDrawImageAlpha(c.surface, picture->image, box, nullptr, 1.0));
  return true;
}

// A grey stand-in where a picture fill cannot draw.
void FillGrey(ChartCanvas& c, const DrawPoint* points, int32_t count) {
  ChartPaint grey;
  c.Ok(SetDrawBrush(PrintColor(c, 0xFFBFBFBF), kBrushSolid, 0, &grey.brush));
  c.Ok(AddDrawPolygon(c.surface, nullptr, grey.brush, points, count));
}

}  // namespace

void MakePatternBrush(ChartCanvas& c, const ChartShapeProps& p, VkBrush** brush) {
  if (p.hatchGroup < 0) {
    const CellColor mix = Blend(p.fillColor, p.patternBack, std::max(0, std::min(p.patternPercent, 100)) / 100.0);
    c.Ok(SetDrawBrush(PrintColor(c, mix), kBrushSolid, 0, brush));
    return;
  }
  const CellColor back = p.patternBack == 0xFFFFFFFF ? 0xFFFFFFFFu : PrintColor(c, p.patternBack);
  c.Ok(SetDrawHatchBrush(PrintColor(c, p.fillColor), back, kBrushHatch, p.hatchGroup, brush));
}

bool CanDrawChartPicture(const ChartCanvas& c, const ChartShapeProps& p) {
  return c.options.pictures && c.options.workbook && !p.picturePath.empty();
}

void ChartPolygon(ChartCanvas& c, const ChartPaint& paint, const DrawPoint* points, int32_t count) {
  if (count < 2 || c.rc != XLX_OK) return;
  if (paint.picture) {
    VkPath* path = nullptr;
    bool drawn = false;
    if (c.Ok(CreateDrawPath(&path))) {
      int32_t saved = -1;
      if (c.Ok(AddDrawPolygonToPath(path, points, count)) && c.Ok(EndDrawPath(path)) &&
          c.Ok(SetDrawClipPath(c.surface, path, &saved))) {
        drawn = DrawPictureInClip(c, paint);
        if (saved >= 0) FreeDrawClipPath(c.surface, saved);
      }
      DeleteDrawPath(path);
    }
    if (!drawn) FillGrey(c, points, count);
    if (paint.pen) c.Ok(AddDrawPolygon(c.surface, paint.pen, nullptr, points, count));
    return;
  }
  c.Ok(AddDrawPolygon(c.surface, paint.pen, paint.brush, points, count));
}

void ChartRect(ChartCanvas& c, const ChartPaint& paint, const DrawRect& r) {
  if (!paint.picture) {
    c.Ok(AddDrawRectangle(c.surface, paint.pen, paint.brush, r.left, r.top, r.width, r.height));
    return;
  }
  const DrawPoint corners[4] = {{r.left, r.top}, {r.left + r.width, r.top}, {r.left + r.width, r.top + r.height},
                                {r.left, r.top + r.height}};
  ChartPolygon(c, paint, corners, 4);
}

}  // namespace xlx
