// Where drawing objects sit on a page: the anchors of the model turned into rectangles of world
// pixels (sheet pixels moved by the margins), with the sheet's column and row geometry.
#pragma once
#include <cstdint>

#include "model/drawingobjects.h"
#include "view/drawlayer/drawlayer.h"
#include "view/layout/layout.h"

namespace xlx {

struct AnchorGeometry {
  const XlsxGridInfo* grid = nullptr;
  double xPxPerEmu = 96.0 / 914400, yPxPerEmu = 96.0 / 914400;  // resolution x print scale / 914400
  double marginLeft = 0, marginTop = 0;                       // px
  PageMirror mirror;  // a right-to-left sheet's page: the rectangles below come out reflected
};

AnchorGeometry MakeAnchorGeometry(const SheetLayout& layout, const LayoutOptions& options);

// Left edge of 1-based `column` / top edge of 1-based `row`, px from the sheet's top-left; past
// the laid-out grid the default width or height runs on.
double ColumnLeft(const XlsxGridInfo& grid, int32_t column);
double RowTop(const XlsxGridInfo& grid, int32_t row);

// The rectangle of a drawing anchor. Two-cell: from the `from` cell and offset to the `to` cell
// and offset, except that an object that does not size with its cells (`editAs` one-cell or
// absolute) keeps the extent of its own transform when it has one. One-cell: the `from` cell with
// offsets rounded to whole pixels, the extent rounded. Absolute: position and extent. Offsets
// are cut to the size of their cell, so an object over hidden cells shrinks with them.
DrawRect AnchorRect(const AnchorGeometry& geometry, const DrawingAnchor& anchor, const DrawingTransform* own);
// The rectangle of an embedded object's preview: as a two-cell anchor, offsets rounded.
DrawRect LegacyAnchorRect(const AnchorGeometry& geometry, const DrawingAnchor& anchor);
// The rectangle of a group member: its transform mapped from the group's child frame into the
// group's rectangle (from the rectangle's right edge upon a reflected page).
DrawRect GroupMemberRect(const AnchorGeometry& geometry, const DrawRect& groupRect, const DrawingTransform& group,
                         const DrawingTransform& member);
// Objects turned by 45 to 135 or 225 to 315 degrees are anchored by their turned bounding box;
// this gives the unturned rectangle about the same centre.
DrawRect UnturnedRect(const DrawRect& anchored, int32_t rotation);

}  // namespace xlx
