// The formula engine of one workbook: compiled shared formulas and names, the evaluation of
// compiled trees against the cells, the function table, and the lookup indexes that keep repeated
// exact-match lookups over one range linear in total. One engine per workbook, kept in
// workbook->evaluatorContext, used by one loading thread at a time.
#pragma once
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "model/workbook.h"
#include "values/formula/formula.h"
#include "values/formula/parse.h"
#include "values/formula/reuse.h"
#include "values/formula/value.h"

namespace xlx {

class FormulaEngine;

// Cell depth at which a chain of references stops (the cell is tried again in a later pass) and
// the node depth, over all cells in progress, at which a computation gives up. Together they bound
// the native stack the engine uses.
constexpr int32_t kMaxCellDepth = 48;
constexpr int32_t kMaxNodeDepth = 1200;
// Cells an array built from a range may hold; larger ranges are not materialised.
constexpr int64_t kMaxArrayCells = 4000000;
// Longest text a formula result or a cell holds (UTF-16 units); a longer result is #VALUE!, and
// is refused before it is built.
constexpr size_t kMaxTextUnits = 32767;

// Where a formula is computed.
struct EvalContext {
  int32_t sheet = 0;          // loaded sheet of the cell
  int32_t row = 1, col = 1;   // the cell (ROW(), implicit intersection)
  int32_t dRow = 0, dCol = 0; // shift of relative references (cells of a shared formula)
  bool arrayMode = false;     // ranges in operators become arrays (array formulas, SUMPRODUCT)
  bool wrapShift = false;     // shifted references wrap around the sheet's edges (defined names)
};

class FunctionCall;
typedef ExcelValue (*FormulaFunction)(FunctionCall& call);

enum FunctionFlags : uint8_t {
  kFnArrayArgs = 1,   // arguments are computed in array mode
  kFnVolatile = 2,    // a new result on every computation (RAND, NOW)
};

struct FunctionSpec {
  const char* name;   // upper case, with its dots ("MODE.SNGL")
  int16_t minArgs;
  int16_t maxArgs;
  FormulaFunction fn;
  uint8_t flags;
};

// The function families, one table each (funcmath.cpp, funcstats.cpp, ...).
struct FunctionFamily {
  const FunctionSpec* specs;
  size_t count;
};
FunctionFamily MathFunctions();
FunctionFamily StatsFunctions();
FunctionFamily LookupFunctions();
FunctionFamily LogicalFunctions();
FunctionFamily TextFunctions();
FunctionFamily DateFunctions();
FunctionFamily FinanceFunctions();

// Index in the function table of an upper-case name, -1 when not implemented.
int32_t LookupFunctionId(const std::u16string& upperName);
const FunctionSpec* FunctionById(int32_t id);

// How a computation of one cell ended.
struct CellFrame {
  bool abort = false;       // cannot be computed: the cached value stays
  bool depthAbort = false;  // stopped by the depth bound; may succeed in a later pass
  bool isVolatile = false;  // used a volatile function, directly or through a cell
  const CellRecord* cell = nullptr;  // the cell computed (null for a formula text)
  CellFrame* outer = nullptr;        // the computation that asked for this one
};

class FormulaEngine {
 public:
  explicit FormulaEngine(Workbook* workbook);

  Workbook* workbook() { return wb_; }
  bool date1904() const { return wb_->bDate1904; }
  FormulaRunReport* report = nullptr;

  // ---- cells --------------------------------------------------------------------------------
  // Value of a cell (computing its formula first when it has not been computed). EMPTY for a
  // missing cell or a cell without value.
  ExcelValue CellValue(int32_t sheet, int32_t row, int32_t col);
  // The cell record, or null.
  CellRecord* FindCellRecord(int32_t sheet, int32_t row, int32_t col);
  // Calls fn(row, col, value) for every stored cell with a value inside `area`, row by row.
  // Returns false when fn returned false (stopped early).
  template <typename Fn>
  bool ForEachCell(const CellArea& area, Fn fn);
  // The area clipped to the cells the sheet stores (whole columns end at the last stored row).
  CellArea ClipToStored(const CellArea& area) const;
  // Computes the formula of a cell unless done; returns false when the cell is in progress
  // (a circular reference), which also aborts the computation that asked.
  bool EnsureComputed(int32_t sheet, CellRecord* cell);
  // Computes every selected formula of the workbook.
  int32_t RunAll(FormulaEvalMode mode);

