// Conditional formats of the cells of a page: candidate rules by range, rule tests, statistics
// per rule and the combination of differential formats.
#include "values/formula/condfmteval.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <mutex>
#include <new>
#include <unordered_map>

#include "values/formula/formula.h"
#include "values/formula/engine.h"

namespace xlx {

// What is kept per rule between pages: compiled formulas and statistics over the block's ranges.
struct RuleCache {
  bool compiled = false;
  std::vector<std::shared_ptr<CompiledFormula>> formulas;  // null where a formula does not compile
  bool statsDone = false;
  std::vector<double> numbers;                             // numeric values, ascending
  double mean = 0, deviation = 0;
  std::unordered_map<std::u16string, int32_t> counts;      // value key -> occurrences
  bool pointsDone = false;
  std::vector<double> points;                              // scale, bar or icon thresholds as numbers
  bool pointsOk = false;
};

struct CondFmtCache {
  std::vector<std::vector<RuleCache>> rules;  // [block][rule]
  int64_t statCells = 0;                      // cells visited for statistics so far
};

namespace {

// The formula engine is not reentrant: every evaluation, from any thread, goes through this lock.
std::mutex g_condFmtLock;

bool Contains(const CellRange& r, int32_t row, int32_t col) {
  return row >= r.first.row && row <= r.last.row && col >= r.first.column && col <= r.last.column;
}

bool Meets(const CellRange& r, int32_t row1, int32_t col1, int32_t row2, int32_t col2) {
  return r.first.row <= row2 && r.last.row >= row1 && r.first.column <= col2 && r.last.column >= col1;
}

// Key of a value for duplicate counting: texts without regard to case, numbers to 15 digits.
bool ValueKey(const ExcelValue& v, std::u16string* key) {
  switch (v.type) {
    case kValueNumber: *key = u"n" + NumberToText(RoundTo15Digits(v.dVal)); return true;
    case kValueString: *key = u"s" + FoldText(v.strVal); return true;
    case kValueBoolean: *key = v.bVal ? u"bT" : u"bF"; return true;
    case kValueError: *key = u"e" + v.strVal; return true;
    default: return false;
  }
}

bool ValueText(const ExcelValue& v, std::u16string* text) {
  switch (v.type) {
    case kValueNumber: *text = NumberToText(v.dVal); return true;
    case kValueString: *text = v.strVal; return true;
    case kValueBoolean: *text = v.bVal ? u"TRUE" : u"FALSE"; return true;
    case kValueEmpty: text->clear(); return true;
    default: return false;
  }
}

bool IsTrue(const ExcelValue& v) {
  if (v.type == kValueBoolean) return v.bVal;
  if (v.type == kValueNumber) return v.dVal != 0;
  return false;
}

// PERCENTILE.INC of ascending values; p in 0..1.
double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  p = std::clamp(p, 0.0, 1.0);
  const double pos = p * double(sorted.size() - 1);
  const size_t i = size_t(pos);
  const double frac = pos - double(i);
  return i + 1 < sorted.size() ? sorted[i] + frac * (sorted[i + 1] - sorted[i]) : sorted[i];
}

// Today's serial date (1900 system) in the local time zone.
double TodaySerial() {
  const time_t now = time(nullptr);
  struct tm local = {};
  localtime_r(&now, &local);
  // Days from 1899-12-30 by the civil-from-days algorithm on the broken-down date.
  int64_t y = local.tm_year + 1900, m = local.tm_mon + 1, d = local.tm_mday;
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t days = era * 146097 + yoe * 365 + yoe / 4 - yoe / 100 + doy - 719468;  // since 1970-01-01
  return double(days + 25569);
}

// A timePeriod rule without a formula, on whole days; weeks run Sunday to Saturday.
bool InPeriod(int32_t period, double value, bool date1904) {
  const double day = std::floor(value + (date1904 ? 1462 : 0));
  const double today = TodaySerial();
  const double weekStart = today - std::fmod(today + 6, 7);  // serial 1 is a Sunday
  switch (period) {
    case kCfToday: return day == today;
    case kCfYesterday: return day == today - 1;
    case kCfTomorrow: return day == today + 1;
    case kCfLast7Days: return day <= today && day > today - 7;
    case kCfThisWeek: return day >= weekStart && day < weekStart + 7;
    case kCfLastWeek: return day >= weekStart - 7 && day < weekStart;
    case kCfNextWeek: return day >= weekStart + 7 && day < weekStart + 14;
    default: return false;
  }
}

void MergeFont(const DxfFont& from, DxfFont* into) {
  const uint32_t fresh = from.flags & ~into->flags;
  if (fresh & kDxfFontColor) into->font.color = from.font.color;
  if (fresh & kDxfFontBold) into->font.lfWeight = from.font.lfWeight;
  if (fresh & kDxfFontItalic) into->font.lfItalic = from.font.lfItalic;
  if (fresh & kDxfFontStrike) into->font.lfStrikeOut = from.font.lfStrikeOut;
  if (fresh & kDxfFontUnderline) into->font.lfUnderline = from.font.lfUnderline;
  into->flags |= fresh & (kDxfFontColor | kDxfFontBold | kDxfFontItalic | kDxfFontStrike | kDxfFontUnderline);
}

// Parts of `from` that no rule of higher priority has set.
void MergeDxf(const Dxf& from, Dxf* into) {
  const uint32_t fresh = from.mask & ~into->mask;
  if (fresh & kDxfFill) into->fill = from.fill;
  if (fresh & kDxfBorder) into->border = from.border;
  if (fresh & kDxfNumberFormat) into->numberFormat = from.numberFormat;
  if (fresh & kDxfAlignment) into->alignment = from.alignment;
  into->mask |= fresh & ~kDxfFont;
  if (from.mask & kDxfFont) {
    MergeFont(from.font, &into->font);
    into->mask |= kDxfFont;
  }
}

CellColor Mix(CellColor a, CellColor b, double t) {
  auto channel = [t](uint8_t x, uint8_t y) { return uint8_t(std::lround(x + (double(y) - x) * t)); };
  return MakeCellColor(channel(ColorRed(a), ColorRed(b)), channel(ColorGreen(a), ColorGreen(b)),
                       channel(ColorBlue(a), ColorBlue(b)));
}

// Everything that touches one rule: its cache entry, the engine and the workbook.
class RuleContext {
 public:
  RuleContext(Workbook* wb, int32_t sheet, const CondFmt& block, const CfRule& rule, RuleCache* cache,
              CondFmtCache* shared, int64_t* work)
      : wb_(wb), sheet_(sheet), block_(block), rule_(rule), cache_(*cache), shared_(*shared),
        engine_(WorkbookFormulaEngine(wb)), work_(*work) {}

