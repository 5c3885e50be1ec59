// Statistical functions, counting with criteria, SUBTOTAL and AGGREGATE.
#include <algorithm>
#include <cmath>

#include "values/formula/engine.h"
#include "values/functions/support.h"

namespace xlx {
namespace {

bool Collect(FunctionCall& c, size_t from, std::vector<double>* v) { return c.CollectNumbers(from, c.Count(), false, v); }

double Mean(const std::vector<double>& v) {
  double s = 0;
  for (double d : v) s += d;
  return s / double(v.size());
}

// Sum of squared deviations.
double SquaredDeviations(const std::vector<double>& v) {
  double m = Mean(v), s = 0;
  for (double d : v) s += (d - m) * (d - m);
  return s;
}

// Kinds of SUBTOTAL and AGGREGATE functions 1..11 (and the AGGREGATE-only 12..19).
ExcelValue Summarise(int32_t kind, std::vector<double>& v, double k, int64_t countA) {
  const size_t n = v.size();
  switch (kind) {
    case 1: return n ? MakeNumber(Mean(v)) : MakeError(kErrorDiv0);
    case 2: return MakeNumber(double(n));
    case 3: return MakeNumber(double(countA));
    case 4: return MakeNumber(n ? *std::max_element(v.begin(), v.end()) : 0);
    case 5: return MakeNumber(n ? *std::min_element(v.begin(), v.end()) : 0);
    case 6: {
      double p = 1;
      for (double d : v) p *= d;
      return MakeNumber(n ? p : 0);
    }
    case 7: return n > 1 ? MakeNumber(std::sqrt(SquaredDeviations(v) / double(n - 1))) : MakeError(kErrorDiv0);
    case 8: return n > 0 ? MakeNumber(std::sqrt(SquaredDeviations(v) / double(n))) : MakeError(kErrorDiv0);
    case 9: {
      double s = 0;
      for (double d : v) s += d;
      return MakeNumber(s);
    }
    case 10: return n > 1 ? MakeNumber(SquaredDeviations(v) / double(n - 1)) : MakeError(kErrorDiv0);
    case 11: return n > 0 ? MakeNumber(SquaredDeviations(v) / double(n)) : MakeError(kErrorDiv0);
    case 12: {  // MEDIAN
      if (!n) return MakeError(kErrorNum);
      std::sort(v.begin(), v.end());
      return MakeNumber(n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2);
    }
    case 14:
    case 15: {  // LARGE, SMALL
      int64_t i = int64_t(std::ceil(k));
      if (i < 1 || size_t(i) > n) return MakeError(kErrorNum);
      std::sort(v.begin(), v.end());
      return MakeNumber(kind == 14 ? v[n - size_t(i)] : v[size_t(i) - 1]);
    }
    case 16:
    case 17:
    case 18:
    case 19: {  // PERCENTILE.INC, QUARTILE.INC (and the .EXC forms computed inclusively)
      double p = kind == 17 || kind == 19 ? k / 4 : k;
      if (!n || p < 0 || p > 1) return MakeError(kErrorNum);
      std::sort(v.begin(), v.end());
      double pos = p * double(n - 1);
      size_t lo = size_t(std::floor(pos));
      double frac = pos - double(lo);
      return MakeNumber(lo + 1 < n ? v[lo] + frac * (v[lo + 1] - v[lo]) : v[lo]);
    }
    default: return MakeError(kErrorValue);
  }
}

ExcelValue FnAverage(FunctionCall& c) {
  std::vector<double> v;
  if (!Collect(c, 0, &v)) return c.Fail();
  return v.empty() ? MakeError(kErrorDiv0) : MakeNumber(Mean(v));
}
ExcelValue FnAverageA(FunctionCall& c) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), true, &v)) return c.Fail();
  return v.empty() ? MakeError(kErrorDiv0) : MakeNumber(Mean(v));
}

ExcelValue MinMax(FunctionCall& c, bool max, bool withText) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), withText, &v)) return c.Fail();
  if (v.empty()) return MakeNumber(0);
  return MakeNumber(max ? *std::max_element(v.begin(), v.end()) : *std::min_element(v.begin(), v.end()));
}
ExcelValue FnMin(FunctionCall& c) { return MinMax(c, false, false); }
ExcelValue FnMax(FunctionCall& c) { return MinMax(c, true, false); }
ExcelValue FnMinA(FunctionCall& c) { return MinMax(c, false, true); }
ExcelValue FnMaxA(FunctionCall& c) { return MinMax(c, true, true); }

