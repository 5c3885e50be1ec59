// Number formatting cost per cell: 1,000,000 (value, code) pairs from a mix like that of real
// workbooks (mostly General and fixed decimals, then dates, accounting, percent, a few
// scientific, fraction and conditional codes). Every call re-reads its code, as cell formatting
// does; the figures show what that costs per cell, with and without fitting to a cell width,
// against printf of the same values as the floor.
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bench/benchsupport.h"
#include "values/format/numformat.h"

namespace {

struct CodeMix {
  const char16_t* pCode;
  int nWeight;     // share of the cells, in percent
  int nValueKind;  // 0 any number, 1 date serial, 2 time of day, 3 fraction of 1, 4 integer
};

const CodeMix kMix[] = {
    {u"General", 38, 0},
    {u"0.00", 9, 0},
    {u"#,##0", 5, 4},
    {u"#,##0.00", 8, 0},
    {u"m/d/yyyy", 8, 1},
    {u"d-mmm-yy", 2, 1},
    {u"m/d/yyyy h:mm", 3, 1},
    {u"h:mm AM/PM", 2, 2},
    {u"_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"??_);_(@_)", 7, 0},
    {u"_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)", 3, 4},
    {u"0%", 3, 3},
    {u"0.00%", 3, 3},
    {u"0.00E+00", 1, 0},
    {u"# ?/?", 1, 3},
    {u"[Red][<0]-#,##0.0;#,##0.0", 2, 0},
    {u"\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)", 3, 0},
    {u"yyyy-mm-dd hh:mm:ss", 2, 1},
};

double MeasureFixed(void*, const char16_t*, size_t length) { return 7.0 * static_cast<double>(length); }

struct Pair {
  double dValue;
  const char16_t* pCode;
};

std::vector<Pair> MakePairs(size_t count) {
  std::mt19937_64 random(7);
  std::vector<const CodeMix*> slots;
  for (const CodeMix& mix : kMix) {
    for (int i = 0; i < mix.nWeight; i++) slots.push_back(&mix);
  }
  std::uniform_int_distribution<size_t> pick(0, slots.size() - 1);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  std::vector<Pair> pairs(count);
  for (Pair& pair : pairs) {
    const CodeMix* mix = slots[pick(random)];
    double value = 0;
    switch (mix->nValueKind) {
      case 0: value = std::pow(10.0, unit(random) * 8 - 2) * (unit(random) < 0.15 ? -1 : 1); break;
      case 1: value = 36526 + std::floor(unit(random) * 9000) + (unit(random) < 0.3 ? unit(random) : 0); break;
      case 2: value = unit(random); break;
      case 3: value = unit(random) * 1.5; break;
      case 4: value = std::floor(unit(random) * 2e6) - 2e5; break;
    }
    if (unit(random) < 0.05) value = 0;
    pair.dValue = value;
    pair.pCode = mix->pCode;
  }
  return pairs;
}

}  // namespace

int main() {
  const size_t kCells = 1000000;
  std::vector<Pair> pairs = MakePairs(kCells);
  char16_t out[256];
  size_t checksum = 0;

  // Floor: printf of the value alone, no code at all.
  double start = xlxbench::NowSeconds();
  for (const Pair& pair : pairs) {
    char text[64];
    checksum += static_cast<size_t>(snprintf(text, sizeof(text), "%.2f", pair.dValue));
  }
  double floorSeconds = xlxbench::NowSeconds() - start;

  start = xlxbench::NowSeconds();
  for (const Pair& pair : pairs) {
    xlx::ParseCellFormat(pair.dValue, pair.pCode, true, nullptr, out, 256, nullptr);
    checksum += out[0];
  }
  double plainSeconds = xlxbench::NowSeconds() - start;

  xlx::CellTextFit fit = {64.0, MeasureFixed, nullptr};
  start = xlxbench::NowSeconds();
  for (const Pair& pair : pairs) {
    xlx::ParseCellFormat(pair.dValue, pair.pCode, true, &fit, out, 256, nullptr);
    checksum += out[0];
  }
  double fittedSeconds = xlxbench::NowSeconds() - start;

  double floorNs = floorSeconds * 1e9 / kCells;
  double plainNs = plainSeconds * 1e9 / kCells;
  double fittedNs = fittedSeconds * 1e9 / kCells;
  char value[64];
  char baseline[64];
  snprintf(baseline, sizeof(baseline), "%.0f ns (printf %%.2f)", floorNs);
  snprintf(value, sizeof(value), "%.0f ns", plainNs);
  xlxbench::Report("number format, ns per cell (1M cells)", value, baseline, plainNs / floorNs);
  snprintf(value, sizeof(value), "%.0f ns", fittedNs);
  xlxbench::Report("number format fitted to 64 px, ns per cell", value, baseline, fittedNs / floorNs);

  // Per code, to show where the time goes.
  for (const CodeMix& mix : kMix) {
    std::vector<double> values;
    for (const Pair& pair : pairs) {
      if (pair.pCode == mix.pCode) values.push_back(pair.dValue);
    }
    start = xlxbench::NowSeconds();
    for (double v : values) {
      xlx::ParseCellFormat(v, mix.pCode, true, nullptr, out, 256, nullptr);
      checksum += out[0];
    }
    double ns = (xlxbench::NowSeconds() - start) * 1e9 / static_cast<double>(values.size());
    std::string code;
    for (const char16_t* p = mix.pCode; *p; p++) code.push_back(static_cast<char>(*p));
    printf("  %6.0f ns  %s\n", ns, code.c_str());
  }
  printf("checksum %zu\n", checksum);
  return 0;
}