  // Formula i computed for the cell at (row, col); false when it cannot be.
  bool Formula(size_t i, int32_t row, int32_t col, ExcelValue* out) {
    Compile();
    if (i >= cache_.formulas.size() || !cache_.formulas[i]) return false;
    const CompiledFormula& f = *cache_.formulas[i];
    // A constant operand (the usual "5" or "\"text\"") needs no evaluation.
    if (f.root >= 0 && size_t(f.root) < f.nodes.size() && f.nodes[size_t(f.root)].kind == kNodeLiteral) {
      *out = f.nodes[size_t(f.root)].value;
      return true;
    }
    EvalContext cx;
    cx.sheet = sheet_, cx.row = row, cx.col = col;
    cx.dRow = row - block_.ranges[0].first.row;
    cx.dCol = col - block_.ranges[0].first.column;
    return Bounded(*cache_.formulas[i], cx, out);
  }

  // A cfvo's text as a number: a formula (most often a plain number) computed at the block's first
  // cell. Text such as "10/3" is a division here, not a date.
  bool Number(const std::u16string& text, double* out) {
    CompiledFormula compiled;
    if (CompileFormula(text, LookupFunctionId, &compiled) != XLX_OK) return false;
    EvalContext cx;
    cx.sheet = sheet_, cx.row = block_.ranges[0].first.row, cx.col = block_.ranges[0].first.column;
    ExcelValue v;
    if (!Bounded(compiled, cx, &v) || v.type != kValueNumber) return false;
    *out = v.dVal;
    return true;
  }

