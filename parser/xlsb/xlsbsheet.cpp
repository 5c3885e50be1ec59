// A worksheet part of a binary workbook: the records before the cells (properties, views, format
// defaults, columns), the rows and cells with their stored values and formulas, and the records
// after them (merged cells, page setup, background picture).
#include <cmath>
#include <limits>
#include <map>
#include <new>
#include <vector>

#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsb/xlsbformula.h"
#include "parser/xlsb/xlsbreader.h"
#include "parser/xlsb/xlsbsheetobjects.h"
#include "parser/xlsb/xlsbstrings.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/cellstore.h"
#include "common/apiutils.h"
#include "common/guarded.h"

namespace xlx {

namespace {

constexpr double kMaxRowHeightPt = 409.0;
constexpr double kMaxColumnWidth = 255.0;
constexpr uint16_t kRowHidden = 0x1000;
constexpr uint16_t kRowCustomFormat = 0x4000;
constexpr uint16_t kViewShowZeros = 0x10;
constexpr uint16_t kViewRightToLeft = 0x20;

double Clamp(double value, double low, double high) { return value < low ? low : value > high ? high : value; }

// A shared or array formula: the range it covers and its tokens.
struct RangeFormula {
  MyCellBounds range;
  FormulaTokens tokens;
  bool array = false;
};

// A formula cell that points at a shared or array formula, resolved once the sheet is read.
struct PendingFormula {
  size_t cellIndex;
  int32_t anchorRow, anchorColumn;
};

struct SheetReader {
  Workbook* workbook;
  MyWorksheet* sheet;
  SheetCellStore* store = nullptr;
  int32_t row = 0;                 // 1-based row of the last row header; 0 before the first
  int32_t lastColumn = 0;          // 1-based column of the last cell of the row
  bool rowHidden = false;
  bool rowStyleDraws = false;
  bool wholeSheetColumnSeen = false;
  std::map<int64_t, RangeFormula> rangeFormulas;  // by (anchor row << 16) | anchor column
  std::vector<PendingFormula> pending;
};

int64_t AnchorKey(int32_t row, int32_t column) { return (int64_t(row) << 16) | column; }

// Reads a range (first row, last row, first column, last column, 0-based) as 1-based bounds;
// false when it lies outside the sheet.
bool ReadRange(RecordCursor* cursor, MyCellBounds* bounds) {
  uint32_t r1 = cursor->U32(), r2 = cursor->U32(), c1 = cursor->U32(), c2 = cursor->U32();
  if (!cursor->Ok() || r1 > r2 || c1 > c2 || r2 >= kMaxRows || c2 >= kMaxColumns) return false;
  *bounds = MyCellBounds{int32_t(r1) + 1, int32_t(r2) + 1, int32_t(c1) + 1, int32_t(c2) + 1};
  return true;
}

// The token array and extra data of a formula at the cursor.
bool ReadFormulaTokens(RecordCursor* cursor, FormulaTokens* out) {
  uint32_t length = cursor->U32();
  if (!cursor->Ok() || length > cursor->Remaining()) return false;
  out->tokens = cursor->Here();
  out->length = length;
  cursor->Skip(length);
  uint32_t extra = cursor->U32();
  if (!cursor->Ok() || extra > cursor->Remaining()) return false;
  out->extra = cursor->Here();
  out->extraLength = extra;
  return true;
}

// ---- records before and after the cells ---------------------------------------------------------

void ReadColumnInfo(SheetReader* r, const RecordEntry& record) {
  RecordCursor cursor(record);
  ColumnInfo info;
  uint32_t first = cursor.U32(), last = cursor.U32(), width = cursor.U32(), style = cursor.U32();
  uint16_t flags = cursor.U16();
  if (!cursor.Ok() || first > last || last >= kMaxColumns) return;
  info.min = int32_t(first) + 1;
  info.max = int32_t(last) + 1;
  info.width = Clamp(width / 256.0, 0, kMaxColumnWidth);
  info.hasWidth = true;
  info.style = style > INT32_MAX ? 0 : int32_t(style);
  info.hidden = (flags & 1) != 0;
  info.customWidth = (flags & 2) != 0;
  info.bestFit = (flags & 4) != 0;
  info.styleDraws = info.style >= 0 && StyleDrawsSomething(r->workbook->styles, info.style, false, r->sheet->clBackColor);
  if (r->sheet->columns.Push(info) != XLX_OK) return;
  // The first column record spanning the whole sheet sets the default width and style, and its
  // fill becomes the sheet background.
  MyWorksheet* sheet = r->sheet;
  if (info.min == 1 && info.max == int32_t(kMaxColumns) && !r->wholeSheetColumnSeen) {
    r->wholeSheetColumnSeen = true;
    sheet->dDefColWidth = info.width;
    sheet->bDefColWidthIsBase = false;
    sheet->defaultCellXf = info.style;
    const Stylesheet& styles = r->workbook->styles;
    const FillSpec& fill = GetFill(styles, GetCellXf(styles, info.style).fillId);
    if (fill.kind != kFillNone) sheet->clBackColor = fill.foreColor;
  }
}

void ReadFormatInfo(MyWorksheet* sheet, const RecordEntry& record) {
  RecordCursor cursor(record);
  uint32_t columnWidth = cursor.U32();
  uint16_t baseWidth = cursor.U16();
  uint16_t rowHeight = cursor.U16();
  if (!cursor.Ok()) return;
  sheet->dDefRowHeight = Clamp(rowHeight / 20.0, 0, kMaxRowHeightPt);
  sheet->bDefRowHeightStored = true;
  sheet->dDefColWidth = Clamp(columnWidth == 0xFFFFFFFFu ? double(baseWidth) : columnWidth / 256.0, 0, kMaxColumnWidth);
  sheet->bDefColWidthIsBase = columnWidth == 0xFFFFFFFFu;
}

int32_t ReadMerge(MyWorksheet* sheet, const RecordEntry& record) {
  if (record.size != 16) return XLX_CORRUPT(XLX_ERR_FORMAT, "merge record is not 16 bytes");
  RecordCursor cursor(record);
  MyMergedCell merge;
  if (!ReadRange(&cursor, &merge.MergeCellsRef)) return XLX_OK;
  return sheet->mergedCells.Push(merge);
}

// Target of the sheet relationship whose id the record holds; empty when it resolves nowhere.
std::u16string RelationshipTargetOf(const MyWorksheet& sheet, const RecordEntry& record) {
  RecordCursor cursor(record);
  std::u16string id = cursor.WideString();
  if (!cursor.Ok() || id.empty()) return std::u16string();
  const Relationship* rel = FindRelationshipById(sheet.relationships, sheet.relationshipCount, id.c_str());
  return rel && rel->targetPath ? std::u16string(rel->targetPath) : std::u16string();
}

void ReadBackgroundPicture(MyWorksheet* sheet, const RecordEntry& record) {
  std::u16string path = RelationshipTargetOf(*sheet, record);
  if (!path.empty()) sheet->backgroundPicturePath = path;
}

bool IsCellRecord(uint32_t t) {
  return (t >= brt::kCellBlank && t <= brt::kShortIsst) || t == brt::kCellRString;
}

// Everything outside the cell records, in one walk; what the model does not hold is kept framed. 1 or -9 (a bad merge record).
int32_t ReadSheetRecords(SheetReader* r, const RecordList& records) {
  MyWorksheet* sheet = r->sheet;
  bool firstView = true;
  for (const RecordEntry& record : records) {
    switch (record.type) {
      case brt::kBeginWsView: {
        RecordCursor cursor(record);
        uint16_t flags = cursor.U16();
        if (firstView && cursor.Ok() && !(flags & kViewShowZeros)) sheet->bShowZeros = false;
        if (firstView && cursor.Ok() && (flags & kViewRightToLeft)) sheet->bRightToLeft = true;
        firstView = false;
        break;
      }
      case brt::kWsFmtInfo: ReadFormatInfo(sheet, record); break;
      case brt::kColInfo: ReadColumnInfo(r, record); break;
      case brt::kMergeCell: {
        int32_t rc = ReadMerge(sheet, record);
        if (rc != XLX_OK) return rc;
        break;
      }
      case brt::kBkHim: ReadBackgroundPicture(sheet, record); break;
      case brt::kDrawing: sheet->drawingPath = RelationshipTargetOf(*sheet, record); break;
      default: break;
    }
    if (record.type != brt::kRowHdr && !IsCellRecord(record.type) && record.type != brt::kShrFmla &&
        record.type != brt::kArrFmla)
      AppendFramedRecord(record, &sheet->binaryRecords);
  }
  return XLX_OK;
}

// ---- rows and cells -------------------------------------------------------------------------------

int32_t ReadRowHeader(SheetReader* r, const RecordEntry& record) {
  RecordCursor cursor(record);
  uint32_t row = cursor.U32(), style = cursor.U32();
  uint16_t height = cursor.U16(), flags = cursor.U16();
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "row header cut off");
  if (row >= kMaxRows) return XLX_CORRUPT(XLX_ERR_FORMAT, "row number outside 1..1048576");
  RowProps props;
  props.hidden = (flags & kRowHidden) != 0;
  props.customFormat = (flags & kRowCustomFormat) != 0;
  props.style = props.customFormat && style <= INT32_MAX ? int32_t(style) : -1;
  props.height = props.hidden ? 0 : Clamp(height / 20.0, 0, kMaxRowHeightPt) * r->workbook->dpi / 72.0;
  props.heightStored = true;
  r->row = int32_t(row) + 1;
  r->lastColumn = 0;
  r->rowHidden = props.hidden;
  r->rowStyleDraws = props.customFormat && props.style >= 0 && r->store->RowStyleDraws(props.style);
  props.styleDraws = r->rowStyleDraws;
  return r->store->AddRow(r->row, props);
}

// Stores the formula text of a cell in the sheet's arena. 1 or -1; a formula that cannot be
// rendered leaves the cell without one.
int32_t AttachFormula(SheetReader* r, CellRecord* cell, const std::u16string& text, const RangeFormula* range) {
  TextArena& arena = r->sheet->arena;
  void* block = arena.Allocate(sizeof(CellFormula));
  if (!block) return XLX_ERR_MEMORY;
  CellFormula* formula = new (block) CellFormula();
  formula->text = arena.CopyUtf16(text.data(), text.size());
  if (!formula->text) return XLX_ERR_MEMORY;
  if (range && range->array) {
    formula->kind = kFormulaArray;
    const MyCellBounds& b = range->range;
    std::u16string ref = ColumnLetterText(b.ColFirst) + Utf8ToUtf16(std::to_string(b.RowFirst)) + u":" +
                         ColumnLetterText(b.ColLast) + Utf8ToUtf16(std::to_string(b.RowLast));
    formula->ref = arena.CopyUtf16(ref.data(), ref.size());
    if (!formula->ref) return XLX_ERR_MEMORY;
  }
  if (SetCellFormula(&arena, cell, formula) != XLX_OK) return XLX_ERR_MEMORY;
  cell->flags |= kCellHasFormula;
  return XLX_OK;
}

// The formula of a cell record: rendered now, or left for the shared or array formula it names.
int32_t ReadCellFormula(SheetReader* r, RecordCursor* cursor, CellRecord* cell, bool* deferred) {
  cursor->U16();  // calculation flags
  FormulaTokens tokens;
  if (!ReadFormulaTokens(cursor, &tokens)) return XLX_OK;  // a formula cut off keeps the stored value
  tokens.row = cell->row;
  tokens.column = cell->column;
  int32_t anchorRow = 0, anchorColumn = 0;
  if (IsSharedFormulaReference(tokens, &anchorRow, &anchorColumn)) {
    r->pending.push_back(PendingFormula{0, anchorRow, anchorColumn});
    *deferred = true;
    return XLX_OK;
  }
  std::u16string text;
  int32_t rc = RenderFormulaTokens(*r->workbook, tokens, &text);
  if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
  return rc == XLX_OK ? AttachFormula(r, cell, text, nullptr) : XLX_OK;
}

void SetError(CellRecord* cell, uint8_t code) {
  cell->type = kCellError;
  const char16_t* text = ErrorText(code);
  cell->text = text ? text : u"";
}

// One cell record of any kind. 1, -1 or -9.
int32_t ReadCell(SheetReader* r, const RecordEntry& record) {
  const uint32_t t = record.type;
  const bool isShort = t >= brt::kShortBlank && t <= brt::kShortIsst;
  RecordCursor cursor(record);
  CellRecord cell;
  cell.row = r->row;
  uint32_t column = isShort ? uint32_t(r->lastColumn) : cursor.U32();
  uint32_t style = cursor.U32() & 0xFFFFFF;
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "cell record cut off");
  cell.column = column < kMaxColumns ? uint16_t(column + 1) : 0;
  r->lastColumn = int32_t(column < kMaxColumns ? column + 1 : kMaxColumns);
  cell.styleIndex = PackStyleIndex(style);
  cell.number = std::numeric_limits<double>::quiet_NaN();
  cell.flags = kCellHasValue;
  bool deferred = false;
  int32_t rc = XLX_OK;
  if (t == brt::kCellBlank || t == brt::kShortBlank) {
    cell.flags = 0;
  } else if (t == brt::kCellRk || t == brt::kShortRk) {
    cell.type = kCellNumber;
    cell.number = RkNumber(cursor.U32());
  } else if (t == brt::kCellReal || t == brt::kShortReal || t == brt::kFmlaNum) {
    cell.type = kCellNumber;
    cell.number = cursor.F64();
    if (!std::isfinite(cell.number)) cell.number = 0;
  } else if (t == brt::kCellError || t == brt::kShortError || t == brt::kFmlaError) {
    SetError(&cell, cursor.U8());
  } else if (t == brt::kCellBool || t == brt::kShortBool || t == brt::kFmlaBool) {
    cell.type = kCellBoolean;
    cell.text = cursor.U8() ? u"TRUE" : u"FALSE";
  } else if (t == brt::kCellIsst || t == brt::kShortIsst) {
    cell.type = kCellSharedString;
    uint32_t index = cursor.U32();
    cell.sharedStringIndex = index > INT32_MAX ? -1 : int32_t(index);
  } else if (t == brt::kFmlaString) {
    cell.type = kCellFormulaString;
    std::u16string text = cursor.WideString();
    cell.text = r->sheet->arena.CopyUtf16(text.data(), text.size());
    if (!cell.text) return XLX_ERR_MEMORY;
  } else if (t == brt::kCellSt || t == brt::kShortSt) {  // plain inline strings, packed
    std::u16string text = cursor.WideString();
    const char16_t* packed = PackInlineTextUtf16(&r->sheet->arena, text.data(), text.size());
    if (!packed) return XLX_ERR_MEMORY;
    cell.type = kCellInlineString;
    cell.inlineString.SetPlain(packed);
    if (text.empty()) cell.flags = 0;
  } else {  // rich inline strings
    void* block = r->sheet->arena.Allocate(sizeof(RichString));
    if (!block) return XLX_ERR_MEMORY;
    RichString* rich = new (block) RichString();
    if ((rc = ReadBinaryRichString(&cursor, &r->sheet->arena, *r->workbook, rich)) != XLX_OK) return rc;
    cell.type = kCellInlineString;
    cell.inlineString = rich;
    if (rich->textLength == 0) cell.flags = 0;
  }
  if (!cursor.Ok()) return XLX_CORRUPT(XLX_ERR_FORMAT, "cell value cut off");
  if (t >= brt::kFmlaString && t <= brt::kFmlaError && (rc = ReadCellFormula(r, &cursor, &cell, &deferred)) != XLX_OK)
    return rc;
  if (deferred) {
    cell.flags |= kCellHasFormula;
    r->pending.back().cellIndex = size_t(r->sheet->cells.Count());
  }
  int32_t count = r->sheet->cells.Count();
  rc = r->store->AddCell(cell, r->rowStyleDraws, r->rowHidden);
  if (deferred && r->sheet->cells.Count() == count) r->pending.pop_back();  // the cell was not kept
  return rc;
}

