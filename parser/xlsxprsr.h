// Readers of the workbook-level XML parts: opening a workbook package into the model, the sheet
// list, shared strings, defined names, the stylesheet and the theme. Every reader returns 1 on
// success or a negative result code: -1 memory, -9 malformed or missing mandatory content,
// -13 missing argument, -284 an exception inside the XML library or a container; a progress
// callback result other than 1 is returned as it is.
//
// ReadWorkbook is the one entry for every package format: it finds the workbook part and hands
// it to the XML reader or the binary reader, which fill the same model. The drawings, notes and
// charts of each sheet and the formulas are later steps of the document driver
// (filter/workbookopen.h), which is what callers that want pages use.
//
// ReadWorkbook opens the file with the host kernel, lists the package parts, walks from the
// package relationships to the workbook part, reads the workbook part (sheet list, states),
// the theme, the styles and the shared strings, counts the sheets to load (hidden and very hidden
// ones only with showHiddenSheets), loads the defined names and then each sheet in workbook order,
// polling the progress callback before the sheets and before and after each one. *formatCode is
// set (351 xlsx, 403 binary workbook) as soon as the workbook part is known, even on failure.
// Results: 1; -1 memory; -7 read error; -9 not a workbook package, no office-document
// relationship, a malformed binary part, no sheet to show, a sheet relationship that
// resolves to no part; -10 the file does not open; -13 null argument; a progress result.
// On failure *out is null and nothing is left allocated.
#pragma once
#include <cstddef>
#include <cstdint>

#include <pugixml.hpp>

#include "host/hostrecords.h"
#include "model/workbook.h"