  // Statistics over the block's ranges, gathered once. False when the sheet's budget is spent.
  bool Stats() {
    if (cache_.statsDone) return !cache_.numbers.empty() || !cache_.counts.empty();
    cache_.statsDone = true;
    const bool counting = rule_.type == kCfDuplicateValues || rule_.type == kCfUniqueValues;
    for (const CellRange& r : block_.ranges) {
      CellArea area;
      area.sheet = sheet_, area.row1 = r.first.row, area.col1 = r.first.column;
      area.row2 = r.last.row, area.col2 = r.last.column;
      bool within = engine_->ForEachCell(area, [&](int32_t, int32_t, const ExcelValue& v) {
        if (++shared_.statCells > kMaxCondStatCellsPerSheet) return false;
        std::u16string key;
        if (counting && ValueKey(v, &key)) ++cache_.counts[key];
        if (v.type == kValueNumber) cache_.numbers.push_back(v.dVal);
        return true;
      });
      if (!within) {
        cache_.numbers.clear();
        cache_.counts.clear();
        return false;
      }
    }
    std::sort(cache_.numbers.begin(), cache_.numbers.end());
    if (!cache_.numbers.empty()) {
      double sum = 0;
      for (double v : cache_.numbers) sum += v;
      cache_.mean = sum / double(cache_.numbers.size());
      double sq = 0;
      for (double v : cache_.numbers) sq += (v - cache_.mean) * (v - cache_.mean);
      cache_.deviation = std::sqrt(sq / double(cache_.numbers.size()));
    }
    return !cache_.numbers.empty() || !cache_.counts.empty();
  }

  // The points of a scale, bar or icon set as numbers over the range's values.
  const std::vector<double>* Points(const std::vector<CfValue>& values) {
    if (cache_.pointsDone) return cache_.pointsOk ? &cache_.points : nullptr;
    cache_.pointsDone = true;
    if (!Stats() || cache_.numbers.empty()) return nullptr;
    const double lo = cache_.numbers.front(), hi = cache_.numbers.back();
    for (const CfValue& v : values) {
      double x = 0, p = 0;
      switch (v.kind) {
        case kCfvoMin: x = lo; break;
        case kCfvoMax: x = hi; break;
        case kCfvoAutoMin: x = std::min(lo, 0.0); break;
        case kCfvoAutoMax: x = std::max(hi, 0.0); break;
        case kCfvoPercent:
          if (!Number(v.formula, &p)) return nullptr;
          x = lo + (hi - lo) * p / 100.0;
          break;
        case kCfvoPercentile:
          if (!Number(v.formula, &p)) return nullptr;
          x = Percentile(cache_.numbers, p / 100.0);
          break;
        default:
          if (!Number(v.formula, &x)) return nullptr;
      }
      cache_.points.push_back(x);
    }
    cache_.pointsOk = true;
    return &cache_.points;
  }

  const RuleCache& cache() const { return cache_; }

 private:
  // A computation within what is left of the page's work bound.
  bool Bounded(const CompiledFormula& f, const EvalContext& cx, ExcelValue* out) {
    if (work_ <= 0) return false;
    engine_->SetWorkBudget(work_);
    const bool ok = engine_->EvaluateCompiled(f, cx, out) == XLX_OK;
    work_ = engine_->WorkBudget();
    engine_->SetWorkBudget(-1);
    return ok;
  }

  void Compile() {
    if (cache_.compiled) return;
    cache_.compiled = true;
    for (const std::u16string& text : rule_.formulas) {
      auto compiled = std::make_shared<CompiledFormula>();
      if (CompileFormula(text, LookupFunctionId, compiled.get()) != XLX_OK) compiled.reset();
      cache_.formulas.push_back(compiled);
    }
  }

