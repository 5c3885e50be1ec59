// The printed range's own parts: formatted rows and columns, and how far drawing objects reach.
#include "view/print/printedrange.h"

#include <algorithm>
#include <cmath>

#include "common/limits.h"
#include "view/objects/anchors.h"

namespace xlx {
namespace {

constexpr double kEmuPerInch = 914400.0;
constexpr double kPi = 3.14159265358979323846;

// The box a rectangle turned about its centre by `rotation` (60000ths of a degree) covers.
DrawRect TurnedBox(const DrawRect& r, int32_t rotation) {
  if (rotation % 21600000 == 0) return r;
  const double a = (rotation / 60000.0) * kPi / 180;
  const double w = std::fabs(r.width * std::cos(a)) + std::fabs(r.height * std::sin(a));
  const double h = std::fabs(r.width * std::sin(a)) + std::fabs(r.height * std::cos(a));
  return DrawRect{r.left + (r.width - w) / 2, r.top + (r.height - h) / 2, w, h};
}

void AddRect(const XlsxGridInfo& g, const DrawRect& r, std::vector<MyCellBounds>* reach) {
  if (!(r.width >= 0) || !(r.height >= 0) || !std::isfinite(r.left) || !std::isfinite(r.top)) return;
  const double left = std::max(0.0, r.left), top = std::max(0.0, r.top);
  MyCellBounds b;
  b.ColFirst = GridColumnAt(g, left + 1e-3);
  b.RowFirst = GridRowAt(g, top + 1e-3);
  b.ColLast = std::max(b.ColFirst, GridColumnAt(g, std::max(left, r.left + r.width)));
  b.RowLast = std::max(b.RowFirst, GridRowAt(g, std::max(top, r.top + r.height)));
  reach->push_back(b);
}

}  // namespace

MyCellBounds FormattedExtent(const MyWorksheet& sheet) {
  MyCellBounds e{0, 0, 0, 0};
  for (const RowEntry& r : sheet.rows)
    if (r.props.styleDraws && !r.props.hidden) e.RowFirst = e.RowFirst ? e.RowFirst : r.row, e.RowLast = r.row;
  for (const ColumnInfo& c : sheet.columns) {
    if (!c.styleDraws || c.hidden || c.min < 1 || c.max < c.min || c.max >= int32_t(kMaxColumns)) continue;
    e.ColFirst = e.ColFirst ? std::min(e.ColFirst, c.min) : c.min;
    e.ColLast = std::max(e.ColLast, c.max);
  }
  return e;
}

bool FormatsMeet(const MyWorksheet& sheet, int32_t rowFirst, int32_t rowLast, int32_t colFirst, int32_t colLast) {
  auto row = std::lower_bound(sheet.rows.begin(), sheet.rows.end(), rowFirst,
                              [](const RowEntry& e, int32_t r) { return e.row < r; });
  for (; row != sheet.rows.end() && row->row <= rowLast; ++row)
    if (row->props.styleDraws && !row->props.hidden) return true;
  for (const ColumnInfo& c : sheet.columns)
    if (c.styleDraws && !c.hidden && c.max < int32_t(kMaxColumns) && c.min <= colLast && colFirst <= c.max) return true;
  return false;
}

void AddDrawingReach(const MyWorksheet& sheet, const SheetLayout& layout, const LayoutOptions& o,
                     std::vector<MyCellBounds>* reach) {
  if (sheet.bChartsheet) return;  // its one chart fills the printable page
  AnchorGeometry geo;
  geo.grid = &layout.grid;
  geo.xPxPerEmu = o.xResolution * layout.dPrintScale / kEmuPerInch;
  geo.yPxPerEmu = o.yResolution * layout.dPrintScale / kEmuPerInch;
  for (const DrawingObject& d : sheet.drawing.objects) {
    if (d.nParent >= 0 || d.bHidden) continue;  // group members lie inside their group
    const DrawingTransform* own = d.xfrm.present ? &d.xfrm : nullptr;
    DrawRect r = AnchorRect(geo, d.anchor, own);
    // A two-cell anchor of a turned object already holds its turned box.
    if (own && d.anchor.kind != kAnchorTwoCell) r = TurnedBox(r, own->rotation);
    AddRect(layout.grid, r, reach);
  }
  for (const LegacyObject& l : sheet.drawing.legacyObjects) AddRect(layout.grid, LegacyAnchorRect(geo, l.anchor), reach);
}

}  // namespace xlx
