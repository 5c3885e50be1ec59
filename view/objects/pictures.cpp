#include "view/objects/pictures.h"
#include "view/cells/sparklines.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "common/progress.h"
#include "common/resultcodes.h"
#include "host/kernel/vkimage.h"
#include "view/objects/anchors.h"
#include "view/objects/charts.h"
#include "view/objects/legacy.h"
#include "view/drawlayer/picturecache.h"
#include "view/objects/shapes.h"

namespace xlx {
namespace {

constexpr double kFullAlpha = 100000.0;  // thousandths of a percent

struct PictureContext {
  const PageRenderRequest& request;
  DrawingSurface* surface;
  const PicturePage& page;
  PictureCache& cache;
};

// Whether a rectangle turned by `rotation` about its centre can touch the page.
bool OnPage(const DrawRect& r, const PicturePage& page) {
  const double cx = r.left + r.width / 2, cy = r.top + r.height / 2;
  const double reach = std::hypot(r.width, r.height) / 2 + 1;
  return cx + reach >= page.left && cx - reach <= page.right && cy + reach >= page.top && cy - reach <= page.bottom;
}

// Pixels a picture covers on the device, the size vector pictures are decoded at.
uint32_t DeviceSize(double worldLength, double scale) {
  const double v = std::fabs(worldLength * scale);
  return static_cast<uint32_t>(std::max(1.0, std::min(v + 0.5, double(VK_MAX_VECTOR_SIDE))));
}

std::shared_ptr<const DecodedPicture> Fetch(PictureContext& c, const std::u16string& path, const PictureFill* fill,
                                            const DrawRect& rect) {
  if (path.empty()) return nullptr;
  PictureRequest q;
  q.path = path.c_str();
  // Black-and-white printing turns every picture grey after its own effects.
  PictureEffect effects[kMaxPictureEffects + 1];
  int32_t count = 0;
  if (fill) {
    count = std::max(0, std::min(fill->effectCount, kMaxPictureEffects));
    std::copy_n(fill->effects, count, effects);
    q.keepWidth = 1 - (fill->cropLeft + double(fill->cropRight)) / kFullAlpha;
    q.keepHeight = 1 - (fill->cropTop + double(fill->cropBottom)) / kFullAlpha;
  }
  if (c.request.blackAndWhite) effects[count++] = PictureEffect{};
  q.effects = effects, q.effectCount = count;
  q.width = DeviceSize(rect.width, c.page.sx);
  q.height = DeviceSize(rect.height, c.page.sy);
  return c.cache.Get(*c.request.workbook, q);
}

// The part of the picture `srcRect` keeps; false when nothing of the picture is left.
bool CropSource(const PictureFill& f, const DecodedPicture& p, DrawRect* source) {
  const double w = p.width, h = p.height;
  source->left = f.cropLeft / kFullAlpha * w;
  source->top = f.cropTop / kFullAlpha * h;
  source->width = w * (1 - (f.cropLeft + double(f.cropRight)) / kFullAlpha);
  source->height = h * (1 - (f.cropTop + double(f.cropBottom)) / kFullAlpha);
  if (!(source->width > 0) || !(source->height > 0)) return false;
  // Something of the picture must lie inside the kept part.
  return source->left < w && source->top < h && source->left + source->width > 0 && source->top + source->height > 0;
}

// Draws into `rect` turned and flipped about its centre: the picture, then its outline.
int32_t DrawTurned(PictureContext& c, const DecodedPicture& picture, const DrawRect& source, const DrawRect& rect,
                   const DrawingObject& o) {
  double saved[6];
  int32_t rc = GetDrawTransform(c.surface, saved);
  if (rc != XLX_OK) return rc;
  rc = TranslateDrawTransform(c.surface, rect.left + rect.width / 2, rect.top + rect.height / 2);
  if (rc == XLX_OK && o.xfrm.rotation != 0) rc = RotateDrawTransform(c.surface, o.xfrm.rotation / 60000.0);
  if (rc == XLX_OK && (o.xfrm.flipH || o.xfrm.flipV))
    rc = ScaleDrawTransform(c.surface, o.xfrm.flipH ? -1 : 1, o.xfrm.flipV ? -1 : 1);
  const DrawRect local{-rect.width / 2, -rect.height / 2, rect.width, rect.height};
  if (rc == XLX_OK) rc = AddDrawImageAlpha(c.surface, picture.image, local, &source, o.picture.alpha / kFullAlpha);
  if (rc == XLX_OK && o.outline.present) {
    const AnchorGeometry geo = MakeAnchorGeometry(*c.request.layout, c.request.options);
    VkPen* pen = nullptr;
    rc = SetDrawPen(o.outline.color, o.outline.lineStyle, std::max(1.0, o.outline.widthEmu * geo.xPxPerEmu), nullptr, 0,
                    &pen);
    if (rc == XLX_OK) rc = AddDrawRectangle(c.surface, pen, nullptr, local.left, local.top, local.width, local.height);
    FreeDrawPen(pen);
  }
  const int32_t restored = SetDrawTransform(c.surface, saved);
  return rc != XLX_OK ? rc : restored;
}

int32_t DrawPicture(PictureContext& c, const DrawingObject& o, DrawRect rect) {
  const PictureFill& f = o.picture;
  if (f.bLinked || f.alpha <= 0) return XLX_OK;
  rect = DrawRect{double(RoundHalfAway(rect.left)), double(RoundHalfAway(rect.top)), double(RoundHalfAway(rect.width)),
                  double(RoundHalfAway(rect.height))};
  if (rect.width < 1 || rect.height < 1 || !OnPage(rect, c.page)) return XLX_OK;
  // The SVG is drawn when it decodes; its raster stand-in otherwise.
  std::shared_ptr<const DecodedPicture> picture = Fetch(c, f.svgPath, &f, rect);
  if (!picture) picture = Fetch(c, f.blipPath, &f, rect);
  DrawRect source;
  if (!picture || !CropSource(f, *picture, &source)) return XLX_OK;
  return DrawTurned(c, *picture, source, rect, o);
}

int32_t DrawLegacyObjects(PictureContext& c, const AnchorGeometry& geo) {
  for (const LegacyObject& o : c.request.sheet->drawing.legacyObjects) {
    const DrawRect rect = LegacyAnchorRect(geo, o.anchor);
    if (rect.width < 1 || rect.height < 1 || !OnPage(rect, c.page)) continue;
    std::shared_ptr<const DecodedPicture> picture = Fetch(c, o.picturePath, nullptr, rect);
    if (picture) {
      int32_t rc = AddDrawImageAlpha(c.surface, picture->image, rect, nullptr, 1.0);
      if (rc != XLX_OK) return rc;
    }
    int32_t rc = PollProgress(c.request.progress);
    if (rc != XLX_OK) return rc;
  }
  return XLX_OK;
}

int32_t DrawObjects(PictureContext& c, const AnchorGeometry& geo) {
  const DrawRect visible{c.page.left, c.page.top, c.page.right - c.page.left, c.page.bottom - c.page.top};
  if (int32_t rc = DrawSparklines(c.request, c.surface, geo, visible); rc != XLX_OK) return rc;
  const std::vector<DrawingObject>& objects = c.request.sheet->drawing.objects;
  // Rectangles and visibility of groups are worked out before their members, which follow them.
  std::vector<DrawRect> rects(objects.size());
  std::vector<uint8_t> hidden(objects.size());
  for (size_t i = 0; i < objects.size(); ++i) {
    const DrawingObject& o = objects[i];
    const bool member = o.nParent >= 0 && static_cast<size_t>(o.nParent) < i;
    if (member) {
      const DrawingObject& group = objects[o.nParent];
      rects[i] = GroupMemberRect(geo, rects[o.nParent], group.xfrm, o.xfrm);
      hidden[i] = hidden[o.nParent] || o.bHidden;
    } else {
      rects[i] = UnturnedRect(AnchorRect(geo, o.anchor, &o.xfrm), o.xfrm.rotation);
      hidden[i] = o.bHidden;
    }
    if (hidden[i]) continue;
    if (o.kind == kObjectShape || o.kind == kObjectConnector) {
      const DrawRect visible{c.page.left, c.page.top, c.page.right - c.page.left, c.page.bottom - c.page.top};
      const ShapePage shapes{c.request, c.surface, c.cache, geo.xPxPerEmu, geo.yPxPerEmu, c.page.sx, visible};
      int32_t rc = DrawShapeObject(shapes, objects, c.request.sheet->drawing.shapes, rects, i);
      if (rc == XLX_OK) rc = PollProgress(c.request.progress);
      if (rc != XLX_OK) return rc;
      continue;
    }
    if (o.kind == kObjectGraphicFrame && o.chart) {
      int32_t rc = DrawChartObject(c.request, c.surface, o, rects[i], c.page.left, c.page.top, c.page.right, c.page.bottom);
      if (rc != XLX_OK) return rc;
      continue;
    }
    if (o.kind != kObjectPicture) continue;
    int32_t rc = DrawPicture(c, o, rects[i]);
    if (rc == XLX_OK) rc = PollProgress(c.request.progress);
    if (rc != XLX_OK) return rc;
  }
  return XLX_OK;
}

}  // namespace

int32_t DrawSheetBackground(const PageRenderRequest& r, DrawingSurface* surface, const PicturePage& page) {
  if (r.options.loadMode == kLoadPaginated || r.sheet->backgroundPicturePath.empty()) return XLX_OK;
  PictureCache local;
  PictureContext c{r, surface, page, r.pictures ? *r.pictures : local};
  // Tiles are made once at their size on the device and laid pixel for pixel.
  PictureRequest q;
  q.path = r.sheet->backgroundPicturePath.c_str();
  q.scale = r.options.xResolution / 96.0 * page.sx;
  std::shared_ptr<const DecodedPicture> picture = c.cache.Get(*r.workbook, q);
  if (!picture) return XLX_OK;
  // Its own pixels are 96 dpi ones; across, the tile is the picture as made.
  const double tileW = picture->width / page.sx;
  const double tileH = picture->height / q.scale * r.options.yResolution / 96.0;
  const double left = std::max(page.left, r.options.marginLeft), top = std::max(page.top, r.options.marginTop);
  if (page.right <= left || page.bottom <= top) return XLX_OK;
  const DrawRect area{left, top, page.right - left, page.bottom - top};
  return AddDrawImageTiled(surface, picture->image, area, DrawRect{r.options.marginLeft, r.options.marginTop, tileW, tileH});
}

int32_t DrawSheetObjects(const PageRenderRequest& r, DrawingSurface* surface, const PicturePage& page) {
  if (r.sheet->drawing.objects.empty() && r.sheet->drawing.legacyObjects.empty() && r.sheet->legacy.shapes.empty() &&
      r.sheet->sparklineGroups.empty())
    return XLX_OK;
  PictureCache local;
  PictureContext c{r, surface, page, r.pictures ? *r.pictures : local};
  const AnchorGeometry geo = MakeAnchorGeometry(*r.layout, r.options);
  int32_t rc = DrawLegacyObjects(c, geo);
  if (rc == XLX_OK) {
    try {
      rc = DrawObjects(c, geo);
      if (rc == XLX_OK) rc = DrawLegacyDrawing(r, surface, page, c.cache);
    } catch (const std::bad_alloc&) {
      rc = XLX_ERR_MEMORY;
    }
  }
  return rc;
}

}  // namespace xlx
