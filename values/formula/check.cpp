// Comparison of computed formula results with the values cached in the file.
#include "values/formula/check.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <set>
#include <unordered_map>

#include "common/resultcodes.h"
#include "values/formula/formula.h"
#include "values/formula/value.h"

namespace xlx {
namespace {

std::u16string ValueText(const ExcelValue& v) {
  switch (v.type) {
    case kValueNumber: return NumberToText(v.dVal);
    case kValueBoolean: return v.bVal ? u"TRUE" : u"FALSE";
    case kValueString:
    case kValueError: return v.strVal;
    default: return u"";
  }
}

bool SameValue(const ExcelValue& a, const ExcelValue& b) {
  const bool aEmpty = a.type == kValueEmpty || (a.type == kValueString && a.strVal.empty());
  const bool bEmpty = b.type == kValueEmpty || (b.type == kValueString && b.strVal.empty());
  if (aEmpty || bEmpty) return aEmpty == bEmpty;
  // An error cached as a formula string ("#DIV/0!" with t="str") is that error.
  const bool aText = a.type == kValueString || a.type == kValueError, bText = b.type == kValueString || b.type == kValueError;
  if (a.type != b.type && !(aText && bText)) return false;
  if (a.type == kValueNumber) {
    if (a.dVal == b.dVal) return true;
    // Results of iterative solvers and long sums agree to about 12 digits with the application's.
    double scale = std::max(std::fabs(a.dVal), std::fabs(b.dVal));
    return std::fabs(a.dVal - b.dVal) <= scale * 1e-12;
  }
  return ValueText(a) == ValueText(b);
}

// Master text of each shared formula, by sheet and index.
std::u16string FormulaTextOf(const Workbook& wb, int32_t sheet, const CellRecord& cell,
                             const std::map<std::pair<int32_t, int32_t>, std::u16string>& masters) {
  const CellFormula* f = cell.formula;
  if (f->text && f->text[0]) return f->text;
  auto it = masters.find({sheet, f->sharedIndex});
  (void)wb;
  return it == masters.end() ? std::u16string() : it->second;
}

}  // namespace

std::vector<std::string> FunctionNamesOf(const std::u16string& formula) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  bool inString = false;
  for (size_t i = 0; i < formula.size(); ++i) {
    char16_t c = formula[i];
    if (c == u'"') inString = !inString;
    if (inString || c != u'(') continue;
    size_t start = i;
    while (start > 0) {
      char16_t p = formula[start - 1];
      bool word = (p >= u'A' && p <= u'Z') || (p >= u'a' && p <= u'z') || (p >= u'0' && p <= u'9') || p == u'.' || p == u'_';
      if (!word) break;
      --start;
    }
    if (start == i) continue;
    std::string name;
    for (size_t k = start; k < i; ++k) name.push_back(char(formula[k] >= u'a' && formula[k] <= u'z' ? formula[k] - 32 : formula[k]));
    for (const char* prefix : {"_XLFN.", "_XLWS.", "_XLUDF."})
      while (name.compare(0, strlen(prefix), prefix) == 0) name.erase(0, strlen(prefix));
    if (seen.insert(name).second) names.push_back(name);
  }
  return names;
}

int32_t CheckWorkbookFormulas(Workbook* workbook, FormulaCheckResult* result) {
  if (!workbook || !result) return XLX_ERR_ARGUMENT;
  try {
    *result = FormulaCheckResult();
    struct Snapshot {
      ExcelValue cached;
      bool hadValue;
    };
    std::map<std::pair<int32_t, int32_t>, std::u16string> masters;
    std::unordered_map<uint64_t, Snapshot> cached;
    auto key = [](int32_t s, int32_t r, int32_t c) { return (uint64_t(s) << 40) | (uint64_t(r) << 16) | uint64_t(c); };
    for (int32_t s = 0; s < ReferableSheetCount(workbook); ++s) {
      for (const CellRecord& cell : workbook->sheets[s].cells) {
        if (!(cell.flags & kCellHasFormula) || !cell.formula) continue;
        const CellFormula* f = cell.formula;
        if (f->kind == kFormulaShared && f->text && f->text[0]) masters.emplace(std::make_pair(s, f->sharedIndex), f->text);
        cached[key(s, cell.row, cell.column)] = Snapshot{ValueOfStoredCell(*workbook, cell), (cell.flags & kCellHasValue) != 0};
      }
    }
    FormulaRunReport report;
    report.bKeepCells = true;
    int32_t rc = EvaluateWorkbookFormulas(workbook, kFormulaEvalAll, &report);
    if (rc != XLX_OK) return rc;
    result->nTotal = report.nTotal;
    result->nComputed = report.nComputed;
    result->nUnsupported = report.nUnsupported;
    result->unsupportedFunctions = report.unsupportedFunctions;
    for (const FormulaRunCell& done : report.cells) {
      if (!done.bComputed) continue;
      if (done.bVolatile) {
        ++result->nVolatile;
        continue;
      }
      const CellRecord* cell = FindCell(workbook->sheets[done.sheet], done.row, done.column);
      auto it = cached.find(key(done.sheet, done.row, done.column));
      if (!cell || it == cached.end()) continue;
      if (it->second.hadValue) ++result->nComputedWithCache;
      ExcelValue now = ValueOfStoredCell(*workbook, *cell);
      if (it->second.hadValue && SameValue(it->second.cached, now)) {
        ++result->nEqual;
        continue;
      }
      if (!it->second.hadValue) continue;
      FormulaMismatch m;
      m.sheet = done.sheet, m.row = done.row, m.column = done.column;
      m.formula = FormulaTextOf(*workbook, done.sheet, *cell, masters);
      m.cached = ValueText(it->second.cached);
      m.computed = ValueText(now);
      for (const std::string& name : FunctionNamesOf(m.formula)) ++result->mismatchesByFunction[name];
      result->mismatches.push_back(std::move(m));
    }
    return XLX_OK;
  } catch (const std::bad_alloc&) {
    return XLX_ERR_MEMORY;
  }
}

}  // namespace xlx
