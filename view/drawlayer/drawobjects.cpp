// The drawing layer's surface, pens, brushes, shapes, pictures, clip and transform over the host
// drawing engine.
#include <cmath>
#include <new>
#include "common/resultcodes.h"
#include "view/drawlayer/drawlayer.h"

namespace xlx {

static_assert(sizeof(DrawPoint) == 2 * sizeof(double), "points are read as x, y pairs");

namespace {

inline const double* Pairs(const DrawPoint* points) { return reinterpret_cast<const double*>(points); }

// Host hatch style passed for each group by SetDrawBrush and by SetDrawHatchBrush: the two
// differ on the diagonals, and the host draws 2 rising and 3 falling, so a falling group made
// through SetDrawBrush slants the other way from the same group made through SetDrawHatchBrush.
constexpr int32_t kHostHatchOfBrush[6] = {VK_HATCH_HORIZONTAL, VK_HATCH_VERTICAL, VK_HATCH_FALLING,
                                    VK_HATCH_RISING,     VK_HATCH_CROSS,    VK_HATCH_DIAGCROSS};
constexpr int32_t kHostHatchOfHatchBrush[6] = {VK_HATCH_HORIZONTAL, VK_HATCH_VERTICAL, VK_HATCH_RISING,
                                         VK_HATCH_FALLING,    VK_HATCH_CROSS,    VK_HATCH_DIAGCROSS};

}  // namespace

int32_t CreateDrawingSurface(VkDrawingEngine* engine, _BITMAPHANDLE* bitmap, DrawingSurface** surface) {
  if (!surface) return XLX_ERR_ARGUMENT;
  *surface = nullptr;
  if (!engine || !bitmap) return XLX_ERR_ARGUMENT;
  auto* made = new (std::nothrow) DrawingSurface;
  if (!made) return XLX_ERR_MEMORY;
  int32_t r = VkCreateSurface(engine, bitmap, &made->pSurface);
  if (r != XLX_OK) {
    delete made;
    return r;
  }
  made->pEngine = engine;
  made->bOwnsSurface = true;
  *surface = made;
  return XLX_OK;
}

int32_t BindPageBand(_BITMAPHANDLE* band, uint32_t pageWidth, uint32_t pageHeight, uint32_t top) {
  return VkBindPageBand(band, pageWidth, pageHeight, top);
}

int32_t AttachDrawingSurface(VkDrawingEngine* engine, VkSurface* hostSurface, DrawingSurface** surface) {
  if (!surface) return XLX_ERR_ARGUMENT;
  *surface = nullptr;
  if (!engine || !hostSurface) return XLX_ERR_ARGUMENT;
  auto* made = new (std::nothrow) DrawingSurface;
  if (!made) return XLX_ERR_MEMORY;
  made->pEngine = engine;
  made->pSurface = hostSurface;
  *surface = made;
  return XLX_OK;
}

void DestroyDrawingSurface(DrawingSurface* surface) {
  if (!surface) return;
  if (surface->bOwnsSurface) VkDestroySurface(surface->pSurface);
  delete surface;
}

int32_t InitEngine(DrawingSurface* surface) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  int32_t r = VkSetLineSmoothing(surface->pSurface, 1);
  return r == XLX_OK ? VkSetTextSmoothing(surface->pSurface, 1) : r;
}

int32_t EndEngine(DrawingSurface* surface) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkEndSurface(surface->pSurface);
}

int32_t SetDrawSmoothing(DrawingSurface* surface, bool on) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkSetLineSmoothing(surface->pSurface, on ? 1 : 0);
}

double GetDrawEngineResolution(VkDrawingEngine* engine) { return VkGetTextResolution(engine); }