  Workbook* wb_;
  int32_t sheet_;
  const CondFmt& block_;
  const CfRule& rule_;
  RuleCache& cache_;
  CondFmtCache& shared_;
  FormulaEngine* engine_;
  int64_t& work_;
};

// cellIs: the cell's value against one or two operands, as the comparison operators compare.
bool CellIsHolds(RuleContext& rc, const CfRule& rule, const ExcelValue& value, int32_t row, int32_t col) {
  ExcelValue a, b;
  if (!rc.Formula(0, row, col, &a) || a.type == kValueError) return false;
  if (value.type == kValueError) return false;
  ExcelValue v = value;
  if (v.type == kValueEmpty) v = a.type == kValueString ? MakeString(u"") : MakeNumber(0);
  const int32_t c = CompareValues(v, a);
  switch (rule.op) {
    case kCfOpBetween:
    case kCfOpNotBetween: {
      if (!rc.Formula(1, row, col, &b) || b.type == kValueError) return false;
      if (CompareValues(a, b) > 0) std::swap(a, b);
      const bool inside = CompareValues(v, a) >= 0 && CompareValues(v, b) <= 0;
      return rule.op == kCfOpBetween ? inside : !inside;
    }
    case kCfOpEqual: return c == 0;
    case kCfOpNotEqual: return c != 0;
    case kCfOpGreater: return c > 0;
    case kCfOpLess: return c < 0;
    case kCfOpGreaterEqual: return c >= 0;
    case kCfOpLessEqual: return c <= 0;
    default: return false;
  }
}

// The text tests: the rule's text in the cell's text, without regard to case.
bool TextHolds(const CfRule& rule, const ExcelValue& value) {
  std::u16string text;
  if (!ValueText(value, &text)) return false;
  const std::u16string cell = FoldText(text), needle = FoldText(rule.text);
  switch (rule.type) {
    case kCfContainsText: return cell.find(needle) != std::u16string::npos;
    case kCfNotContainsText: return cell.find(needle) == std::u16string::npos;
    case kCfBeginsWith: return cell.compare(0, needle.size(), needle) == 0;
    case kCfEndsWith: return cell.size() >= needle.size() && cell.compare(cell.size() - needle.size(), needle.size(), needle) == 0;
    default: return false;
  }
}

bool IsBlank(const ExcelValue& v) {
  if (v.type == kValueEmpty) return true;
  if (v.type != kValueString) return false;
  return v.strVal.find_first_not_of(u' ') == std::u16string::npos;
}

// Rules ranked over the block's numbers: top or bottom N (or N%), above or below the mean.
bool RankHolds(RuleContext& rc, const CfRule& rule, double v) {
  if (!rc.Stats()) return false;
  const std::vector<double>& n = rc.cache().numbers;
  if (n.empty()) return false;
  if (rule.type == kCfTop10) {
    int64_t count = std::max<int64_t>(rule.rank, 1);
    if (rule.isPercent) count = std::max<int64_t>(1, int64_t(double(n.size()) * std::min(rule.rank, 100) / 100.0));
    count = std::min<int64_t>(count, int64_t(n.size()));
    return rule.isBottom ? v <= n[size_t(count - 1)] : v >= n[n.size() - size_t(count)];
  }
  const double spread = rule.stdDev * rc.cache().deviation, mean = rc.cache().mean;
  if (rule.type == kCfAboveAverage) return v > mean + spread;
  if (rule.type == kCfAboveOrEqualAverage) return v >= mean + spread;
  if (rule.type == kCfBelowAverage) return v < mean - spread;
  return v <= mean - spread;
}

// Duplicate and unique values: how often the cell's value occurs in the block.
bool CountHolds(RuleContext& rc, const CfRule& rule, const ExcelValue& value) {
  std::u16string key;
  if (!ValueKey(value, &key) || !rc.Stats()) return false;
  auto it = rc.cache().counts.find(key);
  const int32_t n = it == rc.cache().counts.end() ? 0 : it->second;
  return rule.type == kCfDuplicateValues ? n > 1 : n == 1;
}

// A colour scale's fill for a number, between the colours of the points around it.
bool ApplyColorScale(RuleContext& rc, const CfColorScale& s, double v, CellCondResult* out) {
  const std::vector<double>* p = rc.Points(s.points);
  if (!p || p->size() != s.colors.size()) return false;
  CellColor color = s.colors.back();
  if (v <= p->front()) color = s.colors.front();
  for (size_t i = 0; i + 1 < p->size(); ++i) {
    const double lo = (*p)[i], hi = (*p)[i + 1];
    if (v >= lo && v <= hi) {
      color = hi > lo ? Mix(s.colors[i], s.colors[i + 1], (v - lo) / (hi - lo)) : s.colors[i + 1];
      break;
    }
  }
  out->dxf.fill = FillSpec();
  out->dxf.fill.kind = kFillSolid;
  out->dxf.fill.foreColor = color;
  out->dxf.mask |= kDxfFill;
  return true;
}

// A data bar's length (and its axis, for negative values) as shares of the cell.
bool ApplyDataBar(RuleContext& rc, const CfDataBar& bar, double v, CellCondResult* out) {
  const std::vector<double>* p = rc.Points({bar.low, bar.high});
  if (!p || p->size() != 2) return false;
  double lo = (*p)[0], hi = std::max((*p)[0], (*p)[1]);
  const bool axis = bar.extended && bar.axisPosition != kAxisNone && (lo < 0 || bar.axisPosition == kAxisMiddle);
  if (axis && bar.axisPosition == kAxisMiddle) {
    const double m = std::max(std::fabs(lo), std::fabs(hi));
    lo = -m, hi = m;
  }
  if (axis) lo = std::min(lo, 0.0), hi = std::max(hi, 0.0);
  out->bar = &bar;
  out->barFraction = hi > lo ? std::clamp((v - lo) / (hi - lo), 0.0, 1.0) : 0.5;
  out->barZero = axis && hi > lo ? std::clamp(-lo / (hi - lo), 0.0, 1.0) : 0;
  out->barNegative = axis && v < 0;
  out->hideValue = out->hideValue || !bar.showValue;
  return true;
}

// The icon of an icon set for a number: the last threshold it reaches.
bool ApplyIconSet(RuleContext& rc, const CfIconSet& set, double v, CellCondResult* out) {
  const int32_t count = int32_t(set.custom.empty() ? CfIconCount(set.set) : set.custom.size());
  if (count == 0) return false;
  const std::vector<double>* p = rc.Points(set.thresholds);
  if (!p || int32_t(p->size()) < count) return false;
  int32_t index = 0;
  for (int32_t i = 1; i < count; ++i) {
    const double t = (*p)[size_t(i)];
    if (set.thresholds[size_t(i)].gte ? v >= t : v > t) index = i;
  }
  if (set.reverse) index = count - 1 - index;
  if (set.custom.empty()) out->icon = CfIcon{set.set, index};
  else out->icon = set.custom[size_t(index)];
  out->icons = &set;
  out->hideValue = out->hideValue || !set.showValue;
  return true;
}

}  // namespace

