// Chart data taken from the cells a series refers to. A chart part carries each reference
// (`c:f`) with a cache of the values it held when the file was written; programs other than the
// application often write no cache at all. Once every sheet is read and its formulas computed, a
// reference that names a loaded sheet and a valid range replaces its cache with the cells' values,
// leaving out hidden rows and columns unless the chart plots them. Sparklines take their values
// the same way. References into other
// workbooks, to sheets that were not loaded or to names that are not plain ranges keep the cache.
#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <new>

#include "common/cellref.h"
#include "common/resultcodes.h"
#include "chart/modelex.h"
#include "chart/reader/reader.h"
#include "parser/xml/dom.h"
#include "values/formula/formula.h"
#include "values/format/numformat.h"

namespace xlx {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// One area of a reference on a loaded sheet.
struct SheetArea {
  const MyWorksheet* sheet = nullptr;
  CellRange range;
};

// One cell of a reference in point order.
struct RefCell {
  const CellRecord* cell = nullptr;  // null: an empty cell
  bool hidden = false;               // its row or column is hidden
};

const MyWorksheet* LoadedSheetNamed(const Workbook& workbook, const std::u16string& name) {
  for (int32_t i = 0; i < ReferableSheetCount(&workbook); ++i) {
    const MyWorksheet* sheet = GetSheet(&workbook, i);
    if (sheet && name == sheet->sheetName) return sheet;
  }
  return nullptr;
}

// The text without one pair of enclosing parentheses ("(A!$A$1,A!$A$3)").
std::u16string_view Unparenthesised(std::u16string_view text) {
  while (!text.empty() && text.front() == u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  if (text.size() >= 2 && text.front() == u'(' && text.back() == u')') text = text.substr(1, text.size() - 2);
  return text;
}

// Splits a list of areas at the commas outside quoted sheet names.
std::vector<std::u16string_view> SplitAreas(std::u16string_view list) {
  std::vector<std::u16string_view> areas;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= list.size(); ++i) {
    if (i < list.size() && list[i] == u'\'') quoted = !quoted;
    if (i == list.size() || (!quoted && list[i] == u',')) {
      areas.push_back(list.substr(start, i - start));
      start = i + 1;
    }
  }
  return areas;
}

bool ResolveAreas(const Workbook& workbook, std::u16string_view text, int32_t depth, std::vector<SheetArea>* out);

// A defined name standing for a plain range ("Sheet1!Sales", "[0]!Sales", "Sales").
bool ResolveName(const Workbook& workbook, std::u16string_view name, int32_t depth, std::vector<SheetArea>* out) {
  if (depth > 2 || name.empty()) return false;
  const std::u16string key(name);
  const char16_t* formula = FindDefinedName(&workbook, key.c_str());
  return formula && ResolveAreas(workbook, formula, depth + 1, out);
}

bool ResolveAreas(const Workbook& workbook, std::u16string_view text, int32_t depth, std::vector<SheetArea>* out) {
  text = Unparenthesised(text);
  if (text.empty()) return false;
  for (std::u16string_view part : SplitAreas(text)) {
    std::u16string sheetName;
    std::u16string_view reference;
    if (!SplitSheetName(Unparenthesised(part), &sheetName, &reference)) return false;
    if (!sheetName.empty() && sheetName.front() == u'[') {
      // "[0]!Name" names this workbook; any other bracket is another workbook.
      if (sheetName != u"[0]" || !ResolveName(workbook, reference, depth, out)) return false;
      continue;
    }
    SheetArea area;
    if (!ParseCellRange(reference, &area.range)) {
      if (!ResolveName(workbook, reference, depth, out)) return false;
      continue;
    }
    area.sheet = sheetName.empty() ? nullptr : LoadedSheetNamed(workbook, sheetName);
    if (!area.sheet) return false;
    out->push_back(area);
  }
  return !out->empty();
}

bool RowHidden(const MyWorksheet& sheet, int32_t row) {
  const RowProps* props = FindRow(sheet, row);
  return props && props->hidden;
}

// The area's range; whole columns end at the last row with a stored cell.
CellRange StoredRange(const SheetArea& a) {
  const MyWorksheet& sheet = *a.sheet;
  CellRange r = a.range;
  const int32_t lastStored = sheet.cells.Count() > 0 ? sheet.cells[sheet.cells.Count() - 1].row : 0;
  if (r.wholeColumns) r.last.row = std::max(r.first.row, std::min(r.last.row, lastStored));
  return r;
}

// The cells of the areas in point order: along the longer side of each area, from its last line
// across (the innermost level of multi-level labels). False past `cap` points.
bool CollectCells(const std::vector<SheetArea>& areas, int64_t cap, std::vector<RefCell>* out) {
  for (const SheetArea& a : areas) {
    const MyWorksheet& sheet = *a.sheet;
    const CellRange r = StoredRange(a);
    const int64_t rows = int64_t(r.last.row) - r.first.row + 1, cols = int64_t(r.last.column) - r.first.column + 1;
    const bool down = rows >= cols;
    const int64_t count = down ? rows : cols;
    if (int64_t(out->size()) + count > cap) return false;
    const int32_t fixed = down ? r.last.column : r.last.row;
    const bool fixedHidden = down ? ColumnIsHidden(sheet, fixed) : RowHidden(sheet, fixed);
    for (int64_t i = 0; i < count; ++i) {
      const int32_t row = down ? int32_t(r.first.row + i) : fixed;
      const int32_t col = down ? fixed : int32_t(r.first.column + i);
      RefCell c;
      c.cell = FindCell(sheet, row, col);
      c.hidden = fixedHidden || (down ? RowHidden(sheet, row) : ColumnIsHidden(sheet, col));
      out->push_back(c);
    }
  }
  return true;
}

// The number format code a cell shows with; empty for General.
std::u16string CellFormatCode(const Workbook& workbook, const CellRecord& cell) {
  const CellXf& xf = GetCellXf(workbook.styles, int32_t(cell.styleIndex));
  const char16_t* code = GetNumberFormatCode(workbook.styles, xf.numFmtId < 0 ? 0 : xf.numFmtId);
  if (!code || !*code) return std::u16string();
  std::u16string text(code);
  return text == u"General" ? std::u16string() : text.substr(0, 255);
}

// The text a cell shows as a chart label: numbers through the cell's own format.
std::u16string CellLabelText(const Workbook& workbook, const CellRecord& cell) {
  const ExcelValue v = ValueOfStoredCell(workbook, cell);
  switch (v.type) {
    case kValueNumber: {
      const std::u16string code = CellFormatCode(workbook, cell);
      const char16_t* fmt = code.empty() ? u"General" : code.c_str();
      char16_t out[128];
      ParseNumberFormat(SerialForDisplay(v.dVal, fmt, workbook.bDate1904), fmt, true, out, 128, nullptr);
      return out;
    }
    case kValueBoolean: return v.bVal ? u"TRUE" : u"FALSE";
    case kValueString:
    case kValueError: return v.strVal.substr(0, 255);
    default: return std::u16string();
  }
}

// A point's value from its cell: text counts as zero, as the application plots it; empty cells
// and errors are gaps.
double CellNumber(const Workbook& workbook, const CellRecord* cell) {
  if (!cell) return kNaN;
  const ExcelValue v = ValueOfStoredCell(workbook, *cell);
  if (v.type == kValueNumber) return v.dVal;
  if (v.type == kValueString || v.type == kValueBoolean) return 0;
  return kNaN;
}

// A reference resolved: its cells, or nothing when the cache must stay.
struct ResolvedData {
  bool resolved = false;
  std::vector<RefCell> cells;
};

ResolvedData Resolve(const Workbook& workbook, const ChartData& d, int64_t cap) {
  ResolvedData out;
  if (d.formula.empty() || (d.source != kDataNumRef && d.source != kDataStrRef && d.source != kDataMultiLvl)) return out;
  std::vector<SheetArea> areas;
  if (!ResolveAreas(workbook, d.formula, 0, &areas)) return out;
  out.resolved = CollectCells(areas, std::min<int64_t>(cap, kMaxChartPoints), &out.cells);
  if (!out.resolved) out.cells.clear();
  return out;
}

// Whether category cells label their points with numbers: a numeric reference whose cells hold
// no text. Text anywhere makes every category a text, as the application labels them.
bool NumericCategories(const Workbook& workbook, const ChartData& d, const std::vector<RefCell>& cells) {
  if (d.source != kDataNumRef) return false;
  for (const RefCell& c : cells) {
    if (!c.cell) continue;
    const uint8_t type = ValueOfStoredCell(workbook, *c.cell).type;
    if (type == kValueString || type == kValueBoolean || type == kValueError) return false;
  }
  return true;
}

// Fills `d` from resolved cells, keeping the points whose `keep` flag is set: numbers, or texts as
// the cells show them.
void FillData(const Workbook& workbook, const std::vector<RefCell>& cells, const std::vector<bool>& keep, bool numeric,
              ChartData* d) {
  d->values.clear();
  d->texts.clear();
  d->formatCode.clear();
  d->min = std::numeric_limits<double>::infinity();
  d->max = -d->min;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!keep[i]) continue;
    const CellRecord* cell = cells[i].cell;
    if (!numeric) {
      d->texts.push_back(cell ? CellLabelText(workbook, *cell) : std::u16string());
      continue;
    }
    const double v = CellNumber(workbook, cell);
    d->values.push_back(v);
    if (std::isfinite(v)) d->min = std::min(d->min, v), d->max = std::max(d->max, v);
    if (d->formatCode.empty() && cell && std::isfinite(v)) d->formatCode = CellFormatCode(workbook, *cell);
  }
  d->pointCount = int32_t(numeric ? d->values.size() : d->texts.size());
}