ExcelValue FnCount(FunctionCall& c) {
  double n = 0;
  for (size_t i = 0; i < c.Count(); ++i) {
    c.ForEachValue(i, [&](const ExcelValue& v, bool inRef) {
      double d;
      ErrorID e;
      if (v.type == kValueNumber) n += 1;
      else if (!inRef && (v.type == kValueBoolean || (v.type == kValueString && TextToValue(v.strVal, false, &d))))
        n += 1;
      (void)e;
      return true;
    });
  }
  return MakeNumber(n);
}

ExcelValue FnCountA(FunctionCall& c) {
  double n = 0;
  for (size_t i = 0; i < c.Count(); ++i) {
    if (c.Missing(i)) continue;
    c.ForEachValue(i, [&](const ExcelValue& v, bool) {
      if (v.type != kValueEmpty && v.type != kValueNone) n += 1;
      return true;
    });
  }
  return MakeNumber(n);
}

ExcelValue FnCountBlank(FunctionCall& c) {
  if (!c.IsRef(0)) return MakeError(kErrorValue);
  const CellArea& a = c.Raw(0).cellRef;
  int64_t filled = 0;
  c.engine->ForEachCell(a, [&](int32_t, int32_t, const ExcelValue& v) {
    if (!(v.type == kValueString && v.strVal.empty())) ++filled;
    return true;
  });
  return MakeNumber(double(int64_t(a.Rows()) * a.Cols() - filled));
}

ExcelValue FnCountIf(FunctionCall& c) {
  if (!c.IsRef(0)) return MakeError(kErrorValue);
  std::vector<CellArea> ranges = {c.Raw(0).cellRef};
  std::vector<Criterion> crits = {MakeCriterion(c.Arg(1), c.engine->date1904())};
  int64_t n = 0;
  const int64_t unwalked = ForEachMatch(c.engine, ranges, crits, [&](int32_t, int32_t) { return ++n, true; });
  n += unwalked;
  return MakeNumber(double(n));
}

ExcelValue FnCountIfs(FunctionCall& c) {
  if (c.Count() % 2) return MakeError(kErrorValue);
  std::vector<CellArea> ranges;
  std::vector<Criterion> crits;
  if (!ReadCriteriaPairs(c, 0, &ranges, &crits)) return c.Fail();
  int64_t n = 0;
  const int64_t unwalked = ForEachMatch(c.engine, ranges, crits, [&](int32_t, int32_t) { return ++n, true; });
  n += unwalked;
  return MakeNumber(double(n));
}

// AVERAGEIF(S), MINIFS, MAXIFS: numbers of the value range where the criteria match.
ExcelValue ConditionalNumbers(FunctionCall& c, const CellArea& values, const std::vector<CellArea>& ranges,
                              const std::vector<Criterion>& crits, std::vector<double>* out) {
  ExcelValue failure;
  ForEachMatch(c.engine, ranges, crits, [&](int32_t dr, int32_t dc) {
    ExcelValue v = c.engine->CellValue(values.sheet, values.row1 + dr, values.col1 + dc);
    if (v.type == kValueError) {
      failure = v;
      return false;
    }
    if (v.type == kValueNumber) out->push_back(v.dVal);
    return true;
  });
  return failure;
}

ExcelValue FnAverageIf(FunctionCall& c) {
  if (!c.IsRef(0) || (!c.Missing(2) && !c.IsRef(2))) return MakeError(kErrorValue);
  CellArea range = c.Raw(0).cellRef, values = range;
  if (!c.Missing(2)) {
    const CellArea& s = c.Raw(2).cellRef;
    values = CellArea{s.sheet, s.row1, s.col1, s.row1 + range.Rows() - 1, s.col1 + range.Cols() - 1};
  }
  std::vector<double> v;
  ExcelValue failure = ConditionalNumbers(c, values, {range}, {MakeCriterion(c.Arg(1), c.engine->date1904())}, &v);
  if (failure.type == kValueError) return failure;
  return v.empty() ? MakeError(kErrorDiv0) : MakeNumber(Mean(v));
}

