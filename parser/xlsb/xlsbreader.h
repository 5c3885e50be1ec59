// Reader of binary workbooks (.xlsb). Each binary part is framed into a RecordList
// (xlsbrecords.h) and its records fill the same model the XML readers fill: the sheet list,
// defined names and workbook properties, the stylesheet, the shared strings and every sheet.
// Formulas are turned into formula text (xlsbformula.h); until they are evaluated, cells show the
// values stored with them. Results: 1; -1 memory; -9 a malformed record stream or a record whose
// fixed fields run past its payload; -13 a missing argument; the package reader's failures.
#pragma once
#include <cstdint>

#include "model/workbook.h"
#include "parser/xlsb/xlsbrecords.h"

namespace xlx {

// The workbook part (workbook->workbookPath): the sheet list with states, the workbook and
// calculation properties, the extern-sheet table and the defined names (print areas by sheet),
// and the locations of the theme, styles and shared-string parts from the workbook relationships.
[[nodiscard]] int32_t ReadBinaryWorkbookPart(Workbook* workbook);
// The records of a workbook part, for tests: as ReadBinaryWorkbookPart without the package.
[[nodiscard]] int32_t ReadBinaryWorkbookRecords(Workbook* workbook, const RecordList& records);

// The styles part: built-in number formats, then formats, fonts, fills, borders, cell and
// cell-style formats, differential formats, the indexed palette and the table-style names. A
// missing list gets the defaults of the XML reader (one Calibri 11 pt font, one empty fill).
[[nodiscard]] int32_t ReadBinaryStylesheet(Stylesheet* styles, Workbook* workbook, const RecordList& records);
// Loads and reads workbook->stylesPath (the defaults when there is none).
[[nodiscard]] int32_t LoadBinaryStylesheet(Workbook* workbook);

// The shared-string part: one entry per string item, with its runs (run fonts are copies of the
// stylesheet's fonts, which must be read first).
[[nodiscard]] int32_t ReadBinarySharedStrings(SharedStringTable* table, const Workbook& workbook, const RecordList& records);
// Loads and reads workbook->sharedStringsPath (nothing when there is none).
[[nodiscard]] int32_t LoadBinarySharedStrings(Workbook* workbook);

// One worksheet part: properties and views, columns, rows, cells with their values and formula
// text, merged cells, page setup and the background picture. Also -9 for a merge record that is
// not 16 bytes; a progress result.
[[nodiscard]] int32_t ReadBinaryWorksheet(Workbook* workbook, MyWorksheet* sheet, const RecordList& records);
// The printing records of a sheet into sheet->print, as the XML reader fills it: fit-to-page
// from the sheet properties, page setup, margins (inches), print options, header/footer texts
// and flags, row and column breaks, then the sheet's print areas and titles from the names.
// Short records leave their fields at the defaults; values out of range are clamped or dropped.
void ReadBinaryPrintSetup(const Workbook& workbook, MyWorksheet* sheet, const RecordList& records);
// Loads and reads sheet->partPath; a sheet without a part stays empty.
[[nodiscard]] int32_t LoadBinaryWorksheet(Workbook* workbook, MyWorksheet* sheet);

}  // namespace xlx