void ReadRangeFormula(SheetReader* r, const RecordEntry& record, bool array) {
  RecordCursor cursor(record);
  RangeFormula formula;
  formula.array = array;
  if (!ReadRange(&cursor, &formula.range)) return;
  if (array) cursor.U8();  // flags
  if (!ReadFormulaTokens(&cursor, &formula.tokens)) return;
  // The record follows the cell that holds it, whose reference names the cell the other cells of
  // the range point at (not always the range's first cell); the first cell is kept as well.
  r->rangeFormulas[AnchorKey(formula.range.RowFirst, formula.range.ColFirst)] = formula;
  if (!r->pending.empty())
    r->rangeFormulas[AnchorKey(r->pending.back().anchorRow, r->pending.back().anchorColumn)] = formula;
}

// Cells that name a shared formula get its text as seen from their own place; of an array formula
// only the anchor cell keeps the formula (as the XML form writes it).
int32_t ResolvePending(SheetReader* r) {
  for (const PendingFormula& p : r->pending) {
    CellRecord& cell = r->sheet->cells[int32_t(p.cellIndex)];
    cell.flags &= uint8_t(~kCellHasFormula);
    auto found = r->rangeFormulas.find(AnchorKey(p.anchorRow, p.anchorColumn));
    if (found == r->rangeFormulas.end()) continue;
    const RangeFormula& range = found->second;
    const MyCellBounds& b = range.range;
    if (cell.row < b.RowFirst || cell.row > b.RowLast || cell.column < b.ColFirst || cell.column > b.ColLast) continue;
    if (range.array && (cell.row != b.RowFirst || cell.column != b.ColFirst)) continue;
    FormulaTokens tokens = range.tokens;
    tokens.row = cell.row;
    tokens.column = cell.column;
    std::u16string text;
    int32_t rc = RenderFormulaTokens(*r->workbook, tokens, &text);
    if (rc == XLX_ERR_MEMORY) return XLX_ERR_MEMORY;
    if (rc == XLX_OK && (rc = AttachFormula(r, &cell, text, &range)) != XLX_OK) return rc;
  }
  return XLX_OK;
}