  // ---- evaluation ---------------------------------------------------------------------------
  ExcelValue Evaluate(const CompiledFormula& formula, int32_t node, const EvalContext& cx);
  // A single value from a reference, array or scalar: one cell of a range by implicit
  // intersection with the context cell, the top-left of an array.
  ExcelValue Scalar(const ExcelValue& v, const EvalContext& cx);
  // A reference or array as an array of values (a scalar becomes 1 x 1). Null when too large.
  std::shared_ptr<const ValueArray> ToArray(const ExcelValue& v, const EvalContext& cx);
  void Abort(const char* unsupportedFunction = nullptr);
  bool aborted() const { return frame_ && frame_->abort; }
  // Marks the computation in progress as volatile when `cell` is.
  void NoteRead(const CellRecord* cell) {
    if (frame_ && !volatileCells_.empty() && volatileCells_.count(cell)) frame_->isVolatile = true;
  }
  void NoteVolatile() {
    if (frame_) frame_->isVolatile = true;
  }

  // A bound on the work of the computations that follow, for callers that must finish quickly
  // whatever the file (the conditional formats of a page): every cell read through CellValue or
  // ForEachCell costs 1; once the budget is spent the computation in progress is aborted (its
  // result is not used). Negative: unbounded, the default. WorkBudget tells what is left.
  void SetWorkBudget(int64_t cells) { budget_ = cells; }
  int64_t WorkBudget() const { return budget_; }
  bool Spend() {
    if (budget_ < 0) return true;
    if (budget_ == 0) {
      Abort();
      return false;
    }
    --budget_;
    return true;
  }

  // Row (or column) of the first exact match of `key` in a one-column (or one-row) area, through
  // an index built once per area. -1 when absent; -2 when the index cannot be used.
  int64_t IndexedMatch(const CellArea& area, bool byRow, const ExcelValue& key);

  // Sheet by name (case-insensitive) among the loaded sheets; -1 not loaded; -2 unknown.
  int32_t SheetByName(const std::u16string& name) const;
  // Sheets the engine knows: the shown ones and the data sheets loaded when it was made.
  int32_t SheetCount() const { return int32_t(sheets_.size()); }
  int32_t LastRow(int32_t sheet) const;
  int32_t LastCol(int32_t sheet) const;

  // Computes one formula text for EvaluateFormulaText.
  int32_t EvaluateText(int32_t sheet, int32_t row, int32_t col, const std::u16string& text, ExcelValue* out);
  // Computes a compiled formula standing at cx (its relative references moved by cx.dRow and
  // cx.dCol) without writing anything: 1 with *out a scalar (a range gives its implicit
  // intersection, empty gives 0); -13 when it cannot be computed.
  int32_t EvaluateCompiled(const CompiledFormula& compiled, const EvalContext& cx, ExcelValue* out);

 private:
  struct SharedMaster {
    int32_t row = 0, col = 0;
    const char16_t* text = nullptr;
    std::shared_ptr<CompiledFormula> compiled;
    bool failed = false;
  };
  struct SheetState {
    std::unordered_map<int32_t, SharedMaster> shared;  // si -> master
    int32_t lastRow = 0, lastCol = 0;
    std::vector<uint32_t> rowStart;  // index of the first cell of each row 1..lastRow+1 (size lastRow + 2)
  };