CondFmtPage::CondFmtPage(const Workbook& workbook, const MyWorksheet& sheet, int32_t row1, int32_t col1, int32_t row2,
                         int32_t col2)
    : wb_(const_cast<Workbook*>(&workbook)), sheet_(sheet), formats_(sheet.condFormats) {
  if (!formats_) return;
  try {
    std::lock_guard<std::mutex> lock(g_condFmtLock);
    if (!formats_->cache) {
      auto cache = std::make_shared<CondFmtCache>();
      cache->rules.resize(formats_->blocks.size());
      for (size_t b = 0; b < formats_->blocks.size(); ++b) cache->rules[b].resize(formats_->blocks[b].rules.size());
      formats_->cache = cache;
    }
    for (size_t b = 0; b < formats_->blocks.size(); ++b) {
      const CondFmt& block = formats_->blocks[b];
      bool meets = false;
      for (const CellRange& r : block.ranges) meets = meets || Meets(r, row1, col1, row2, col2);
      if (!meets) continue;
      for (size_t i = 0; i < block.rules.size(); ++i)
        candidates_.push_back(Candidate{int32_t(b), int32_t(i), block.rules[i].priority});
    }
    std::stable_sort(candidates_.begin(), candidates_.end(),
                     [](const Candidate& a, const Candidate& b) { return a.priority < b.priority; });
  } catch (const std::bad_alloc&) {
    candidates_.clear();
  }
}

bool CondFmtPage::Evaluate(int32_t row, int32_t col, CellCondResult* out) {
  *out = CellCondResult();
  if (candidates_.empty() || tests_ > kMaxCondTestsPerPage) return false;
  try {
    std::lock_guard<std::mutex> lock(g_condFmtLock);
    bool known = false;
    ExcelValue value;
    for (const Candidate& c : candidates_) {
      const CondFmt& block = formats_->blocks[size_t(c.block)];
      bool inside = false;
      for (const CellRange& r : block.ranges) inside = inside || Contains(r, row, col);
      if (!inside) continue;
      const CfRule& rule = block.rules[size_t(c.rule)];
      if (!rule.stopIfTrue && Settled(rule, *out)) continue;
      if (++tests_ > kMaxCondTestsPerPage) break;
      if (!known) value = WorkbookFormulaEngine(wb_)->CellValue(sheet_.sheetIndex, row, col), known = true;
      if (Holds(c, block, rule, value, row, col, out) && rule.stopIfTrue) break;
    }
  } catch (const std::bad_alloc&) {
    *out = CellCondResult();
  }
  return out->Any();
}

