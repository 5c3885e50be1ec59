// `sheetData` of a worksheet: the row map, the cells with their values and formulas, and the used
// range. Cells are appended in document order to one compact array and sorted only when a file
// writes them out of order.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "common/calendar.h"
#include "common/limits.h"
#include "common/resultcodes.h"
#include "parser/xlsxprsr.h"
#include "parser/sheet/cellstore.h"
#include "parser/xml/escapes.h"
#include "parser/sheet/slices.h"
#include "parser/xml/dom.h"

namespace xlx {

namespace {

constexpr double kMaxRowHeightPt = 409.0;
// Work allowed for checking empty cells against merged ranges before the reader stops looking
// and keeps the rest; a bound for files with huge numbers of overlapping merges.
constexpr int64_t kMaxMergeChecks = 50000000;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

const char* SkipXmlSpace(const char* text) {
  while (IsXmlSpace(*text)) ++text;
  return text;
}

// A number at the start of the text (white space and a "+" allowed before it); false when there
// is none or it is not finite.
bool ParseNumber(const char* text, double* value) {
  text = SkipXmlSpace(text);
  if (*text == '+') ++text;
  auto result = std::from_chars(text, text + strlen(text), *value);
  return result.ec == std::errc() && std::isfinite(*value);
}

double NumberOf(const char* text) {
  double value = 0;
  return ParseNumber(text, &value) ? value : 0;
}

int32_t IntegerOf(const char* text) {
  text = SkipXmlSpace(text);
  int64_t value = 0;
  bool negative = *text == '-';
  if (negative || *text == '+') ++text;
  for (; *text >= '0' && *text <= '9'; ++text)
    if (value <= INT32_MAX) value = value * 10 + (*text - '0');
  if (value > INT32_MAX) value = INT32_MAX;
  return int32_t(negative ? -value : value);
}

uint8_t TypeOf(const char* t) {
  switch (t[0]) {
    case 0: return kCellNumber;
    case 's': return t[1] == 0 ? kCellSharedString : strcmp(t, "str") == 0 ? kCellFormulaString : kCellUnknown;
    case 'n': return t[1] == 0 ? kCellNumber : kCellUnknown;
    case 'b': return t[1] == 0 ? kCellBoolean : kCellUnknown;
    case 'e': return t[1] == 0 ? kCellError : kCellUnknown;
    case 'd': return t[1] == 0 ? kCellDate : kCellUnknown;
    default: return strcmp(t, "inlineStr") == 0 ? kCellInlineString : kCellUnknown;
  }
}

// Columns hidden by `cols`: the first `col` containing a column decides it.
void MarkHiddenColumns(const MyWorksheet& sheet, std::vector<uint8_t>* hidden) {
  hidden->assign(kMaxColumns + 1, 0);
  std::vector<uint8_t> decided(kMaxColumns + 1, 0);
  for (const ColumnInfo& col : sheet.columns) {
    if (col.min < 1 || col.max > int32_t(kMaxColumns) || col.min > col.max) continue;
    for (int32_t i = col.min; i <= col.max; ++i) {
      if (decided[i]) continue;
      decided[i] = 1;
      (*hidden)[i] = col.hidden ? 1 : 0;
    }
  }
}

const char* ValueOf(pugi::xml_attribute a) { return a ? a.value() : nullptr; }
const char* OrEmpty(const char* text) { return text ? text : ""; }

int32_t ReadFormula(TextArena* arena, const FormulaFields& f, const CellFormula** out) {
  void* block = arena->Allocate(sizeof(CellFormula));
  if (!block) return XLX_ERR_MEMORY;
  CellFormula* formula = new (block) CellFormula();
  const char* text = OrEmpty(f.text);
  formula->text = arena->CopyUtf8(text, strlen(text), nullptr);
  if (!formula->text) return XLX_ERR_MEMORY;
  const char* kind = OrEmpty(f.t);
  if (strcmp(kind, "shared") == 0) formula->kind = kFormulaShared;
  else if (strcmp(kind, "array") == 0) formula->kind = kFormulaArray;
  else if (strcmp(kind, "dataTable") == 0) formula->kind = kFormulaDataTable;
  ReadIntText(f.si, &formula->sharedIndex);
  formula->bCalcAlways = AttributeIsTrue(f.ca);
  if (f.ref) {
    formula->ref = arena->CopyUtf8(f.ref, strlen(f.ref), nullptr);
    if (!formula->ref) return XLX_ERR_MEMORY;
  }
  *out = formula;
  return XLX_OK;
}

// The `is` of an inline-string cell into the cell: one plain `t` as packed text, anything else
// as a rich string. Writes the length of the text in units to *textLength. 1 or -1.
int32_t ReadInlineString(const Workbook& workbook, TextArena* arena, pugi::xml_node is, CellRecord* cell,
                         int32_t* textLength) {
  if (CountElementChildren(is) == 1) {
    pugi::xml_node only = is.first_child();
    while (only.type() != pugi::node_element) only = only.next_sibling();
    if (IsElement(only, "t")) {
      const char* text = ElementText(only);
      std::u16string decoded;
      if (MayHoldEscapes(text)) {
        decoded = ToUtf16(text);
        DecodeEscapes(&decoded);
      }
      const char16_t* packed = decoded.empty() ? PackInlineTextUtf8(arena, text, strlen(text))
                                               : PackInlineTextUtf16(arena, decoded.data(), decoded.size());
      if (!packed) return XLX_ERR_MEMORY;
      cell->inlineString.SetPlain(packed);
      *textLength = UnpackInlineText(packed).length;
      return XLX_OK;
    }
  }
  void* block = arena->Allocate(sizeof(RichString));
  if (!block) return XLX_ERR_MEMORY;
  RichString* rich = new (block) RichString();
  int32_t rc = ReadRichString(rich, arena, workbook, is);
  if (rc != XLX_OK) return rc;
  cell->inlineString = rich;
  *textLength = rich->textLength;
  return XLX_OK;
}

// The value of a cell from its `v` (and `is`): type, number, shared-string index, text. White
// space around a value is not part of it, and a `v` of white space only is no value, except for
// the text of a formula string, which is kept as written.
int32_t ReadCellValue(const Workbook& workbook, TextArena* arena, const char* t, pugi::xml_node is, const char* v,
                      CellRecord* cell) {
  cell->sharedStringIndex = -1;
  cell->number = std::numeric_limits<double>::quiet_NaN();
  cell->type = TypeOf(t);
  if (is) {
    cell->type = kCellInlineString;
    int32_t textLength = 0;
    int32_t rc = ReadInlineString(workbook, arena, is, cell, &textLength);
    if (rc != XLX_OK) return rc;
    // The inline string and the text of its `v` are held together out of line.
    if (*v && AttachCellExtra(arena, cell) != XLX_OK) return XLX_ERR_MEMORY;
    if (textLength > 0) cell->flags |= kCellHasValue;
  }
  std::string_view trimmed(SkipXmlSpace(v));
  while (!trimmed.empty() && IsXmlSpace(trimmed.back())) trimmed.remove_suffix(1);
  if (cell->type == kCellFormulaString ? !*v : trimmed.empty()) return XLX_OK;
  cell->flags |= kCellHasValue;
  switch (cell->type) {
    case kCellBoolean: {
      // Zero is false; any other number, or text that is no number, is true.
      double number = 0;
      cell->text = ParseNumber(v, &number) && number == 0 ? u"FALSE" : u"TRUE";
      break;
    }
    case kCellNumber:
      cell->number = NumberOf(v);
      break;
    case kCellDate: {
      // ISO dates become serials, as the spreadsheet shows them; a plain number is kept.
      double serial = 0;
      cell->number = IsoDateTimeToSerial(std::string(trimmed).c_str(),
                                                workbook.bDate1904 ? kDateSystem1904 : kDateSystem1900, &serial) ? serial : NumberOf(v);
      break;
    }
    case kCellSharedString:
      cell->sharedStringIndex = IntegerOf(v);
      break;
    case kCellError:
      cell->text = arena->CopyUtf8(trimmed.data(), trimmed.size(), nullptr);
      if (!cell->text) return XLX_ERR_MEMORY;
      break;
    case kCellFormulaString:
    case kCellInlineString: {
      int32_t length = 0;
      char16_t* text = arena->CopyUtf8(v, strlen(v), &length);
      if (!text) return XLX_ERR_MEMORY;
      if (MayHoldEscapes(v)) DecodeEscapesInPlace(text, length);
      cell->text = text;
      break;
    }
    default:
      break;
  }
  return XLX_OK;
}

}  // namespace

SheetRowReader::SheetRowReader(Workbook* workbook, MyWorksheet* sheet, SheetCellStore* store)
    : workbook_(workbook), sheet_(sheet), store_(store) {}

int32_t SheetRowReader::BeginRow(const RowFields& fields) {
  int32_t number;
  if (fields.r) {
    if (!ReadIntText(fields.r, &number) || number < 1 || number > int32_t(kMaxRows))
      return XLX_CORRUPT(XLX_ERR_FORMAT, "row number outside 1..1048576");
  } else {
    number = lastRow_ + 1;  // a row without a number follows the previous one
    if (number > int32_t(kMaxRows)) return XLX_CORRUPT(XLX_ERR_FORMAT, "row number outside 1..1048576");
  }
  lastRow_ = number;
  lastColumn_ = 0;
  rowHidden_ = AttributeIsTrue(fields.hidden);
  int32_t style = -1;
  rowStyleDraws_ = AttributeIsTrue(fields.customFormat) && ReadIntText(fields.s, &style) && store_->RowStyleDraws(style);
  RowProps props;
  props.heightNotCustom = fields.customHeight && !AttributeIsTrue(fields.customHeight);
  props.customFormat = AttributeIsTrue(fields.customFormat);
  props.styleDraws = rowStyleDraws_;
  ReadIntText(fields.s, &props.style);
  props.hidden = rowHidden_;
  double points = 0;
  if (ReadDoubleText(fields.ht, &points)) {
    points = points < 0 ? 0 : points > kMaxRowHeightPt ? kMaxRowHeightPt : points;
    props.height = points * workbook_->dpi / 72.0;
    props.heightStored = true;
  } else {
    props.height = store_->DefaultRowPixels();
  }
  if (props.hidden) props.height = 0;
  return store_->AddRow(number, props) == XLX_OK ? XLX_OK : XLX_ERR_MEMORY;
}

int32_t SheetRowReader::AddCell(const CellFields& c) {
  int32_t column;
  if (c.r) {
    if (!*c.r) return XLX_CORRUPT(XLX_ERR_FORMAT, "cell reference is empty");
    column = ColumnOfReference(c.r);
  } else {
    column = lastColumn_ + 1;  // a cell without a reference follows the previous one
  }
  lastColumn_ = column;
  if (column < 1 || column > int32_t(kMaxColumns)) return XLX_OK;

  CellRecord cell;
  cell.row = lastRow_;
  cell.column = uint16_t(column);
  int32_t style = 0;
  ReadIntText(c.s, &style);
  cell.styleIndex = PackStyleIndex(style);
  int32_t rc = ReadCellValue(*workbook_, &sheet_->arena, OrEmpty(c.t), c.inlineString, OrEmpty(c.v), &cell);
  if (rc != XLX_OK) return rc;
  if (c.formula) {
    const CellFormula* formula = nullptr;
    if ((rc = ReadFormula(&sheet_->arena, *c.formula, &formula)) != XLX_OK) return rc;
    if ((rc = SetCellFormula(&sheet_->arena, &cell, formula)) != XLX_OK) return rc;
    cell.flags |= kCellHasFormula;
  }
  return store_->AddCell(cell, rowStyleDraws_, rowHidden_);
}

SheetCellStore::SheetCellStore(Workbook* workbook, MyWorksheet* sheet, const MyCellBounds* printArea)
    : workbook_(workbook), sheet_(sheet), printArea_(printArea) {
  defaultRowPx_ = sheet->dDefRowHeight * workbook->dpi / 72.0;
  MarkHiddenColumns(*sheet, &hiddenColumns_);
  sheet->cells.Free();
  sheet->rows.Free();
  sheet->sheetBounds = MyCellBounds();
}

bool SheetCellStore::RowStyleDraws(int32_t style) const {
  return StyleDrawsSomething(workbook_->styles, style, false, sheet_->clBackColor);
}

int32_t SheetCellStore::AddRow(int32_t row, const RowProps& props) {
  if (row < 1 || row >= int32_t(kMaxRows)) return XLX_OK;
  RowEntry entry;
  entry.row = row;
  entry.props = props;
  if (!sheet_->rows.Empty() && sheet_->rows[sheet_->rows.Size() - 1].row >= row) rowsSorted_ = false;
  return sheet_->rows.Push(entry);
}

int32_t SheetCellStore::AddCell(CellRecord cell, bool rowStyleDraws, bool rowHidden) {
  const int32_t row = cell.row, column = cell.column;
  if (row < 1 || row > int32_t(kMaxRows) || column < 1 || column > int32_t(kMaxColumns)) return XLX_OK;
  if (printArea_ && (row > printArea_->RowLast + 2000 || column > printArea_->ColLast + 2000)) return XLX_OK;
  // A cell without content is kept only when it paints something or may lie in a merged range.
  // One that paints a fill or border of its own counts for the used range as a value does.
  const bool content = (cell.flags & (kCellHasValue | kCellHasFormula)) != 0;
  const bool paints = !content && StyleDrawsSomething(workbook_->styles, cell.styleIndex, false, sheet_->clBackColor);
  if (!content && !paints && !rowStyleDraws) {
    if (sheet_->mergedCells.Empty() && !mergesLater_) return XLX_OK;
    cell.flags |= kCellReaderMark;
  }
  if ((content || paints) && !rowHidden && !hiddenColumns_[size_t(column)]) {
    used_.RowFirst = std::min(used_.RowFirst, row);
    used_.RowLast = std::max(used_.RowLast, row);
    used_.ColFirst = std::min(used_.ColFirst, column);
    used_.ColLast = std::max(used_.ColLast, column);
  }
  int64_t key = (int64_t(row) << 16) | column;
  if (key <= lastKey_) cellsSorted_ = false;
  lastKey_ = std::max(lastKey_, key);
  return sheet_->cells.Push(cell);
}

namespace {

bool CellBefore(const CellRecord& a, const CellRecord& b) {
  return a.row < b.row || (a.row == b.row && a.column < b.column);
}

// Sorts the cells by row and column; of two cells at one place the first written stays.
void SortCells(MyWorksheet* sheet) {
  std::stable_sort(sheet->cells.begin(), sheet->cells.end(), CellBefore);
  size_t kept = 0;
  for (size_t i = 0; i < sheet->cells.Size(); ++i) {
    if (kept > 0 && !CellBefore(sheet->cells[kept - 1], sheet->cells[i])) continue;
    sheet->cells[kept++] = sheet->cells[i];
  }
  (void)sheet->cells.Resize(kept);  // shrinking never allocates
}

// Drops the cells kept only for merged ranges, before a sort could let one hide a later cell
// written at the same place.
void DropMarkedCells(MyWorksheet* sheet) {
  size_t kept = 0;
  for (size_t i = 0; i < sheet->cells.Size(); ++i)
    if (!(sheet->cells[i].flags & kCellReaderMark)) sheet->cells[kept++] = sheet->cells[i];
  (void)sheet->cells.Resize(kept);  // shrinking never allocates
}

void SortRows(MyWorksheet* sheet) {
  auto before = [](const RowEntry& a, const RowEntry& b) { return a.row < b.row; };
  std::stable_sort(sheet->rows.begin(), sheet->rows.end(), before);
  size_t kept = 0;
  for (size_t i = 0; i < sheet->rows.Size(); ++i) {
    if (kept > 0 && sheet->rows[kept - 1].row == sheet->rows[i].row) continue;
    sheet->rows[kept++] = sheet->rows[i];
  }
  (void)sheet->rows.Resize(kept);  // shrinking never allocates
}

// One sweep over the cells in row order with the merged ranges that span the current row: keeps
// the marked (empty, plain) cells that lie in a range and drops the others, and clears bAllEmpty
// of every range that holds a cell with content.
void SweepMergedRanges(MyWorksheet* sheet) {
  std::vector<MyMergedCell*> merges;
  for (MyMergedCell& merge : sheet->mergedCells) merges.push_back(&merge);
  std::sort(merges.begin(), merges.end(), [](const MyMergedCell* a, const MyMergedCell* b) {
    return a->MergeCellsRef.RowFirst < b->MergeCellsRef.RowFirst;
  });
  std::vector<MyMergedCell*> active;
  size_t next = 0, kept = 0;
  int32_t activeRow = 0;
  int64_t checks = 0;
  for (size_t i = 0; i < sheet->cells.Size(); ++i) {
    CellRecord cell = sheet->cells[i];
    bool marked = (cell.flags & kCellReaderMark) != 0;
    bool content = (cell.flags & (kCellHasValue | kCellHasFormula)) != 0;
    if (cell.row != activeRow) {
      activeRow = cell.row;
      while (next < merges.size() && merges[next]->MergeCellsRef.RowFirst <= cell.row) active.push_back(merges[next++]);
      active.erase(std::remove_if(active.begin(), active.end(),
                                  [&](const MyMergedCell* m) { return m->MergeCellsRef.RowLast < cell.row; }),
                   active.end());
    }
    // Past the work bound every marked cell is kept and the ranges keep what they know.
    bool inside = marked && checks > kMaxMergeChecks;
    for (size_t k = 0; k < active.size() && checks <= kMaxMergeChecks && (marked || content); ++k, ++checks) {
      const MyCellBounds& range = active[k]->MergeCellsRef;
      if (range.ColFirst <= cell.column && cell.column <= range.ColLast) {
        inside = true;
        if (content) active[k]->bAllEmpty = false;
      }
    }
    if (marked) {
      if (!inside) continue;
      cell.flags &= uint8_t(~kCellReaderMark);
    }
    sheet->cells[kept++] = cell;
  }
  (void)sheet->cells.Resize(kept);  // shrinking never allocates
}

int32_t ReadRows(Workbook* workbook, SheetRowReader* reader, pugi::xml_node sheetData) {
  for (pugi::xml_node row = Child(sheetData, "row"); row; row = NextNamed(row, "row")) {
    const RowFields fields{ValueOf(row.attribute("r")),      ValueOf(row.attribute("ht")),
                           ValueOf(row.attribute("customHeight")), ValueOf(row.attribute("hidden")),
                           ValueOf(row.attribute("s")),      ValueOf(row.attribute("customFormat"))};
    {
      WorkbookLockGuard guard(workbook->lock);
      int32_t rc = reader->BeginRow(fields);
      if (rc != XLX_OK) return rc;
      for (pugi::xml_node c = Child(row, "c"); c; c = NextNamed(c, "c")) {
        pugi::xml_node f = Child(c, "f");
        const FormulaFields formula{ElementText(f), ValueOf(f.attribute("t")), ValueOf(f.attribute("ref")),
                                    ValueOf(f.attribute("si")), ValueOf(f.attribute("ca"))};
        const CellFields cell{ValueOf(c.attribute("r")), ValueOf(c.attribute("s")), ValueOf(c.attribute("t")),
                              ElementText(Child(c, "v")), f ? &formula : nullptr, Child(c, "is")};
        if ((rc = reader->AddCell(cell)) != XLX_OK) return rc;
      }
    }
    int32_t rc = PollProgress(workbook);
    if (rc != XLX_OK) return rc;
  }
  return XLX_OK;
}

}  // namespace

void SheetCellStore::Finish() {
  if (mergesLater_ && sheet_->mergedCells.Empty()) DropMarkedCells(sheet_);
  if (!cellsSorted_) SortCells(sheet_);
  if (!rowsSorted_) SortRows(sheet_);
  if (!sheet_->mergedCells.Empty()) SweepMergedRanges(sheet_);
  sheet_->cells.Shrink();
  sheet_->rows.Shrink();
  if (used_.RowLast > 0) sheet_->sheetBounds = used_;
}

int32_t ReadSheetData(Workbook* workbook, MyWorksheet* sheet, pugi::xml_node worksheet, const MyCellBounds* printArea,
                      SheetDataSlices* slices) {
  if (!workbook || !sheet) return XLX_ERR_ARGUMENT;
  if (slices && slices->ReadStore()) {
    // The rows were read as the part inflated; the merged ranges are known only now.
    slices->ReadStore()->Finish();
    return XLX_OK;
  }
  SheetCellStore store(workbook, sheet, printArea);
  SheetRowReader reader(workbook, sheet, &store);
  int32_t rc;
  if (slices) {
    // The reader runs on from slice to slice, so the rows read as they would from one DOM.
    pugi::xml_node container;
    while ((rc = slices->Next(&container)) == XLX_OK)
      if ((rc = ReadRows(workbook, &reader, container)) != XLX_OK) return rc;
    if (rc != 0) return rc;
  } else if ((rc = ReadRows(workbook, &reader, Child(worksheet, "sheetData"))) != XLX_OK) {
    return rc;
  }
  store.Finish();
  return XLX_OK;
}

}  // namespace xlx
