// What a binary worksheet keeps beside its cells: the notes of its comments part, its conditional
// formats and its tables and pivot tables. Each reader fills the same model the XML readers fill
// (sheet->legacy.notes, sheet->condFormats, sheet->tables), so drawing does not know which form
// the workbook had. All three are optional content: a broken record or part loses what it
// describes, never the sheet; only running out of memory fails the load (-1).
#pragma once
#include <cstdint>

#include "model/workbook.h"
#include "parser/xlsb/xlsbrecords.h"

namespace xlx {

// ---- notes ---------------------------------------------------------------------------------------
// The records of a comments part: authors, then for each note its cell and rich text (runs name
// stylesheet fonts). Replaces drawing->notes; at most kMaxSheetNotes notes of at most 32767
// characters each, cells inside the sheet. 1 or -1.
[[nodiscard]] int32_t ReadBinarySheetNotes(const Workbook& workbook, const RecordList& records, LegacyDrawing* drawing);
// The sheet's comments part (its "comments" relationship) when it is binary and the notes are
// still empty. 1 or -1; an absent or malformed part gives no notes.
[[nodiscard]] int32_t LoadBinarySheetNotes(const Workbook& workbook, MyWorksheet* sheet);

// ---- conditional formats -------------------------------------------------------------------------
// The conditional-formatting blocks of a sheet part's records: ranges, rules with their formulas
// rendered as text (relative references as seen from the first range's top-left cell), colour
// scales, data bars (in their plain look) and icon sets. Sets sheet->condFormats (null when there
// are none). 1 or -1.
[[nodiscard]] int32_t ReadBinaryConditionalFormats(const Workbook& workbook, MyWorksheet* sheet, const RecordList& records);

// ---- tables and pivot tables ---------------------------------------------------------------------
// A table part's records into `table` (kind table): range, header and totals rows, names, columns,
// style and options. 1; -9 when the part has no list record or its range is outside the sheet.
[[nodiscard]] int32_t ReadBinaryTablePart(TableBase* table, const RecordList& records);
// A pivot table part's records into `table` (kind pivot): location, first header and data rows,
// grand totals, subtotal, subheading and blank rows, report filters, style and options. 1; -9 when
// the part has no location or it is outside the sheet.
[[nodiscard]] int32_t ReadBinaryPivotTablePart(TableBase* table, const RecordList& records);
// The pivot tables (the sheet's "pivotTable" relationships) and tables (its table-part records) of
// a binary sheet into sheet->tables, with styles, names and the row index. 1 or -1.
[[nodiscard]] int32_t ReadBinarySheetTables(Workbook* workbook, MyWorksheet* sheet, const RecordList& records);

}  // namespace xlx
