// Trendlines fitted to a series (linear, exponential, logarithmic, power, polynomial to the
// sixth order, moving average) and error bars (fixed, percentage, standard deviation, standard
// error), drawn over the series they belong to.
#include <algorithm>
#include <cmath>
#include <vector>

#include "chart/draw/internal.h"

namespace xlx {

namespace {

constexpr int32_t kCurveSteps = 100;
constexpr size_t kMaxFitPoints = 100000;  // points a fit reads; longer series are sampled

struct Sample {
  double x, y;
};

std::vector<Sample> Samples(const ChartSeries& s, bool xy) {
  std::vector<Sample> out;
  const size_t n = s.values.values.size();
  const size_t step = std::max<size_t>(1, n / kMaxFitPoints);
  for (size_t i = 0; i < n; i += step) {
    const double y = s.values.values[i];
    const double x = xy && i < s.categories.values.size() ? s.categories.values[i] : double(i + 1);
    if (std::isfinite(x) && std::isfinite(y)) out.push_back({x, y});
  }
  return out;
}

// Least-squares polynomial of `order` through the samples (x and y transformed by the caller);
// false when the system is singular.
bool FitPolynomial(const std::vector<Sample>& pts, int32_t order, double* coef) {
  const int32_t n = order + 1;
  double a[7][8] = {};
  for (const Sample& p : pts) {
    double powers[13];
    powers[0] = 1;
    for (int32_t k = 1; k <= 2 * order; ++k) powers[k] = powers[k - 1] * p.x;
    for (int32_t r = 0; r < n; ++r) {
      for (int32_t col = 0; col < n; ++col) a[r][col] += powers[r + col];
      a[r][n] += powers[r] * p.y;
    }
  }
  for (int32_t col = 0; col < n; ++col) {
    int32_t pivot = col;
    for (int32_t r = col + 1; r < n; ++r)
      if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
    if (!(std::fabs(a[pivot][col]) > 1e-300)) return false;
    std::swap(a[col], a[pivot]);
    for (int32_t r = 0; r < n; ++r) {
      if (r == col) continue;
      const double f = a[r][col] / a[col][col];
      for (int32_t k = col; k <= n; ++k) a[r][k] -= f * a[col][k];
    }
  }
  for (int32_t r = 0; r < n; ++r) coef[r] = a[r][n] / a[r][r];
  return true;
}

double Eval(const double* coef, int32_t order, double x) {
  double v = 0;
  for (int32_t k = order; k >= 0; --k) v = v * x + coef[k];
  return v;
}

// The fitted curve as (x, y) samples; empty when the data do not allow the kind.
std::vector<Sample> Curve(const ChartTrendline& t, const std::vector<Sample>& pts) {
  std::vector<Sample> out;
  if (pts.size() < 2) return out;
  if (t.kind == kTrendMovingAvg) {
    const size_t period = size_t(std::max(2, t.period));
    double sum = 0;
    for (size_t i = 0; i < pts.size(); ++i) {
      sum += pts[i].y;
      if (i >= period) sum -= pts[i - period].y;
      if (i + 1 >= period) out.push_back({pts[i].x, sum / double(period)});
    }
    return out;
  }
  const bool logX = t.kind == kTrendLog || t.kind == kTrendPower, logY = t.kind == kTrendExp || t.kind == kTrendPower;
  std::vector<Sample> fit;
  double lo = INFINITY, hi = -INFINITY;
  for (const Sample& p : pts) {
    if ((logX && !(p.x > 0)) || (logY && !(p.y > 0))) return out;  // the application refuses these too
    fit.push_back({logX ? std::log(p.x) : p.x, logY ? std::log(p.y) : p.y});
    lo = std::min(lo, p.x), hi = std::max(hi, p.x);
  }
  const int32_t order = t.kind == kTrendPoly ? std::max(2, std::min(t.order, 6)) : 1;
  double coef[7];
  if (!FitPolynomial(fit, order, coef)) return out;
  lo -= std::max(0.0, t.backward), hi += std::max(0.0, t.forward);
  if (logX) lo = std::max(lo, 1e-300);
  for (int32_t i = 0; i <= kCurveSteps; ++i) {
    const double x = lo + (hi - lo) * i / kCurveSteps;
    const double y = Eval(coef, order, logX ? std::log(x) : x);
    out.push_back({x, logY ? std::exp(y) : y});
  }
  return out;
}

// Mean and sample standard deviation of the y (or x) values.
void Spread(const std::vector<Sample>& pts, bool y, double* mean, double* sd) {
  *mean = *sd = 0;
  if (pts.empty()) return;
  for (const Sample& p : pts) *mean += y ? p.y : p.x;
  *mean /= double(pts.size());
  if (pts.size() < 2) return;
  double sq = 0;
  for (const Sample& p : pts) sq += ((y ? p.y : p.x) - *mean) * ((y ? p.y : p.x) - *mean);
  *sd = std::sqrt(sq / double(pts.size() - 1));
}

}  // namespace

void DrawTrendAndErrors(ChartCanvas& c, const AxisLayout& cat, const AxisLayout& val, const DrawRect& plot,
                        const ChartSeries& s, bool xy, double shift, CellColor color) {
  if (s.trendlines.empty() && s.errorBars.empty()) return;
  const std::vector<Sample> pts = Samples(s, xy);
  auto at = [&](double x, double y) {
    const double a = xy ? ValuePos(cat, plot, x) : CategoryPos(cat, plot, x - 1 + shift);
    const double b = ValuePos(val, plot, y);
    return val.vertical ? DrawPoint{a, b} : DrawPoint{b, a};
  };
  for (const ChartTrendline& t : s.trendlines) {
    std::vector<DrawPoint> line;
    for (const Sample& p : Curve(t, pts)) {
      const DrawPoint d = at(p.x, p.y);
      if (std::isfinite(d.x) && std::isfinite(d.y)) line.push_back(d);
    }
    if (line.size() < 2 || c.rc != XLX_OK) continue;
    ChartPaint paint;
    MakePaint(c, t.shape, 0xFFFFFFFF, color, 1.5, &paint);
    c.Spend(line.size());
    if (paint.pen) c.Ok(AddDrawPolyline(c.surface, paint.pen, line.data(), int32_t(line.size())));
  }
  for (const ChartErrorBars& e : s.errorBars) {
    double mean, sd;
    Spread(pts, e.yDirection, &mean, &sd);
    const double se = pts.size() > 1 ? sd / std::sqrt(double(pts.size())) : 0;
    if (!e.yDirection && !xy) continue;  // category charts have no horizontal error bars
    ChartPaint paint;
    MakePaint(c, e.shape, 0xFFFFFFFF, 0xFF000000, 0.75, &paint);
    if (!paint.pen || pts.size() > 5000) continue;
    const double cap = e.noEndCap ? 0 : c.Px(3);
    for (Sample p : pts) {
      if (c.rc != XLX_OK) return;
      // Standard deviation bars stand around the mean of the series, as the application draws them.
      if (e.valType == kErrStdDev) (e.yDirection ? p.y : p.x) = mean;
      double amount = e.valType == kErrPercent ? std::fabs(p.y) * e.value / 100
                      : e.valType == kErrStdDev ? sd * e.value : e.valType == kErrStdErr ? se : e.value;
      if (e.valType == kErrCustom) amount = 0;
      const double plus = e.barType == kErrMinus ? 0 : amount, minus = e.barType == kErrPlus ? 0 : amount;
      const DrawPoint a = e.yDirection ? at(p.x, p.y - minus) : at(p.x - minus, p.y);
      const DrawPoint b = e.yDirection ? at(p.x, p.y + plus) : at(p.x + plus, p.y);
      if (!std::isfinite(a.x + a.y + b.x + b.y)) continue;
      c.Ok(AddDrawLine(c.surface, paint.pen, a.x, a.y, b.x, b.y));
      const bool across = (std::fabs(a.x - b.x) < std::fabs(a.y - b.y));
      for (const DrawPoint& end : {a, b})
        if (cap > 0)
          c.Ok(across ? AddDrawLine(c.surface, paint.pen, end.x - cap, end.y, end.x + cap, end.y)
                      : AddDrawLine(c.surface, paint.pen, end.x, end.y - cap, end.x, end.y + cap));
    }
  }
}

}  // namespace xlx