  bool Selected(const CellRecord& cell, FormulaEvalMode mode) const;
  // Collects the formulas that call a volatile function (RAND, NOW, ...) into volatileCalls_.
  void FindVolatileCalls();
  void ComputeCell(int32_t sheet, CellRecord* cell);
  bool CompileCellFormula(int32_t sheet, const CellRecord& cell, std::shared_ptr<CompiledFormula>* compiled,
                          EvalContext* cx);
  void WriteBack(int32_t sheet, CellRecord* cell, const ExcelValue& v);
  void SpreadArray(int32_t sheet, const CellRecord& master, const ValueArray& array);
  ExcelValue EvalNode(const CompiledFormula& f, int32_t node, const EvalContext& cx);
  ExcelValue EvalRef(const FormulaRef& ref, const EvalContext& cx);
  ExcelValue EvalName(const FormulaNode& node, const EvalContext& cx);
  ExcelValue EvalFunction(const CompiledFormula& f, const FormulaNode& node, const EvalContext& cx);
  ExcelValue EvalLazy(const CompiledFormula& f, const FormulaNode& node, const EvalContext& cx, bool* handled);
  ExcelValue EvalIf(const CompiledFormula& f, const FormulaNode& node, const ExcelValue& cond, const EvalContext& cx);
  ExcelValue ArrayIf(const CompiledFormula& f, const FormulaNode& node, const ExcelValue& cond, const EvalContext& cx);
  ExcelValue EvalBinary(FormulaOp op, const ExcelValue& a, const ExcelValue& b, const EvalContext& cx);
  ExcelValue Operand(const ExcelValue& v, const EvalContext& cx);
  ExcelValue ValueOfCell(const CellRecord& cell) const;

  Workbook* wb_;
  std::vector<SheetState> sheets_;
  std::map<std::u16string, int32_t> sheetNames_;  // folded name -> loaded index, -1 when not loaded
  std::map<std::pair<std::u16string, int32_t>, std::shared_ptr<CompiledFormula>> names_;
  std::map<std::array<int32_t, 6>, std::shared_ptr<std::unordered_map<std::u16string, int32_t>>> indexes_;
  std::array<int32_t, 6> lastIndexId_ = {};
  const std::unordered_map<std::u16string, int32_t>* lastIndex_ = nullptr;  // owned by indexes_
  FormulaReuse reuse_;  // programs of formulas filled down without being shared
  std::unordered_set<const CellRecord*> volatileCells_;
  std::unordered_set<const CellRecord*> volatileCalls_;  // computed again whatever they cached
  std::unordered_set<const CellRecord*> deferred_;  // stopped at the depth bound in this pass
  CellFrame* frame_ = nullptr;
  int32_t cellDepth_ = 0;
  int32_t nodeDepth_ = 0;
  int64_t budget_ = -1;  // see SetWorkBudget
  bool depthAborted_ = false;  // some cell stopped at the depth bound in this pass
};

template <typename Fn>
bool FormulaEngine::ForEachCell(const CellArea& area, Fn fn) {
  if (area.sheet < 0 || area.sheet >= SheetCount()) return true;
  MyWorksheet& sheet = wb_->sheets[area.sheet];
  CellArea a = ClipToStored(area);
  if (a.row1 > a.row2 || a.col1 > a.col2) return true;
  LArray<CellRecord>& cells = sheet.cells;
  const std::vector<uint32_t>& rowStart = sheets_[size_t(area.sheet)].rowStart;
  auto seek = [&](int32_t row, int32_t col) {
    if (row > a.row2) return cells.Size();
    size_t lo = rowStart[size_t(row)], hi = rowStart[size_t(row) + 1];
    if (col <= 1) return lo;
    while (lo < hi) {
      size_t mid = (lo + hi) / 2;
      const CellRecord& c = cells[mid];
      if (c.row < row || (c.row == row && c.column < col)) lo = mid + 1;
      else hi = mid;
    }
    return lo;
  };
  size_t i = seek(a.row1, a.col1);
  while (i < cells.Size()) {
    CellRecord& cell = cells[i];
    if (cell.row > a.row2) break;
    if (cell.column < a.col1) {
      i = seek(cell.row, a.col1);
      continue;
    }
    if (cell.column > a.col2) {
      i = seek(cell.row + 1, a.col1);
      continue;
    }
    ++i;
    if (!Spend()) return false;
    if (!(cell.flags & (kCellHasValue | kCellHasFormula))) continue;
    if (!EnsureComputed(a.sheet, &cell)) continue;
    NoteRead(&cell);
    ExcelValue v = ValueOfCell(cell);
    if (v.type == kValueEmpty) continue;
    if (!fn(cell.row, int32_t(cell.column), v)) return false;
  }
  return true;
}

// The engine kept with the workbook, made on first use.
FormulaEngine* WorkbookFormulaEngine(Workbook* workbook);

// The arguments of one function call, with the coercions functions share. A failed coercion
// stores its error in `error`; the function then returns Fail().
class FunctionCall {
 public:
  FunctionCall(FormulaEngine* engine, const EvalContext& cx, std::vector<ExcelValue>* args)
      : engine(engine), cx(cx), args(*args) {}