ExcelValue IfsFamily(FunctionCall& c, int kind) {
  if (c.Count() % 2 == 0 || !c.IsRef(0)) return MakeError(kErrorValue);
  std::vector<CellArea> ranges;
  std::vector<Criterion> crits;
  if (!ReadCriteriaPairs(c, 1, &ranges, &crits)) return c.Fail();
  const CellArea& values = c.Raw(0).cellRef;
  if (values.Rows() != ranges[0].Rows() || values.Cols() != ranges[0].Cols()) return MakeError(kErrorValue);
  std::vector<double> v;
  ExcelValue failure = ConditionalNumbers(c, values, ranges, crits, &v);
  if (failure.type == kValueError) return failure;
  if (kind == 0) return v.empty() ? MakeError(kErrorDiv0) : MakeNumber(Mean(v));
  if (v.empty()) return MakeNumber(0);
  return MakeNumber(kind == 1 ? *std::min_element(v.begin(), v.end()) : *std::max_element(v.begin(), v.end()));
}
ExcelValue FnAverageIfs(FunctionCall& c) { return IfsFamily(c, 0); }
ExcelValue FnMinIfs(FunctionCall& c) { return IfsFamily(c, 1); }
ExcelValue FnMaxIfs(FunctionCall& c) { return IfsFamily(c, 2); }

ExcelValue FnMedian(FunctionCall& c) {
  std::vector<double> v;
  if (!Collect(c, 0, &v)) return c.Fail();
  return Summarise(12, v, 0, 0);
}

ExcelValue FnMode(FunctionCall& c) {
  std::vector<double> v;
  if (!Collect(c, 0, &v)) return c.Fail();
  // The value seen most often; of equal counts the one that appears first.
  double best = 0;
  int32_t bestCount = 1;
  for (size_t i = 0; i < v.size(); ++i) {
    int32_t count = 0;
    for (size_t j = 0; j < v.size() && v.size() <= 20000; ++j) count += v[j] == v[i];
    if (count > bestCount) best = v[i], bestCount = count;
  }
  return bestCount > 1 ? MakeNumber(best) : MakeError(kErrorNA);
}

ExcelValue LargeSmall(FunctionCall& c, int32_t kind) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, 1, false, &v)) return c.Fail();
  NUMBER_ARG(c, 1, k);
  return Summarise(kind, v, k, 0);
}
ExcelValue FnLarge(FunctionCall& c) { return LargeSmall(c, 14); }
ExcelValue FnSmall(FunctionCall& c) { return LargeSmall(c, 15); }
ExcelValue FnPercentile(FunctionCall& c) { return LargeSmall(c, 16); }
ExcelValue FnQuartile(FunctionCall& c) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, 1, false, &v)) return c.Fail();
  NUMBER_ARG(c, 1, q);
  q = std::trunc(q);
  if (q < 0 || q > 4) return MakeError(kErrorNum);
  return Summarise(17, v, q, 0);
}

ExcelValue Rank(FunctionCall& c, bool average) {
  NUMBER_ARG(c, 0, x);
  if (!c.IsRef(1)) return MakeError(kErrorValue);
  std::vector<double> v;
  if (!c.CollectNumbers(1, 2, false, &v)) return c.Fail();
  double order = 0;
  if (!c.NumberOr(2, 0, &order)) return c.Fail();
  double before = 0, equal = 0;
  for (double d : v) {
    if (d == x) ++equal;
    else if (order == 0 ? d > x : d < x) ++before;
  }
  if (equal == 0) return MakeError(kErrorNA);
  return MakeNumber(average ? before + (equal + 1) / 2 : before + 1);
}
ExcelValue FnRank(FunctionCall& c) { return Rank(c, false); }
ExcelValue FnRankAvg(FunctionCall& c) { return Rank(c, true); }

ExcelValue Spread(FunctionCall& c, int32_t kind, bool withText) {
  std::vector<double> v;
  if (!c.CollectNumbers(0, c.Count(), withText, &v)) return c.Fail();
  return Summarise(kind, v, 0, 0);
}
ExcelValue FnStdev(FunctionCall& c) { return Spread(c, 7, false); }
ExcelValue FnStdevP(FunctionCall& c) { return Spread(c, 8, false); }
ExcelValue FnVar(FunctionCall& c) { return Spread(c, 10, false); }
ExcelValue FnVarP(FunctionCall& c) { return Spread(c, 11, false); }
ExcelValue FnStdevA(FunctionCall& c) { return Spread(c, 7, true); }
ExcelValue FnDevSq(FunctionCall& c) {
  std::vector<double> v;
  if (!Collect(c, 0, &v)) return c.Fail();
  return MakeNumber(v.empty() ? 0 : SquaredDeviations(v));
}
ExcelValue FnAveDev(FunctionCall& c) {
  std::vector<double> v;
  if (!Collect(c, 0, &v)) return c.Fail();
  if (v.empty()) return MakeError(kErrorNum);
  double m = Mean(v), s = 0;
  for (double d : v) s += std::fabs(d - m);
  return MakeNumber(s / double(v.size()));
}