// Keeps the points of a cached or literal reference whose `keep` flag is set.
void FilterCache(const std::vector<bool>& keep, ChartData* d) {
  std::vector<double> values;
  std::vector<std::u16string> texts;
  for (size_t i = 0; i < size_t(d->pointCount); ++i) {
    if (i < keep.size() && !keep[i]) continue;
    if (i < d->values.size()) values.push_back(d->values[i]);
    if (i < d->texts.size()) texts.push_back(d->texts[i]);
  }
  d->values.swap(values);
  d->texts.swap(texts);
  d->pointCount = int32_t(std::max(d->values.size(), d->texts.size()));
}

// The series name from the cells of its `c:tx` reference, joined by spaces.
void ResolveSeriesName(const Workbook& workbook, const std::u16string& formula, ChartSeries* s) {
  ChartData name;
  name.source = kDataStrRef;
  name.formula = formula;
  const ResolvedData r = Resolve(workbook, name, 256);
  if (!r.resolved) return;
  std::u16string text;
  for (const RefCell& c : r.cells) {
    const std::u16string part = c.cell ? CellLabelText(workbook, *c.cell) : std::u16string();
    if (part.empty()) continue;
    if (!text.empty()) text += u' ';
    text += part;
  }
  s->name = text.substr(0, kMaxChartTextUnits);
  s->nameIsDefault = false;
}

