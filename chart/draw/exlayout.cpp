// Waterfall bars, histogram bins, box statistics, category hierarchies and squarified tiles.
#include "chart/draw/exlayout.h"

#include <algorithm>
#include <cmath>

namespace xlx {

namespace {

// Nodes of one hierarchy; points past it are left out.
constexpr size_t kMaxHierarchyNodes = 200000;

double MedianOf(const std::vector<double>& v, size_t begin, size_t end) {
  if (end <= begin) return NAN;
  const size_t n = end - begin, mid = begin + n / 2;
  return n % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

}  // namespace

std::vector<WaterfallBar> WaterfallBars(const std::vector<double>& values, const std::vector<int32_t>& subtotals) {
  std::vector<WaterfallBar> bars(values.size());
  std::vector<bool> totals(values.size(), false);
  for (int32_t t : subtotals)
    if (t >= 0 && size_t(t) < values.size()) totals[size_t(t)] = true;
  double running = 0;
  for (size_t i = 0; i < values.size(); ++i) {
    const double v = values[i];
    WaterfallBar& b = bars[i];
    const bool total = totals[i];
    if (!std::isfinite(v)) {
      b.from = b.to = total ? 0 : running;
      b.kind = total ? kWaterfallTotal : kWaterfallUp;
      continue;
    }
    if (total) {
      b = WaterfallBar{0, v, kWaterfallTotal};
      running = v;
    } else {
      b = WaterfallBar{running, running + v, v < 0 ? kWaterfallDown : kWaterfallUp};
      running += v;
    }
  }
  return bars;
}

std::vector<HistogramBin> BinValues(const std::vector<double>& values, const ChartExBinning& binning) {
  std::vector<double> v;
  for (double x : values)
    if (std::isfinite(x)) v.push_back(x);
  std::vector<HistogramBin> bins;
  if (v.empty()) return bins;
  const auto mm = std::minmax_element(v.begin(), v.end());
  double start = *mm.first, end = *mm.second;
  const bool under = binning.hasUnderflow && !binning.underflowAuto && binning.underflow > start;
  const bool over = binning.hasOverflow && !binning.overflowAuto && binning.overflow < end;
  if (under) start = binning.underflow;
  if (over) end = binning.overflow;
  if (end < start) end = start;
  const double range = end - start;
  double width = 0;
  if (binning.mode == kBinBySize) {
    width = binning.size;
  } else if (binning.mode == kBinByCount) {
    width = range / std::max(1, binning.count);
  } else {
    double mean = 0, var = 0;
    for (double x : v) mean += x / double(v.size());
    for (double x : v) var += (x - mean) * (x - mean) / double(std::max<size_t>(1, v.size() - 1));
    width = 3.5 * std::sqrt(var) / std::cbrt(double(v.size()));
  }
  double count = width > 0 && std::isfinite(range / width) ? std::ceil(range / width) : 1;
  if (!(range > 0) || !std::isfinite(range)) count = 1, width = std::isfinite(range) ? range : 0;
  // Too many bins widen each one to fit the cap.
  const int32_t inner = int32_t(std::max(1.0, std::min(count, double(kMaxChartExBins - 2))));
  if (count > inner) width = range / inner;
  if (under) bins.push_back(HistogramBin{start, start, 0, true, false});
  for (int32_t i = 0; i < inner; ++i)
    bins.push_back(HistogramBin{start + width * i, i + 1 == inner && !(binning.mode == kBinBySize) ? end : start + width * (i + 1)});
  if (over) bins.push_back(HistogramBin{end, end, 0, false, true});
  const size_t first = under ? 1 : 0;
  for (double x : v) {
    size_t at;
    if (under && (binning.closedLeft ? x < start : x <= start)) {
      at = 0;
    } else if (over && (binning.closedLeft ? x >= end : x > end)) {
      at = bins.size() - 1;
    } else {
      const double q = width > 0 ? (x - start) / width : 0;
      double k = binning.closedLeft ? std::floor(q) : std::ceil(q) - 1;
      k = std::max(0.0, std::min(k, double(inner - 1)));
      at = first + size_t(k);
    }
    bins[at].count += 1;
  }
  return bins;
}

BoxStats BoxStatsOf(std::vector<double> values, bool inclusive) {
  BoxStats s;
  values.erase(std::remove_if(values.begin(), values.end(), [](double x) { return !std::isfinite(x); }), values.end());
  if (values.empty()) return s;
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  s.count = int32_t(std::min<size_t>(n, INT32_MAX));
  s.median = MedianOf(values, 0, n);
  const size_t half = n / 2;
  const bool keepMiddle = inclusive && n % 2 == 1;
  if (n == 1) {
    s.q1 = s.q3 = s.median;
  } else {
    s.q1 = MedianOf(values, 0, keepMiddle ? half + 1 : half);
    s.q3 = MedianOf(values, keepMiddle ? half : n - half, n);
  }
  double sum = 0;
  for (double x : values) sum += x / double(n);
  s.mean = sum;
  const double reach = 1.5 * (s.q3 - s.q1);
  s.low = s.q1, s.high = s.q3;
  for (double x : values) {
    if (x < s.q1 - reach || x > s.q3 + reach) {
      s.outliers.push_back(x);
    } else {
      s.low = std::min(s.low, x);
      s.high = std::max(s.high, x);
    }
  }
  return s;
}

std::vector<ExNode> BuildHierarchy(const ChartExData& data) {
  std::vector<ExNode> nodes(1);
  nodes[0].depth = -1;
  // A block without category texts makes one unnamed leaf per point.
  const int32_t levels = std::max<int32_t>(1, int32_t(data.levels.size()));
  static const std::vector<std::u16string> kNoNames;
  int32_t topCount = 0;
  for (int32_t i = 0; i < data.pointCount && nodes.size() < kMaxHierarchyNodes; ++i) {
    const double raw = size_t(i) < data.values.size() ? data.values[size_t(i)] : 0;
    const double v = std::isfinite(raw) && raw > 0 ? raw : 0;
    int32_t cur = 0;
    for (int32_t lev = levels - 1; lev >= 0; --lev) {
      const std::vector<std::u16string>& names = size_t(lev) < data.levels.size() ? data.levels[size_t(lev)] : kNoNames;
      const std::u16string empty;
      const std::u16string& name = size_t(i) < names.size() ? names[size_t(i)] : empty;
      if (name.empty() && lev != 0) continue;  // a level this point skips
      std::vector<int32_t>& kids = nodes[size_t(cur)].children;
      if (!kids.empty() && nodes[size_t(kids.back())].name == name && lev != 0) {
        cur = kids.back();
        continue;
      }
      ExNode node;
      node.name = name;
      if (lev == 0) node.point = i;
      node.parent = cur;
      node.depth = nodes[size_t(cur)].depth + 1;
      node.branch = cur == 0 ? topCount++ : nodes[size_t(cur)].branch;
      nodes.push_back(std::move(node));
      nodes[size_t(cur)].children.push_back(int32_t(nodes.size() - 1));
      cur = int32_t(nodes.size() - 1);
    }
    for (int32_t k = cur; k >= 0; k = nodes[size_t(k)].parent) nodes[size_t(k)].value += v;
  }
  return nodes;
}

std::vector<DrawRect> Squarify(const std::vector<double>& weights, const DrawRect& area) {
  const size_t n = weights.size();
  std::vector<DrawRect> out(n, DrawRect{area.left, area.top, 0, 0});
  double maxW = 0;
  for (double w : weights)
    if (std::isfinite(w) && w > maxW) maxW = w;
  if (!(maxW > 0) || !(area.width > 0) || !(area.height > 0)) return out;
  std::vector<double> a(n, 0);
  double total = 0;
  for (size_t i = 0; i < n; ++i) {
    a[i] = std::isfinite(weights[i]) && weights[i] > 0 ? weights[i] / maxW : 0;
    total += a[i];
  }
  const double scale = area.width * area.height / total;
  for (double& x : a) x *= scale;
  DrawRect r = area;
  size_t i = 0;
  while (i < n) {
    const double side = std::min(r.width, r.height);
    // Grow the row while its worst aspect ratio improves.
    double sum = 0, lo = INFINITY, hi = 0, worst = INFINITY;
    size_t j = i;
    for (; j < n; ++j) {
      if (a[j] <= 0) continue;
      const double s2 = sum + a[j], l2 = std::min(lo, a[j]), h2 = std::max(hi, a[j]);
      const double w = std::max(side * side * h2 / (s2 * s2), s2 * s2 / (side * side * l2));
      if (sum > 0 && w > worst) break;
      sum = s2, lo = l2, hi = h2, worst = w;
    }
    if (!(sum > 0)) break;
    const bool column = r.width >= r.height;  // the row stands along the shorter side
    const double thick = column ? sum / r.height : sum / r.width;
    double pos = column ? r.top : r.left;
    for (size_t k = i; k < j; ++k) {
      if (a[k] <= 0) continue;
      const double len = a[k] / thick;
      out[k] = column ? DrawRect{r.left, pos, thick, len} : DrawRect{pos, r.top, len, thick};
      pos += len;
    }
    if (column) r.left += thick, r.width = std::max(0.0, r.width - thick);
    else r.top += thick, r.height = std::max(0.0, r.height - thick);
    i = j;
  }
  return out;
}

}  // namespace xlx
