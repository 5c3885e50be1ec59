// Notes shown on the sheet: the box with its shadow and text, the connector to the cell and the
// red indicator in the cell's top right corner.
#include <algorithm>
#include <cmath>

#include "common/resultcodes.h"
#include "view/objects/legacy.h"

namespace xlx {
namespace {

constexpr CellColor kIndicatorRed = 0xFF0000FFu;

// The box corner nearest to the point.
DrawPoint NearestCorner(const DrawRect& box, DrawPoint p) {
  const double x = std::fabs(p.x - box.left) <= std::fabs(p.x - (box.left + box.width)) ? box.left : box.left + box.width;
  const double y = std::fabs(p.y - box.top) <= std::fabs(p.y - (box.top + box.height)) ? box.top : box.top + box.height;
  return DrawPoint{x, y};
}

int32_t DrawConnector(LegacyContext& c, const VmlShape& s, const DrawRect& box, DrawPoint corner) {
  const double u = c.pxPerPt * 0.75;  // one screen pixel
  const DrawPoint from = NearestCorner(box, corner);
  const double dx = corner.x - from.x, dy = corner.y - from.y, d = std::hypot(dx, dy);
  VkPen* pen = nullptr;
  VkBrush* brush = nullptr;
  const CellColor color = s.stroke.on ? s.stroke.color : kColorBlack;
  int32_t rc = SetDrawPen(color, kPenSolid, u, nullptr, 0, &pen);
  if (rc == XLX_OK) rc = SetDrawBrush(color, kBrushSolid, 0, &brush);
  if (rc == XLX_OK && d > 8 * u) {
    const double ux = dx / d, uy = dy / d, len = 8 * u, half = 3 * u;
    const DrawPoint back{corner.x - ux * len, corner.y - uy * len};
    rc = AddDrawLine(c.surface, pen, from.x, from.y, back.x, back.y);
    const DrawPoint head[3] = {corner, {back.x - uy * half, back.y + ux * half}, {back.x + uy * half, back.y - ux * half}};
    if (rc == XLX_OK) rc = AddDrawPolygon(c.surface, nullptr, brush, head, 3);
  }
  FreeDrawPen(pen);
  FreeDrawBrush(brush);
  return rc;
}

int32_t DrawIndicator(LegacyContext& c, DrawPoint corner) {
  const double side = 5 * c.pxPerPt * 0.75;
  VkBrush* brush = nullptr;
  int32_t rc = SetDrawBrush(c.request.blackAndWhite ? kColorBlack : kIndicatorRed, kBrushSolid, 0, &brush);
  // In the cell's upper corner away from column A: its right one, its left one when reflected.
  const double across = c.geo.mirror.on ? side : -side;
  const DrawPoint tri[3] = {{corner.x + across, corner.y}, corner, {corner.x, corner.y + side}};
  if (rc == XLX_OK) rc = AddDrawPolygon(c.surface, nullptr, brush, tri, 3);
  FreeDrawBrush(brush);
  return rc;
}

}  // namespace

int32_t DrawNote(LegacyContext& c, const VmlShape& s, const SheetNote* note, const DrawRect& box) {
  int32_t rc = XLX_OK;
  const PicturePage& page = c.page;
  double left = box.left, top = box.top, right = box.left + box.width, bottom = box.top + box.height;
  DrawPoint corner{0, 0};
  const bool hasCell = s.client.row >= 0 && s.client.column >= 0;
  if (hasCell) {
    const XlsxGridInfo& g = *c.geo.grid;
    corner = DrawPoint{c.geo.mirror.X(c.geo.marginLeft + ColumnLeft(g, s.client.column + 2)),
                       c.geo.marginTop + RowTop(g, s.client.row + 1)};
    left = std::min(left, corner.x), top = std::min(top, corner.y);
    right = std::max(right, corner.x), bottom = std::max(bottom, corner.y);
  }
  const double reach = 8 * c.pxPerPt;  // shadow and arrow
  if (right + reach < page.left || left - reach > page.right || bottom + reach < page.top || top - reach > page.bottom)
    return XLX_OK;
  if (hasCell) {
    rc = DrawIndicator(c, corner);
    if (rc == XLX_OK) rc = DrawConnector(c, s, box, corner);
  }
  // The note's box comes from its shape; its text from the comments part when that has it.
  VmlShape body = s;
  body.textBox.runs.clear();
  if (rc == XLX_OK) rc = DrawLegacyShapeBody(c, body, box);
  const std::vector<VmlTextRun>& runs = note && !note->runs.empty() ? note->runs : s.textBox.runs;
  const VmlTextBox& t = s.textBox;
  const DrawRect inner{box.left + t.insetLeft * c.pxPerPt, box.top + t.insetTop * c.pxPerPt,
                       box.width - (t.insetLeft + t.insetRight) * c.pxPerPt, box.height - (t.insetTop + t.insetBottom) * c.pxPerPt};
  if (rc == XLX_OK) rc = DrawLegacyText(c, runs, inner, t.align, t.vAlign, u"Tahoma", 9, true);
  return rc;
}

}  // namespace xlx