  FormulaEngine* engine;
  const EvalContext& cx;
  std::vector<ExcelValue>& args;
  ErrorID error = kErrorValue;

  size_t Count() const { return args.size(); }
  bool Missing(size_t i) const { return i >= args.size() || args[i].type == kValueNone; }
  const ExcelValue& Raw(size_t i) const { return args[i]; }
  bool IsRef(size_t i) const { return i < args.size() && args[i].type == kValueRange; }
  // The scalar of argument i (EMPTY when missing).
  ExcelValue Arg(size_t i);
  bool Number(size_t i, double* out);
  bool NumberOr(size_t i, double fallback, double* out);
  bool Integer(size_t i, int64_t* out);  // truncated toward zero
  bool IntegerOr(size_t i, int64_t fallback, int64_t* out);
  bool Text(size_t i, std::u16string* out);
  bool Boolean(size_t i, bool* out);
  bool BooleanOr(size_t i, bool fallback, bool* out);
  // Numbers of arguments from..to as aggregates read them: direct numbers, booleans and numeric
  // texts; in references and arrays only numbers. `withText`: texts and booleans in references
  // count (as 0 and 0/1), as the A-functions read them. False on an error value.
  bool CollectNumbers(size_t from, size_t to, bool withText, std::vector<double>* out);
  // Every value of argument i: a scalar once, each stored cell of a reference, each array item.
  // fn(value, inReference) returns false to stop.
  template <typename Fn>
  void ForEachValue(size_t i, Fn fn);
  // Argument i as an array (a scalar is 1 x 1). Null (error set) when it cannot be.
  std::shared_ptr<const ValueArray> Array(size_t i);
  ExcelValue Fail() const { return MakeError(error); }
  bool SetError(ErrorID e) {
    error = e;
    return false;
  }
};

template <typename Fn>
void FunctionCall::ForEachValue(size_t i, Fn fn) {
  if (i >= args.size()) return;
  const ExcelValue& v = args[i];
  if (v.type == kValueRange) {
    engine->ForEachCell(v.cellRef, [&](int32_t, int32_t, const ExcelValue& cell) { return fn(cell, true); });
  } else if (v.type == kValueArray) {
    for (const ExcelValue& item : v.array->items)
      if (!fn(item, true)) return;
  } else {
    fn(v, false);
  }
}

// Criteria of SUMIF, COUNTIFS and the like ("<5", "=abc*", 7, "<>").
struct Criterion {
  FormulaOp op = kOpEqual;
  ExcelValue value;          // number, string (folded), boolean, error or empty
  bool wildcard = false;
  bool Matches(const ExcelValue& cell) const;
};
Criterion MakeCriterion(const ExcelValue& criterion, bool date1904);

}  // namespace xlx
