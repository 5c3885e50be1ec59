// Logical and information functions. IF, IFS, IFERROR, IFNA, SWITCH and CHOOSE are computed by
// the evaluator itself, which evaluates only the branch they pick.
#include <cmath>

#include "values/formula/engine.h"
#include "values/functions/support.h"

namespace xlx {
namespace {

// AND, OR, XOR: kind 0, 1, 2. Booleans and numbers count; texts in references are skipped.
ExcelValue Logical(FunctionCall& c, int kind) {
  int32_t seen = 0, trues = 0;
  ExcelValue failure;
  for (size_t i = 0; i < c.Count() && failure.type != kValueError; ++i) {
    if (c.Missing(i)) continue;
    c.ForEachValue(i, [&](const ExcelValue& v, bool inRef) {
      if (v.type == kValueError) {
        failure = v;
        return false;
      }
      bool b = false;
      ErrorID e = kErrorValue;
      if (v.type == kValueNumber || v.type == kValueBoolean) {
        b = v.dVal != 0;
      } else if (v.type == kValueString && !inRef) {
        if (!CoerceToBoolean(v, &b, &e)) {
          failure = MakeError(kErrorValue);
          return false;
        }
      } else {
        return true;
      }
      ++seen;
      trues += b;
      return true;
    });
  }
  if (failure.type == kValueError) return failure;
  if (seen == 0) return MakeError(kErrorValue);
  if (kind == 0) return MakeBoolean(trues == seen);
  if (kind == 1) return MakeBoolean(trues > 0);
  return MakeBoolean(trues % 2 == 1);
}
ExcelValue FnAnd(FunctionCall& c) { return Logical(c, 0); }
ExcelValue FnOr(FunctionCall& c) { return Logical(c, 1); }
ExcelValue FnXor(FunctionCall& c) { return Logical(c, 2); }

ExcelValue FnNot(FunctionCall& c) {
  bool b = false;
  if (!c.Boolean(0, &b)) return c.Fail();
  return MakeBoolean(!b);
}
ExcelValue FnTrue(FunctionCall&) { return MakeBoolean(true); }
ExcelValue FnFalse(FunctionCall&) { return MakeBoolean(false); }
ExcelValue FnNa(FunctionCall&) { return MakeError(kErrorNA); }

ExcelValue FnIsBlank(FunctionCall& c) { return MakeBoolean(c.Arg(0).type == kValueEmpty); }
ExcelValue FnIsNumber(FunctionCall& c) { return MakeBoolean(c.Arg(0).type == kValueNumber); }
ExcelValue FnIsText(FunctionCall& c) { return MakeBoolean(c.Arg(0).type == kValueString); }
ExcelValue FnIsNonText(FunctionCall& c) { return MakeBoolean(c.Arg(0).type != kValueString); }
ExcelValue FnIsLogical(FunctionCall& c) { return MakeBoolean(c.Arg(0).type == kValueBoolean); }
ExcelValue FnIsError(FunctionCall& c) { return MakeBoolean(c.Arg(0).type == kValueError); }
ExcelValue FnIsErr(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  return MakeBoolean(v.type == kValueError && v.error != kErrorNA);
}
ExcelValue FnIsNa(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  return MakeBoolean(v.type == kValueError && v.error == kErrorNA);
}
ExcelValue FnIsRef(FunctionCall& c) { return MakeBoolean(c.IsRef(0)); }
ExcelValue FnIsFormula(FunctionCall& c) {
  if (!c.IsRef(0)) return MakeError(kErrorValue);
  const CellArea& a = c.Raw(0).cellRef;
  const CellRecord* cell = c.engine->FindCellRecord(a.sheet, a.row1, a.col1);
  return MakeBoolean(cell && (cell->flags & kCellHasFormula));
}

ExcelValue EvenOdd(FunctionCall& c, bool even) {
  NUMBER_ARG(c, 0, x);
  double t = std::fmod(std::fabs(std::trunc(x)), 2.0);
  return MakeBoolean(even ? t == 0 : t == 1);
}
ExcelValue FnIsEven(FunctionCall& c) { return EvenOdd(c, true); }
ExcelValue FnIsOdd(FunctionCall& c) { return EvenOdd(c, false); }

ExcelValue FnN(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  if (v.type == kValueNumber || v.type == kValueBoolean) return MakeNumber(v.dVal);
  if (v.type == kValueError) return v;
  return MakeNumber(0);
}

ExcelValue FnT(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  if (v.type == kValueString || v.type == kValueError) return v;
  return MakeString(u"");
}

ExcelValue FnType(FunctionCall& c) {
  const ExcelValue& raw = c.Raw(0);
  if (raw.type == kValueArray || (raw.type == kValueRange && !raw.cellRef.IsSingle())) return MakeNumber(64);
  ExcelValue v = c.Arg(0);
  switch (v.type) {
    case kValueString: return MakeNumber(2);
    case kValueBoolean: return MakeNumber(4);
    case kValueError: return MakeNumber(16);
    default: return MakeNumber(1);
  }
}

ExcelValue FnErrorType(FunctionCall& c) {
  ExcelValue v = c.Arg(0);
  if (v.type != kValueError || v.error == kErrorSpill) return MakeError(kErrorNA);
  // The application numbers #NULL! 1, #DIV/0! 2, #VALUE! 3, #REF! 4, #NAME? 5, #NUM! 6, #N/A 7.
  static const int32_t kCodes[] = {0, 7, 3, 4, 2, 6, 5, 1};
  return MakeNumber(kCodes[v.error]);
}

const FunctionSpec kSpecs[] = {
    {"AND", 1, 255, FnAnd, 0},
    {"OR", 1, 255, FnOr, 0},
    {"XOR", 1, 255, FnXor, 0},
    {"NOT", 1, 1, FnNot, 0},
    {"TRUE", 0, 0, FnTrue, 0},
    {"FALSE", 0, 0, FnFalse, 0},
    {"NA", 0, 0, FnNa, 0},
    {"ISBLANK", 1, 1, FnIsBlank, 0},
    {"ISNUMBER", 1, 1, FnIsNumber, 0},
    {"ISTEXT", 1, 1, FnIsText, 0},
    {"ISNONTEXT", 1, 1, FnIsNonText, 0},
    {"ISLOGICAL", 1, 1, FnIsLogical, 0},
    {"ISERROR", 1, 1, FnIsError, 0},
    {"ISERR", 1, 1, FnIsErr, 0},
    {"ISNA", 1, 1, FnIsNa, 0},
    {"ISREF", 1, 1, FnIsRef, 0},
    {"ISFORMULA", 1, 1, FnIsFormula, 0},
    {"ISEVEN", 1, 1, FnIsEven, 0},
    {"ISODD", 1, 1, FnIsOdd, 0},
    {"N", 1, 1, FnN, 0},
    {"T", 1, 1, FnT, 0},
    {"TYPE", 1, 1, FnType, 0},
    {"ERROR.TYPE", 1, 1, FnErrorType, 0},
};

}  // namespace

FunctionFamily LogicalFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
