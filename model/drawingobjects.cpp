#include "model/drawingobjects.h"

#include "model/sheet.h"

namespace xlx {

bool AnchorCells(const DrawingAnchor& a, MyCellBounds* cells) {
  if (a.kind == kAnchorAbsolute) return false;
  cells->RowFirst = a.fromRow + 1;
  cells->ColFirst = a.fromCol + 1;
  cells->RowLast = a.kind == kAnchorTwoCell ? a.toRow + 1 : a.fromRow + 1;
  cells->ColLast = a.kind == kAnchorTwoCell ? a.toCol + 1 : a.fromCol + 1;
  return true;
}

}  // namespace xlx