int32_t SetDrawPen(CellColor color, int32_t lineStyle, double width, const double* dashes, int32_t dashCount,
                   VkPen** pen) {
  if (!pen) return XLX_ERR_ARGUMENT;
  *pen = nullptr;
  if (lineStyle == kPenNone) return XLX_OK;
  if (lineStyle < kPenSolid || lineStyle > kPenNone || !std::isfinite(width) || width < 0) return XLX_ERR_ARGUMENT;
  if (lineStyle == kPenDash && dashes && dashCount > 0) {
    if (dashCount > 16) return XLX_ERR_ARGUMENT;
    double scaled[16];
    const double factor = std::fabs(width - 1.0) > 0.01 ? width : 1.0;
    for (int32_t i = 0; i < dashCount; ++i) scaled[i] = dashes[i] * factor;
    return VkCreatePen(color, width, VK_PEN_CUSTOM, scaled, dashCount, pen);
  }
  return VkCreatePen(color, width, lineStyle, nullptr, 0, pen);
}

void FreeDrawPen(VkPen* pen) { VkDestroyPen(pen); }

int32_t SetDrawPenShape(VkPen* pen, int32_t cap, int32_t join, double miterLimit) {
  static const int32_t kJoins[] = {VK_JOIN_ROUND, VK_JOIN_BEVEL, VK_JOIN_MITER};
  if (!pen) return XLX_OK;
  if (cap < 0 || cap > 2 || join < 0 || join > 2 || !(miterLimit >= 1) || !std::isfinite(miterLimit))
    return XLX_ERR_ARGUMENT;
  const int32_t rc = VkSetPenShape(pen, cap, kJoins[join]);  // the host's caps are numbered as ours
  return rc == XLX_OK ? VkSetPenMiterLimit(pen, miterLimit) : rc;
}

int32_t HostHatchForBrush(int32_t group) { return group >= 0 && group < 6 ? kHostHatchOfBrush[group] : -1; }
int32_t HostHatchForHatchBrush(int32_t group) { return group >= 0 && group < 6 ? kHostHatchOfHatchBrush[group] : -1; }

int32_t SetDrawBrush(CellColor color, int32_t kind, int32_t hatchGroup, VkBrush** brush) {
  if (!brush) return XLX_ERR_ARGUMENT;
  *brush = nullptr;
  switch (kind) {
    case kBrushNone: return XLX_OK;
    case kBrushSolid: return VkCreateSolidBrush(color, brush);
    case kBrushHatch: {
      const int32_t style = HostHatchForBrush(hatchGroup);
      if (style < 0) return XLX_ERR_ARGUMENT;
      return VkCreateHatchBrush(style, color, 0 /* transparent background */, brush);
    }
    default: return XLX_ERR_ARGUMENT;
  }
}

int32_t SetDrawHatchBrush(CellColor foreground, CellColor background, int32_t kind, int32_t hatchGroup,
                          VkBrush** brush) {
  if (!brush) return XLX_ERR_ARGUMENT;
  *brush = nullptr;
  if (kind != kBrushHatch) return VkCreateSolidBrush(foreground, brush);
  const int32_t style = HostHatchForHatchBrush(hatchGroup);
  if (style < 0) return XLX_ERR_ARGUMENT;
  return VkCreateHatchBrush(style, foreground, background, brush);
}

void FreeDrawBrush(VkBrush* brush) { VkDestroyBrush(brush); }

int32_t AddDrawLine(DrawingSurface* surface, const VkPen* pen, double x1, double y1, double x2, double y2) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  if (!pen) return XLX_OK;
  return VkDrawLine(surface->pSurface, pen, x1, y1, x2, y2);
}

int32_t AddDrawRectangle(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, double left, double top,
                         double width, double height) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkDrawRectangle(surface->pSurface, pen, brush, left, top, width, height);
}

int32_t AddDrawRoundRect(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, const DrawRect& rect,
                         double radiusX, double radiusY) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkDrawRoundRect(surface->pSurface, pen, brush, rect.left, rect.top, rect.width, rect.height, radiusX,
                         radiusY);
}

int32_t AddDrawEllipse(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, const DrawRect& rect) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkDrawEllipse(surface->pSurface, pen, brush, rect.left, rect.top, rect.width, rect.height);
}

int32_t AddDrawPolygon(DrawingSurface* surface, const VkPen* pen, const VkBrush* brush, const DrawPoint* points,
                       int32_t count) {
  if (!surface || !surface->pSurface || !points) return XLX_ERR_ARGUMENT;
  return VkDrawPolygon(surface->pSurface, pen, brush, Pairs(points), count);
}