ExcelValue Means(FunctionCall& c, bool harmonic) {
  std::vector<double> v;
  if (!Collect(c, 0, &v)) return c.Fail();
  if (v.empty()) return MakeError(kErrorNum);
  double acc = 0;
  for (double d : v) {
    if (d <= 0) return MakeError(kErrorNum);
    acc += harmonic ? 1 / d : std::log(d);
  }
  return MakeNumber(harmonic ? double(v.size()) / acc : std::exp(acc / double(v.size())));
}
ExcelValue FnGeoMean(FunctionCall& c) { return Means(c, false); }
ExcelValue FnHarMean(FunctionCall& c) { return Means(c, true); }

// Standard normal distribution: density, cumulative and its inverse (Acklam's rational
// approximation refined by one Halley step).
double NormalCdf(double z) { return 0.5 * std::erfc(-z / std::sqrt(2.0)); }
double NormalPdf(double z) { return std::exp(-z * z / 2) / std::sqrt(2 * 3.14159265358979323846); }
double NormalInverse(double p) {
  static const double a[] = {-3.969683028665376e+01, 2.209460984245205e+02, -2.759285104469687e+02,
                             1.383577518672690e+02, -3.066479806614716e+01, 2.506628277459239e+00};
  static const double b[] = {-5.447609879822406e+01, 1.615858368580409e+02, -1.556989798598866e+02,
                             6.680131188771972e+01, -1.328068155288572e+01};
  static const double cc[] = {-7.784894002430293e-03, -3.223964580411365e-01, -2.400758277161838e+00,
                              -2.549732539343734e+00, 4.374664141464968e+00, 2.938163982698783e+00};
  static const double d[] = {7.784695709041462e-03, 3.224671290700398e-01, 2.445134137142996e+00,
                             3.754408661907416e+00};
  double q, x;
  if (p < 0.02425) {
    q = std::sqrt(-2 * std::log(p));
    x = (((((cc[0] * q + cc[1]) * q + cc[2]) * q + cc[3]) * q + cc[4]) * q + cc[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
  } else if (p <= 1 - 0.02425) {
    q = p - 0.5;
    double r = q * q;
    x = (((((a[0] * r + a[1]) * r + a[2]) * r + a[3]) * r + a[4]) * r + a[5]) * q /
        (((((b[0] * r + b[1]) * r + b[2]) * r + b[3]) * r + b[4]) * r + 1);
  } else {
    q = std::sqrt(-2 * std::log(1 - p));
    x = -(((((cc[0] * q + cc[1]) * q + cc[2]) * q + cc[3]) * q + cc[4]) * q + cc[5]) /
        ((((d[0] * q + d[1]) * q + d[2]) * q + d[3]) * q + 1);
  }
  double e = NormalCdf(x) - p;
  double u = e * std::sqrt(2 * 3.14159265358979323846) * std::exp(x * x / 2);
  return x - u / (1 + x * u / 2);
}

ExcelValue FnNormSDist(FunctionCall& c) {
  NUMBER_ARG(c, 0, z);
  bool cumulative = true;
  if (!c.BooleanOr(1, true, &cumulative)) return c.Fail();
  return MakeNumber(cumulative ? NormalCdf(z) : NormalPdf(z));
}
ExcelValue FnNormDist(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  NUMBER_ARG(c, 1, mean);
  NUMBER_ARG(c, 2, sd);
  bool cumulative = true;
  if (!c.Boolean(3, &cumulative)) return c.Fail();
  if (sd <= 0) return MakeError(kErrorNum);
  double z = (x - mean) / sd;
  return MakeNumber(cumulative ? NormalCdf(z) : NormalPdf(z) / sd);
}
ExcelValue FnNormSInv(FunctionCall& c) {
  NUMBER_ARG(c, 0, p);
  if (p <= 0 || p >= 1) return MakeError(kErrorNum);
  return MakeNumber(NormalInverse(p));
}
ExcelValue FnNormInv(FunctionCall& c) {
  NUMBER_ARG(c, 0, p);
  NUMBER_ARG(c, 1, mean);
  NUMBER_ARG(c, 2, sd);
  if (p <= 0 || p >= 1 || sd <= 0) return MakeError(kErrorNum);
  return MakeNumber(mean + sd * NormalInverse(p));
}
ExcelValue FnStandardize(FunctionCall& c) {
  NUMBER_ARG(c, 0, x);
  NUMBER_ARG(c, 1, mean);
  NUMBER_ARG(c, 2, sd);
  if (sd <= 0) return MakeError(kErrorNum);
  return MakeNumber((x - mean) / sd);
}

// Pairs of numbers at the same place in two arrays (both numbers), for CORREL and its kin.
ExcelValue Pairs(FunctionCall& c, std::vector<double>* xs, std::vector<double>* ys) {
  for (size_t i = 0; i < 2; ++i)
    if (c.Raw(i).type == kValueError) return c.Raw(i);
  auto a = c.Array(0), b = c.Array(1);
  if (!a || !b) return c.Fail();
  if (a->items.size() != b->items.size()) return MakeError(kErrorNA);
  for (size_t i = 0; i < a->items.size(); ++i) {
    const ExcelValue &x = a->items[i], &y = b->items[i];
    if (x.type == kValueError) return x;
    if (y.type == kValueError) return y;
    if (x.type == kValueNumber && y.type == kValueNumber) xs->push_back(x.dVal), ys->push_back(y.dVal);
  }
  return ExcelValue();
}

ExcelValue Regression(FunctionCall& c, int32_t kind) {
  std::vector<double> xs, ys;
  ExcelValue failure = Pairs(c, &xs, &ys);
  if (failure.type == kValueError) return failure;
  if (kind == 1 || kind == 2) std::swap(xs, ys);  // SLOPE/INTERCEPT take (known_y, known_x)
  const size_t n = xs.size();
  if (n < 2) return MakeError(kErrorDiv0);
  double mx = Mean(xs), my = Mean(ys), sxy = 0, sxx = 0, syy = 0;
  for (size_t i = 0; i < n; ++i) {
    sxy += (xs[i] - mx) * (ys[i] - my);
    sxx += (xs[i] - mx) * (xs[i] - mx);
    syy += (ys[i] - my) * (ys[i] - my);
  }
  switch (kind) {
    case 0: return sxx == 0 || syy == 0 ? MakeError(kErrorDiv0) : MakeNumber(sxy / std::sqrt(sxx * syy));
    case 1: return sxx == 0 ? MakeError(kErrorDiv0) : MakeNumber(sxy / sxx);
    case 2: return sxx == 0 ? MakeError(kErrorDiv0) : MakeNumber(my - sxy / sxx * mx);
    case 3: return MakeNumber(sxy / double(n));
    default: return MakeNumber(sxy / double(n - 1));
  }
}
ExcelValue FnCorrel(FunctionCall& c) { return Regression(c, 0); }
ExcelValue FnRsq(FunctionCall& c) {
  ExcelValue r = Regression(c, 0);
  return r.type == kValueNumber ? MakeNumber(r.dVal * r.dVal) : r;
}
// SUMX2MY2, SUMX2PY2, SUMXMY2 over the pairs of two arrays.
ExcelValue PairSums(FunctionCall& c, int kind) {
  std::vector<double> xs, ys;
  ExcelValue failure = Pairs(c, &xs, &ys);
  if (failure.type == kValueError) return failure;
  double s = 0;
  for (size_t i = 0; i < xs.size(); ++i)
    s += kind == 0 ? xs[i] * xs[i] - ys[i] * ys[i] : kind == 1 ? xs[i] * xs[i] + ys[i] * ys[i] : (xs[i] - ys[i]) * (xs[i] - ys[i]);
  return MakeNumber(s);
}
ExcelValue FnSumX2MY2(FunctionCall& c) { return PairSums(c, 0); }
ExcelValue FnSumX2PY2(FunctionCall& c) { return PairSums(c, 1); }
ExcelValue FnSumXMY2(FunctionCall& c) { return PairSums(c, 2); }
ExcelValue FnSlope(FunctionCall& c) { return Regression(c, 1); }
ExcelValue FnIntercept(FunctionCall& c) { return Regression(c, 2); }
ExcelValue FnCovarP(FunctionCall& c) { return Regression(c, 3); }
ExcelValue FnCovarS(FunctionCall& c) { return Regression(c, 4); }

// SUBTOTAL(kind, refs...): the kinds 1..11, or 101..111 which also leave out hidden rows; cells
// whose own formula is a SUBTOTAL or AGGREGATE are left out so that totals do not count twice.
ExcelValue Subtotal(FunctionCall& c, int32_t kind, bool skipHidden, bool skipErrors, size_t from, double k) {
  std::vector<double> v;
  int64_t countA = 0;
  ExcelValue failure;
  for (size_t i = from; i < c.Count() && failure.type != kValueError; ++i) {
    if (!c.IsRef(i)) {
      std::vector<double> direct;
      if (!c.CollectNumbers(i, i + 1, false, &direct)) {
        if (skipErrors) continue;
        return c.Fail();
      }
      v.insert(v.end(), direct.begin(), direct.end());
      countA += int64_t(direct.size());
      continue;
    }
    const CellArea& a = c.Raw(i).cellRef;
    MyWorksheet& sheet = c.engine->workbook()->sheets[a.sheet];
    c.engine->ForEachCell(a, [&](int32_t row, int32_t col, const ExcelValue& value) {
      if (skipHidden) {
        const RowProps* props = FindRow(sheet, row);
        if (props && props->hidden) return true;
      }
      const CellRecord* cell = c.engine->FindCellRecord(a.sheet, row, col);
      if (cell && cell->formula && cell->formula->text) {
        std::u16string text = cell->formula->text;
        for (char16_t& ch : text) ch = FoldCase(ch);
        if (text.find(u"SUBTOTAL(") != std::u16string::npos || text.find(u"AGGREGATE(") != std::u16string::npos)
          return true;
      }
      if (value.type == kValueError) {
        if (skipErrors) return true;
        failure = value;
        return false;
      }
      ++countA;
      if (value.type == kValueNumber) v.push_back(value.dVal);
      return true;
    });
  }
  if (failure.type == kValueError) return failure;
  return Summarise(kind, v, k, countA);
}

ExcelValue FnSubtotal(FunctionCall& c) {
  int64_t kind = 0;
  if (!c.Integer(0, &kind)) return c.Fail();
  bool hidden = kind > 100;
  if (hidden) kind -= 100;
  if (kind < 1 || kind > 11) return MakeError(kErrorValue);
  return Subtotal(c, int32_t(kind), hidden, false, 1, 0);
}

// AGGREGATE(kind, options, refs... | array, k): options 0..7; bit 1 of (options) skips errors and
// options 1, 3, 5, 7 skip hidden rows.
ExcelValue FnAggregate(FunctionCall& c) {
  int64_t kind = 0, options = 0;
  if (!c.Integer(0, &kind) || !c.IntegerOr(1, 0, &options)) return c.Fail();
  if (kind < 1 || kind > 19 || kind == 13 || options < 0 || options > 7) return MakeError(kErrorValue);
  const bool skipErrors = options == 2 || options == 3 || options == 6 || options == 7;
  const bool skipHidden = options & 1;
  if (kind >= 14) {
    if (c.Count() < 4) return MakeError(kErrorValue);
    NUMBER_ARG(c, 3, k);
    std::vector<FunctionCall*> unused;
    std::vector<ExcelValue> data = {c.Raw(2)};
    FunctionCall inner(c.engine, c.cx, &data);
    return Subtotal(inner, int32_t(kind), skipHidden, skipErrors, 0, k);
  }
  return Subtotal(c, int32_t(kind), skipHidden, skipErrors, 2, 0);
}

const FunctionSpec kSpecs[] = {
    {"AVERAGE", 1, 255, FnAverage, 0},
    {"AVERAGEA", 1, 255, FnAverageA, 0},
    {"AVERAGEIF", 2, 3, FnAverageIf, 0},
    {"AVERAGEIFS", 3, 255, FnAverageIfs, 0},
    {"COUNT", 1, 255, FnCount, 0},
    {"COUNTA", 1, 255, FnCountA, 0},
    {"COUNTBLANK", 1, 1, FnCountBlank, 0},
    {"COUNTIF", 2, 2, FnCountIf, 0},
    {"COUNTIFS", 2, 254, FnCountIfs, 0},
    {"MIN", 1, 255, FnMin, 0},
    {"MAX", 1, 255, FnMax, 0},
    {"MINA", 1, 255, FnMinA, 0},
    {"MAXA", 1, 255, FnMaxA, 0},
    {"MINIFS", 3, 255, FnMinIfs, 0},
    {"MAXIFS", 3, 255, FnMaxIfs, 0},
    {"MEDIAN", 1, 255, FnMedian, 0},
    {"MODE", 1, 255, FnMode, 0},
    {"MODE.SNGL", 1, 255, FnMode, 0},
    {"LARGE", 2, 2, FnLarge, 0},
    {"SMALL", 2, 2, FnSmall, 0},
    {"RANK", 2, 3, FnRank, 0},
    {"RANK.EQ", 2, 3, FnRank, 0},
    {"RANK.AVG", 2, 3, FnRankAvg, 0},
    {"PERCENTILE", 2, 2, FnPercentile, 0},
    {"PERCENTILE.INC", 2, 2, FnPercentile, 0},
    {"QUARTILE", 2, 2, FnQuartile, 0},
    {"QUARTILE.INC", 2, 2, FnQuartile, 0},
    {"STDEV", 1, 255, FnStdev, 0},
    {"STDEV.S", 1, 255, FnStdev, 0},
    {"STDEVA", 1, 255, FnStdevA, 0},
    {"STDEVP", 1, 255, FnStdevP, 0},
    {"STDEV.P", 1, 255, FnStdevP, 0},
    {"VAR", 1, 255, FnVar, 0},
    {"VAR.S", 1, 255, FnVar, 0},
    {"VARP", 1, 255, FnVarP, 0},
    {"VAR.P", 1, 255, FnVarP, 0},
    {"DEVSQ", 1, 255, FnDevSq, 0},
    {"AVEDEV", 1, 255, FnAveDev, 0},
    {"CORREL", 2, 2, FnCorrel, 0},
    {"PEARSON", 2, 2, FnCorrel, 0},
    {"SLOPE", 2, 2, FnSlope, 0},
    {"INTERCEPT", 2, 2, FnIntercept, 0},
    {"COVAR", 2, 2, FnCovarP, 0},
    {"COVARIANCE.P", 2, 2, FnCovarP, 0},
    {"COVARIANCE.S", 2, 2, FnCovarS, 0},
    {"RSQ", 2, 2, FnRsq, 0},
    {"SUMX2MY2", 2, 2, FnSumX2MY2, 0},
    {"SUMX2PY2", 2, 2, FnSumX2PY2, 0},
    {"SUMXMY2", 2, 2, FnSumXMY2, 0},
    {"GEOMEAN", 1, 255, FnGeoMean, 0},
    {"HARMEAN", 1, 255, FnHarMean, 0},
    {"NORM.S.DIST", 2, 2, FnNormSDist, 0},
    {"NORMSDIST", 1, 1, FnNormSDist, 0},
    {"NORM.DIST", 4, 4, FnNormDist, 0},
    {"NORMDIST", 4, 4, FnNormDist, 0},
    {"NORM.S.INV", 1, 1, FnNormSInv, 0},
    {"NORMSINV", 1, 1, FnNormSInv, 0},
    {"NORM.INV", 3, 3, FnNormInv, 0},
    {"NORMINV", 3, 3, FnNormInv, 0},
    {"STANDARDIZE", 3, 3, FnStandardize, 0},
    {"SUBTOTAL", 2, 255, FnSubtotal, 0},
    {"AGGREGATE", 3, 255, FnAggregate, 0},
};

}  // namespace

bool ReadCriteriaPairs(FunctionCall& c, size_t first, std::vector<CellArea>* ranges, std::vector<Criterion>* crits) {
  for (size_t i = first; i + 1 < c.Count(); i += 2) {
    if (!c.IsRef(i)) return c.SetError(kErrorValue);
    const CellArea& a = c.Raw(i).cellRef;
    if (!ranges->empty() && (a.Rows() != (*ranges)[0].Rows() || a.Cols() != (*ranges)[0].Cols()))
      return c.SetError(kErrorValue);
    ranges->push_back(a);
    crits->push_back(MakeCriterion(c.Arg(i + 1), c.engine->date1904()));
  }
  return !ranges->empty() || c.SetError(kErrorValue);
}

FunctionFamily StatsFunctions() { return {kSpecs, sizeof kSpecs / sizeof kSpecs[0]}; }

}  // namespace xlx
