// Cell references and ranges as written in formulas and defined names ("$A$1", "Sheet1!A1:B10").
#pragma once
#include <cstdint>
#include "model/sheet.h"

namespace xlx {

// Parses "A1", "$B$10" or "AB12" into a 1-based row and column. False when malformed or out of
// the sheet (rows 1..1048576, columns 1..16384).
bool ParseCellReference(const char16_t* text, int32_t length, int32_t* row, int32_t* column);
// Parses a range "A1:C3" (or one cell) into bounds, rows and columns ordered. False when malformed.
bool ParseRangeReference(const char16_t* text, int32_t length, MyCellBounds* bounds);
// The first area of a print-area text such as "'My Sheet'!$A$1:$D$20,Sheet1!$F$1:$G$2".
bool ParsePrintArea(const char16_t* text, MyCellBounds* bounds);

}  // namespace xlx