// Holds the workbook lock while cells are entered; lets it go between rows and on any way out.
class CellLock {
 public:
  explicit CellLock(WorkbookLock& lock) : lock_(lock) { lock_.Lock(); }
  ~CellLock() { if (held_) lock_.Unlock(); }
  void Release() { lock_.Unlock(); held_ = false; }
  void Take() { lock_.Lock(); held_ = true; }
  CellLock(const CellLock&) = delete;
  CellLock& operator=(const CellLock&) = delete;

 private:
  WorkbookLock& lock_;
  bool held_ = true;
};

int32_t ReadCells(SheetReader* r, const RecordList& records) {
  Workbook* workbook = r->workbook;
  CellLock lock(workbook->lock);
  int32_t rc = XLX_OK;
  for (const RecordEntry& record : records) {
    const uint32_t t = record.type;
    if (t == brt::kRowHdr) {
      // Between rows the lock is let go and the host asked whether to go on.
      lock.Release();
      rc = PollProgress(workbook);
      lock.Take();
      if (rc == XLX_OK) rc = ReadRowHeader(r, record);
    } else if (IsCellRecord(t)) {
      rc = ReadCell(r, record);
    } else if (t == brt::kShrFmla || t == brt::kArrFmla) {
      ReadRangeFormula(r, record, t == brt::kArrFmla);
    }
    if (rc != XLX_OK) break;
  }
  return rc == XLX_OK ? ResolvePending(r) : rc;
}

