// Anchors of a sheet's drawing part: the cells that pictures, shapes and charts are tied to.
#pragma once
#include <cstdint>
#include <vector>

#include "model/workbook.h"

namespace xlx {

enum AnchorKind : int32_t { kAnchorTwoCell = 0, kAnchorOneCell = 1, kAnchorAbsolute = 2 };

struct DrawingAnchor {
  int32_t kind = kAnchorTwoCell;
  int32_t fromCol = 0, fromRow = 0;    // 0-based as written
  int64_t fromColOff = 0, fromRowOff = 0;  // EMU
  int32_t toCol = 0, toRow = 0;        // two-cell anchors
  int64_t toColOff = 0, toRowOff = 0;
  int64_t x = 0, y = 0, cx = 0, cy = 0;  // EMU: position (absolute) and extent (one-cell, absolute)
};

// Reads the anchors of the sheet's drawing part, those inside mc:AlternateContent (its
// mc:Choice, else its mc:Fallback) included. A sheet without a drawing gives none. A drawing
// that cannot be read gives none: drawings are optional content. 1 or -1.
int32_t ReadDrawingAnchors(const Workbook& workbook, const MyWorksheet& sheet, std::vector<DrawingAnchor>* anchors);

// The cells an anchor covers, 1-based, for widening the rendered range (a one-cell anchor
// counts its from cell twice; absolute anchors cover no cell and give false).
bool AnchorCells(const DrawingAnchor& anchor, MyCellBounds* cells);

}  // namespace xlx
