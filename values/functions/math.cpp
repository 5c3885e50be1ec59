// Math and trigonometry functions.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

#include "values/formula/engine.h"
#include "values/functions/support.h"

namespace xlx {
namespace {

constexpr double kPi = 3.14159265358979323846;

double Pow10(int64_t digits) { return std::pow(10.0, double(std::clamp<int64_t>(digits, -330, 330))); }

// Rounds at `digits` decimals: 0 half away from zero, 1 away from zero, 2 toward zero. The scaled
// value is first cut to 15 significant digits so that 2.675 rounds as the decimal it shows.
double RoundAt(double x, int64_t digits, int mode) {
  if (digits > 15) digits = 15;
  double scale = Pow10(digits > 0 ? digits : -digits);
  double scaled = digits >= 0 ? x * scale : x / scale;
  scaled = RoundTo15Digits(scaled);
  double r = mode == 0 ? std::round(scaled) : mode == 1 ? (scaled < 0 ? std::floor(scaled) : std::ceil(scaled))
                                                        : std::trunc(scaled);
  return digits >= 0 ? r / scale : r * scale;
}

ExcelValue Round(FunctionCall& c, int mode) {
  NUMBER_ARG(c, 0, x);
  int64_t d = 0;
  if (!c.IntegerOr(1, 0, &d)) return c.Fail();
  return MakeNumber(RoundAt(x, d, mode));
}
ExcelValue FnRound(FunctionCall& c) { return Round(c, 0); }
ExcelValue FnRoundUp(FunctionCall& c) { return Round(c, 1); }
ExcelValue FnRoundDown(FunctionCall& c) { return Round(c, 2); }

ExcelValue FnSum(FunctionCall& c) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), false, &v)) return c.Fail();
  double s = 0;
  for (double d : v) s += d;
  return MakeNumber(s);
}

ExcelValue FnSumSq(FunctionCall& c) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), false, &v)) return c.Fail();
  double s = 0;
  for (double d : v) s += d * d;
  return MakeNumber(s);
}

ExcelValue FnProduct(FunctionCall& c) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), false, &v)) return c.Fail();
  if (v.empty()) return MakeNumber(0);
  double p = 1;
  for (double d : v) p *= d;
  return MakeNumber(p);
}

ExcelValue FnSumProduct(FunctionCall& c) {
  std::vector<std::shared_ptr<const ValueArray>> arrays;
  for (size_t i = 0; i < c.Count(); ++i) {
    auto a = c.Array(i);
    if (!a) return c.Fail();
    if (!arrays.empty() && (a->rows != arrays[0]->rows || a->cols != arrays[0]->cols)) return MakeError(kErrorValue);
    arrays.push_back(a);
  }
  double sum = 0;
  for (size_t k = 0; k < arrays[0]->items.size(); ++k) {
    double p = 1;
    for (const auto& a : arrays) {
      const ExcelValue& v = a->items[k];
      if (v.type == kValueError) return v;
      p *= v.type == kValueNumber ? v.dVal : 0;  // texts, booleans and empty cells count 0
    }
    sum += p;
  }
  return MakeNumber(sum);
}

// SUMIF(range, criterion, [sum_range]): the sum range has the shape of the range, from its corner.
// The numbers of `sum` at the offsets where every range meets its criterion; the first error met
// there is the result.
ExcelValue SumWhereMatched(FunctionCall& c, const CellArea& sum, const std::vector<CellArea>& ranges,
                           const std::vector<Criterion>& crits) {
  double total = 0;
  ExcelValue failure;
  ForEachMatch(c.engine, ranges, crits, [&](int32_t dr, int32_t dc) {
    ExcelValue v = c.engine->CellValue(sum.sheet, sum.row1 + dr, sum.col1 + dc);
    if (v.type == kValueError) {
      failure = v;
      return false;
    }
    if (v.type == kValueNumber) total += v.dVal;
    return true;
  });
  return failure.type == kValueError ? failure : MakeNumber(total);
}

ExcelValue FnSumIf(FunctionCall& c) {
  if (!c.IsRef(0)) return MakeError(kErrorValue);
  Criterion crit = MakeCriterion(c.Arg(1), c.engine->date1904());
  CellArea range = c.Raw(0).cellRef;
  CellArea sum = range;
  if (!c.Missing(2)) {
    if (!c.IsRef(2)) return MakeError(kErrorValue);
    const CellArea& s = c.Raw(2).cellRef;
    sum.sheet = s.sheet;
    sum.row1 = s.row1, sum.col1 = s.col1;
    sum.row2 = s.row1 + range.Rows() - 1, sum.col2 = s.col1 + range.Cols() - 1;
  }
  return SumWhereMatched(c, sum, {range}, {crit});
}

