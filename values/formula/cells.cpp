// The formula engine over the cells of a workbook: which formulas are computed, shared and array
// formulas, circular references, and writing results back into the cells.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "common/resultcodes.h"
#include "values/formula/check.h"
#include "values/formula/engine.h"
#include "values/formula/structuredrefs.h"

namespace xlx {
namespace {

// Passes over the workbook while cells stopped at the depth bound make progress.
constexpr int32_t kMaxPasses = 24;

void FreeEngine(void* engine) { delete static_cast<FormulaEngine*>(engine); }

FormulaEngine* EngineOf(Workbook* workbook) {
  if (!workbook->evaluatorContext) {
    workbook->evaluatorContext = new FormulaEngine(workbook);
    workbook->pfnFreeEvaluator = FreeEngine;
  }
  return static_cast<FormulaEngine*>(workbook->evaluatorContext);
}

std::u16string CellText(const Workbook& wb, const CellRecord& cell) {
  switch (cell.type) {
    case kCellSharedString: {
      if (cell.sharedStringIndex < 0) return u"";
      const RichString& s = GetSharedString(wb.sharedStrings, cell.sharedStringIndex);
      return s.text ? std::u16string(s.text, size_t(s.textLength)) : std::u16string();
    }
    case kCellInlineString:
      return cell.inlineString && cell.inlineString->text
                 ? std::u16string(cell.inlineString->text, size_t(cell.inlineString->textLength))
                 : std::u16string();
    default: return cell.text ? std::u16string(cell.text) : std::u16string();
  }
}

}  // namespace

FormulaEngine::FormulaEngine(Workbook* workbook) : wb_(workbook) {
  sheets_.resize(size_t(std::max(0, ReferableSheetCount(wb_))));
  for (int32_t s = 0; s < int32_t(sheets_.size()) && s < wb_->sheets.Count(); ++s) {
    MyWorksheet& sheet = wb_->sheets[s];
    SheetState& state = sheets_[size_t(s)];
    for (const CellRecord& cell : sheet.cells) {
      state.lastRow = std::max(state.lastRow, cell.row);
      state.lastCol = std::max(state.lastCol, int32_t(cell.column));
      const CellFormula* f = cell.formula;
      if (f && f->kind == kFormulaShared && f->sharedIndex >= 0 && f->text && f->text[0]) {
        SharedMaster& m = state.shared[f->sharedIndex];
        if (!m.text) {
          m.row = cell.row, m.col = cell.column;
          m.text = f->text;
        }
      }
    }
    sheetNames_[FoldText(sheet.sheetName)] = s;
    // Row index: cells are sorted by row and column, so each row is one run.
    state.rowStart.assign(size_t(state.lastRow) + 2, uint32_t(sheet.cells.Size()));
    for (size_t i = sheet.cells.Size(); i-- > 0;) state.rowStart[size_t(sheet.cells[i].row)] = uint32_t(i);
    for (size_t r = size_t(state.lastRow); r-- > 0;) state.rowStart[r] = std::min(state.rowStart[r], state.rowStart[r + 1]);
  }
  for (const SheetEntry& entry : wb_->sheetParts) {
    std::u16string folded = FoldText(entry.name);
    if (!sheetNames_.count(folded)) sheetNames_[folded] = -1;
  }
}

int32_t FormulaEngine::SheetByName(const std::u16string& name) const {
  auto it = sheetNames_.find(FoldText(name));
  return it == sheetNames_.end() ? -2 : it->second;
}

int32_t FormulaEngine::LastRow(int32_t sheet) const {
  return sheet >= 0 && size_t(sheet) < sheets_.size() ? sheets_[size_t(sheet)].lastRow : 0;
}
int32_t FormulaEngine::LastCol(int32_t sheet) const {
  return sheet >= 0 && size_t(sheet) < sheets_.size() ? sheets_[size_t(sheet)].lastCol : 0;
}

CellArea FormulaEngine::ClipToStored(const CellArea& area) const {
  CellArea a = area;
  a.row2 = std::min(a.row2, LastRow(a.sheet));
  a.col2 = std::min(a.col2, LastCol(a.sheet));
  return a;
}

CellRecord* FormulaEngine::FindCellRecord(int32_t sheet, int32_t row, int32_t col) {
  if (sheet < 0 || sheet >= SheetCount()) return nullptr;
  const SheetState& state = sheets_[size_t(sheet)];
  if (row < 1 || row > state.lastRow) return nullptr;
  LArray<CellRecord>& cells = wb_->sheets[sheet].cells;
  size_t lo = state.rowStart[size_t(row)], hi = state.rowStart[size_t(row) + 1];
  while (lo < hi) {
    size_t mid = (lo + hi) / 2;
    if (cells[mid].column < col) lo = mid + 1;
    else hi = mid;
  }
  return lo < state.rowStart[size_t(row) + 1] && cells[lo].column == col ? &cells[lo] : nullptr;
}

ExcelValue ValueOfStoredCell(const Workbook& wb, const CellRecord& cell) {
  if (!(cell.flags & kCellHasValue)) return MakeEmpty();
  switch (cell.type) {
    case kCellNumber:
    case kCellDate: return std::isnan(cell.number) ? MakeEmpty() : MakeNumber(cell.number);
    case kCellBoolean: return MakeBoolean(cell.text && cell.text[0] == u'T');
    case kCellError: {
      ErrorID e = ErrorFromText(CellText(wb, cell));
      ExcelValue v = MakeError(e == kErrorNone ? kErrorValue : e);
      if (e == kErrorSpill) v.strVal = CellText(wb, cell);
      return v;
    }
    case kCellSharedString:
    case kCellInlineString:
    case kCellFormulaString: return MakeString(CellText(wb, cell));
    default: return MakeEmpty();
  }
}

ExcelValue FormulaEngine::ValueOfCell(const CellRecord& cell) const { return ValueOfStoredCell(*wb_, cell); }

ExcelValue FormulaEngine::CellValue(int32_t sheet, int32_t row, int32_t col) {
  if (!Spend()) return MakeUnsupported();
  CellRecord* cell = FindCellRecord(sheet, row, col);
  if (!cell) return MakeEmpty();
  if (!EnsureComputed(sheet, cell)) return MakeUnsupported();
  NoteRead(cell);
  return ValueOfCell(*cell);
}

bool FormulaEngine::EnsureComputed(int32_t sheet, CellRecord* cell) {
  if (!(cell->flags & kCellHasFormula) || (cell->flags & kCellEvaluated)) return true;
  if (wb_->formulaMode == kFormulaEvalNone && !report) return true;
  if (!deferred_.empty() && deferred_.count(cell)) {
    // Stopped at the depth bound earlier in this pass: wait for the next pass rather than repeat
    // the same deep computation for every reference to it.
    depthAborted_ = true;
    if (frame_) frame_->depthAbort = frame_->abort = true;
    return false;
  }
  if (cell->flags & kCellEvaluating) {
    // Circular: every cell of the cycle keeps its cached value; cells outside it read those.
    for (CellFrame* f = frame_; f; f = f->outer) {
      f->abort = true;
      if (f->cell == cell) break;
    }
    return false;
  }
  ComputeCell(sheet, cell);
  return true;
}

bool FormulaEngine::Selected(const CellRecord& cell, FormulaEvalMode mode) const {
  if (!(cell.flags & kCellHasFormula) || !cell.formula) return false;
  if (mode == kFormulaEvalAll || wb_->bFullCalcOnLoad) return true;
  if (mode == kFormulaEvalNone) return false;
  return cell.formula->bCalcAlways || !(cell.flags & kCellHasValue) || volatileCalls_.count(&cell) > 0;
}

namespace {

// Whether a formula text calls a function whose result changes on every computation.
bool CallsVolatileFunction(const std::u16string& text) {
  for (const std::string& name : FunctionNamesOf(text)) {
    const FunctionSpec* spec = FunctionById(LookupFunctionId(std::u16string(name.begin(), name.end())));
    if (spec && (spec->flags & kFnVolatile)) return true;
  }
  return false;
}

}  // namespace

void FormulaEngine::FindVolatileCalls() {
  std::unordered_map<const char16_t*, bool> known;  // by formula text (shared masters repeat)
  for (int32_t s = 0; s < SheetCount(); ++s) {
    for (const CellRecord& cell : wb_->sheets[s].cells) {
      if (!(cell.flags & kCellHasFormula) || !cell.formula || !(cell.flags & kCellHasValue)) continue;
      const CellFormula* f = cell.formula;
      const char16_t* text = f->text && f->text[0] ? f->text : nullptr;
      if (!text && f->kind == kFormulaShared) {
        auto it = sheets_[size_t(s)].shared.find(f->sharedIndex);
        if (it != sheets_[size_t(s)].shared.end()) text = it->second.text;
      }
      if (!text) continue;
      auto hit = known.find(text);
      if (hit == known.end()) hit = known.emplace(text, CallsVolatileFunction(text)).first;
      if (hit->second) volatileCalls_.insert(&cell);
    }
  }
}

bool FormulaEngine::CompileCellFormula(int32_t sheet, const CellRecord& cell,
                                       std::shared_ptr<CompiledFormula>* compiled, EvalContext* cx) {
  const CellFormula* f = cell.formula;
  cx->sheet = sheet;
  cx->row = cell.row;
  cx->col = cell.column;
  if (f->kind == kFormulaShared && f->sharedIndex >= 0) {
    auto it = sheets_[size_t(sheet)].shared.find(f->sharedIndex);
    if (it == sheets_[size_t(sheet)].shared.end()) return false;
    SharedMaster& m = it->second;
    if (m.failed) return false;
    if (!m.compiled) {
      auto c = std::make_shared<CompiledFormula>();
      const std::u16string written = m.text ? m.text : u"";
      std::u16string expanded;
      const std::u16string& text = ExpandStructuredReferences(*wb_, sheet, m.row, m.col, written, &expanded);
      if (CompileFormula(text, LookupFunctionId, c.get()) != XLX_OK) {
        m.failed = true;
        return false;
      }
      m.compiled = c;
    }
    *compiled = m.compiled;
    cx->dRow = cell.row - m.row;
    cx->dCol = int32_t(cell.column) - m.col;
    return true;
  }
  if (f->kind == kFormulaDataTable || !f->text || !f->text[0]) return false;
  cx->arrayMode = f->kind == kFormulaArray;
  const std::u16string written = f->text;
  std::u16string expanded;
  const std::u16string& text = ExpandStructuredReferences(*wb_, sheet, cell.row, cell.column, written, &expanded);
  if (reuse_.Find(text, compiled, &cx->dRow)) return true;
  auto c = std::make_shared<CompiledFormula>();
  if (CompileFormula(text, LookupFunctionId, c.get()) != XLX_OK) return false;
  reuse_.Remember(c);
  *compiled = c;
  return true;
}

void FormulaEngine::ComputeCell(int32_t sheet, CellRecord* cell) {
  if (cellDepth_ >= kMaxCellDepth) {
    // Too deep: leave the cell for a later pass, when the cells it needs are done.
    depthAborted_ = true;
    if (frame_) frame_->depthAbort = true;
    Abort();
    return;
  }
  CellFrame frame;
  CellFrame* outer = frame_;
  frame.cell = cell;
  frame.outer = outer;
  frame_ = &frame;
  ++cellDepth_;
  cell->flags |= kCellEvaluating;
  std::shared_ptr<CompiledFormula> compiled;
  EvalContext cx;
  ExcelValue result;
  const bool compiledOk = CompileCellFormula(sheet, *cell, &compiled, &cx);
  if (compiledOk) {
    result = EvalNode(*compiled, compiled->root, cx);
    if (result.type == kValueRange && !cx.arrayMode) result = Scalar(result, cx);
    if (result.type == kValueRange) {
      auto array = ToArray(result, cx);
      result = array ? MakeArray(array) : MakeError(kErrorValue);
    }
  }
  cell->flags &= uint8_t(~kCellEvaluating);
  --cellDepth_;
  frame_ = outer;
  if (frame.depthAbort) {
    depthAborted_ = true;
    deferred_.insert(cell);
    if (outer) outer->depthAbort = true, outer->abort = true;
    return;  // not final: a later pass tries again
  }
  cell->flags |= kCellEvaluated;
  if (frame.isVolatile) {
    volatileCells_.insert(cell);
    if (outer) outer->isVolatile = true;
  }
  const bool computed = compiledOk && !frame.abort && result.type != kValueUnsupported && result.type != kValueNone;
  if (report) {
    if (report->bKeepCells) report->cells.push_back(FormulaRunCell{sheet, cell->row, cell->column, computed, frame.isVolatile});
    computed ? ++report->nComputed : ++report->nUnsupported;
  }
  if (!computed) return;
  if (result.type == kValueArray && result.array) {
    if (cell->formula->kind == kFormulaArray) SpreadArray(sheet, *cell, *result.array);
    result = result.array->items.empty() ? MakeError(kErrorValue) : result.array->items[0];
  }
  WriteBack(sheet, cell, result);
}

void FormulaEngine::SpreadArray(int32_t sheet, const CellRecord& master, const ValueArray& array) {
  MyCellBounds bounds;
  std::string ref;
  for (const char16_t* p = master.formula->ref; p && *p; ++p) ref.push_back(*p < 0x80 ? char(*p) : '?');
  CompiledFormula parsed;
  if (ref.empty() || CompileFormula(master.formula->ref, nullptr, &parsed) != XLX_OK) return;
  const FormulaNode& n = parsed.nodes[size_t(parsed.root)];
  if (n.kind != kNodeRef) return;
  bounds.RowFirst = n.ref.first.row, bounds.RowLast = n.ref.last.row;
  bounds.ColFirst = n.ref.first.col, bounds.ColLast = n.ref.last.col;
  CellArea area{sheet, bounds.RowFirst, bounds.ColFirst, bounds.RowLast, bounds.ColLast};
  MyWorksheet& ws = wb_->sheets[sheet];
  size_t i = size_t(FirstCellAtOrAfterRow(ws, area.row1));
  for (; i < ws.cells.Size() && ws.cells[i].row <= area.row2; ++i) {
    CellRecord& cell = ws.cells[i];
    if (cell.column < area.col1 || cell.column > area.col2) continue;
    if (&cell == &master || (cell.flags & kCellHasFormula)) continue;
    int32_t r = cell.row - area.row1, c = int32_t(cell.column) - area.col1;
    // One row or column of results repeats across the range, as the application spreads it.
    int32_t rr = array.rows == 1 ? 0 : r, cc = array.cols == 1 ? 0 : c;
    ExcelValue v = rr < array.rows && cc < array.cols ? array.At(rr, cc) : MakeError(kErrorNA);
    WriteBack(sheet, &cell, v);
  }
}

void FormulaEngine::WriteBack(int32_t sheet, CellRecord* cell, const ExcelValue& value) {
  ExcelValue v = value;
  if (v.type == kValueEmpty || v.type == kValueNone) v = MakeNumber(0);  // =A1 of an empty cell shows 0
  TextArena& arena = wb_->sheets[sheet].arena;
  switch (v.type) {
    case kValueNumber:
      if (cell->type != kCellDate) cell->type = kCellNumber;
      cell->number = v.dVal;
      cell->text = nullptr;
      break;
    case kValueBoolean:
      cell->type = kCellBoolean;
      cell->number = v.bVal ? 1.0 : 0.0;
      cell->text = v.bVal ? u"TRUE" : u"FALSE";
      break;
    case kValueString:
    case kValueError: {
      const std::u16string& text = v.type == kValueError && v.strVal.empty() ? std::u16string(ErrorText(ErrorID(v.error)))
                                                                              : v.strVal;
      char16_t* copy = arena.CopyUtf16(text.c_str(), text.size());
      if (!copy) return;  // out of memory: the cached value stays
      cell->type = v.type == kValueString ? kCellFormulaString : kCellError;
      cell->number = std::numeric_limits<double>::quiet_NaN();
      cell->text = copy;
      cell->sharedStringIndex = -1;
      cell->inlineString = nullptr;
      break;
    }
    default:
      return;
  }
  cell->flags |= kCellHasValue;
}

int32_t FormulaEngine::RunAll(FormulaEvalMode mode) {
  if (mode == kFormulaEvalTriggered && !wb_->bFullCalcOnLoad) FindVolatileCalls();
  for (int32_t pass = 0; pass < kMaxPasses; ++pass) {
    depthAborted_ = false;
    deferred_.clear();
    int32_t progress = 0;
    for (int32_t s = 0; s < SheetCount(); ++s) {
      MyWorksheet& sheet = wb_->sheets[s];
      for (size_t i = 0; i < sheet.cells.Size(); ++i) {
        CellRecord& cell = sheet.cells[i];
        if ((cell.flags & kCellEvaluated) || !Selected(cell, mode)) continue;
        ComputeCell(s, &cell);
        if (cell.flags & kCellEvaluated) ++progress;
      }
      const int32_t rc = PollProgress(wb_);
      if (rc != XLX_OK) return rc;
    }
    if (!depthAborted_ || progress == 0) break;
  }
  // What is still open stopped at the depth bound every time: it keeps its cached value.
  if (report) {
    for (int32_t s = 0; s < SheetCount(); ++s)
      for (const CellRecord& cell : wb_->sheets[s].cells)
        if (Selected(cell, mode) && !(cell.flags & kCellEvaluated)) {
          ++report->nUnsupported;
          if (report->bKeepCells) report->cells.push_back(FormulaRunCell{s, cell.row, cell.column, false, false});
        }
  }
  return XLX_OK;
}

int32_t FormulaEngine::EvaluateText(int32_t sheet, int32_t row, int32_t col, const std::u16string& text,
                                    ExcelValue* out) {
  if (sheet < 0 || sheet >= SheetCount()) return XLX_ERR_ARGUMENT;
  CompiledFormula compiled;
  std::u16string expanded;
  int32_t rc = CompileFormula(ExpandStructuredReferences(*wb_, sheet, row, col, text, &expanded), LookupFunctionId, &compiled);
  if (rc != XLX_OK) return rc;
  EvalContext cx;
  cx.sheet = sheet, cx.row = row, cx.col = col;
  return EvaluateCompiled(compiled, cx, out);
}

int32_t FormulaEngine::EvaluateCompiled(const CompiledFormula& compiled, const EvalContext& cx, ExcelValue* out) {
  if (cx.sheet < 0 || cx.sheet >= SheetCount() || compiled.root < 0) return XLX_ERR_ARGUMENT;
  CellFrame frame;
  CellFrame* outer = frame_;
  frame.outer = outer;
  frame_ = &frame;
  ExcelValue v = Evaluate(compiled, compiled.root, cx);
  if (v.type == kValueRange) v = Scalar(v, cx);
  if (v.type == kValueArray) v = v.array && !v.array->items.empty() ? v.array->items[0] : MakeError(kErrorValue);
  frame_ = outer;
  if (frame.abort || v.type == kValueUnsupported) return XLX_ERR_ARGUMENT;
  *out = v.type == kValueNone || v.type == kValueEmpty ? MakeNumber(0) : v;
  return XLX_OK;
}

namespace {

// Key of a value in a lookup index: a type mark, then the folded text or the bits of the number
// cut to 15 digits.
bool IndexKey(const ExcelValue& v, std::u16string* key) {
  switch (v.type) {
    case kValueNumber: {
      double d = RoundTo15Digits(v.dVal);
      if (d == 0) d = 0;  // one key for -0 and 0
      uint64_t bits;
      memcpy(&bits, &d, sizeof bits);
      key->assign(1, u'n');
      for (int32_t i = 0; i < 4; ++i) key->push_back(char16_t(bits >> (16 * i)));
      return true;
    }
    case kValueString:
      key->assign(1, u's');
      for (char16_t c : v.strVal) key->push_back(FoldCase(c));
      return true;
    case kValueBoolean: *key = v.bVal ? u"bT" : u"bF"; return true;
    default: return false;
  }
}

}  // namespace

int64_t FormulaEngine::IndexedMatch(const CellArea& area, bool byRow, const ExcelValue& key) {
  std::u16string k;
  if ((key.type == kValueString && HasWildcard(key.strVal)) || !IndexKey(key, &k)) return -2;
  const std::array<int32_t, 6> id = {area.sheet, area.row1, area.col1, area.row2, area.col2, byRow ? 1 : 0};
  // Lookups come in runs over one table: the last index used is tried first.
  if (lastIndex_ && lastIndexId_ == id) {
    auto hit = lastIndex_->find(k);
    return hit == lastIndex_->end() ? -1 : hit->second;
  }
  auto it = indexes_.find(id);
  if (it == indexes_.end()) {
    auto index = std::make_shared<std::unordered_map<std::u16string, int32_t>>();
    const bool before = depthAborted_;
    depthAborted_ = false;
    ForEachCell(area, [&](int32_t row, int32_t col, const ExcelValue& v) {
      std::u16string key2;
      if (!IndexKey(v, &key2)) return true;
      int32_t pos = byRow ? col - area.col1 : row - area.row1;
      index->emplace(key2, pos);  // the first occurrence wins
      return true;
    });
    const bool incomplete = depthAborted_ || aborted();
    depthAborted_ = depthAborted_ || before;
    if (incomplete) return -2;
    it = indexes_.emplace(id, index).first;
  }
  lastIndexId_ = id;
  lastIndex_ = it->second.get();
  auto hit = it->second->find(k);
  return hit == it->second->end() ? -1 : hit->second;
}

FormulaEngine* WorkbookFormulaEngine(Workbook* workbook) { return EngineOf(workbook); }

int32_t EvaluateWorkbookFormulas(Workbook* workbook, FormulaEvalMode mode, FormulaRunReport* report) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  if (mode == kFormulaEvalNone && !report) return XLX_OK;
  try {
    FormulaEngine* engine = EngineOf(workbook);
    if (report) {
      for (int32_t s = 0; s < ReferableSheetCount(workbook); ++s)
        for (const CellRecord& cell : workbook->sheets[s].cells)
          if ((cell.flags & kCellHasFormula) && cell.formula) ++report->nTotal;
    }
    engine->report = report;
    int32_t rc = mode == kFormulaEvalNone ? 1 : engine->RunAll(mode);
    engine->report = nullptr;
    return rc;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

int32_t EvaluateFormulaText(Workbook* workbook, int32_t sheet, int32_t row, int32_t column, const char16_t* text,
                            ExcelValue* result) {
  if (!workbook || !text || !result) return XLX_ERR_ARGUMENT;
  try {
    return EngineOf(workbook)->EvaluateText(sheet, row, column, text, result);
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
