// A1 cell references: cells ("B7", "$B$7"), ranges ("A1:C3"), whole columns ("A:C") and whole
// rows ("2:5"), optionally after a sheet name ("Sheet1!A1", "'It''s here'!$A$1:$D$20").
// Rows and columns are 1-based and inside the sheet limits kMaxRows and kMaxColumns; letters may
// be of either case; a "$" marks the part after it absolute. Nothing here allocates except the
// functions that return a string.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "common/limits.h"

namespace xlx {

struct CellRef {
  int32_t row = 0;              // 1 .. kMaxRows
  int32_t column = 0;           // 1 .. kMaxColumns
  bool rowAbsolute = false;     // "$" before the row
  bool columnAbsolute = false;  // "$" before the column
};

// Corners ordered (first.row <= last.row, first.column <= last.column). A whole-column range has
// rows 1 .. kMaxRows, a whole-row range columns 1 .. kMaxColumns.
struct CellRange {
  CellRef first, last;
  bool wholeColumns = false;  // written "A:C"
  bool wholeRows = false;     // written "2:5"
};

// Column of letters "A" .. "XFD"; 0 when `letters` is empty, holds a non-letter or lies beyond
// kMaxColumns.
[[nodiscard]] int32_t ColumnFromLetters(std::string_view letters);
// Letters of a column ("AB" for 28); empty outside 1 .. kMaxColumns.
[[nodiscard]] std::string ColumnLetters(int32_t column);
// "B7" or "$B$7" for a cell, with its absolute markers.
[[nodiscard]] std::string FormatCellRef(const CellRef& cell);

// The whole text is one cell reference. False when malformed or outside the sheet.
[[nodiscard]] bool ParseCellRef(std::string_view text, CellRef* cell);
[[nodiscard]] bool ParseCellRef(std::u16string_view text, CellRef* cell);
// The whole text is a cell, two cells joined by ':', two column letters or two row numbers joined
// by ':'. False when malformed or outside the sheet.
[[nodiscard]] bool ParseCellRange(std::string_view text, CellRange* range);
[[nodiscard]] bool ParseCellRange(std::u16string_view text, CellRange* range);

// The column of the reference that `text` starts with (a cell's "r" attribute), without checking
// what follows the letters: 0 for no letters, or letters beyond kMaxColumns. Null gives 0.
[[nodiscard]] int32_t ColumnOfReference(const char* text);

// Splits "name!reference" at the '!' that ends the sheet name. A quoted name ('It''s') is
// unquoted; without a '!' the name is empty and the reference is all of `text`. False for a
// quoted name that is not closed or not followed by '!'.
[[nodiscard]] bool SplitSheetName(std::u16string_view text, std::u16string* sheet, std::u16string_view* reference);
// The first area of a comma-separated list of areas; commas inside quoted sheet names do not count.
[[nodiscard]] std::u16string_view FirstArea(std::u16string_view list);

}  // namespace xlx