namespace xlx {

class SheetDataSlices;

struct WorkbookOpenOptions {
  bool showHiddenSheets = false;               // load hidden and very hidden sheets too
  int32_t loadMode = 0;                        // 2: paginate every sheet, pages run on
  int32_t dpi = 96;                            // device resolution for font sizes (px = pt x dpi / 72)
  const ProgressCallback* progress = nullptr;  // polled between steps; not owned
  size_t sheetSliceBytes = size_t(1) << 20;    // see Workbook::sheetSliceBytes
  size_t sheetStreamChunkBytes = size_t(1) << 20;  // see Workbook::sheetStreamChunkBytes
  int32_t formulaMode = 0;                     // FormulaEvalMode (values/formula/formula.h)
};

// Opens the package file at `path` (UTF-16) and reads it into a new workbook that owns the handle.
[[nodiscard]] int32_t ReadWorkbook(const char16_t* path, const WorkbookOpenOptions& options, Workbook** out,
                     int32_t* formatCode = nullptr);
// The same over a handle the caller opened; the workbook reads through it but never closes it.
[[nodiscard]] int32_t ReadWorkbookFromHandle(int64_t handle, const WorkbookOpenOptions& options, Workbook** out,
                               int32_t* formatCode = nullptr);

// ---- the steps of ReadWorkbook, for tests and the binary reader ------------------------------
// Lists the parts, finds the workbook part and reads it with the theme, styles and shared-string
// locations (no sheet is read). Needs hPackage set. Results as ReadWorkbook.
[[nodiscard]] int32_t ReadWorkbookParts(Workbook* workbook);
// Number of sheets that will be loaded: visible ones, or all when includeHidden; entries with an
// empty r:id are never loaded.
[[nodiscard]] int32_t CountLoadedSheets(const Workbook* workbook);
// Reads styles and shared strings, counts the sheets, loads the defined names and loads every
// sheet. 1, -1, -9 (no sheet to show, unresolvable sheet), a progress result.
[[nodiscard]] int32_t LoadSheets(Workbook* workbook);
// Loads the cells of sheet entry `entryIndex`, one not shown (hidden while hidden sheets are not
// asked for), as the next data sheet after the shown ones, for references into it; nothing when
// it is loaded already. 1; -2 for an entry that is shown, names no part or is a chartsheet; what
// reading the sheet gave otherwise (the slot is then left free).
[[nodiscard]] int32_t LoadDataSheet(Workbook* workbook, int32_t entryIndex);

// ---- part readers ----------------------------------------------------------------------------
// The `sheet` children of `sheets` into workbook->sheetParts (names cut to 255 units). 1 or -1.
[[nodiscard]] int32_t ReadSheetList(Workbook* workbook, pugi::xml_node workbookNode);
// The `definedNames` of the workbook part: first of each name wins, print areas by sheet. 1 or -1.
[[nodiscard]] int32_t ReadDefinedNames(Workbook* workbook, pugi::xml_node workbookNode);
// The `sst` element into the table: `uniqueCount` entries (else one per child). 1, -1, -284.
[[nodiscard]] int32_t ReadSharedStrings(SharedStringTable* table, const Workbook& workbook, pugi::xml_node sst);
// One `si` or `is` element: runs, run fonts and the joined text, in `arena`. 1 or -1.
[[nodiscard]] int32_t ReadRichString(RichString* string, TextArena* arena, const Workbook& workbook, pugi::xml_node si);

// The `styleSheet` element into the stylesheet; does nothing when it was read already. A null
// node gives the defaults (built-in formats, one font, one fill). 1, -1, -284.
[[nodiscard]] int32_t ReadStylesheet(Stylesheet* styles, Workbook* workbook, pugi::xml_node styleSheet);
// Puts the built-in number formats into the table (under the workbook lock). 1 or -1.
[[nodiscard]] int32_t InstallBuiltinNumberFormats(Stylesheet* styles, Workbook* workbook);
// A `font` element (or a run's `rPr`). `parent` (the first font) supplies face and size for a
// later font that does not give them; the first font and parentless fonts use Calibri 11 pt.
void ReadFont(MyLogFont* font, const Workbook& workbook, pugi::xml_node node, bool isFirst, const MyLogFont* parent);
// The normal font from the first `font` of the styles part; *sizePt gets its size in points.
void ReadNormalFont(pugi::xml_node node, int32_t dpi, MyLogFont* font, double* sizePt);
// A dxf `font`: only the properties present, each marked in the flags.
void ReadDxfFont(DxfFont* font, const Workbook& workbook, pugi::xml_node node);
// A `fill` element; isDxf selects the colour rules of differential fills.
void ReadFill(FillSpec* fill, const Workbook& workbook, pugi::xml_node node, bool isDxf);
void ReadBorder(MyBorder* border, const Workbook& workbook, pugi::xml_node node);
void ReadAlignment(CellAlignment* alignment, pugi::xml_node node);
void ReadDxf(Dxf* dxf, const Workbook& workbook, pugi::xml_node node);

// ---- worksheets -----------------------------------------------------------------------------
// Reads one worksheet part (its root element) into the sheet: properties, merged cells, columns,
// rows and cells with their values, the page setup and the background picture. The DOM is not
// kept. 1; -1; -9 a row number outside 1..1048576 or an empty cell reference; a progress result.
// With `slices`, the rows come from them (sheetData in `worksheet` is then empty) and the result
// may also be kSheetDataReparse: the part must be read again whole.
[[nodiscard]] int32_t ReadWorksheet(Workbook* workbook, MyWorksheet* sheet, pugi::xml_node worksheet,
                      SheetDataSlices* slices = nullptr);
// The `conditionalFormatting` blocks and the extension's conditional formats into
// sheet->condFormats (null when the sheet has none). 1, -1, -13, -284.
[[nodiscard]] int32_t ReadConditionalFormats(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet);
// Default sizes, zero display, the whole-sheet column and its background fill.
void ReadSheetProperties(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet);
// `mergeCells`: one record per `mergeCell` up to the declared count. 1 or -1.
[[nodiscard]] int32_t ReadMergedCells(MyWorksheet* sheet, pugi::xml_node worksheet);
// `cols` into sheet->columns, in document order. 1 or -1.
[[nodiscard]] int32_t ReadColumns(MyWorksheet* sheet, pugi::xml_node worksheet);
// Flags the columns whose style paints a fill or border (they widen the printed range).
void MarkDrawnColumnStyles(const Workbook& workbook, MyWorksheet* sheet);
// `sheetData`: rows into the row map, cells with their values (sorted by row and column), the used
// range. With a print area, cells more than 2000 rows or columns past it are not kept.
// 1, -1, -9, a progress result.
[[nodiscard]] int32_t ReadSheetData(Workbook* workbook, MyWorksheet* sheet, pugi::xml_node worksheet, const MyCellBounds* printArea,
                      SheetDataSlices* slices = nullptr);
// Everything the sheet says about printing it into sheet->print: page setup, fit-to-page,
// margins (the application's normal ones when absent), print options, manual breaks, headers and
// footers, and this sheet's print areas and print titles from the workbook's names. Values out of
// range are clamped or dropped; nothing here fails.
void ReadPrintSetup(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet);
// This sheet's print areas and print titles from the workbook's names into sheet->print (both
// forms of workbook keep them as names).
void ReadPrintRangesOfSheet(const Workbook& workbook, MyWorksheet* sheet);
// The areas of a print-area or print-titles text ("'My Sheet'!$A$1:$D$20,Sheet1!$1:$2,$A:$B"):
// whole rows span every column and whole columns every row. Areas naming another sheet than
// `sheetName` (when given) and malformed areas are left out.
void ParsePrintRanges(const char16_t* text, const char16_t* sheetName, std::vector<PrintCellRange>* ranges);

// The sparkline groups of the worksheet's extension list into sheet->sparklineGroups, their
// values still empty (ResolveWorkbookChartData fills them). 1, -1 (memory), -13.
[[nodiscard]] int32_t ReadSparklineGroups(const Workbook& workbook, MyWorksheet* sheet, pugi::xml_node worksheet);

// ---- drawings of the worksheet part -----------------------------------------------------------
// The `oleObjects` and `controls` of a worksheet that carry an anchored preview picture
// (`objectPr` / `controlPr` with `anchor` and `r:id`) into sheet->drawing.legacyObjects.
// 1, -1, -13.
[[nodiscard]] int32_t ReadLegacyObjects(MyWorksheet* sheet, pugi::xml_node worksheet);

// The first area of a print-area text ("'My Sheet'!$A$1:$D$20,..."); false when it names another
// sheet than `sheetName` (when given) or is malformed. Whole rows and columns span the sheet.
bool ParsePrintAreaBounds(const char16_t* text, const char16_t* sheetName, MyCellBounds* bounds);
// Reads the theme part named by the workbook relationships into workbook->themeDom and keeps its
// colour, font and format schemes. A missing or unreadable theme leaves the nodes empty. 1 or -1.
[[nodiscard]] int32_t ReadTheme(Workbook* workbook);

}  // namespace xlx
