#include "chart/draw/scale.h"

#include <algorithm>
#include <cmath>

namespace xlx {

namespace {

// Divisors of the application's rules: 5 percent headroom, "close to zero" (the smaller value
// within five sixths of the larger) and the 10 percent margin of data on both sides of zero.
constexpr double kHeadroom = 0.9523809;
constexpr double kNearZero = 0.8333333;
constexpr double kBothSides = 0.90909;

struct Bounds {
  double lo, hi;
  bool loSet, hiSet;
};

// The span the unit is chosen from; may move a free bound to zero.
double Span(double m, double M, Bounds* b) {
  if (!b->loSet && !b->hiSet) {
    if (m < 0 && M > 0) return (M - m) / kBothSides;
    if (M <= 0) {
      if (m == M || m <= M / kNearZero) {
        b->hi = 0, b->hiSet = true;
        return -m / kHeadroom;
      }
      return (M - m) / kHeadroom;
    }
    if (m == M || m / kNearZero <= M) {
      b->lo = 0, b->loSet = true;
      return M / kHeadroom;
    }
    return (M - m) / kHeadroom;
  }
  if (b->loSet && !b->hiSet) {
    const double a = b->lo;
    if (M <= a || (M <= 0 && a <= M / kNearZero)) return std::fabs(a);
    return (M - a) / kHeadroom;
  }
  if (!b->loSet && b->hiSet) {
    const double h = b->hi;
    if (m >= h) return std::fabs(h);
    return (h - m) / kHeadroom;
  }
  return b->hi - b->lo;
}

// 1, 2 or 5 times a power of ten from a span.
double NiceUnit(double span) {
  if (!(span > 0) || !std::isfinite(span)) return span == 0 ? 0.1 : 1;
  int32_t e = 0;
  while (span >= 10) span /= 10, ++e;
  while (span < 1) span *= 10, --e;
  double multiplier;
  if (e >= -1) multiplier = span <= 1 ? 1 : span <= 2 ? 2 : span <= 5 ? 5 : 10;
  else multiplier = span < 2 ? 2 : span < 5 ? 5 : 10;
  return multiplier * std::pow(10.0, e - 1);
}

ChartScale LogScale(double m, double M, const ChartAxis& axis) {
  ChartScale s;
  s.log = true;
  s.logBase = axis.logBase;
  const double lb = std::log(s.logBase);
  if (!(m > 0) || !(M >= m)) m = 1, M = s.logBase;
  const double lo = std::floor(std::log(m) / lb + 1e-9), hi = std::ceil(std::log(M) / lb - 1e-9);
  s.min = axis.hasMin && axis.min > 0 ? axis.min : std::pow(s.logBase, std::max(lo, -300.0));
  s.max = axis.hasMax && axis.max > s.min ? axis.max : std::pow(s.logBase, std::min(std::max(hi, lo + 1), 300.0));
  if (!(s.max > s.min)) s.max = s.min * s.logBase;
  s.major = s.logBase;
  s.minor = s.logBase;
  return s;
}

}  // namespace

// ceil of a quotient in single precision, as the application rounds bounds, where it fits.
static double CeilQuotient(double q) { return std::fabs(q) < 1e30 ? std::ceil(float(q)) : std::ceil(q); }

static ChartScale ChooseValueScaleInner(double m, double M, const ChartAxis* axis, bool percentStacked) {
  if (!std::isfinite(m) || !std::isfinite(M) || m > M) m = M = 0;
  m = std::max(m, -1e300), M = std::min(M, 1e300);
  ChartAxis none;
  const ChartAxis& a = axis ? *axis : none;
  if (a.hasLogBase) {
    ChartScale s = LogScale(m, M, a);
    s.reversed = a.reversed;
    return s;
  }
  Bounds b{a.min, a.max, a.hasMin && std::isfinite(a.min), a.hasMax && std::isfinite(a.max)};
  if (b.loSet && b.hiSet && b.lo >= b.hi) b.hiSet = false;
  if (percentStacked) {
    if (!b.hiSet) b.hi = M > 0 ? 1 : 0, b.hiSet = true;
    if (!b.loSet) b.lo = m < 0 ? -1 : 0, b.loSet = true;
    if (b.lo >= b.hi) b.hi = b.lo + 1;
  }
  const bool loFree = !b.loSet, hiFree = !b.hiSet;
  double unit = a.hasMajorUnit ? a.majorUnit : 0;
  const double span = Span(m, M, &b);
  if (!(unit > 0)) unit = NiceUnit(span);
  ChartScale s;
  s.reversed = a.reversed;
  // Free bounds go to multiples of the unit, with one more unit where the data would touch them.
  if (!b.hiSet) {
    const double base = b.loSet ? b.lo : m;
    double hi = CeilQuotient(M / unit) * unit;
    const double need = b.loSet && b.lo == 0 && loFree ? M / kHeadroom : (M - base) / kHeadroom;
    if (!(need < hi - base)) hi += unit;
    b.hi = hi;
  }
  if (!b.loSet) {
    double lo = m < 0 ? -CeilQuotient(-m / unit) * unit : std::floor(m / unit) * unit;
    const double need = (b.hi - m) / kHeadroom;
    if (!(need < b.hi - lo)) lo -= unit;
    if (m >= 0 && lo < 0) lo = 0;
    b.lo = lo;
  }
  (void)hiFree;
  s.min = b.lo;
  s.max = b.hi > b.lo ? b.hi : b.lo + unit;
  if (!((s.max - s.min) / unit <= kMaxAxisTicks)) unit = NiceUnit((s.max - s.min) / 10);
  s.major = unit;
  s.minor = a.hasMinorUnit && (s.max - s.min) / a.minorUnit <= kMaxAxisTicks * 10 ? a.minorUnit : unit / 5;
  return s;
}

ChartScale ChooseValueScale(double m, double M, const ChartAxis* axis, bool percentStacked) {
  ChartScale s = ChooseValueScaleInner(m, M, axis, percentStacked);
  // Bounds or units that overflow leave a plain 0 to 1 axis rather than one no tick fits.
  if (!std::isfinite(s.max - s.min) || !(s.max > s.min) || !(s.major > 0) || !std::isfinite(s.minor) ||
      (s.max - s.min) / s.major > kMaxAxisTicks * 1.01 || (s.max - s.min) / s.minor > kMaxAxisTicks * 10.1) {
    if (s.log) {
      if (!(s.max > s.min) || !std::isfinite(s.max)) s.min = 1, s.max = s.logBase;
      return s;
    }
    const bool reversed = s.reversed;
    s = ChartScale();
    s.reversed = reversed;
  }
  return s;
}

double ScaleFraction(const ChartScale& s, double v) {
  double f;
  if (s.log) {
    if (!(v > 0)) return NAN;
    const double lo = std::log(s.min), hi = std::log(s.max);
    f = (std::log(v) - lo) / (hi - lo);
  } else {
    f = (v - s.min) / (s.max - s.min);
  }
  return s.reversed ? 1 - f : f;
}

}  // namespace xlx