void ResolveSeries(const Workbook& workbook, bool plotVisOnly, int64_t* budget, ChartSeries* s) {
  if (!s->nameFormula.empty()) ResolveSeriesName(workbook, s->nameFormula, s);
  ChartData* data[3] = {&s->categories, &s->values, &s->bubbleSizes};
  ResolvedData resolved[3];
  size_t longest = 0;
  for (int32_t k = 0; k < 3; ++k) {
    resolved[k] = Resolve(workbook, *data[k], *budget);
    longest = std::max(longest, resolved[k].resolved ? resolved[k].cells.size() : size_t(data[k]->pointCount));
  }
  // A point is left out when any of its cells is hidden and the chart plots visible cells only.
  std::vector<bool> keep(longest, true);
  for (int32_t k = 0; k < 3 && plotVisOnly; ++k)
    for (size_t i = 0; i < resolved[k].cells.size(); ++i)
      if (resolved[k].cells[i].hidden) keep[i] = false;
  for (int32_t k = 0; k < 3; ++k) {
    if (resolved[k].resolved) {
      std::vector<bool> own(resolved[k].cells.size());
      for (size_t i = 0; i < own.size(); ++i) own[i] = keep[i];
      const bool numeric = k == 0 ? NumericCategories(workbook, *data[k], resolved[k].cells) : data[k]->source == kDataNumRef;
      FillData(workbook, resolved[k].cells, own, numeric, data[k]);
    } else if (plotVisOnly && std::find(keep.begin(), keep.end(), false) != keep.end()) {
      FilterCache(keep, data[k]);
    }
    *budget -= data[k]->pointCount;
  }
}

