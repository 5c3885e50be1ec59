// Worksheet records of the workbook model: the sheet, its cells, rows, columns, merged ranges and
// page setup. The worksheet reader fills one `MyWorksheet` per loaded sheet; layout writes the
// geometry and page fields. Cells are kept compact (one 16-byte record each, sorted by row and
// column) because a sheet may hold millions of them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/cellref.h"
#include "common/larray.h"
#include "model/cellslots.h"
#include "model/condformat.h"
#include "model/printsetup.h"
#include "model/drawingobjects.h"
#include "model/legacydrawing.h"
#include "model/richstring.h"
#include "model/sparklines.h"
#include "model/styles.h"
#include "model/tables.h"
#include "package/relationships.h"

namespace xlx {

struct MyCellBounds {
  int32_t RowFirst = 0;  // 1-based, inclusive
  int32_t RowLast = 0;
  int32_t ColFirst = 0;
  int32_t ColLast = 0;
};

inline MyCellBounds BoundsOf(const CellRange& r) {
  return MyCellBounds{r.first.row, r.last.row, r.first.column, r.last.column};
}

struct MyMergedCell {
  bool bAllEmpty = true;          // no cell with a value or formula lies in the range
  MyCellBounds MergeCellsRef;
};

enum CellValueType : uint8_t {
  kCellUnknown = 0,
  kCellBoolean = 2,        // t="b"
  kCellDate = 3,           // t="d"
  kCellError = 4,          // t="e"
  kCellInlineString = 5,   // t="inlineStr", or any cell with an `is` child
  kCellNumber = 6,         // t="n" or no t
  kCellSharedString = 7,   // t="s"
  kCellFormulaString = 8,  // t="str"
};

enum CellFlag : uint8_t {
  kCellEvaluated = 1,  // the value is final; the cell is not read again
  kCellHasValue = 2,   // `v` or inline text was present; without it the cell only shows its style
  kCellHasFormula = 4, // carries an `f`
  kCellEvaluating = 8, // the formula engine is computing this cell (a reference back to it is circular)
  kCellReaderMark = 0x20,  // scratch bit of the worksheet reader; clear in a loaded sheet
};

enum FormulaKind : uint8_t { kFormulaNormal = 0, kFormulaShared = 1, kFormulaArray = 2, kFormulaDataTable = 3 };

// The `f` of a cell, for the formula parser.
struct CellFormula {
  const char16_t* text = nullptr;  // formula text ("" for a dependent of a shared formula)
  const char16_t* ref = nullptr;   // `ref` range of a shared or array master; null when absent
  int32_t sharedIndex = -1;        // `si` of a shared formula
  uint8_t kind = kFormulaNormal;   // FormulaKind
  bool bCalcAlways = false;        // `ca`: computed on every load
};

// One stored cell, 16 bytes: its place, style, type and flags in 8 bytes of bit-fields, and the
// value fields as views of one packed 8-byte place (model/cellslots.h). They read and assign as
// plain fields; a cell with a formula keeps it with its value in a `CellFormulaBlock`, and a cell
// that needs more than one of number, text, inline string and shared-string index (other than a
// boolean with its number) gets a `CellExtra`. Bit-fields take no address or reference: copy them.
struct CellRecord {
  CellRecord() : row(0), type(kCellUnknown), flags(0), column(0), styleIndex(0) {}

  int32_t row : 22;               // 1-based, at most 1048576
  uint32_t type : 4;              // CellValueType
  uint32_t flags : 6;             // CellFlag bits
  int32_t column : 16;            // 1-based, A = 1, at most 16384
  uint32_t styleIndex : 16;       // `s`, 0 when absent; kStyleOutOfRange when above 65534
  union {
    CellNumberField number = CellNumberField{};  // NaN when the cell has no numeric value
    CellTextField text;                  // boolean, error, formula-string and inline text
    CellFormulaField formula;            // null without `f`
    CellInlineField inlineString;
    CellSharedStringField sharedStringIndex;  // for shared strings; -1 otherwise
  };
};
static_assert(sizeof(CellRecord) == 16, "cell records stay compact");

// A style index too large for a cell record; no workbook holds that many cell formats.
constexpr uint16_t kStyleOutOfRange = 0xFFFF;
inline uint16_t PackStyleIndex(int64_t style) {
  return style >= 0 && style < kStyleOutOfRange ? uint16_t(style) : kStyleOutOfRange;
}

// Moves the cell's number, text, inline string, shared-string index and formula into a
// `CellExtra` in `arena`, so that all of them can be set together. XLX_OK, or XLX_ERR_MEMORY.
[[nodiscard]] int32_t AttachCellExtra(TextArena* arena, CellRecord* cell);
// Sets the cell's formula (null removes it), keeping its value; the first formula of a cell
// takes a `CellFormulaBlock` in `arena`. XLX_OK, or XLX_ERR_MEMORY.
[[nodiscard]] int32_t SetCellFormula(TextArena* arena, CellRecord* cell, const CellFormula* formula);

struct RowProps {
  double height = 0;             // px; 0 for a hidden row; the sheet default when `ht` is absent
  int32_t style = -1;            // `s`, -1 when absent
  bool hidden = false;
  bool customFormat = false;
  bool heightNotCustom = false;  // `customHeight` present and false
  bool heightStored = false;     // `ht` written (a binary row always stores its height)
  bool styleDraws = false;       // the row's own style paints a fill or border
};

// A row of the ordered row map.
struct RowEntry {
  int32_t row = 0;  // 1..1048575
  RowProps props;
};

// Index i describes row or column i + 1.
struct RowGeometry {
  double offset = 0;  // px from the top edge of the sheet
  double size = 0;    // px
  bool hidden = false;
};
typedef RowGeometry ColumnGeometry;

// One `col` element.
struct ColumnInfo {
  int32_t min = 0;      // 1-based, inclusive
  int32_t max = 0;
  double width = 0;     // characters; meaningful when hasWidth
  int32_t style = -1;   // -1 when absent
  bool hasWidth = false;
  bool hidden = false;
  bool customWidth = false;
  bool bestFit = false;
  bool styleDraws = false;  // its style paints a fill or border (set once the styles are known)
};

enum SheetState : int32_t { kSheetVisible = 0, kSheetHidden = 1, kSheetVeryHidden = 2 };

struct MyWorksheet {
  MyWorksheet() = default;
  ~MyWorksheet();  // releases the relationships; the arrays release themselves
  MyWorksheet(const MyWorksheet&) = delete;
  MyWorksheet& operator=(const MyWorksheet&) = delete;

