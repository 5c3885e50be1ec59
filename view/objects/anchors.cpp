#include "view/objects/anchors.h"

#include <algorithm>
#include <cmath>

namespace xlx {
namespace {

constexpr double kEmuPerInch = 914400.0;

double ColumnSize(const XlsxGridInfo& g, int32_t column) {
  if (column >= 1 && static_cast<size_t>(column) <= g.columns.size()) return g.columns[column - 1].size;
  return g.defColWidthPx * g.scale;
}

double RowSize(const XlsxGridInfo& g, int32_t row) {
  if (row >= 1 && static_cast<size_t>(row) <= g.rows.size()) return g.rows[row - 1].size;
  return g.defRowHeightPx * g.scale;
}

// An offset in px inside a cell of `size` px: never before the cell, never past it.
double InCell(double offset, double size) { return std::max(0.0, std::min(offset, size)); }

double Round(double v) { return static_cast<double>(RoundHalfAway(v)); }

bool Turned(int32_t rotation) {
  const int32_t degrees = (rotation / 60000) % 360;
  return (degrees >= 45 && degrees < 135) || (degrees >= 225 && degrees < 315);
}

}  // namespace

AnchorGeometry MakeAnchorGeometry(const SheetLayout& layout, const LayoutOptions& o) {
  AnchorGeometry g;
  g.grid = &layout.grid;
  g.xPxPerEmu = o.xResolution * layout.dPrintScale / kEmuPerInch;
  g.yPxPerEmu = o.yResolution * layout.dPrintScale / kEmuPerInch;
  g.marginLeft = o.marginLeft;
  g.marginTop = o.marginTop;
  g.mirror = o.mirror;
  return g;
}

double ColumnLeft(const XlsxGridInfo& g, int32_t column) {
  const size_t n = g.columns.size();
  if (column >= 1 && static_cast<size_t>(column) <= n) return g.columns[column - 1].offset;
  return g.totalWidth + (std::max<int64_t>(column, 1) - 1 - static_cast<int64_t>(n)) * g.defColWidthPx * g.scale;
}

double RowTop(const XlsxGridInfo& g, int32_t row) {
  const size_t n = g.rows.size();
  if (row >= 1 && static_cast<size_t>(row) <= n) return g.rows[row - 1].offset;
  return g.totalHeight + (std::max<int64_t>(row, 1) - 1 - static_cast<int64_t>(n)) * g.defRowHeightPx * g.scale;
}

namespace {

DrawRect LeftToRightAnchorRect(const AnchorGeometry& geo, const DrawingAnchor& a, const DrawingTransform* own) {
  const XlsxGridInfo& g = *geo.grid;
  DrawRect r{0, 0, 0, 0};
  if (a.kind == kAnchorAbsolute) {
    r.left = a.x * geo.xPxPerEmu + geo.marginLeft;
    r.top = a.y * geo.yPxPerEmu + geo.marginTop;
    r.width = a.cx * geo.xPxPerEmu;
    r.height = a.cy * geo.yPxPerEmu;
    return r;
  }
  const int32_t fromCol = a.fromCol + 1, fromRow = a.fromRow + 1;
  const bool oneCell = a.kind == kAnchorOneCell;
  double colOff = InCell(a.fromColOff * geo.xPxPerEmu, ColumnSize(g, fromCol));
  double rowOff = InCell(a.fromRowOff * geo.yPxPerEmu, RowSize(g, fromRow));
  if (oneCell) colOff = Round(colOff), rowOff = Round(rowOff);
  r.left = ColumnLeft(g, fromCol) + colOff + geo.marginLeft;
  r.top = RowTop(g, fromRow) + rowOff + geo.marginTop;
  if (oneCell) {
    r.width = Round(a.cx * geo.xPxPerEmu);
    r.height = Round(a.cy * geo.yPxPerEmu);
    return r;
  }
  if (a.editAs != kEditTwoCell && own && own->present && own->cx > 0 && own->cy > 0) {
    // The anchored box of a turned object is its extent turned.
    const bool turned = Turned(own->rotation);
    r.width = (turned ? own->cy : own->cx) * geo.xPxPerEmu;
    r.height = (turned ? own->cx : own->cy) * geo.yPxPerEmu;
    return r;
  }
  const int32_t toCol = a.toCol + 1, toRow = a.toRow + 1;
  const double toColOff = InCell(a.toColOff * geo.xPxPerEmu, ColumnSize(g, toCol));
  const double toRowOff = InCell(a.toRowOff * geo.yPxPerEmu, RowSize(g, toRow));
  r.width = std::max(0.0, ColumnLeft(g, toCol) + toColOff + geo.marginLeft - r.left);
  r.height = std::max(0.0, RowTop(g, toRow) + toRowOff + geo.marginTop - r.top);
  return r;
}

}  // namespace

DrawRect AnchorRect(const AnchorGeometry& geo, const DrawingAnchor& a, const DrawingTransform* own) {
  return geo.mirror.Rect(LeftToRightAnchorRect(geo, a, own));
}

DrawRect LegacyAnchorRect(const AnchorGeometry& geo, const DrawingAnchor& a) {
  const XlsxGridInfo& g = *geo.grid;
  const int32_t fromCol = a.fromCol + 1, fromRow = a.fromRow + 1, toCol = a.toCol + 1, toRow = a.toRow + 1;
  const double left = ColumnLeft(g, fromCol) + Round(InCell(a.fromColOff * geo.xPxPerEmu, ColumnSize(g, fromCol)));
  const double top = RowTop(g, fromRow) + Round(InCell(a.fromRowOff * geo.yPxPerEmu, RowSize(g, fromRow)));
  const double right = ColumnLeft(g, toCol) + Round(InCell(a.toColOff * geo.xPxPerEmu, ColumnSize(g, toCol)));
  const double bottom = RowTop(g, toRow) + Round(InCell(a.toRowOff * geo.yPxPerEmu, RowSize(g, toRow)));
  return geo.mirror.Rect(
      DrawRect{left + geo.marginLeft, top + geo.marginTop, std::max(0.0, right - left), std::max(0.0, bottom - top)});
}

DrawRect GroupMemberRect(const AnchorGeometry& geo, const DrawRect& outer, const DrawingTransform& group,
                         const DrawingTransform& m) {
  // Without a child frame the members' EMU map one to one onto the group's pixels.
  const double kx = group.chCx > 0 ? outer.width / group.chCx : geo.xPxPerEmu;
  const double ky = group.chCy > 0 ? outer.height / group.chCy : geo.yPxPerEmu;
  const double x = (m.x - group.chX) * kx, width = m.cx * kx;
  const double left = geo.mirror.on ? outer.left + outer.width - x - width : outer.left + x;
  return DrawRect{left, outer.top + (m.y - group.chY) * ky, width, m.cy * ky};
}

DrawRect UnturnedRect(const DrawRect& r, int32_t rotation) {
  if (!Turned(rotation)) return r;
  const double cx = r.left + r.width / 2, cy = r.top + r.height / 2;
  return DrawRect{cx - r.height / 2, cy - r.width / 2, r.height, r.width};
}

}  // namespace xlx