int32_t ReadWorksheetRecords(Workbook* workbook, MyWorksheet* sheet, const RecordList& records) {
  SheetReader reader;
  reader.workbook = workbook;
  reader.sheet = sheet;
  sheet->mergedCells.Free();
  sheet->columns.Free();
  sheet->binaryRecords.clear();
  // Only the drawing the sheet's drawing record names prints, not every drawing its
  // relationships list.
  sheet->drawingPath.clear();
  int32_t rc = ReadSheetRecords(&reader, records);
  if (rc != XLX_OK) return rc;
  ReadBinaryPrintSetup(*workbook, sheet, records);
  MyCellBounds area;
  bool hasArea = ParsePrintAreaBounds(GetPrintArea(workbook, sheet->workbookIndex), sheet->sheetName, &area);
  SheetCellStore store(workbook, sheet, hasArea ? &area : nullptr);
  reader.store = &store;
  if ((rc = ReadCells(&reader, records)) != XLX_OK) return rc;
  store.Finish();
  // Conditional formats and tables fill the model the XML readers fill; the drawing part and
  // the VML drawing are the same parts as in the XML form, read by the driver's later step.
  if ((rc = ReadBinaryConditionalFormats(*workbook, sheet, records)) != XLX_OK) return rc;
  if ((rc = ReadBinarySheetTables(workbook, sheet, records)) != XLX_OK) return rc;
  AssertSheetInvariants(*sheet);
  sheet->loaded = true;
  return XLX_OK;
}

}  // namespace

int32_t ReadBinaryWorksheet(Workbook* workbook, MyWorksheet* sheet, const RecordList& records) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  return Guarded([&] { return ReadWorksheetRecords(workbook, sheet, records); });
}

int32_t LoadBinaryWorksheet(Workbook* workbook, MyWorksheet* sheet) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  const std::u16string& path = sheet->partPath;
  if (path.empty() || HasPart(&workbook->parts, path.c_str()) != XLX_OK) return XLX_OK;  // no part: an empty sheet
  RecordList records;
  int32_t rc = LoadRecordList(workbook->hPackage, &workbook->parts, path.c_str(), &records);
  if (rc != XLX_OK) return rc;
  return ReadBinaryWorksheet(workbook, sheet, records);
}

}  // namespace xlx
