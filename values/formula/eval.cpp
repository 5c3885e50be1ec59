// Evaluation of compiled formula trees: operands, references, names, operators and the calls into
// the function table, with the conditional functions that compute only the branch they need.
#include <algorithm>
#include <cmath>

#include "common/limits.h"
#include "values/formula/engine.h"
#include "values/formula/structuredrefs.h"

namespace xlx {
namespace {

// Guards the node depth over nested evaluations.
class DepthGuard {
 public:
  explicit DepthGuard(int32_t* depth) : depth_(depth) { ++*depth_; }
  ~DepthGuard() { --*depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  int32_t* depth_;
};

bool IsComparison(FormulaOp op) { return op >= kOpEqual && op <= kOpNotEqual; }

ExcelValue ScalarBinary(FormulaOp op, const ExcelValue& a, const ExcelValue& b, bool date1904) {
  if (op == kOpConcat) {
    std::u16string x, y;
    ErrorID e = kErrorValue;
    if (!CoerceToText(a, &x, &e) || !CoerceToText(b, &y, &e)) return MakeError(e);
    if (x.size() + y.size() > kMaxTextUnits) return MakeError(kErrorValue);
    x += y;
    return MakeString(std::move(x));
  }
  if (IsComparison(op)) {
    if (a.type == kValueError) return a;
    if (b.type == kValueError) return b;
    int32_t c = CompareValues(a, b);
    switch (op) {
      case kOpEqual: return MakeBoolean(c == 0);
      case kOpNotEqual: return MakeBoolean(c != 0);
      case kOpLess: return MakeBoolean(c < 0);
      case kOpLessEqual: return MakeBoolean(c <= 0);
      case kOpGreater: return MakeBoolean(c > 0);
      default: return MakeBoolean(c >= 0);
    }
  }
  double x = 0, y = 0;
  ErrorID e = kErrorValue;
  if (!CoerceToNumber(a, date1904, &x, &e)) return MakeError(e);
  if (!CoerceToNumber(b, date1904, &y, &e)) return MakeError(e);
  switch (op) {
    case kOpAdd: {
      double r = x + y;
      // The application drops the last bits of a sum that cancels to near zero.
      if (r != 0 && std::fabs(r) < std::fabs(x) * 1e-15) r = 0;
      return MakeNumber(r);
    }
    case kOpSubtract: {
      double r = x - y;
      if (r != 0 && std::fabs(r) < std::fabs(x) * 1e-15) r = 0;
      return MakeNumber(r);
    }
    case kOpMultiply: return MakeNumber(x * y);
    case kOpDivide: return y == 0 ? MakeError(kErrorDiv0) : MakeNumber(x / y);
    case kOpPower:
      if (x == 0 && y == 0) return MakeError(kErrorNum);
      if (x == 0 && y < 0) return MakeError(kErrorDiv0);
      return MakeNumber(std::pow(x, y));
    default: return MakeError(kErrorValue);
  }
}

}  // namespace

ExcelValue FormulaEngine::Evaluate(const CompiledFormula& formula, int32_t node, const EvalContext& cx) {
  if (node < 0 || size_t(node) >= formula.nodes.size()) return MakeError(kErrorValue);
  return EvalNode(formula, node, cx);
}

ExcelValue FormulaEngine::EvalNode(const CompiledFormula& f, int32_t index, const EvalContext& cx) {
  DepthGuard guard(&nodeDepth_);
  if (nodeDepth_ > kMaxNodeDepth) {
    // Within one cell the text itself is too deep (or a name refers to itself): that is final.
    // Through a chain of cells, a later pass may find the cells below already computed.
    if (frame_ && cellDepth_ > 1) frame_->depthAbort = true;
    Abort();
    return MakeUnsupported();
  }
  if (aborted()) return MakeUnsupported();
  const FormulaNode& n = f.nodes[size_t(index)];
  switch (n.kind) {
    case kNodeLiteral:
    case kNodeArray: return n.value;
    case kNodeMissing: return ExcelValue();
    case kNodeRef: return EvalRef(n.ref, cx);
    case kNodeName: return EvalName(n, cx);
    case kNodeFunction: return EvalFunction(f, n, cx);
    case kNodeUnary: {
      ExcelValue v = Operand(EvalNode(f, n.kids[0], cx), cx);
      if (n.op == kOpPlus) return v;
      ExcelValue factor = MakeNumber(n.op == kOpNegate ? -1.0 : 0.01);
      return EvalBinary(kOpMultiply, v, factor, cx);
    }
    case kNodeBinary: {
      ExcelValue a = EvalNode(f, n.kids[0], cx);
      ExcelValue b = EvalNode(f, n.kids[1], cx);
      return EvalBinary(FormulaOp(n.op), a, b, cx);
    }
    default: return MakeError(kErrorValue);
  }
}

ExcelValue FormulaEngine::EvalRef(const FormulaRef& ref, const EvalContext& cx) {
  if (ref.external) {
    Abort();
    return MakeUnsupported();
  }
  CellArea area;
  area.sheet = cx.sheet;
  if (ref.hasSheet) {
    area.sheet = SheetByName(ref.sheetName);
    if (area.sheet == -2) return MakeError(kErrorRef);
    if (area.sheet < 0) {
      Abort();
      return MakeUnsupported();
    }
  }
  const bool wrap = cx.wrapShift;
  auto shift = [wrap](int32_t v, bool absolute, int32_t by, int32_t limit, int32_t* out) {
    int64_t r = absolute ? v : int64_t(v) + by;
    if (wrap && !absolute) r = ((r - 1) % limit + limit) % limit + 1;
    if (r < 1 || r > limit) return false;
    *out = int32_t(r);
    return true;
  };
  int32_t r1, r2, c1, c2;
  bool ok = shift(ref.first.row, ref.first.rowAbs || ref.wholeColumns, cx.dRow, int32_t(kMaxRows), &r1) &&
            shift(ref.last.row, ref.last.rowAbs || ref.wholeColumns, cx.dRow, int32_t(kMaxRows), &r2) &&
            shift(ref.first.col, ref.first.colAbs || ref.wholeRows, cx.dCol, int32_t(kMaxColumns), &c1) &&
            shift(ref.last.col, ref.last.colAbs || ref.wholeRows, cx.dCol, int32_t(kMaxColumns), &c2);
  if (!ok) return MakeError(kErrorRef);
  area.row1 = std::min(r1, r2), area.row2 = std::max(r1, r2);
  area.col1 = std::min(c1, c2), area.col2 = std::max(c1, c2);
  return MakeRange(area);
}

ExcelValue FormulaEngine::EvalName(const FormulaNode& node, const EvalContext& cx) {
  // Sheet scope first (the sheet named before the name, or the cell's sheet), then the workbook.
  int32_t scopeSheet = cx.sheet;
  if (node.ref.hasSheet) {
    scopeSheet = SheetByName(node.ref.sheetName);
    if (scopeSheet < 0 || node.ref.external) {
      Abort();
      return MakeUnsupported();
    }
  }
  std::u16string folded = FoldText(node.text);
  const int32_t localId = wb_->sheets[scopeSheet].workbookIndex;
  const DefinedNameEntry* found = nullptr;
  for (const DefinedNameEntry& entry : wb_->definedNames) {
    if (FoldText(entry.name) != folded) continue;
    if (entry.localSheetId == localId) {
      found = &entry;
      break;
    }
    if (entry.localSheetId < 0 && !found) found = &entry;
  }
  if (!found) return MakeError(kErrorName);
  auto key = std::make_pair(folded, found->localSheetId);
  auto it = names_.find(key);
  if (it == names_.end()) {
    auto compiled = std::make_shared<CompiledFormula>();
    std::u16string expanded;
    const std::u16string& text = ExpandStructuredReferences(*wb_, cx.sheet, cx.row, cx.col, found->formula, &expanded);
    if (CompileFormula(text, LookupFunctionId, compiled.get()) != XLX_OK) compiled.reset();
    it = names_.emplace(key, compiled).first;
  }
  if (!it->second) {
    Abort();
    return MakeUnsupported();
  }
  // A name's relative references are written as seen from A1 and move with the cell that uses
  // the name, wrapping around the sheet's edges (XFD1 is the cell left of the using cell).
  EvalContext nameCx = cx;
  nameCx.dRow = cx.row - 1;
  nameCx.dCol = cx.col - 1;
  nameCx.wrapShift = true;
  return EvalNode(*it->second, it->second->root, nameCx);
}

ExcelValue FormulaEngine::EvalFunction(const CompiledFormula& f, const FormulaNode& node, const EvalContext& cx) {
  bool handled = false;
  ExcelValue lazy = EvalLazy(f, node, cx, &handled);
  if (handled) return lazy;
  const FunctionSpec* spec = FunctionById(node.functionId);
  if (!spec) {
    if (report) {
      std::string name;
      for (char16_t c : node.text) name.push_back(c < 0x80 ? char(c) : '?');
      ++report->unsupportedFunctions[name];
    }
    Abort();
    return MakeUnsupported();
  }
  const int32_t count = int32_t(node.kids.size());
  // One empty argument stands for none in a function without arguments: NOW().
  const bool noArgs = count == 1 && f.nodes[size_t(node.kids[0])].kind == kNodeMissing && spec->maxArgs == 0;
  if (!noArgs && (count < spec->minArgs || count > spec->maxArgs)) {
    Abort();
    return MakeUnsupported();
  }
  EvalContext argCx = cx;
  if (spec->flags & kFnArrayArgs) argCx.arrayMode = true;
  std::vector<ExcelValue> args;
  args.reserve(size_t(count));
  if (!noArgs)
    for (int32_t kid : node.kids) args.push_back(EvalNode(f, kid, argCx));
  if (aborted()) return MakeUnsupported();
  for (const ExcelValue& a : args)
    if (a.type == kValueUnsupported) {
      Abort();
      return MakeUnsupported();
    }
  if (spec->flags & kFnVolatile) NoteVolatile();
  FunctionCall call(this, argCx, &args);
  ExcelValue result = spec->fn(call);
  if (result.type == kValueUnsupported) Abort(spec->name);
  return result;
}

// IF, IFS, IFERROR, IFNA, SWITCH, CHOOSE, AND, OR compute only the arguments they need.
ExcelValue FormulaEngine::EvalLazy(const CompiledFormula& f, const FormulaNode& node, const EvalContext& cx,
                                   bool* handled) {
  const std::u16string& name = node.text;
  *handled = false;
  if (name.empty() || (name[0] != u'I' && name[0] != u'S' && name[0] != u'C')) return ExcelValue();
  const std::vector<int32_t>& kids = node.kids;
  const size_t n = kids.size();
  auto arg = [&](size_t i) -> ExcelValue {
    ExcelValue v = EvalNode(f, kids[i], cx);
    return v.type == kValueNone ? MakeNumber(0) : v;
  };
  auto condition = [&](size_t i, bool* out) -> ExcelValue {
    ExcelValue v = Scalar(EvalNode(f, kids[i], cx), cx);
    ErrorID e = kErrorValue;
    if (v.type == kValueString) {
      if (!CoerceToBoolean(v, out, &e)) return MakeError(kErrorValue);
      return ExcelValue();
    }
    if (!CoerceToBoolean(v, out, &e)) return v.type == kValueError ? v : MakeError(e);
    return ExcelValue();
  };
  *handled = true;
  if (name == u"IF" && n >= 2 && n <= 3 && cx.arrayMode) {
    // In an array formula a condition over a range picks element by element.
    ExcelValue cond = Operand(EvalNode(f, kids[0], cx), cx);
    if (cond.type == kValueArray) return ArrayIf(f, node, cond, cx);
    return EvalIf(f, node, cond, cx);
  }
  if (name == u"IF" && n >= 2 && n <= 3) {
    bool yes = false;
    ExcelValue err = condition(0, &yes);
    if (err.type != kValueNone) return err;
    if (yes) return arg(1);
    return n == 3 ? arg(2) : MakeBoolean(false);
  }
  if (name == u"IFS" && n >= 2 && n % 2 == 0) {
    for (size_t i = 0; i + 1 < n; i += 2) {
      bool yes = false;
      ExcelValue err = condition(i, &yes);
      if (err.type != kValueNone) return err;
      if (yes) return arg(i + 1);
    }
    return MakeError(kErrorNA);
  }
  if ((name == u"IFERROR" || name == u"IFNA") && n == 2) {
    ExcelValue v = Scalar(EvalNode(f, kids[0], cx), cx);
    if (cx.arrayMode) v = EvalNode(f, kids[0], cx);
    bool isError = v.type == kValueError && (name == u"IFERROR" || v.error == kErrorNA);
    if (isError) return arg(1);
    return v.type == kValueNone || v.type == kValueEmpty ? MakeNumber(0) : v;
  }
  if (name == u"SWITCH" && n >= 3) {
    ExcelValue key = Scalar(EvalNode(f, kids[0], cx), cx);
    if (key.type == kValueError) return key;
    size_t i = 1;
    for (; i + 1 < n; i += 2) {
      ExcelValue candidate = Scalar(EvalNode(f, kids[i], cx), cx);
      if (candidate.type == kValueError) return candidate;
      if (candidate.type == key.type && CompareValues(key, candidate) == 0) return arg(i + 1);
    }
    return i < n ? arg(i) : MakeError(kErrorNA);
  }
  if (name == u"CHOOSE" && n >= 2) {
    ExcelValue index = Scalar(EvalNode(f, kids[0], cx), cx);
    double k = 0;
    ErrorID e = kErrorValue;
    if (!CoerceToNumber(index, date1904(), &k, &e)) return MakeError(e);
    k = std::floor(k);
    if (k < 1 || k >= double(n)) return MakeError(kErrorValue);
    ExcelValue v = EvalNode(f, kids[size_t(k)], cx);
    return v.type == kValueNone ? MakeNumber(0) : v;
  }
  *handled = false;
  return ExcelValue();
}

ExcelValue FormulaEngine::EvalIf(const CompiledFormula& f, const FormulaNode& node, const ExcelValue& cond,
                                 const EvalContext& cx) {
  bool yes = false;
  ErrorID e = kErrorValue;
  if (!CoerceToBoolean(cond, &yes, &e)) return MakeError(e);
  if (yes) return EvalNode(f, node.kids[1], cx);
  return node.kids.size() == 3 ? EvalNode(f, node.kids[2], cx) : MakeBoolean(false);
}

ExcelValue FormulaEngine::ArrayIf(const CompiledFormula& f, const FormulaNode& node, const ExcelValue& cond,
                                  const EvalContext& cx) {
  ExcelValue yes = Operand(EvalNode(f, node.kids[1], cx), cx);
  ExcelValue no = node.kids.size() == 3 ? Operand(EvalNode(f, node.kids[2], cx), cx) : MakeBoolean(false);
  const ValueArray& c = *cond.array;
  auto pick = [](const ExcelValue& v, int32_t r, int32_t col) -> ExcelValue {
    if (v.type != kValueArray) return v.type == kValueNone ? MakeNumber(0) : v;
    int32_t rr = v.array->rows == 1 ? 0 : r, cc = v.array->cols == 1 ? 0 : col;
    return rr < v.array->rows && cc < v.array->cols ? v.array->At(rr, cc) : MakeError(kErrorNA);
  };
  auto out = std::make_shared<ValueArray>();
  out->rows = c.rows;
  out->cols = c.cols;
  out->items.reserve(c.items.size());
  for (int32_t r = 0; r < c.rows; ++r)
    for (int32_t col = 0; col < c.cols; ++col) {
      bool b = false;
      ErrorID e = kErrorValue;
      const ExcelValue& item = c.At(r, col);
      if (!CoerceToBoolean(item, &b, &e)) out->items.push_back(item.type == kValueError ? item : MakeError(e));
      else out->items.push_back(pick(b ? yes : no, r, col));
    }
  return MakeArray(out);
}

ExcelValue FormulaEngine::Operand(const ExcelValue& v, const EvalContext& cx) {
  if (v.type == kValueRange) {
    if (v.cellRef.IsSingle()) return CellValue(v.cellRef.sheet, v.cellRef.row1, v.cellRef.col1);
    if (cx.arrayMode) {
      auto array = ToArray(v, cx);
      return array ? MakeArray(array) : MakeError(kErrorValue);
    }
    return Scalar(v, cx);
  }
  if (v.type == kValueNone) return MakeEmpty();
  return v;
}

ExcelValue FormulaEngine::Scalar(const ExcelValue& v, const EvalContext& cx) {
  if (v.type == kValueArray) {
    if (!v.array || v.array->items.empty()) return MakeError(kErrorValue);
    return v.array->items[0];
  }
  if (v.type != kValueRange) return v.type == kValueNone ? MakeEmpty() : v;
  const CellArea& a = v.cellRef;
  if (a.IsSingle()) return CellValue(a.sheet, a.row1, a.col1);
  // Implicit intersection: the cell of a one-column range in the formula's row, or of a one-row
  // range in its column, on the formula's sheet.
  if (a.sheet == cx.sheet || true) {
    if (a.col1 == a.col2 && cx.row >= a.row1 && cx.row <= a.row2) return CellValue(a.sheet, cx.row, a.col1);
    if (a.row1 == a.row2 && cx.col >= a.col1 && cx.col <= a.col2) return CellValue(a.sheet, a.row1, cx.col);
  }
  return MakeError(kErrorValue);
}

std::shared_ptr<const ValueArray> FormulaEngine::ToArray(const ExcelValue& v, const EvalContext& cx) {
  if (v.type == kValueArray) return v.array;
  auto out = std::make_shared<ValueArray>();
  if (v.type != kValueRange) {
    out->rows = out->cols = 1;
    out->items.push_back(v.type == kValueNone ? MakeEmpty() : v);
    return out;
  }
  CellArea a = v.cellRef;
  // Whole columns and rows are cut to the stored cells, the rest kept as written.
  CellArea clip = ClipToStored(a);
  if (a.row2 - a.row1 >= 65535) a.row2 = std::max(a.row1, clip.row2);
  if (a.col2 - a.col1 >= 255) a.col2 = std::max(a.col1, clip.col2);
  int64_t cells = int64_t(a.Rows()) * a.Cols();
  if (cells > kMaxArrayCells) return nullptr;
  if (budget_ >= 0 && cells > budget_) {  // more than the work bound leaves: not made
    budget_ = 0;
    Abort();
    return nullptr;
  }
  out->rows = a.Rows();
  out->cols = a.Cols();
  out->items.assign(size_t(cells), MakeEmpty());
  (void)cx;
  ForEachCell(a, [&](int32_t row, int32_t col, const ExcelValue& value) {
    out->items[size_t(row - a.row1) * size_t(out->cols) + size_t(col - a.col1)] = value;
    return true;
  });
  return out;
}

ExcelValue FormulaEngine::EvalBinary(FormulaOp op, const ExcelValue& a, const ExcelValue& b, const EvalContext& cx) {
  if (op == kOpRange || op == kOpIntersect) {
    if (a.type == kValueError) return a;
    if (b.type == kValueError) return b;
    if (a.type != kValueRange || b.type != kValueRange) return MakeError(kErrorValue);
    if (a.cellRef.sheet != b.cellRef.sheet) return MakeError(kErrorValue);
    CellArea r = a.cellRef;
    const CellArea& s = b.cellRef;
    if (op == kOpRange) {
      r.row1 = std::min(r.row1, s.row1), r.col1 = std::min(r.col1, s.col1);
      r.row2 = std::max(r.row2, s.row2), r.col2 = std::max(r.col2, s.col2);
    } else {
      r.row1 = std::max(r.row1, s.row1), r.col1 = std::max(r.col1, s.col1);
      r.row2 = std::min(r.row2, s.row2), r.col2 = std::min(r.col2, s.col2);
      if (r.row1 > r.row2 || r.col1 > r.col2) return MakeError(kErrorNull);
    }
    return MakeRange(r);
  }
  ExcelValue x = Operand(a, cx), y = Operand(b, cx);
  if (x.type == kValueUnsupported || y.type == kValueUnsupported) return MakeUnsupported();
  if (x.type != kValueArray && y.type != kValueArray) return ScalarBinary(op, x, y, date1904());
  // Element by element; a one-row or one-column side is repeated across the other's size.
  const ValueArray* ax = x.type == kValueArray ? x.array.get() : nullptr;
  const ValueArray* ay = y.type == kValueArray ? y.array.get() : nullptr;
  int32_t rows = std::max(ax ? ax->rows : 1, ay ? ay->rows : 1);
  int32_t cols = std::max(ax ? ax->cols : 1, ay ? ay->cols : 1);
  if (int64_t(rows) * cols > kMaxArrayCells) return MakeError(kErrorValue);
  auto pick = [](const ValueArray* arr, const ExcelValue& scalar, int32_t r, int32_t c) -> ExcelValue {
    if (!arr) return scalar;
    int32_t rr = arr->rows == 1 ? 0 : r, cc = arr->cols == 1 ? 0 : c;
    if (rr >= arr->rows || cc >= arr->cols) return MakeError(kErrorNA);
    return arr->At(rr, cc);
  };
  auto out = std::make_shared<ValueArray>();
  out->rows = rows;
  out->cols = cols;
  out->items.reserve(size_t(rows) * size_t(cols));
  for (int32_t r = 0; r < rows; ++r)
    for (int32_t c = 0; c < cols; ++c) {
      ExcelValue p = pick(ax, x, r, c), q = pick(ay, y, r, c);
      ExcelValue e = p.type == kValueError ? p : q.type == kValueError ? q : ExcelValue();
      out->items.push_back(e.type == kValueError && !IsComparison(op) && op != kOpConcat ? e
                                                                                       : ScalarBinary(op, p, q, date1904()));
    }
  return MakeArray(out);
}

void FormulaEngine::Abort(const char* unsupportedFunction) {
  if (unsupportedFunction && report) ++report->unsupportedFunctions[unsupportedFunction];
  if (frame_) frame_->abort = true;
}

// ---- FunctionCall --------------------------------------------------------------------------

ExcelValue FunctionCall::Arg(size_t i) {
  if (i >= args.size()) return MakeEmpty();
  return engine->Scalar(args[i], cx);
}

bool FunctionCall::Number(size_t i, double* out) {
  ExcelValue v = Arg(i);
  ErrorID e = kErrorValue;
  if (!CoerceToNumber(v, engine->date1904(), out, &e)) return SetError(e);
  return true;
}

bool FunctionCall::NumberOr(size_t i, double fallback, double* out) {
  if (Missing(i)) {
    *out = fallback;
    return true;
  }
  return Number(i, out);
}

bool FunctionCall::Integer(size_t i, int64_t* out) {
  double d = 0;
  if (!Number(i, &d)) return false;
  if (!(std::fabs(d) < 9e15)) return SetError(kErrorNum);
  *out = int64_t(d);
  return true;
}

bool FunctionCall::IntegerOr(size_t i, int64_t fallback, int64_t* out) {
  if (Missing(i)) {
    *out = fallback;
    return true;
  }
  return Integer(i, out);
}

bool FunctionCall::Text(size_t i, std::u16string* out) {
  ExcelValue v = Arg(i);
  ErrorID e = kErrorValue;
  if (!CoerceToText(v, out, &e)) return SetError(e);
  return true;
}

bool FunctionCall::Boolean(size_t i, bool* out) {
  ExcelValue v = Arg(i);
  ErrorID e = kErrorValue;
  if (!CoerceToBoolean(v, out, &e)) return SetError(e);
  return true;
}

bool FunctionCall::BooleanOr(size_t i, bool fallback, bool* out) {
  if (Missing(i)) {
    *out = fallback;
    return true;
  }
  return Boolean(i, out);
}

bool FunctionCall::CollectNumbers(size_t from, size_t to, bool withText, std::vector<double>* out) {
  for (size_t i = from; i < to && i < args.size(); ++i) {
    const ExcelValue& v = args[i];
    if (v.type == kValueRange || v.type == kValueArray) {
      bool failed = false;
      ForEachValue(i, [&](const ExcelValue& item, bool) {
        if (item.type == kValueError) {
          error = ErrorID(item.error);
          failed = true;
          return false;
        }
        if (item.type == kValueNumber) out->push_back(item.dVal);
        else if (withText && item.type == kValueBoolean) out->push_back(item.dVal);
        else if (withText && item.type == kValueString) out->push_back(0);
        return true;
      });
      if (failed) return false;
      continue;
    }
    if (v.type == kValueNone) {
      out->push_back(0);
      continue;
    }
    double d = 0;
    ErrorID e = kErrorValue;
    if (!CoerceToNumber(v, engine->date1904(), &d, &e)) return SetError(e);
    out->push_back(d);
  }
  return true;
}

std::shared_ptr<const ValueArray> FunctionCall::Array(size_t i) {
  if (i >= args.size()) {
    SetError(kErrorValue);
    return nullptr;
  }
  auto a = engine->ToArray(args[i], cx);
  if (!a) SetError(kErrorValue);
  return a;
}

// ---- criteria ------------------------------------------------------------------------------

Criterion MakeCriterion(const ExcelValue& criterion, bool date1904) {
  Criterion c;
  if (criterion.type != kValueString) {
    c.value = criterion.type == kValueNone ? MakeEmpty() : criterion;
    if (c.value.type == kValueEmpty) c.value = MakeString(u"");
    return c;
  }
  std::u16string text = criterion.strVal;
  size_t skip = 0;
  if (text.compare(0, 2, u"<=") == 0) c.op = kOpLessEqual, skip = 2;
  else if (text.compare(0, 2, u">=") == 0) c.op = kOpGreaterEqual, skip = 2;
  else if (text.compare(0, 2, u"<>") == 0) c.op = kOpNotEqual, skip = 2;
  else if (text.compare(0, 1, u"<") == 0) c.op = kOpLess, skip = 1;
  else if (text.compare(0, 1, u">") == 0) c.op = kOpGreater, skip = 1;
  else if (text.compare(0, 1, u"=") == 0) c.op = kOpEqual, skip = 1;
  std::u16string rest = text.substr(skip);
  double number = 0;
  std::u16string folded = FoldText(rest);
  ErrorID err = ErrorFromText(folded);
  if (!rest.empty() && TextToValue(rest, date1904, &number)) {
    c.value = MakeNumber(number);
  } else if (folded == u"TRUE" || folded == u"FALSE") {
    c.value = MakeBoolean(folded == u"TRUE");
  } else if (err != kErrorNone) {
    c.value = MakeError(err);
  } else {
    c.value = MakeString(folded);
    c.wildcard = (c.op == kOpEqual || c.op == kOpNotEqual) && HasWildcard(folded);
  }
  return c;
}

bool Criterion::Matches(const ExcelValue& cell) const {
  const bool empty = cell.type == kValueEmpty || cell.type == kValueNone;
  if (value.type == kValueString && value.strVal.empty()) {
    // "" and "=" match empty cells (and empty texts); "<>" matches every cell with content.
    if (op == kOpEqual) return empty || (cell.type == kValueString && cell.strVal.empty());
    if (op == kOpNotEqual) return !(empty || (cell.type == kValueString && cell.strVal.empty()));
  }
  if (op == kOpNotEqual) {
    Criterion eq = *this;
    eq.op = kOpEqual;
    return !eq.Matches(cell);
  }
  if (empty) return false;
  if (value.type == kValueError) return cell.type == kValueError && cell.error == value.error;
  if (cell.type != value.type) {
    return false;
  }
  if (value.type == kValueString) {
    std::u16string folded = FoldText(cell.strVal);
    if (wildcard) return WildcardMatch(value.strVal, folded);
    int32_t cmp = folded < value.strVal ? -1 : folded > value.strVal ? 1 : 0;
    switch (op) {
      case kOpEqual: return cmp == 0;
      case kOpLess: return cmp < 0;
      case kOpLessEqual: return cmp <= 0;
      case kOpGreater: return cmp > 0;
      default: return cmp >= 0;
    }
  }
  int32_t cmp = CompareValues(cell, value);
  switch (op) {
    case kOpEqual: return cmp == 0;
    case kOpLess: return cmp < 0;
    case kOpLessEqual: return cmp <= 0;
    case kOpGreater: return cmp > 0;
    default: return cmp >= 0;
  }
}

}  // namespace xlx
