// Lookup and reference functions. Exact matches in a reference go through the engine's index of
// that range (built once), approximate matches through a binary search over the cells, so a sheet
// of many lookups over one long table stays linear.
#include <algorithm>
#include <cmath>

#include "common/limits.h"
#include "common/cellref.h"
#include "values/formula/engine.h"
#include "values/functions/support.h"

namespace xlx {
namespace {

// One row or column of a reference or an array.
struct LookupVector {
  FormulaEngine* engine = nullptr;
  bool isRef = false;
  CellArea area;                                  // for a reference
  std::shared_ptr<const ValueArray> array;        // for an array
  bool alongRow = false;                          // the items run across one row
  int32_t fixed = 0;                              // row (or column) of the array the vector is in
  int32_t size = 0;

  ExcelValue At(int32_t i) const {
    if (isRef) {
      return alongRow ? engine->CellValue(area.sheet, area.row1, area.col1 + i)
                      : engine->CellValue(area.sheet, area.row1 + i, area.col1);
    }
    return alongRow ? array->At(fixed, i) : array->At(i, fixed);
  }
};

// The vector of argument i; `alongRow` -1 picks the longer side of a one-row or one-column shape.
bool MakeVector(FunctionCall& c, size_t i, int alongRow, LookupVector* out) {
  out->engine = c.engine;
  if (c.IsRef(i)) {
    out->isRef = true;
    out->area = c.Raw(i).cellRef;
    bool row = alongRow < 0 ? out->area.Rows() == 1 && out->area.Cols() > 1 : alongRow == 1;
    if (alongRow < 0 && out->area.Rows() > 1 && out->area.Cols() > 1) return c.SetError(kErrorNA);
    out->alongRow = row;
    out->size = row ? out->area.Cols() : out->area.Rows();
    // Whole columns end at the last stored row: the cells past it are empty and never match.
    if (!row) out->size = std::min(out->size, std::max(0, c.engine->LastRow(out->area.sheet) - out->area.row1 + 1));
    else out->size = std::min(out->size, std::max(0, c.engine->LastCol(out->area.sheet) - out->area.col1 + 1));
    if (row) out->area.row2 = out->area.row1;
    else out->area.col2 = out->area.col1;
    return true;
  }
  auto a = c.Array(i);
  if (!a) return false;
  out->array = a;
  bool row = alongRow < 0 ? a->rows == 1 : alongRow == 1;
  if (alongRow < 0 && a->rows > 1 && a->cols > 1) return c.SetError(kErrorNA);
  out->alongRow = row;
  out->size = row ? a->cols : a->rows;
  return true;
}

std::u16string ColumnLetters16(int32_t column) {
  std::string letters = ColumnLetters(column);
  return std::u16string(letters.begin(), letters.end());
}

int32_t Rank(uint8_t type) { return type == kValueNumber ? 0 : type == kValueString ? 1 : type == kValueBoolean ? 2 : 3; }

bool SameKind(const ExcelValue& a, const ExcelValue& b) { return Rank(a.type) == Rank(b.type); }

bool ExactEqual(const ExcelValue& key, const ExcelValue& v, bool wildcard) {
  if (!SameKind(key, v)) return false;
  if (wildcard && key.type == kValueString) return WildcardMatch(FoldText(key.strVal), FoldText(v.strVal));
  return CompareValues(key, v) == 0;
}

// Position of the exact match, -1 when none. `reverse` searches from the end.
int32_t FindExact(FormulaEngine* engine, const LookupVector& v, const ExcelValue& key, bool wildcard, bool reverse) {
  if (v.isRef && !reverse && v.size > 16) {
    int64_t hit = wildcard && HasWildcard(key.strVal) ? -2 : engine->IndexedMatch(
        CellArea{v.area.sheet, v.area.row1, v.area.col1, v.alongRow ? v.area.row1 : v.area.row1 + v.size - 1,
                 v.alongRow ? v.area.col1 + v.size - 1 : v.area.col1},
        v.alongRow, key);
    if (hit >= -1) return int32_t(hit);
  }
  const bool wild = wildcard && key.type == kValueString && HasWildcard(key.strVal);
  for (int32_t k = 0; k < v.size; ++k) {
    int32_t i = reverse ? v.size - 1 - k : k;
    if (ExactEqual(key, v.At(i), wild)) return i;
    if (engine->aborted()) return -1;
  }
  return -1;
}

// Largest item not above the key in an ascending vector (binary search), -1 when none.
int32_t FindSortedAscending(const LookupVector& v, const ExcelValue& key) {
  int32_t lo = 0, hi = v.size - 1, found = -1;
  while (lo <= hi) {
    int32_t mid = lo + (hi - lo) / 2;
    ExcelValue item = v.At(mid);
    // Empty cells inside the range are stepped over toward the start.
    int32_t probe = mid;
    while ((item.type == kValueEmpty || item.type == kValueError) && probe > lo) item = v.At(--probe);
    if (item.type == kValueEmpty || item.type == kValueError) {
      lo = mid + 1;
      continue;
    }
    int32_t cmp = SameKind(item, key) ? CompareValues(item, key) : (Rank(item.type) < Rank(key.type) ? -1 : 1);
    if (cmp <= 0) {
      if (SameKind(item, key)) found = probe;
      lo = mid + 1;
    } else {
      hi = probe - 1;
    }
  }
  return found;
}

// Match modes of XMATCH: 0 exact, -1 exact or next smaller, 1 exact or next larger, 2 wildcard.
int32_t FindByMode(FormulaEngine* engine, const LookupVector& v, const ExcelValue& key, int64_t mode, bool reverse) {
  if (mode == 0 || mode == 2) return FindExact(engine, v, key, mode == 2, reverse);
  int32_t exact = FindExact(engine, v, key, false, reverse);
  if (exact >= 0) return exact;
  int32_t best = -1;
  ExcelValue bestValue;
  for (int32_t k = 0; k < v.size; ++k) {
    int32_t i = reverse ? v.size - 1 - k : k;
    ExcelValue item = v.At(i);
    if (!SameKind(item, key)) continue;
    int32_t cmp = CompareValues(item, key);
    if ((mode < 0 && cmp < 0) || (mode > 0 && cmp > 0)) {
      if (best < 0 || (mode < 0 ? CompareValues(item, bestValue) > 0 : CompareValues(item, bestValue) < 0))
        best = i, bestValue = item;
    }
  }
  return best;
}

ExcelValue LookupKey(FunctionCall& c) {
  ExcelValue key = c.Arg(0);
  if (key.type == kValueEmpty || key.type == kValueNone) return MakeError(kErrorNA);
  return key;
}

// One cell (or item) of a table argument at 0-based (r, c).
ExcelValue TableItem(FunctionCall& call, size_t arg, int32_t r, int32_t col) {
  const ExcelValue& t = call.Raw(arg);
  if (t.type == kValueRange) return MakeRange(CellArea{t.cellRef.sheet, t.cellRef.row1 + r, t.cellRef.col1 + col,
                                                       t.cellRef.row1 + r, t.cellRef.col1 + col});
  auto a = call.Array(arg);
  if (!a || r >= a->rows || col >= a->cols) return MakeError(kErrorRef);
  return a->At(r, col);
}

ExcelValue VHLookup(FunctionCall& c, bool vertical) {
  ExcelValue key = LookupKey(c);
  if (key.type == kValueError) return key;
  int64_t index = 0;
  if (!c.Integer(2, &index)) return c.Fail();
  bool approximate = true;
  if (!c.BooleanOr(3, true, &approximate)) return c.Fail();
  if (c.Missing(3) && c.Count() > 3) approximate = false;
  int32_t rows = 0, cols = 0;
  if (c.IsRef(1)) rows = c.Raw(1).cellRef.Rows(), cols = c.Raw(1).cellRef.Cols();
  else if (auto a = c.Array(1)) rows = a->rows, cols = a->cols;
  else return c.Fail();
  if (index < 1) return MakeError(kErrorValue);
  if (index > (vertical ? cols : rows)) return MakeError(kErrorRef);
  LookupVector v;
  if (!MakeVector(c, 1, vertical ? 0 : 1, &v)) return c.Fail();
  int32_t pos = approximate ? FindSortedAscending(v, key) : FindExact(c.engine, v, key, true, false);
  if (pos < 0) return MakeError(kErrorNA);
  return vertical ? TableItem(c, 1, pos, int32_t(index - 1)) : TableItem(c, 1, int32_t(index - 1), pos);
}
ExcelValue FnVLookup(FunctionCall& c) { return VHLookup(c, true); }
ExcelValue FnHLookup(FunctionCall& c) { return VHLookup(c, false); }

ExcelValue FnMatch(FunctionCall& c) {
  ExcelValue key = LookupKey(c);
  if (key.type == kValueError) return key;
  double type = 1;
  if (!c.NumberOr(2, 1, &type)) return c.Fail();
  LookupVector v;
  if (!MakeVector(c, 1, -1, &v)) return c.Fail();
  int32_t pos = -1;
  if (type == 0) {
    pos = FindExact(c.engine, v, key, true, false);
  } else if (type > 0) {
    pos = FindSortedAscending(v, key);
  } else {
    // Descending: the last item not below the key, scanning until an item falls below it.
    for (int32_t i = 0; i < v.size; ++i) {
      ExcelValue item = v.At(i);
      if (!SameKind(item, key)) continue;
      if (CompareValues(item, key) < 0) break;
      pos = i;
    }
  }
  return pos < 0 ? MakeError(kErrorNA) : MakeNumber(pos + 1);
}

ExcelValue FnXMatch(FunctionCall& c) {
  ExcelValue key = LookupKey(c);
  if (key.type == kValueError) return key;
  int64_t mode = 0, search = 1;
  if (!c.IntegerOr(2, 0, &mode) || !c.IntegerOr(3, 1, &search)) return c.Fail();
  LookupVector v;
  if (!MakeVector(c, 1, -1, &v)) return c.Fail();
  int32_t pos = FindByMode(c.engine, v, key, mode, search == -1 || search == -2);
  return pos < 0 ? MakeError(kErrorNA) : MakeNumber(pos + 1);
}

ExcelValue FnXLookup(FunctionCall& c) {
  ExcelValue key = c.Arg(0);
  if (key.type == kValueError) return key;
  int64_t mode = 0, search = 1;
  if (!c.IntegerOr(4, 0, &mode) || !c.IntegerOr(5, 1, &search)) return c.Fail();
  LookupVector v;
  if (!MakeVector(c, 1, -1, &v)) return c.Fail();
  int32_t pos = FindByMode(c.engine, v, key, mode, search == -1 || search == -2);
  if (pos < 0) return c.Missing(3) ? MakeError(kErrorNA) : c.Raw(3);
  // The matching row (or column) of the result range.
  if (c.IsRef(2)) {
    CellArea r = c.Raw(2).cellRef;
    if (v.alongRow) r.col1 = r.col2 = r.col1 + pos;
    else r.row1 = r.row2 = r.row1 + pos;
    return MakeRange(r);
  }
  auto a = c.Array(2);
  if (!a) return c.Fail();
  if (v.alongRow) return pos < a->cols ? a->At(0, pos) : MakeError(kErrorValue);
  return pos < a->rows ? a->At(pos, 0) : MakeError(kErrorValue);
}

ExcelValue FnLookup(FunctionCall& c) {
  ExcelValue key = LookupKey(c);
  if (key.type == kValueError) return key;
  int32_t rows = 0, cols = 0;
  if (c.IsRef(1)) rows = c.Raw(1).cellRef.Rows(), cols = c.Raw(1).cellRef.Cols();
  else if (auto a = c.Array(1)) rows = a->rows, cols = a->cols;
  else return c.Fail();
  const bool alongRow = cols > rows;
  LookupVector v;
  if (!MakeVector(c, 1, alongRow ? 1 : 0, &v)) return c.Fail();
  int32_t pos = FindSortedAscending(v, key);
  if (pos < 0) return MakeError(kErrorNA);
  if (c.Count() < 3) return alongRow ? TableItem(c, 1, rows - 1, pos) : TableItem(c, 1, pos, cols - 1);
  LookupVector result;
  if (!MakeVector(c, 2, -1, &result)) return c.Fail();
  if (result.isRef) {
    CellArea r = result.area;
    if (result.alongRow) r.col1 = r.col2 = r.col1 + pos;
    else r.row1 = r.row2 = r.row1 + pos;
    return MakeRange(r);
  }
  return pos < result.size ? result.At(pos) : MakeError(kErrorNA);
}

ExcelValue FnIndex(FunctionCall& c) {
  int64_t row = 0, col = 0;
  if (!c.IntegerOr(1, 0, &row) || !c.IntegerOr(2, 0, &col)) return c.Fail();
  if (row < 0 || col < 0) return MakeError(kErrorValue);
  if (c.IsRef(0)) {
    CellArea a = c.Raw(0).cellRef;
    // One index into a one-row range counts columns.
    if (c.Count() == 2 && a.Rows() == 1) col = row, row = 0;
    if (row > a.Rows() || col > a.Cols()) return MakeError(kErrorRef);
    if (row > 0) a.row1 = a.row2 = a.row1 + int32_t(row) - 1;
    if (col > 0) a.col1 = a.col2 = a.col1 + int32_t(col) - 1;
    return MakeRange(a);
  }
  auto a = c.Array(0);
  if (!a) return c.Fail();
  if (c.Count() == 2 && a->rows == 1) col = row, row = 1;
  if (c.Count() == 2 && a->cols == 1 && col == 0) col = 1;
  if (row > a->rows || col > a->cols) return MakeError(kErrorRef);
  if (row == 0 || col == 0) {
    auto out = std::make_shared<ValueArray>();
    for (int32_t r = 0; r < a->rows; ++r)
      for (int32_t k = 0; k < a->cols; ++k)
        if ((row == 0 || r == row - 1) && (col == 0 || k == col - 1)) out->items.push_back(a->At(r, k));
    out->rows = row == 0 ? a->rows : 1;
    out->cols = col == 0 ? a->cols : 1;
    return MakeArray(out);
  }
  return a->At(int32_t(row - 1), int32_t(col - 1));
}

ExcelValue RowColumn(FunctionCall& c, bool row) {
  if (c.Missing(0)) return MakeNumber(row ? c.cx.row : c.cx.col);
  if (!c.IsRef(0)) return MakeError(kErrorValue);
  const CellArea& a = c.Raw(0).cellRef;
  return MakeNumber(row ? a.row1 : a.col1);
}
ExcelValue FnRow(FunctionCall& c) { return RowColumn(c, true); }
ExcelValue FnColumn(FunctionCall& c) { return RowColumn(c, false); }

ExcelValue Size(FunctionCall& c, bool rows) {
  if (c.IsRef(0)) return MakeNumber(rows ? c.Raw(0).cellRef.Rows() : c.Raw(0).cellRef.Cols());
  if (c.Raw(0).type == kValueArray) return MakeNumber(rows ? c.Raw(0).array->rows : c.Raw(0).array->cols);
  if (c.Raw(0).type == kValueError) return c.Raw(0);
  return MakeNumber(1);
}
ExcelValue FnRows(FunctionCall& c) { return Size(c, true); }
ExcelValue FnColumns(FunctionCall& c) { return Size(c, false); }

ExcelValue FnOffset(FunctionCall& c) {
  if (!c.IsRef(0)) return c.Raw(0).type == kValueError ? c.Raw(0) : MakeError(kErrorValue);
  CellArea a = c.Raw(0).cellRef;
  int64_t dr = 0, dc = 0, h = a.Rows(), w = a.Cols();
  if (!c.IntegerOr(1, 0, &dr) || !c.IntegerOr(2, 0, &dc) || !c.IntegerOr(3, h, &h) || !c.IntegerOr(4, w, &w))
    return c.Fail();
  if (h == 0 || w == 0) return MakeError(kErrorRef);
  int64_t r1 = a.row1 + dr, c1 = a.col1 + dc;
  int64_t r2 = h > 0 ? r1 + h - 1 : r1 + h + 1, c2 = w > 0 ? c1 + w - 1 : c1 + w + 1;
  if (std::min(r1, r2) < 1 || std::max(r1, r2) > int32_t(kMaxRows) || std::min(c1, c2) < 1 || std::max(c1, c2) > int32_t(kMaxColumns))
    return MakeError(kErrorRef);
  return MakeRange(CellArea{a.sheet, int32_t(std::min(r1, r2)), int32_t(std::min(c1, c2)), int32_t(std::max(r1, r2)),
                            int32_t(std::max(c1, c2))});
}

ExcelValue FnIndirect(FunctionCall& c) {
  TEXT_ARG(c, 0, text);
  bool a1 = true;
  if (!c.BooleanOr(1, true, &a1)) return c.Fail();
  if (!a1) return MakeUnsupported();
  CompiledFormula compiled;
  if (CompileFormula(text, nullptr, &compiled) != XLX_OK) return MakeError(kErrorRef);
  const FormulaNode& n = compiled.nodes[size_t(compiled.root)];
  if (n.kind != kNodeRef && n.kind != kNodeName) return MakeError(kErrorRef);
  EvalContext cx = c.cx;
  cx.dRow = cx.dCol = 0;
  ExcelValue v = c.engine->Evaluate(compiled, compiled.root, cx);
  return v.type == kValueRange || v.type == kValueUnsupported ? v : MakeError(kErrorRef);
}

ExcelValue FnAddress(FunctionCall& c) {
  int64_t row = 0, col = 0, abs = 1;
  if (!c.Integer(0, &row) || !c.Integer(1, &col) || !c.IntegerOr(2, 1, &abs)) return c.Fail();
  bool a1 = true;
  if (!c.BooleanOr(3, true, &a1)) return c.Fail();
  if (row < 1 || row > int32_t(kMaxRows) || col < 1 || col > int32_t(kMaxColumns) || abs < 1 || abs > 4) return MakeError(kErrorValue);
  std::u16string out;
  if (!c.Missing(4)) {
    std::u16string sheet;
    if (!c.Text(4, &sheet)) return c.Fail();
    bool quote = false;
    for (char16_t ch : sheet) quote = quote || !((ch >= u'A' && ch <= u'Z') || (ch >= u'a' && ch <= u'z') ||
                                                 (ch >= u'0' && ch <= u'9') || ch == u'_' || ch == u'.');
    out = quote ? u"'" + sheet + u"'!" : sheet + u"!";
  }
  const bool rowAbs = abs == 1 || abs == 2, colAbs = abs == 1 || abs == 3;
  if (a1) {
    out += (colAbs ? u"$" : u"") + ColumnLetters16(int32_t(col)) + (rowAbs ? u"$" : u"") + NumberToText(double(row));
  } else {
    out += rowAbs ? u"R" + NumberToText(double(row)) : u"R[" + NumberToText(double(row)) + u"]";
    out += colAbs ? u"C" + NumberToText(double(col)) : u"C[" + NumberToText(double(col)) + u"]";
  }
  return MakeString(out);
}

ExcelValue FnTranspose(FunctionCall& c) {
  auto a = c.Array(0);
  if (!a) return c.Fail();
  auto out = std::make_shared<ValueArray>();
  out->rows = a->cols;
  out->cols = a->rows;
  out->items.reserve(a->items.size());
  for (int32_t r = 0; r < out->rows; ++r)
    for (int32_t k = 0; k < out->cols; ++k) out->items.push_back(a->At(k, r));
  return MakeArray(out);
}

// HYPERLINK shows its friendly name, or the link itself.
ExcelValue FnHyperlink(FunctionCall& c) {
  ExcelValue v = c.Missing(1) ? c.Arg(0) : c.Arg(1);
  return v.type == kValueEmpty ? MakeNumber(0) : v;
}

// SHEET: 1-based place of the referenced (or the formula's) sheet among the loaded sheets.
ExcelValue FnSheet(FunctionCall& c) {
  if (c.Missing(0)) return MakeNumber(c.cx.sheet + 1);
  if (c.IsRef(0)) return MakeNumber(c.Raw(0).cellRef.sheet + 1);
  std::u16string name;
  if (!c.Text(0, &name)) return c.Fail();
  int32_t sheet = c.engine->SheetByName(name);
  if (sheet == -1) return MakeUnsupported();
  return sheet < 0 ? MakeError(kErrorNA) : MakeNumber(sheet + 1);
}

const FunctionSpec kSpecs[] = {
    {"HYPERLINK", 1, 2, FnHyperlink, 0},
    {"SHEET", 0, 1, FnSheet, 0},
    {"VLOOKUP", 3, 4, FnVLookup, 0},
    {"HLOOKUP", 3, 4, FnHLookup, 0},
    {"XLOOKUP", 3, 6, FnXLookup, 0},
    {"LOOKUP", 2, 3, FnLookup, 0},
    {"INDEX", 2, 4, FnIndex, 0},
    {"MATCH", 2, 3, FnMatch, 0},
    {"XMATCH", 2, 4, FnXMatch, 0},
    {"ROW", 0, 1, FnRow, 0},
    {"COLUMN", 0, 1, FnColumn, 0},
    {"ROWS", 1, 1, FnRows, 0},
    {"COLUMNS", 1, 1, FnColumns, 0},
    {"OFFSET", 3, 5, FnOffset, 0},
    {"INDIRECT", 1, 2, FnIndirect, 0},
    {"ADDRESS", 2, 5, FnAddress, 0},
    {"TRANSPOSE", 1, 1, FnTranspose, kFnArrayArgs},
};

}  // namespace

FunctionFamily LookupFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