// The numbers of the cells a reference names, with whether each is hidden; false when it names
// no loaded sheet or too many cells.
bool SparklineCells(const Workbook& workbook, const std::u16string& formula, std::vector<RefCell>* cells) {
  std::vector<SheetArea> areas;
  return ResolveAreas(workbook, formula, 0, &areas) && CollectCells(areas, kMaxSparklinePoints, cells);
}

// The values of one sparkline: hidden cells left out unless the group shows them. With `dates`
// (the group's date cells, one per value) each value kept takes its date along.
void ResolveSparkline(const Workbook& workbook, bool displayHidden, const std::vector<RefCell>* dates, Sparkline* line) {
  line->values.clear();
  line->dates.clear();
  std::vector<RefCell> cells;
  if (!SparklineCells(workbook, line->formula, &cells)) return;
  const bool dated = dates && dates->size() == cells.size();
  for (size_t i = 0; i < cells.size(); ++i) {
    if (!displayHidden && cells[i].hidden) continue;
    line->values.push_back(CellNumber(workbook, cells[i].cell));
    if (dated) line->dates.push_back(CellNumber(workbook, (*dates)[i].cell));
  }
}

// ---- the data blocks of 2016 charts -------------------------------------------------------------

// The category levels of a block of cells, each level a line across the points (a column when
// the block is at least as tall as wide), innermost first: the last line is the innermost level,
// as the cache stores them. `hidden` gets whether each point's line is hidden.
bool CollectLevels(const Workbook& workbook, const SheetArea& a, int64_t cap, std::vector<std::vector<std::u16string>>* levels,
                   std::vector<bool>* hidden) {
  const MyWorksheet& sheet = *a.sheet;
  const CellRange r = StoredRange(a);
  const int64_t rows = int64_t(r.last.row) - r.first.row + 1, cols = int64_t(r.last.column) - r.first.column + 1;
  const bool down = rows >= cols;
  const int64_t points = down ? rows : cols, lines = std::min<int64_t>(down ? cols : rows, kMaxChartExLevels);
  if (points * lines > cap) return false;
  levels->assign(size_t(lines), std::vector<std::u16string>(size_t(points)));
  hidden->assign(size_t(points), false);
  for (int64_t i = 0; i < points; ++i) {
    (*hidden)[size_t(i)] = down ? RowHidden(sheet, int32_t(r.first.row + i)) : ColumnIsHidden(sheet, int32_t(r.first.column + i));
    for (int64_t k = 0; k < lines; ++k) {
      const int32_t row = down ? int32_t(r.first.row + i) : int32_t(r.last.row - k);
      const int32_t col = down ? int32_t(r.last.column - k) : int32_t(r.first.column + i);
      const CellRecord* cell = FindCell(sheet, row, col);
      if (cell) (*levels)[size_t(k)][size_t(i)] = CellLabelText(workbook, *cell);
    }
  }
  return true;
}

template <typename T>
void KeepPoints(const std::vector<bool>& keep, std::vector<T>* items) {
  std::vector<T> kept;
  for (size_t i = 0; i < items->size(); ++i)
    if (i >= keep.size() || keep[i]) kept.push_back(std::move((*items)[i]));
  items->swap(kept);
}