ExcelValue FnSumIfs(FunctionCall& c) {
  if (c.Count() % 2 == 0 || !c.IsRef(0)) return MakeError(kErrorValue);
  std::vector<CellArea> ranges;
  std::vector<Criterion> crits;
  if (!ReadCriteriaPairs(c, 1, &ranges, &crits)) return c.Fail();
  const CellArea& sum = c.Raw(0).cellRef;
  if (sum.Rows() != ranges[0].Rows() || sum.Cols() != ranges[0].Cols()) return MakeError(kErrorValue);
  return SumWhereMatched(c, sum, ranges, crits);
}

ExcelValue FnMRound(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  NUMBER_ARG(c, 1, m);
  if (m == 0) return MakeNumber(0);
  if ((x > 0 && m < 0) || (x < 0 && m > 0)) return MakeError(kErrorNum);
  return MakeNumber(RoundAt(x / m, 0, 0) * m);
}

ExcelValue FnInt(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  return MakeNumber(std::floor(RoundTo15Digits(x)));
}

ExcelValue FnTrunc(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  int64_t d = 0;
  if (!c.IntegerOr(1, 0, &d)) return c.Fail();
  return MakeNumber(RoundAt(x, d, 2));
}

ExcelValue FnMod(FunctionCall& c) {
  NUMBER_ARG(c, 0, a);
  NUMBER_ARG(c, 1, b);
  if (b == 0) return MakeError(kErrorDiv0);
  double r = a - b * std::floor(a / b);
  if (std::fabs(r - b) < std::fabs(b) * 1e-15) r = 0;
  return MakeNumber(r);
}

ExcelValue Unary(FunctionCall& c, double (*fn)(double)) {
  NUMBER_ARG(c, 0, x);
  double r = fn(x);
  return std::isfinite(r) ? MakeNumber(r) : MakeError(kErrorNum);
}
ExcelValue FnAbs(FunctionCall& c) { return Unary(c, [](double x) { return std::fabs(x); }); }
ExcelValue FnSign(FunctionCall& c) { return Unary(c, [](double x) { return x > 0 ? 1.0 : x < 0 ? -1.0 : 0.0; }); }
ExcelValue FnExp(FunctionCall& c) { return Unary(c, [](double x) { return std::exp(x); }); }
ExcelValue FnSin(FunctionCall& c) { return Unary(c, [](double x) { return std::sin(x); }); }
ExcelValue FnCos(FunctionCall& c) { return Unary(c, [](double x) { return std::cos(x); }); }
ExcelValue FnTan(FunctionCall& c) { return Unary(c, [](double x) { return std::tan(x); }); }
ExcelValue FnAtan(FunctionCall& c) { return Unary(c, [](double x) { return std::atan(x); }); }
ExcelValue FnSinh(FunctionCall& c) { return Unary(c, [](double x) { return std::sinh(x); }); }
ExcelValue FnCosh(FunctionCall& c) { return Unary(c, [](double x) { return std::cosh(x); }); }
ExcelValue FnTanh(FunctionCall& c) { return Unary(c, [](double x) { return std::tanh(x); }); }
ExcelValue FnRadians(FunctionCall& c) { return Unary(c, [](double x) { return x * kPi / 180; }); }
ExcelValue FnDegrees(FunctionCall& c) { return Unary(c, [](double x) { return x * 180 / kPi; }); }
ExcelValue FnAsin(FunctionCall& c) {
  return Unary(c, [](double x) { return x < -1 || x > 1 ? NAN : std::asin(x); });
}
ExcelValue FnAcos(FunctionCall& c) {
  return Unary(c, [](double x) { return x < -1 || x > 1 ? NAN : std::acos(x); });
}
ExcelValue FnAsinh(FunctionCall& c) { return Unary(c, [](double x) { return std::asinh(x); }); }
ExcelValue FnAcosh(FunctionCall& c) { return Unary(c, [](double x) { return x < 1 ? NAN : std::acosh(x); }); }
ExcelValue FnAtanh(FunctionCall& c) {
  return Unary(c, [](double x) { return x <= -1 || x >= 1 ? NAN : std::atanh(x); });
}
ExcelValue FnSqrtPi(FunctionCall& c) { return Unary(c, [](double x) { return x < 0 ? NAN : std::sqrt(x * kPi); }); }
ExcelValue FnSqrt(FunctionCall& c) { return Unary(c, [](double x) { return x < 0 ? NAN : std::sqrt(x); }); }
ExcelValue FnLn(FunctionCall& c) { return Unary(c, [](double x) { return x <= 0 ? NAN : std::log(x); }); }
ExcelValue FnLog10(FunctionCall& c) { return Unary(c, [](double x) { return x <= 0 ? NAN : std::log10(x); }); }

