// Tables and pivot tables of a worksheet, the table styles they are drawn with, and the workbook's
// index of tables by name for structured references. The table reader fills one `SheetTables` per
// sheet; rendering resolves each covered cell's table formatting through view/cells/tables.h.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/styles.h"

namespace xlx {

// Table style element kinds, in the order the `type` attribute names them.
enum TableStyleElementType : int32_t {
  kTseWholeTable = 0, kTseHeaderRow, kTseTotalRow, kTseFirstColumn, kTseLastColumn, kTseFirstRowStripe,
  kTseSecondRowStripe, kTseFirstColumnStripe, kTseSecondColumnStripe, kTseFirstHeaderCell, kTseLastHeaderCell,
  kTseFirstTotalCell, kTseLastTotalCell, kTseFirstSubtotalColumn, kTseSecondSubtotalColumn,
  kTseThirdSubtotalColumn, kTseFirstSubtotalRow, kTseSecondSubtotalRow, kTseThirdSubtotalRow, kTseBlankRow,
  kTseFirstColumnSubheading, kTseSecondColumnSubheading, kTseThirdColumnSubheading, kTseFirstRowSubheading,
  kTseSecondRowSubheading, kTseThirdRowSubheading, kTsePageFieldLabels, kTsePageFieldValues,
  kTseCount
};
// Element kind of a `type` name; -1 when unknown.
[[nodiscard]] int32_t TableStyleElementFromName(const char* name);

// Caps on what a table part or a style may claim.
constexpr int32_t kMaxTableColumns = 16384;
constexpr int32_t kMaxStripeSize = 9;          // the application offers band sizes 1 to 9
constexpr int32_t kMaxPivotRowItems = 1 << 20;

// One element of a style, with its differential format resolved (theme colours already applied).
struct TableStyleElementFormat {
  bool present = false;
  int32_t size = 1;  // rows or columns per stripe band
  Dxf dxf;
};

// A style ready to draw: one slot per element kind.
struct ResolvedTableStyle {
  std::u16string name;
  TableStyleElementFormat elements[kTseCount];
};

struct TableColumn {
  int32_t id = 0;
  std::u16string name;  // "_x000a_" already turned into a line feed
};

// A pivot table's shape as the sheet shows it, as offsets inside its range.
struct PivotLayout {
  int32_t firstHeaderRow = 0, firstDataRow = 0, firstDataCol = 0;
  bool showRowHeaders = false, showColHeaders = false;
  std::vector<int32_t> subtotalRows;    // offsets of rowItems of type "default"
  std::vector<int32_t> subheadingRows;  // offsets of top-level row items when there are sub-levels
  std::vector<int32_t> blankRows;       // offsets of rowItems of type "blank"
  int32_t grandTotalRow = -1;           // offset of the rowItem of type "grand", -1 when none
  int32_t grandTotalCol = -1;           // offset of the colItem of type "grand", -1 when none
  std::vector<int32_t> subtotalCols;    // offsets of colItems of a subtotal type
  std::vector<int32_t> subheadingCols;  // offsets of top-level col items when there are sub-levels
  // Report filters above the table: `pageFieldCount` label and value pairs laid out down
  // `pageRows` rows (ending one blank row above the range) and across column groups of three.
  int32_t pageFieldCount = 0;
  int32_t pageRows = 0;
};

// A table's cells, 1-based and inclusive (the model's cell bounds, which this header cannot see).
struct TableBounds {
  int32_t RowFirst = 0, RowLast = 0, ColFirst = 0, ColLast = 0;
};

enum TableKind : int32_t { kTableKindTable = 0, kTableKindPivot = 1 };

// One `table` part or one `pivotTableDefinition`.
struct TableBase {
  int32_t kind = kTableKindTable;  // TableKind
  int32_t id = 0;
  std::u16string name;             // `displayName` (what formulas use), else `name`
  TableBounds range;               // `ref` or `location/@ref`; all 0 when it did not parse
  int32_t headerRowCount = 1;      // header rows shown (0 or 1)
  int32_t totalsRowCount = 0;      // totals rows shown (0 or 1)
  std::vector<TableColumn> columns;
  std::u16string styleName;
  bool showFirstColumn = false, showLastColumn = false, showRowStripes = false, showColumnStripes = false;
  PivotLayout pivot;               // pivot tables only
  std::shared_ptr<const ResolvedTableStyle> style;  // null: drawn without table formatting
};

// The cells a table formats: its range, and for a pivot table the rows of its report filters.
TableBounds DrawnBounds(const TableBase& table);

// The tables of one sheet and a bucket index of the rows they cover, so that finding the table of a
// cell costs the few tables of its band of rows, not all of them.
struct SheetTables {
  std::vector<TableBase> items;          // pivot tables first, then tables, each in part order
  std::vector<std::vector<int32_t>> rowBuckets;  // bucket (row - 1) / kTableRowBucket -> items
  std::vector<int32_t> unbucketed;       // tables too tall for the buckets, tried for every row
};
constexpr int32_t kTableRowBucket = 64;

// Rebuilds the row buckets from the items. Needs no table to be well-formed. 1 or -1.
[[nodiscard]] int32_t IndexSheetTables(SheetTables* tables);
// The last table (in item order) whose range holds the cell, or null.
const TableBase* FindTableAt(const SheetTables& tables, int32_t row, int32_t column);

// Where a named table lives: its loaded sheet and its place in that sheet's items.
struct TableLocator {
  int32_t sheet = -1;
  int32_t index = -1;
};

// Workbook-wide table state: names for structured references and the styles made so far.
struct WorkbookTables {
  std::unordered_map<std::u16string, TableLocator> byName;  // upper-cased ASCII name -> table
  std::map<std::u16string, std::shared_ptr<const ResolvedTableStyle>> styles;  // by style name
};

// Name key of a table: ASCII letters upper-cased, as names compare.
std::u16string TableNameKey(const std::u16string& name);

// ---- built-in styles ---------------------------------------------------------------------------
// Theme-relative colour of a built-in style: theme index (-1 for none) and tint.
struct PresetThemeColor {
  int8_t theme;
  double tint;
};
struct PresetBorderSide {
  uint8_t weight;  // 0 none, 1 thin, 2 medium, 3 thick, 4 double
  PresetThemeColor color;
};
struct PresetTableDxf {
  bool bold;
  PresetThemeColor font;                // theme -1: the font colour is not set
  PresetThemeColor fill;                // theme -1: no fill
  PresetBorderSide sides[6];            // left, right, top, bottom, vertical, horizontal
};
struct PresetTableElement {
  uint8_t type;                         // TableStyleElementType
  uint16_t dxf;                         // index into kPresetTableDxfs
};
struct PresetTableStyle {
  const char* name;
  uint16_t firstElement;                // index into kPresetTableElements
  uint8_t elementCount;
  bool pivot;                           // a pivot style (applies to pivot tables only)
};
extern const PresetTableDxf kPresetTableDxfs[];
extern const PresetTableElement kPresetTableElements[];
extern const PresetTableStyle kPresetTableStyles[];  // sorted by name, byte order
extern const int32_t kPresetTableStyleCount;

// The built-in style of that name (exact spelling, as the application writes it), or null.
const PresetTableStyle* FindPresetTableStyle(const std::u16string& name);
// Makes a built-in style's differential format with theme colours taken from `themeColors`
// (12 resolved colours, SpreadsheetML theme numbering).
void MakePresetDxf(const PresetTableDxf& preset, const CellColor* themeColors, Dxf* out);

}  // namespace xlx