// One data block from the cells its dimensions name; a dimension whose cells cannot be found
// keeps its cache. Points on hidden rows (or columns) are left out of every dimension.
void ResolveExData(const Workbook& workbook, int64_t* budget, ChartExData* d) {
  const int64_t cap = std::min<int64_t>(std::max<int64_t>(*budget, 0), kMaxChartPoints);
  std::vector<SheetArea> areas;
  std::vector<RefCell> values;
  const bool hasValues = !d->valueFormula.empty() && ResolveAreas(workbook, d->valueFormula, 0, &areas) &&
                         CollectCells(areas, cap, &values);
  areas.clear();
  std::vector<std::vector<std::u16string>> levels;
  std::vector<bool> catHidden;
  bool hasCats = !d->categoryFormula.empty() && ResolveAreas(workbook, d->categoryFormula, 0, &areas);
  if (hasCats && areas.size() == 1) {
    hasCats = CollectLevels(workbook, areas[0], cap, &levels, &catHidden);
  } else if (hasCats) {
    std::vector<RefCell> cells;  // a list of areas: one level
    hasCats = CollectCells(areas, cap, &cells);
    levels.assign(1, {});
    for (const RefCell& c : cells) {
      levels[0].push_back(c.cell ? CellLabelText(workbook, *c.cell) : std::u16string());
      catHidden.push_back(c.hidden);
    }
  }
  if (!hasValues && !hasCats) return;
  std::vector<bool> keep(std::max(values.size(), catHidden.size()), true);
  for (size_t i = 0; i < values.size(); ++i) keep[i] = !values[i].hidden;
  for (size_t i = 0; i < catHidden.size(); ++i) keep[i] = keep[i] && !catHidden[i];
  if (hasValues) {
    d->values.clear();
    d->formatCode.clear();
    for (const RefCell& c : values) {
      d->values.push_back(CellNumber(workbook, c.cell));
      if (d->formatCode.empty() && c.cell && std::isfinite(d->values.back())) d->formatCode = CellFormatCode(workbook, *c.cell);
    }
  }
  if (hasCats) d->levels.swap(levels);
  KeepPoints(keep, &d->values);
  for (std::vector<std::u16string>& level : d->levels) KeepPoints(keep, &level);
  d->pointCount = int32_t(d->values.size());
  for (const std::vector<std::u16string>& level : d->levels) d->pointCount = std::max(d->pointCount, int32_t(level.size()));
  *budget -= int64_t(d->pointCount) * int64_t(std::max<size_t>(1, d->levels.size()));
}

void ResolveChartEx(const Workbook& workbook, ChartEx* ex) {
  int64_t budget = kMaxChartPoints;
  for (ChartExData& d : ex->data) ResolveExData(workbook, &budget, &d);
  for (ChartExSeries& s : ex->series) {
    if (s.nameFormula.empty()) continue;
    ChartSeries named;
    ResolveSeriesName(workbook, s.nameFormula, &named);
    if (!named.nameIsDefault) s.name = named.name;
  }
}

}  // namespace

int32_t ResolveChartCellData(const Workbook& workbook, ChartModel* model) {
  if (!model) return XLX_ERR_ARGUMENT;
  return Guarded([&]() -> int32_t {
    int64_t budget = kMaxChartTotalPoints;
    for (ChartSeries& s : model->series) ResolveSeries(workbook, model->plotVisOnly, &budget, &s);
    if (model->isChartEx && model->ex) {
      std::shared_ptr<ChartEx> ex(new (std::nothrow) ChartEx(*model->ex));
      if (!ex) return XLX_ERR_MEMORY;
      ResolveChartEx(workbook, ex.get());
      model->ex = std::move(ex);
    }
    return XLX_OK;
  });
}

int32_t ResolveWorkbookChartData(Workbook* workbook) {
  if (!workbook) return XLX_ERR_ARGUMENT;
  for (int32_t i = 0; i < workbook->sheetCount; ++i) {
    MyWorksheet* sheet = GetSheet(workbook, i);
    if (!sheet) continue;
    const int32_t rc = Guarded([&]() -> int32_t {
      for (SparklineGroup& g : sheet->sparklineGroups) {
        std::vector<RefCell> dates;
        const bool dated = g.dateAxis && SparklineCells(*workbook, g.dateFormula, &dates);
        for (Sparkline& line : g.sparklines) ResolveSparkline(*workbook, g.displayHidden, dated ? &dates : nullptr, &line);
      }
      return XLX_OK;
    });
    if (rc == XLX_ERR_MEMORY) return rc;
    for (DrawingObject& o : sheet->drawing.objects) {
      if (!o.chart || (o.chart->isChartEx ? !o.chart->ex : o.chart->series.empty())) continue;
      std::shared_ptr<ChartModel> copy(new (std::nothrow) ChartModel());
      if (!copy) return XLX_ERR_MEMORY;
      const int32_t rc = Guarded([&]() -> int32_t {
        *copy = *o.chart;
        return ResolveChartCellData(*workbook, copy.get());
      });
      if (rc == XLX_ERR_MEMORY) return rc;
      if (rc == XLX_OK) o.chart = std::move(copy);
    }
  }
  return XLX_OK;
}

}  // namespace xlx