ExcelValue FnAtan2(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  NUMBER_ARG(c, 1, y);
  if (x == 0 && y == 0) return MakeError(kErrorDiv0);
  return MakeNumber(std::atan2(y, x));
}

ExcelValue FnLog(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  double base = 10;
  if (!c.NumberOr(1, 10, &base)) return c.Fail();
  if (x <= 0 || base <= 0) return MakeError(kErrorNum);
  if (base == 1) return MakeError(kErrorDiv0);
  return MakeNumber(std::log(x) / std::log(base));
}

ExcelValue FnPower(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  NUMBER_ARG(c, 1, y);
  if (x == 0 && y == 0) return MakeError(kErrorNum);
  if (x == 0 && y < 0) return MakeError(kErrorDiv0);
  return MakeNumber(std::pow(x, y));
}

ExcelValue FnPi(FunctionCall&) { return MakeNumber(kPi); }

std::mt19937_64& Random() {
  static std::mt19937_64 generator(std::random_device{}());
  return generator;
}
ExcelValue FnRand(FunctionCall&) { return MakeNumber(std::uniform_real_distribution<double>(0, 1)(Random())); }
ExcelValue FnRandBetween(FunctionCall& c) {
  NUMBER_ARG(c, 0, lo);
  NUMBER_ARG(c, 1, hi);
  lo = std::ceil(lo), hi = std::floor(hi);
  if (lo > hi) return MakeError(kErrorNum);
  return MakeNumber(lo + std::floor(std::uniform_real_distribution<double>(0, 1)(Random()) * (hi - lo + 1)));
}

// CEILING and FLOOR (variant 0) take the significance's sign: ceil(x / s) * s, a positive value
// with a negative significance being an error. The .MATH and .PRECISE forms use |s| and round
// negative values toward zero, or away from it when `mode` is not 0.
ExcelValue RoundToMultiple(FunctionCall& c, bool up, int variant) {
  NUMBER_ARG(c, 0, x);
  double sig = 1, mode = 0;
  if (!c.NumberOr(1, 1, &sig) || !c.NumberOr(2, 0, &mode)) return c.Fail();
  if (sig == 0 || x == 0) return MakeNumber(0);
  if (variant == 0 && x > 0 && sig < 0) return MakeError(kErrorNum);
  if (variant == 1) {
    sig = std::fabs(sig);
    if (x < 0 && mode != 0) up = !up;
  }
  double q = RoundTo15Digits(x / sig);
  return MakeNumber((up ? std::ceil(q) : std::floor(q)) * sig);
}
ExcelValue FnCeiling(FunctionCall& c) { return RoundToMultiple(c, true, 0); }
ExcelValue FnFloor(FunctionCall& c) { return RoundToMultiple(c, false, 0); }
ExcelValue FnCeilingMath(FunctionCall& c) { return RoundToMultiple(c, true, 1); }
ExcelValue FnFloorMath(FunctionCall& c) { return RoundToMultiple(c, false, 1); }

ExcelValue EvenOdd(FunctionCall& c, bool even) {
  NUMBER_ARG(c, 0, x);
  double m = std::ceil(RoundTo15Digits(std::fabs(x)));
  if (even && std::fmod(m, 2) != 0) m += 1;
  if (!even && std::fmod(m, 2) == 0) m += 1;
  return MakeNumber(x < 0 ? -m : m);
}
ExcelValue FnEven(FunctionCall& c) { return EvenOdd(c, true); }
ExcelValue FnOdd(FunctionCall& c) { return EvenOdd(c, false); }

double Gcd(double a, double b) {
  while (b > 0.5) {
    double t = std::fmod(a, b);
    a = b;
    b = t;
  }
  return a;
}
ExcelValue GcdLcm(FunctionCall& c, bool lcm) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), false, &v)) return c.Fail();
  double acc = lcm ? 1 : 0;
  for (double d : v) {
    d = std::floor(d);
    if (d < 0 || d > 9.007e15) return MakeError(kErrorNum);
    if (lcm) {
      if (d == 0) return MakeNumber(0);
      acc = acc / Gcd(acc, d) * d;
    } else {
      acc = Gcd(std::max(acc, d), std::min(acc, d));
    }
  }
  return MakeNumber(acc);
}
ExcelValue FnGcd(FunctionCall& c) { return GcdLcm(c, false); }
ExcelValue FnLcm(FunctionCall& c) { return GcdLcm(c, true); }