  char16_t sheetName[256] = {};      // at most 255 units
  int32_t sheetIndex = 0;            // place among the loaded sheets
  int32_t workbookIndex = 0;         // place among all `sheet` elements of the workbook
  int32_t state = kSheetVisible;     // SheetState
  // The worksheet part and its relationships.
  std::u16string partDir, partName, partPath;
  Relationship* relationships = nullptr;
  int32_t relationshipCount = 0;
  std::u16string drawingPath;        // target of the "drawing" relationship, empty when none
  std::u16string vmlDrawingPath;     // the legacy drawing: `legacyDrawing`'s target, in a binary sheet the
                                     // first "vmlDrawing" relationship; empty when none
  std::u16string headerFooterVmlPath;  // `legacyDrawingHF`'s target (XML sheets), empty when none
  std::u16string backgroundPicturePath;  // target of `picture`, empty when none
  SheetDrawing drawing;              // objects of the drawing part, embedded-object previews
  SheetTables tables;                // tables and pivot tables, with their styles
  LegacyDrawing legacy;              // shapes, controls, note boxes and notes of the VML drawing

  double dDefRowHeight = 15.0;       // points
  double dDefColWidth = 8.0;         // characters
  // How dDefColWidth was written: `baseColWidth` (or nothing) counts digits without the padding
  // the application adds; `defaultColWidth` and a whole-sheet `col` width hold it already.
  bool bDefColWidthIsBase = true;
  bool bDefRowHeightStored = false;  // `defaultRowHeight` written; else the default font decides
  bool bRowsZeroHeight = false;      // `zeroHeight`: rows without an entry of their own are hidden
  int32_t defaultCellXf = 0;         // style of a whole-sheet `col`
  CellColor clBackColor = kColorAutomatic;
  MyLogFont normalFont;
  double normalFontSizePt = 11.0;
  char16_t majorFont[32] = {};
  char16_t minorFont[32] = {};
  bool bShowZeros = true;
  bool bRightToLeft = false;         // the first sheet view shows column A at the right

  LArray<MyMergedCell> mergedCells;
  LArray<CellRecord> cells;          // sorted by (row, column)
  LArray<RowEntry> rows;             // sorted by row
  LArray<ColumnInfo> columns;        // `col` elements in document order
  MyCellBounds sheetBounds;          // used range; all 0 when the sheet has no values
  PrintSetup print;                  // how the sheet prints (printed-page layout)
  TextArena arena;                   // cell text, formulas and inline strings
  // A binary sheet's records other than rows, cells and their formulas (views, margins, print
  // options, header and footer, breaks, conditional formats, table parts, hyperlinks), framed as
  // in the part, for readers of what the model does not hold yet. Empty for an XML sheet.
  std::vector<uint8_t> binaryRecords;
  std::shared_ptr<SheetCondFormats> condFormats;  // conditional formats; null when none
  std::vector<SparklineGroup> sparklineGroups;  // sparklines drawn in their cells
  bool loaded = false;               // the part has been read
  bool bChartsheet = false;          // a chartsheet: its one chart fills the printable page
};

// Debug builds: asserts what every loaded sheet holds — cells in strictly increasing (row, column)
// order inside the sheet limits, rows sorted and unique, merged ranges ordered and inside the
// limits, a used range inside the limits. Release builds: nothing.
void AssertSheetInvariants(const MyWorksheet& sheet);

// The cell at (row, column), or null.
const CellRecord* FindCell(const MyWorksheet& sheet, int32_t row, int32_t column);
// Index of the first cell of `row` or later in `cells` (cells.Count() when none).
[[nodiscard]] int32_t FirstCellAtOrAfterRow(const MyWorksheet& sheet, int32_t row);
// The row entry of `row`, or null.
const RowProps* FindRow(const MyWorksheet& sheet, int32_t row);
// `hidden` of the first `col` whose min and max (both at most 16384) contain `column`.
bool ColumnIsHidden(const MyWorksheet& sheet, int32_t column);
// Releases what the sheet holds; the record is left as a fresh one.
void ClearWorksheet(MyWorksheet* sheet);

}  // namespace xlx