const Dxf* CondFmtPage::DxfOf(const CfRule& rule) const {
  if (rule.ownDxf) return rule.ownDxf.get();
  const Stylesheet& styles = wb_->styles;
  return rule.dxfId >= 0 && rule.dxfId < styles.dxfs.items.Count() ? &styles.dxfs.items[rule.dxfId] : nullptr;
}

bool CondFmtPage::Settled(const CfRule& rule, const CellCondResult& out) const {
  switch (rule.type) {
    case kCfColorScale: return (out.dxf.mask & kDxfFill) != 0;
    case kCfDataBar: return out.bar != nullptr;
    case kCfIconSet: return out.icons != nullptr;
    default: break;
  }
  const Dxf* dxf = DxfOf(rule);
  if (!dxf) return true;
  return (dxf->mask & ~out.dxf.mask & ~uint32_t(kDxfFont)) == 0 && (dxf->font.flags & ~out.dxf.font.flags) == 0;
}

bool CondFmtPage::Holds(const Candidate& c, const CondFmt& block, const CfRule& rule, const ExcelValue& value,
                        int32_t row, int32_t col, CellCondResult* out) {
  RuleContext rc(wb_, sheet_.sheetIndex, block, rule,
                 &formats_->cache->rules[size_t(c.block)][size_t(c.rule)], formats_->cache.get(), &formulaWork_);
  const bool numeric = value.type == kValueNumber;
  bool holds = false;
  ExcelValue result;
  switch (rule.type) {
    case kCfCellIs: holds = CellIsHolds(rc, rule, value, row, col); break;
    case kCfExpression: holds = rc.Formula(0, row, col, &result) && IsTrue(result); break;
    case kCfContainsText:
    case kCfNotContainsText:
    case kCfBeginsWith:
    case kCfEndsWith:
      holds = rule.text.empty() && !rule.formulas.empty() ? rc.Formula(0, row, col, &result) && IsTrue(result)
                                                          : TextHolds(rule, value);
      break;
    case kCfContainsBlanks: holds = IsBlank(value); break;
    case kCfNotContainsBlanks: holds = !IsBlank(value); break;
    case kCfContainsErrors: holds = value.type == kValueError; break;
    case kCfNotContainsErrors: holds = value.type != kValueError; break;
    case kCfTimePeriod:
      if (!rule.formulas.empty()) holds = rc.Formula(0, row, col, &result) && IsTrue(result);
      else holds = numeric && InPeriod(rule.timePeriod, value.dVal, wb_->bDate1904);
      break;
    case kCfTop10:
    case kCfAboveAverage:
    case kCfBelowAverage:
    case kCfAboveOrEqualAverage:
    case kCfBelowOrEqualAverage: holds = numeric && RankHolds(rc, rule, value.dVal); break;
    case kCfDuplicateValues:
    case kCfUniqueValues: holds = CountHolds(rc, rule, value); break;
    // Colour scales, data bars and icon sets set their own part of the result, the first that
    // applies winning it.
    case kCfColorScale:
      return numeric && rule.colorScale && !(out->dxf.mask & kDxfFill) &&
             ApplyColorScale(rc, *rule.colorScale, value.dVal, out);
    case kCfDataBar: return numeric && rule.dataBar && !out->bar && ApplyDataBar(rc, *rule.dataBar, value.dVal, out);
    case kCfIconSet:
      return numeric && rule.iconSet && !out->icons && ApplyIconSet(rc, *rule.iconSet, value.dVal, out);
    default: break;
  }
  if (!holds) return false;
  if (const Dxf* dxf = DxfOf(rule)) MergeDxf(*dxf, &out->dxf);
  return true;
}

}  // namespace xlx