int32_t AddDrawPolyline(DrawingSurface* surface, const VkPen* pen, const DrawPoint* points, int32_t count) {
  if (!surface || !surface->pSurface || !points) return XLX_ERR_ARGUMENT;
  if (!pen) return XLX_OK;
  return VkDrawPolyline(surface->pSurface, pen, Pairs(points), count);
}

int32_t AddDrawImage(DrawingSurface* surface, const _BITMAPHANDLE* image, const DrawRect& dest) {
  return AddDrawImage2(surface, image, dest, nullptr);
}

int32_t AddDrawImage2(DrawingSurface* surface, const _BITMAPHANDLE* image, const DrawRect& dest,
                      const DrawRect* source) {
  if (!surface || !surface->pSurface || !image) return XLX_ERR_ARGUMENT;
  const DrawRect whole = {0, 0, 0, 0};
  const DrawRect& s = source ? *source : whole;
  return VkDrawImage(surface->pSurface, image, dest.left, dest.top, dest.width, dest.height, s.left, s.top, s.width,
                     s.height, 1.0);
}

int32_t CreateDrawImage(const _BITMAPHANDLE* bitmap, VkImage** image) { return VkCreateImage(bitmap, image); }

void FreeDrawImage(VkImage* image) { VkDestroyImage(image); }

int32_t AddDrawImageAlpha(DrawingSurface* surface, const VkImage* image, const DrawRect& dest, const DrawRect* source,
                          double opacity) {
  if (!surface || !surface->pSurface || !image) return XLX_ERR_ARGUMENT;
  const DrawRect whole = {0, 0, 0, 0};
  const DrawRect& s = source ? *source : whole;
  return VkDrawImageObject(surface->pSurface, image, dest.left, dest.top, dest.width, dest.height, s.left, s.top,
                           s.width, s.height, opacity);
}

int32_t AddDrawImageTiled(DrawingSurface* surface, const VkImage* image, const DrawRect& area, const DrawRect& tile) {
  if (!surface || !surface->pSurface || !image) return XLX_ERR_ARGUMENT;
  return VkDrawImageTiled(surface->pSurface, image, area.left, area.top, area.width, area.height, tile.left, tile.top,
                          tile.width, tile.height);
}

int32_t SetDrawClipRgn(DrawingSurface* surface, double left, double top, double right, double bottom,
                       int32_t* saved) {
  if (!surface || !surface->pSurface || !saved) return XLX_ERR_ARGUMENT;
  return VkClipRect(surface->pSurface, left, top, right, bottom, saved);
}

int32_t FreeDrawClipRgn(DrawingSurface* surface, int32_t saved) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkRestoreClip(surface->pSurface, saved);
}

int32_t SetDrawClipPath(DrawingSurface* surface, const VkPath* path, int32_t* saved) {
  if (!surface || !surface->pSurface || !path || !saved) return XLX_ERR_ARGUMENT;
  return VkClipPath(surface->pSurface, path, saved);
}

int32_t FreeDrawClipPath(DrawingSurface* surface, int32_t saved) { return FreeDrawClipRgn(surface, saved); }

int32_t GetDrawTransform(DrawingSurface* surface, double matrix[6]) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkGetTransform(surface->pSurface, matrix);
}

int32_t SetDrawTransform(DrawingSurface* surface, const double matrix[6]) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkSetTransform(surface->pSurface, matrix);
}

int32_t MultiplyDrawTransform(DrawingSurface* surface, const double matrix[6]) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkMultiplyTransform(surface->pSurface, matrix);
}

int32_t ScaleDrawTransform(DrawingSurface* surface, double sx, double sy) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkScaleTransform(surface->pSurface, sx, sy);
}

int32_t TranslateDrawTransform(DrawingSurface* surface, double dx, double dy) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkTranslateTransform(surface->pSurface, dx, dy);
}

int32_t RotateDrawTransform(DrawingSurface* surface, double degrees) {
  if (!surface || !surface->pSurface) return XLX_ERR_ARGUMENT;
  return VkRotateTransform(surface->pSurface, degrees);
}

}  // namespace xlx