ExcelValue FnFact(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  if (x < 0 || x > 170) return MakeError(kErrorNum);
  double r = 1;
  for (int32_t i = 2; i <= int32_t(x); ++i) r *= i;
  return MakeNumber(r);
}

ExcelValue FnCombin(FunctionCall& c) {
  NUMBER_ARG(c, 0, n);
  NUMBER_ARG(c, 1, k);
  n = std::floor(n), k = std::floor(k);
  if (n < 0 || k < 0 || k > n) return MakeError(kErrorNum);
  k = std::min(k, n - k);
  if (k > 1000) return MakeNumber(std::round(std::exp(std::lgamma(n + 1) - std::lgamma(k + 1) - std::lgamma(n - k + 1))));
  double r = 1;
  for (int32_t i = 1; i <= int32_t(k); ++i) r = r * (n - k + i) / i;
  return MakeNumber(std::round(r));
}

ExcelValue FnQuotient(FunctionCall& c) {
  NUMBER_ARG(c, 0, a);
  NUMBER_ARG(c, 1, b);
  if (b == 0) return MakeError(kErrorDiv0);
  return MakeNumber(std::trunc(a / b));
}

const FunctionSpec kSpecs[] = {
    {"SUM", 1, 255, FnSum, 0},
    {"SUMIF", 2, 3, FnSumIf, 0},
    {"SUMIFS", 3, 255, FnSumIfs, 0},
    {"SUMPRODUCT", 1, 255, FnSumProduct, kFnArrayArgs},
    {"SUMSQ", 1, 255, FnSumSq, 0},
    {"PRODUCT", 1, 255, FnProduct, 0},
    {"ROUND", 2, 2, FnRound, 0},
    {"ROUNDUP", 2, 2, FnRoundUp, 0},
    {"ROUNDDOWN", 2, 2, FnRoundDown, 0},
    {"MROUND", 2, 2, FnMRound, 0},
    {"INT", 1, 1, FnInt, 0},
    {"TRUNC", 1, 2, FnTrunc, 0},
    {"MOD", 2, 2, FnMod, 0},
    {"ABS", 1, 1, FnAbs, 0},
    {"SIGN", 1, 1, FnSign, 0},
    {"SQRT", 1, 1, FnSqrt, 0},
    {"POWER", 2, 2, FnPower, 0},
    {"EXP", 1, 1, FnExp, 0},
    {"LN", 1, 1, FnLn, 0},
    {"LOG", 1, 2, FnLog, 0},
    {"LOG10", 1, 1, FnLog10, 0},
    {"PI", 0, 0, FnPi, 0},
    {"RAND", 0, 0, FnRand, kFnVolatile},
    {"RANDBETWEEN", 2, 2, FnRandBetween, kFnVolatile},
    {"CEILING", 1, 2, FnCeiling, 0},
    {"CEILING.MATH", 1, 3, FnCeilingMath, 0},
    {"CEILING.PRECISE", 1, 2, FnCeilingMath, 0},
    {"ISO.CEILING", 1, 2, FnCeilingMath, 0},
    {"FLOOR", 1, 2, FnFloor, 0},
    {"FLOOR.MATH", 1, 3, FnFloorMath, 0},
    {"FLOOR.PRECISE", 1, 2, FnFloorMath, 0},
    {"EVEN", 1, 1, FnEven, 0},
    {"ODD", 1, 1, FnOdd, 0},
    {"GCD", 1, 255, FnGcd, 0},
    {"LCM", 1, 255, FnLcm, 0},
    {"FACT", 1, 1, FnFact, 0},
    {"COMBIN", 2, 2, FnCombin, 0},
    {"QUOTIENT", 2, 2, FnQuotient, 0},
    {"SIN", 1, 1, FnSin, 0},
    {"COS", 1, 1, FnCos, 0},
    {"TAN", 1, 1, FnTan, 0},
    {"ASIN", 1, 1, FnAsin, 0},
    {"ACOS", 1, 1, FnAcos, 0},
    {"ATAN", 1, 1, FnAtan, 0},
    {"ATAN2", 2, 2, FnAtan2, 0},
    {"SINH", 1, 1, FnSinh, 0},
    {"COSH", 1, 1, FnCosh, 0},
    {"TANH", 1, 1, FnTanh, 0},
    {"RADIANS", 1, 1, FnRadians, 0},
    {"DEGREES", 1, 1, FnDegrees, 0},
    {"ASINH", 1, 1, FnAsinh, 0},
    {"ACOSH", 1, 1, FnAcosh, 0},
    {"ATANH", 1, 1, FnAtanh, 0},
    {"SQRTPI", 1, 1, FnSqrtPi, 0},
};

}  // namespace

FunctionFamily MathFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
